// The platform as the portable core sees it (module/platform.h), made of Win32, Winsock and the
// GPS driver library; the files are in platform_files_win.cpp. Thin on purpose: every decision
// lives in the core.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "gpsdriver/gpsdriver.h"
#include "module/platform.h"
#include "module/wide_win.h"

static_assert(sizeof(SocketAddress) == sizeof(sockaddr_in));

namespace {

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

uint32_t platformTickMs() { return GetTickCount(); }

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
