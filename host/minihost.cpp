// lorvane-minihost: the least host that loads the module. It makes a folder the device's root
// (so "\Windows" and "\My Documents" land there), loads lorvane.dll, says "attached", and then
// takes one command a line from standard input until "quit" or the end of input, when it
// unloads the module and says "detached". Tests and the demo drive it through a pipe.
//
//   lorvane-minihost.exe [--root DRIVE_OR_FOLDER]
//
// Commands: "fix" prints the driver's current fix; "quit" ends.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gpsdriver/zqgps_record.h"

namespace {

using GetFix = BOOL (*)(ZQGPS_POSITIONALDATA*);

void printFix(HMODULE driver) {
    auto getFix = reinterpret_cast<GetFix>(
        reinterpret_cast<void*>(GetProcAddress(driver, "ZQGPS_GetPositionalData")));
    ZQGPS_POSITIONALDATA fix{};
    if (getFix == nullptr || !getFix(&fix)) {
        std::printf("fix none\n");
        return;
    }
    std::printf("fix %.7f %.7f mode %d altitude %d m course %.1f speed %.1f km/h "
                "%04u-%02u-%02u %02u:%02u:%02u UTC\n",
                fix.latitude / 1e7, fix.longitude / 1e7, fix.mode, fix.altitude,
                fix.course / 10.0, fix.speed / 10.0, fix.year, fix.month, fix.day, fix.hour,
                fix.minute, fix.second);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0 && !SetCurrentDirectoryA(argv[i + 1])) {
            std::fprintf(stderr, "cannot enter %s (error %lu)\n", argv[i + 1], GetLastError());
            return 2;
        }
    }
    CreateDirectoryW(L"\\Windows", nullptr);
    CreateDirectoryW(L"\\My Documents", nullptr);

    HMODULE module = LoadLibraryW(L"lorvane.dll");
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load lorvane.dll (error %lu)\n", GetLastError());
        return 2;
    }
    HMODULE driver = GetModuleHandleW(L"gpsdriver.dll");
    std::printf("attached\n");
    std::fflush(stdout);

    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string command(line);
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r'))
            command.pop_back();
        if (command == "quit")
            break;
        if (command == "fix")
            printFix(driver);
        else
            std::printf("unknown command %s\n", command.c_str());
        std::fflush(stdout);
    }
    FreeLibrary(module);
    std::printf("detached\n");
    return 0;
}
