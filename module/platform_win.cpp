// The platform as the portable core sees it (module/platform.h), made of Win32, Winsock and the
// GPS driver library. Thin on purpose: every decision lives in the core.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "gpsdriver/gpsdriver.h"
#include "module/platform.h"

static_assert(sizeof(SocketAddress) == sizeof(sockaddr_in));
static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

constexpr UINT kTrackFileUpdated = WM_USER + 15;  // 0x40F

} // namespace

bool platformGetPositionalData(ZQGPS_POSITIONALDATA* fix) {
    return ZQGPS_GetPositionalData(fix) != FALSE;
}

void platformRegGetAppVal(const char16_t* key, const char16_t* valueName, uint32_t type,
                          void* buffer, uint32_t size) {
    ZQGPS_RegGetAppVal(wide(key), wide(valueName), type, buffer, size);
}

void platformRegSetAppVal(const char16_t* key, const char16_t* valueName, uint32_t type,
                          const void* data, uint32_t size) {
    ZQGPS_RegSetAppVal(wide(key), wide(valueName), type, data, size);
}

void platformSendTo(SocketHandle socket, const SocketAddress& to, const void* bytes,
                    size_t length) {
    sockaddr_in address;
    std::memcpy(&address, &to, sizeof address);
    sendto(static_cast<SOCKET>(socket), static_cast<const char*>(bytes), static_cast<int>(length),
           0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

bool platformDatagramWaiting(SocketHandle socket) {
    if (socket == kNoSocket)
        return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(socket), &readable);
    timeval now{0, 0};  // a poll, not a wait
    return select(0, &readable, nullptr, nullptr, &now) == 1;
}

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
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return SetFilePointerEx(handleOf(file), distance, nullptr, method) != FALSE;
}

int64_t platformFileSize(FileHandle file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handleOf(file), &size))
        return -1;
    return size.QuadPart;
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
    return MoveFileExW(wide(replacement), wide(existing),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool platformDeleteFile(const char16_t* path) { return DeleteFileW(wide(path)) != FALSE; }

void platformNotifyHost(void* hostWindow, const char* trackFileName) {
    if (hostWindow == nullptr)
        return;
    SendMessageW(static_cast<HWND>(hostWindow), kTrackFileUpdated,
                 reinterpret_cast<WPARAM>(trackFileName), 0);
}

LocalTime platformLocalTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
            t.wMilliseconds};
}

uint64_t platformMonotonicMs() { return GetTickCount64(); }

bool platformResolveHost(const char* name, uint32_t* address) {
    const hostent* entry = gethostbyname(name);
    // Only an IPv4 entry with a 4-byte address, copied at once: the entry is Winsock's own
    // per-thread buffer and the next lookup overwrites it.
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
        entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr)
        return false;
    std::memcpy(address, entry->h_addr_list[0], 4);
    return true;
}

int platformMessageBox(const char16_t* text, const char16_t* caption, uint32_t type) {
    return MessageBoxW(nullptr, wide(text), wide(caption), type);
}
