// The file functions of module/platform.h, made of the device's own file calls, which are the
// older 32-bit-word forms: a position or a size comes in two DWORDs, and a failure is told from a
// low word of 0xFFFFFFFF only by the error code. Apart from the rest of the platform so that a
// Wine test can run these over real files of any size.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "module/device_api_win.h"
#include "module/platform.h"
#include "module/wide_win.h"

namespace {

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// A low word of 0xFFFFFFFF (INVALID_SET_FILE_POINTER, INVALID_FILE_SIZE) is also the low word of a
// good answer past 4 GB: the call failed only when it also left an error code. The caller clears
// the code before the call, as a success need not.
bool lowWordFailed(DWORD low) { return low == 0xFFFFFFFF && GetLastError() != NO_ERROR; }

} // namespace

FileHandle platformOpenFile(const char16_t* path, FileAccess access, FileDisposition disposition) {
    DWORD rights = access == FileAccess::Read    ? GENERIC_READ
                   : access == FileAccess::Write ? GENERIC_WRITE
                                                 : GENERIC_READ | GENERIC_WRITE;
    DWORD how = disposition == FileDisposition::OpenExisting ? OPEN_EXISTING
                : disposition == FileDisposition::CreateNew  ? CREATE_NEW
                                                             : CREATE_ALWAYS;
    HANDLE h = CreateFileW(wide(path), rights, 0, nullptr, how, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

int32_t platformReadFile(FileHandle file, void* buffer, uint32_t size) {
    DWORD n = 0;
    if (!ReadFile(handleOf(file), buffer, size, &n, nullptr))
        return -1;
    return static_cast<int32_t>(n);
}

int32_t platformWriteFile(FileHandle file, const void* bytes, uint32_t size) {
    DWORD n = 0;
    if (!WriteFile(handleOf(file), bytes, size, &n, nullptr))
        return n > 0 ? static_cast<int32_t>(n) : -1;
    return static_cast<int32_t>(n);
}

bool platformSeekFile(FileHandle file, int64_t offset, FileOrigin origin) {
    DWORD method = origin == FileOrigin::Begin     ? FILE_BEGIN
                   : origin == FileOrigin::Current ? FILE_CURRENT
                                                   : FILE_END;
    // The signed distance in two words: the high one carries its sign.
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(handleOf(file), static_cast<LONG>(offset & 0xFFFFFFFF), &high,
                               method);
    return !lowWordFailed(low);
}

int64_t platformFileSize(FileHandle file) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(handleOf(file), &high);
    if (lowWordFailed(low))
        return -1;
    return static_cast<int64_t>(uint64_t(high) << 32 | low);
}

int32_t platformReadFileAt(FileHandle file, uint64_t offset, void* buffer, uint32_t size) {
    // A seek and a plain read rather than an OVERLAPPED offset, which Windows CE does not take.
    if (!platformSeekFile(file, static_cast<int64_t>(offset), FileOrigin::Begin))
        return -1;
    return platformReadFile(file, buffer, size);
}

bool platformFileStamp(const char16_t* path, FileStamp* stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(path), GetFileExInfoStandard, &data))
        return false;
    stamp->size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp->lastWrite =
        uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool platformFlushFile(FileHandle file) { return FlushFileBuffers(handleOf(file)) != FALSE; }

void platformCloseFile(FileHandle file) { CloseHandle(handleOf(file)); }

bool platformReplaceFile(const char16_t* replacement, const char16_t* existing) {
    // The device replaces only a file that is there. With none yet, a plain rename, which fails
    // rather than overwrite a file that appeared meanwhile; when the replace failed on a file that
    // is there (held open, say), the rename fails too, and both files stay as they were.
    return DeleteAndRenameFile(wide(existing), wide(replacement)) != FALSE ||
           MoveFileW(wide(replacement), wide(existing)) != FALSE;
}

bool platformDeleteFile(const char16_t* path) { return DeleteFileW(wide(path)) != FALSE; }
