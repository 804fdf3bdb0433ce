// Screenshots as compressed PNG through stb_image_write (header-only, so the Windows build takes
// it from the Debian package as it is); the file is opened wide, so any path works.
#include "host/window_png.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO  // the writer hands us the bytes; we open the file ourselves
#include <stb_image_write.h>

namespace {

// stb's sink: appends to the FILE it is given, and remembers a short write.
struct PngSink {
    FILE* file;
    bool ok;
};

void writeToSink(void* context, void* data, int size) {
    auto* sink = static_cast<PngSink*>(context);
    if (std::fwrite(data, 1, static_cast<size_t>(size), sink->file) != static_cast<size_t>(size))
        sink->ok = false;
}

}  // namespace

bool saveWindowPng(HWND window, const wchar_t* path) {
    // Let the window's thread paint it and its controls first.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);
    RECT r;
    if (!GetWindowRect(window, &r))
        return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool captured = bitmap != nullptr &&
                    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();

    // stb takes rows of RGB bytes; the bitmap is BGRX.
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    const auto* pixels = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; captured && i < static_cast<size_t>(width) * height; ++i) {
        rgb[i * 3] = pixels[i * 4 + 2];
        rgb[i * 3 + 1] = pixels[i * 4 + 1];
        rgb[i * 3 + 2] = pixels[i * 4];
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!captured)
        return false;

    PngSink sink{_wfopen(path, L"wb"), true};
    if (sink.file == nullptr)
        return false;
    stbi_write_png_compression_level = 9;
    bool written = stbi_write_png_to_func(writeToSink, &sink, width, height, 3, rgb.data(),
                                          width * 3) != 0;
    return std::fclose(sink.file) == 0 && written && sink.ok;
}

std::wstring screenshotPath(const wchar_t* fileName) {
    wchar_t exe[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe, n);
    folder = folder.substr(0, folder.find_last_of(L'\\'));       // ...\bin
    folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + fileName;
}
