// The GPS driver library stand-in. The fix comes from gpsd, the standard GPS service: a reader
// thread connects to it over TCP (127.0.0.1:2947, or host:port from the environment variable
// LORVANE_GPSD), asks for JSON reports, and keeps the latest fix with the time it arrived. Callers
// only copy that under a lock, so a call never waits for the network. The registry functions use
// the real registry under HKEY_CURRENT_USER, whole buffers as given.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "gpsdriver/gpsd_stream.h"
#include "gpsdriver/zqgps_record.h"
#include "module/owned_thread_win.h"

namespace {

// A fix older than this is no current fix: gpsd reports about once a second while it has one.
constexpr ULONGLONG kFixFreshMs = 5000;
constexpr DWORD kReconnectPauseMs = 1000;
constexpr DWORD kStopTimeoutMs = 3000;

struct DriverState {
    CRITICAL_SECTION lock;          // guards latest, hasFix and fixTime
    ZQGPS_POSITIONALDATA latest;
    bool hasFix;
    ULONGLONG fixTime;              // GetTickCount64 when latest arrived

    std::atomic<bool> stop;         // set at detach
    std::atomic<SOCKET> connection; // the reader's socket; detach closes it to end a receive
    HANDLE wake;                    // set at detach to end the reader's pause
    OwnedThread reader;
    sockaddr_in gpsd;
};

DriverState driver;

void readGpsdAddress(sockaddr_in* to) {
    std::memset(to, 0, sizeof *to);
    to->sin_family = AF_INET;
    to->sin_port = htons(2947);
    to->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char value[128];
    DWORD n = GetEnvironmentVariableA("LORVANE_GPSD", value, sizeof value);
    if (n == 0 || n >= sizeof value)
        return;
    char* colon = std::strrchr(value, ':');
    if (colon != nullptr) {
        *colon = 0;
        int port = std::atoi(colon + 1);
        if (port > 0 && port < 65536)
            to->sin_port = htons(static_cast<u_short>(port));
    }
    in_addr address;
    if (inet_pton(AF_INET, value, &address) == 1)
        to->sin_addr = address;
}

void publish(GpsdNews news, const ZQGPS_POSITIONALDATA& fix) {
    if (news == GpsdNews::None)
        return;
    EnterCriticalSection(&driver.lock);
    driver.hasFix = news == GpsdNews::Fix;
    if (driver.hasFix) {
        driver.latest = fix;
        driver.fixTime = GetTickCount64();
    }
    LeaveCriticalSection(&driver.lock);
}

// Closes the reader's socket once, whoever gets there first: the reader or detach.
void closeConnection() {
    SOCKET s = driver.connection.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET)
        closesocket(s);
}

// One connection to gpsd, from connect to the end of its stream.
void readFromGpsd() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    driver.connection.store(s);
    if (driver.stop) {  // detach came between its close and our store
        closeConnection();
        return;
    }
    if (connect(s, reinterpret_cast<sockaddr*>(&driver.gpsd), sizeof driver.gpsd) != 0 ||
        send(s, kGpsdWatchCommand, static_cast<int>(std::strlen(kGpsdWatchCommand)), 0) <= 0) {
        closeConnection();
        return;
    }
    static GpsdStream stream;
    resetGpsdStream(&stream);
    char buffer[4096];
    for (;;) {
        int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        ZQGPS_POSITIONALDATA fix{};
        publish(feedGpsdStream(&stream, buffer, static_cast<size_t>(n), &fix), fix);
    }
    closeConnection();
    publish(GpsdNews::NoFix, ZQGPS_POSITIONALDATA{});
}

void readerLoop(void*) {
    while (!driver.stop) {
        readFromGpsd();
        WaitForSingleObject(driver.wake, kReconnectPauseMs);
    }
}

void attach() {
    InitializeCriticalSection(&driver.lock);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    readGpsdAddress(&driver.gpsd);
    driver.connection = INVALID_SOCKET;
    driver.wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    startOwnedThread(&driver.reader, readerLoop, nullptr);
}

void detach(bool processEnding) {
    driver.stop = true;
    closeConnection();
    if (!processEnding) {
        // The reader's body returns once its receive fails or its pause is cut short.
        SetEvent(driver.wake);
        stopOwnedThread(&driver.reader, kStopTimeoutMs);
        CloseHandle(driver.wake);
        DeleteCriticalSection(&driver.lock);
    }
    WSACleanup();
}

} // namespace

extern "C" BOOL ZQGPS_GetPositionalData(ZQGPS_POSITIONALDATA* fix) {
    if (fix == nullptr)
        return FALSE;
    EnterCriticalSection(&driver.lock);
    bool fresh = driver.hasFix && GetTickCount64() - driver.fixTime <= kFixFreshMs;
    if (fresh)
        *fix = driver.latest;
    LeaveCriticalSection(&driver.lock);
    return fresh ? TRUE : FALSE;
}

extern "C" BOOL ZQGPS_RegGetAppVal(LPCWSTR key, LPCWSTR valueName, DWORD type, LPVOID buffer,
                                   DWORD size) {
    HKEY k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return FALSE;
    DWORD storedType = 0, n = size;
    LONG result =
        RegQueryValueExW(k, valueName, nullptr, &storedType, static_cast<BYTE*>(buffer), &n);
    RegCloseKey(k);
    return result == ERROR_SUCCESS && storedType == type ? TRUE : FALSE;
}

extern "C" BOOL ZQGPS_RegSetAppVal(LPCWSTR key, LPCWSTR valueName, DWORD type, LPCVOID data,
                                   DWORD size) {
    HKEY k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return FALSE;
    LONG result = RegSetValueExW(k, valueName, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
    return result == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH)
        attach();
    else if (reason == DLL_PROCESS_DETACH)
        detach(reserved != nullptr);
    return TRUE;
}
