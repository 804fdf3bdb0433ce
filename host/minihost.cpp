// lorvane-minihost: the least host that loads the module. It makes a folder the device's root
// (so "\Windows" and "\My Documents" land there), loads lorvane.dll, opens a message-only host window,
// says "attached", and then runs a message loop (the module's timers fire in it) while it takes
// one command a line from standard input. At "quit" or the end of input it unloads the module and
// says "detached". Tests and the demo drive it through a pipe.
//
//   lorvane-minihost.exe [--root DRIVE_OR_FOLDER]
//
// Commands, each answered with one line:
//   fix                  the driver's current fix
//   memory               this process's working set and private bytes, in KiB
//   cdpdStartTrack       cdpdStopTrack
//   ThreeGStartTrack     ThreeGStopTrack     ThreeGStartSend     ThreeGStopSend
//   ThreeGServerSetup    (and the other exports by name, module_exports.h)
//   quit
// Each track-file notification from the module prints "track NAME".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gpsdriver/zqgps_record.h"
#include "lorvane.h"
#include "host/module_exports.h"

namespace {

constexpr UINT kTrackFileUpdated = LORVANE_WM_TRACK_FILE;
constexpr UINT kCommand = WM_APP + 1;  // lParam: a heap copy of the command line

HMODULE module;
HMODULE driver;

template <typename F> F entry(HMODULE dll, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

void say(const char* format, const char* text) {
    std::printf(format, text);
    std::fflush(stdout);
}

void printFix() {
    auto getFix = entry<BOOL (*)(ZQGPS_POSITIONALDATA*)>(driver, "ZQGPS_GetPositionalData");
    ZQGPS_POSITIONALDATA fix{};
    if (getFix == nullptr || !getFix(&fix)) {
        say("%s\n", "fix none");
        return;
    }
    std::printf("fix %.7f %.7f mode %d altitude %d m course %.1f speed %.1f km/h "
                "%04u-%02u-%02u %02u:%02u:%02u UTC\n",
                fix.latitude / 1e7, fix.longitude / 1e7, fix.mode, fix.altitude,
                fix.course / 10.0, fix.speed / 10.0, fix.year, fix.month, fix.day, fix.hour,
                fix.minute, fix.second);
    std::fflush(stdout);
}

// What the process holds of memory, for soaks that watch a module over minutes. The private
// bytes are the commit charge (PagefileUsage), which Wine also fills (from the process's
// anonymous and swapped memory); it leaves PrivateUsage at zero.
void printMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        std::printf("memory unknown (error %lu)\n", GetLastError());
    } else {
        std::printf("memory working-set %llu private %llu\n",
                    static_cast<unsigned long long>(counters.WorkingSetSize / 1024),
                    static_cast<unsigned long long>(counters.PagefileUsage / 1024));
    }
    std::fflush(stdout);
}

// Calls an export and says how it went: "ok NAME" (with its result, when it has one) or why not.
void callExport(const std::string& command, HWND host) {
    std::string result = callModuleExport(module, command, host);
    say("%s\n", (exportRan(result) ? "ok " + result : result).c_str());
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTrackFileUpdated) {
        // The name lives in the module's buffer until the next append: copy it now.
        say("track %s\n", reinterpret_cast<const char*>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Reads standard input on its own thread, so the main thread stays in its message loop.
DWORD WINAPI readCommands(void* mainThread) {
    DWORD main = static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread));
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string* command = new std::string(line);
        while (!command->empty() && (command->back() == '\n' || command->back() == '\r'))
            command->pop_back();
        // Once posted, the command belongs to the main thread, which deletes it when done: decide
        // whether to go on before handing it over.
        bool quit = *command == "quit";
        while (!PostThreadMessageW(main, kCommand, 0, reinterpret_cast<LPARAM>(command)))
            Sleep(10);
        if (quit)
            return 0;
    }
    PostThreadMessageW(main, kCommand, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0 && !SetCurrentDirectoryA(argv[i + 1])) {
            std::fprintf(stderr, "cannot enter %s (error %lu)\n", argv[i + 1], GetLastError());
            return 2;
        }
    }
    CreateDirectoryW(L"" LORVANE_SYSTEM_FOLDER, nullptr);
    CreateDirectoryW(L"" LORVANE_TRACK_FOLDER, nullptr);

    module = LoadLibraryW(L"lorvane.dll");
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load lorvane.dll (error %lu)\n", GetLastError());
        return 2;
    }
    driver = GetModuleHandleW(L"gpsdriver.dll");

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LorvaneMiniHost";
    RegisterClassW(&windowClass);
    // A message-only window: it takes the module's notifications and needs no display.
    HWND host = CreateWindowW(L"LorvaneMiniHost", L"Lorvane mini host", 0, 0, 0, 10, 10,
                              HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (host == nullptr) {
        std::fprintf(stderr, "cannot create the host window (error %lu)\n", GetLastError());
        return 2;
    }
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here
    say("%s\n", "attached");

    CreateThread(nullptr, 0, readCommands,
                 reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId())), 0, nullptr);
    bool running = true;
    while (running && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == kCommand) {
            std::string* command = reinterpret_cast<std::string*>(message.lParam);
            if (*command == "quit")
                running = false;
            else if (*command == "fix")
                printFix();
            else if (*command == "memory")
                printMemory();
            else if (!command->empty())
                callExport(*command, host);
            delete command;
            continue;
        }
        DispatchMessageW(&message);
    }
    FreeLibrary(module);
    DestroyWindow(host);
    say("%s\n", "detached");
    return 0;
}
