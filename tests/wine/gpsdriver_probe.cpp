// Drives the real gpsdriver.dll against a gpsd that replays one of our routes (started by
// gpsdriver_gpsfake.sh): the fix arrives in the record's units within the route's area, the
// registry functions store and return whole buffers, and the fix goes away with gpsd.
//
//   gpsdriver_probe.exe LAT_MIN LAT_MAX LON_MIN LON_MAX   (degrees)
// Prints "fix-ok" once the fix was checked, then waits for a line on standard input (the script
// has stopped gpsd) and expects the fix to be gone within the freshness bound.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gpsdriver/zqgps_record.h"

namespace {

using GetFix = BOOL (*)(ZQGPS_POSITIONALDATA*);
using RegGet = BOOL (*)(LPCWSTR, LPCWSTR, DWORD, LPVOID, DWORD);
using RegSet = BOOL (*)(LPCWSTR, LPCWSTR, DWORD, LPCVOID, DWORD);

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

template <typename F> F entry(HMODULE dll, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

void checkRegistry(RegGet get, RegSet set) {
    const wchar_t key[] = L"Software\\Lorvane\\ProbeTest";
    wchar_t value[32] = L"lorvane-tracker";  // the rest of the buffer zero
    check(set(key, L"Name", REG_SZ, value, sizeof value) != FALSE, "RegSetAppVal");
    wchar_t back[32];
    std::memset(back, 0x55, sizeof back);
    check(get(key, L"Name", REG_SZ, back, sizeof back) != FALSE, "RegGetAppVal");
    check(std::memcmp(back, value, sizeof value) == 0, "the whole buffer comes back");
    wchar_t small[4];
    check(get(key, L"Name", REG_SZ, small, sizeof small) == FALSE, "a too small buffer fails");
    check(get(key, L"Missing", REG_SZ, back, sizeof back) == FALSE, "a missing value fails");
    check(get(key, L"Name", REG_DWORD, back, sizeof back) == FALSE, "another type fails");
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
}

// Polls the driver until `want` (fix or none) or the deadline; returns the longest call seen.
bool pollFor(GetFix getFix, bool want, DWORD timeoutMs, ZQGPS_POSITIONALDATA* fix,
             double* longestMs) {
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        QueryPerformanceCounter(&before);
        bool has = getFix(fix) != FALSE;
        QueryPerformanceCounter(&after);
        double ms = 1000.0 * double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart);
        if (ms > *longestMs)
            *longestMs = ms;
        if (has == want)
            return true;
        Sleep(50);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: gpsdriver_probe LAT_MIN LAT_MAX LON_MIN LON_MAX\n");
        return 2;
    }
    double box[4];
    for (int i = 0; i < 4; ++i)
        box[i] = std::atof(argv[i + 1]);

    HMODULE dll = LoadLibraryW(L"gpsdriver.dll");
    if (dll == nullptr) {
        std::printf("FAILED: cannot load gpsdriver.dll (error %lu)\n", GetLastError());
        return 1;
    }
    auto getFix = entry<GetFix>(dll, "ZQGPS_GetPositionalData");
    auto regGet = entry<RegGet>(dll, "ZQGPS_RegGetAppVal");
    auto regSet = entry<RegSet>(dll, "ZQGPS_RegSetAppVal");
    check(getFix && regGet && regSet, "the three exports are there under their plain names");
    if (failures)
        return 1;
    checkRegistry(regGet, regSet);

    ZQGPS_POSITIONALDATA fix{};
    double longestMs = 0;
    check(pollFor(getFix, true, 30000, &fix, &longestMs), "a fix arrives from gpsd");
    // gpsd's first reports after a client connects may carry no time yet: wait for one that does.
    for (int i = 0; i < 100 && fix.year == 0; ++i) {
        Sleep(50);
        pollFor(getFix, true, 1000, &fix, &longestMs);
    }
    double latitude = fix.latitude / 1e7, longitude = fix.longitude / 1e7;
    std::printf("fix %.7f %.7f mode %d altitude %d course %u speed %u time %02u:%02u:%02u\n",
                latitude, longitude, fix.mode, fix.altitude, fix.course, fix.speed, fix.hour,
                fix.minute, fix.second);
    check(latitude > box[0] && latitude < box[1], "latitude within the route's area");
    check(longitude > box[2] && longitude < box[3], "longitude within the route's area");
    check(fix.mode == 2 || fix.mode == 3, "a 2D or 3D fix");
    check(fix.course < 3600, "course in tenths of a degree");
    check(fix.year >= 2000 && fix.month >= 1 && fix.month <= 12, "the fix's UTC date");
    std::printf("fix-ok\n");
    std::fflush(stdout);

    char line[64];
    if (std::fgets(line, sizeof line, stdin) != nullptr)
        check(pollFor(getFix, false, 15000, &fix, &longestMs), "the fix goes away with gpsd");
    std::printf("longest call: %.3f ms\n", longestMs);
    FreeLibrary(dll);
    std::printf(failures ? "probe: FAILED\n" : "probe: passed\n");
    return failures ? 1 : 0;
}
