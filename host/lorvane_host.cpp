// lorvane-host: the least navigation host that shows the module at work. It loads lorvane.dll,
// shows a map of the day's tracks and a menu that calls every export, and handles the module's
// track-file notification (0x40F): it copies the file name during the message, reads every track
// file of that day, and draws each track over the town's streets, earlier points as a line and
// the newest point with its target's icon, with a legend beside the map and a status line naming
// the last file updated (map_view_win.cpp draws it).
//
//   lorvane-host.exe [--root FOLDER] [--town FILE] [--script FILE]
//
// --town: a town file (tools/town/town.txt) whose streets lie under the tracks.
//
// A script holds one step a line, "SECONDS COMMAND", run that many seconds after start:
// an export's name (cdpdStartTrack, ThreeGStartSend ...), "town PATH" (as --town),
// "screenshot PATH" or "quit". Each step
// and each notification is written to standard output, and at the end a line per track.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/map_view_win.h"
#include "lorvane.h"
#include "host/module_exports.h"
#include "host/town_map.h"
#include "host/track_map.h"
#include "host/window_png.h"
#include "tools/local_time.h"

namespace {

constexpr UINT kTrackFileUpdated = LORVANE_WM_TRACK_FILE;
constexpr UINT_PTR kScriptTimer = 1;
constexpr UINT_PTR kAgeTimer = 2;  // the legend's ages grow while no position comes
constexpr int kStatusHeight = 22;
constexpr int kLegendWidth = 250;

enum MenuId {
    kCdpdSetup = 100, kCdpdStart, kCdpdStop,
    kThreeGSetup, kThreeGStartTrack, kThreeGStopTrack, kThreeGStartSend, kThreeGStopSend,
    kServerSetup, kExit,
};

struct ScriptStep {
    double at;
    std::string command;
};

struct Host {
    HMODULE module;
    HWND window;
    MapView view;               // the town's streets, the day's tracks and the icons
    std::string lastFile;       // the name the module sent last
    int notifications;
    std::vector<ScriptStep> script;
    size_t nextStep;
    DWORD startTick;
};

Host host;

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Calls an export by the name the platform's compiler gives it. Returns what it said.
std::string callExport(const std::string& name) {
    return callModuleExport(host.module, name, host.window);
}

std::vector<uint8_t> readFile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;  // the module may hold it this moment: the next notification reads it
    LARGE_INTEGER size;
    if (GetFileSizeEx(f, &size) && size.QuadPart < (64 << 20)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD n = 0;
        ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        bytes.resize(n);
    }
    CloseHandle(f);
    return bytes;
}

std::string narrow(const std::wstring& text) {
    std::string s;
    for (wchar_t c : text)
        s.push_back(static_cast<char>(c));
    return s;
}

// Reads every track file of the day that `fileName` belongs to.
void loadDayTracks(const std::string& fileName) {
    std::string date = trackFileDate(fileName);
    if (date.empty())
        return;
    std::vector<MapTrack> tracks;
    WIN32_FIND_DATAW found;
    std::wstring pattern =
        L"" LORVANE_TRACK_FOLDER "\\*(" + widen(date) + L")" LORVANE_TRACK_EXTENSION;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = narrow(found.cFileName);
            MapTrack track;
            if (readMapTrack(
                    name, readFile(L"" LORVANE_TRACK_FOLDER "\\" + std::wstring(found.cFileName)),
                    &track))
                tracks.push_back(track);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(tracks.begin(), tracks.end(),
              [](const MapTrack& a, const MapTrack& b) { return a.name < b.name; });
    host.view.tracks = tracks;
}

int64_t nowLocal() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return civilSeconds(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

// Everything is drawn into a bitmap first and shown at once, so the map does not flicker when
// it is drawn again each second.
void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ oldCanvas = SelectObject(dc, canvas);

    RECT map = client;
    map.bottom -= kStatusHeight;
    map.right -= kLegendWidth;
    RECT legend = map;
    legend.left = map.right;
    legend.right = client.right;
    paintMapView(dc, map, legend, host.view, nowLocal());
    RECT status = client;
    status.top = map.bottom;
    FillRect(dc, &status, GetSysColorBrush(COLOR_BTNFACE));
    std::wstring text = host.lastFile.empty()
                            ? L"Waiting for positions"
                            : L"Last updated: " + widen(host.lastFile) + L"   (" +
                                  std::to_wstring(host.view.tracks.size()) + L" tracks today)";
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutW(dc, status.left + 6, status.top + 3, text.c_str(), static_cast<int>(text.size()));

    BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldCanvas);
    DeleteObject(canvas);
    DeleteDC(dc);
    EndPaint(window, &ps);
}

// The streets of a town file; false, after saying why, when it cannot be read.
bool readTown(const std::wstring& path) {
    std::vector<uint8_t> bytes = readFile(path);
    std::string error;
    if (bytes.empty())
        error = "no such file, or empty";
    else if (readTownMap(std::string(bytes.begin(), bytes.end()), &host.view.streets, &error))
        return true;
    say(narrow(path) + ": " + error);
    return false;
}

void runStep(const std::string& command) {
    std::istringstream words(command);
    std::string verb, argument;
    words >> verb;
    std::getline(words >> std::ws, argument);  // a path may hold blanks
    char when[32];
    std::snprintf(when, sizeof when, "[%6.1f s] ", (GetTickCount() - host.startTick) / 1000.0);
    if (verb == "quit") {
        say(std::string(when) + "quit");
        PostMessageW(host.window, WM_CLOSE, 0, 0);
    } else if (verb == "town") {
        bool read = readTown(widen(argument));
        InvalidateRect(host.window, nullptr, FALSE);
        say(std::string(when) + "town " + argument + (read ? "" : " FAILED"));
    } else if (verb == "screenshot") {
        UpdateWindow(host.window);
        bool saved = saveWindowPng(host.window, widen(argument).c_str());
        say(std::string(when) + "screenshot " + argument + (saved ? "" : " FAILED"));
    } else {
        say(std::string(when) + callExport(verb));
    }
}

void runDueSteps() {
    double now = (GetTickCount() - host.startTick) / 1000.0;
    while (host.nextStep < host.script.size() && host.script[host.nextStep].at <= now)
        runStep(host.script[host.nextStep++].command);
}

HMENU makeMenu() {
    HMENU cdpd = CreatePopupMenu();
    AppendMenuW(cdpd, MF_STRING, kCdpdSetup, L"&Setup...");
    AppendMenuW(cdpd, MF_STRING, kCdpdStart, L"S&tart polling");
    AppendMenuW(cdpd, MF_STRING, kCdpdStop, L"St&op polling");
    HMENU threeG = CreatePopupMenu();
    AppendMenuW(threeG, MF_STRING, kThreeGSetup, L"&Setup...");
    AppendMenuW(threeG, MF_STRING, kThreeGStartTrack, L"Start &tracking");
    AppendMenuW(threeG, MF_STRING, kThreeGStopTrack, L"Stop t&racking");
    AppendMenuW(threeG, MF_STRING, kThreeGStartSend, L"Start s&ending");
    AppendMenuW(threeG, MF_STRING, kThreeGStopSend, L"Stop se&nding");
    AppendMenuW(threeG, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(threeG, MF_STRING, kServerSetup, L"Ser&ver...");
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kExit, L"E&xit");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(cdpd), L"&CDPD");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(threeG), L"&3G");
    return bar;
}

void onMenu(int id) {
    const char* names[] = {"cdpdIni", "cdpdStartTrack", "cdpdStopTrack", "ThreeGIni",
                           "ThreeGStartTrack", "ThreeGStopTrack", "ThreeGStartSend",
                           "ThreeGStopSend", "ThreeGServerSetup"};
    if (id == kExit)
        PostMessageW(host.window, WM_CLOSE, 0, 0);
    else if (id >= kCdpdSetup && id <= kServerSetup)
        say("menu: " + callExport(names[id - kCdpdSetup]));
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kTrackFileUpdated:
        // The name is the module's buffer until its next append: copy it now.
        host.lastFile = reinterpret_cast<const char*>(wParam);
        ++host.notifications;
        say("track " + host.lastFile);
        loadDayTracks(host.lastFile);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_TIMER:
        if (wParam == kScriptTimer) {
            runDueSteps();
            return 0;
        }
        if (wParam == kAgeTimer) {
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        }
        break;
    case WM_COMMAND:
        onMenu(LOWORD(wParam));
        return 0;
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool readScript(const std::wstring& path) {
    std::ifstream in(narrow(path));
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        ScriptStep step;
        words >> step.at;
        std::getline(words >> std::ws, step.command);
        host.script.push_back(step);
    }
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; i + 1 < argc; ++i) {
        std::wstring option = argv[i];
        if (option == L"--root" && !SetCurrentDirectoryW(argv[i + 1])) {
            say("cannot enter " + narrow(argv[i + 1]));
            return 2;
        }
        if (option == L"--town" && !readTown(argv[i + 1])) {
            say("cannot read the town " + narrow(argv[i + 1]));
            return 2;
        }
        if (option == L"--script" && !readScript(argv[i + 1])) {
            say("cannot read the script " + narrow(argv[i + 1]));
            return 2;
        }
    }
    CreateDirectoryW(L"" LORVANE_SYSTEM_FOLDER, nullptr);
    CreateDirectoryW(L"" LORVANE_TRACK_FOLDER, nullptr);
    host.module = LoadLibraryW(L"lorvane.dll");
    if (host.module == nullptr) {
        say("cannot load lorvane.dll, error " + std::to_string(GetLastError()));
        return 2;
    }
    for (int i = 0; i < 6; ++i)
        host.view.icons[i] = static_cast<HICON>(LoadImageW(host.module, MAKEINTRESOURCEW(195 + i),
                                                      IMAGE_ICON, 16, 16, 0));

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = L"LorvaneHost";
    RegisterClassW(&windowClass);
    host.window = CreateWindowW(L"LorvaneHost", L"Lorvane host - tracks of the day",
                                WS_OVERLAPPEDWINDOW, 20, 20, 980, 700, nullptr, makeMenu(),
                                instance, nullptr);
    ShowWindow(host.window, show);
    UpdateWindow(host.window);
    say("attached");
    host.startTick = GetTickCount();
    SetTimer(host.window, kScriptTimer, 100, nullptr);
    SetTimer(host.window, kAgeTimer, 1000, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    for (const MapTrack& t : host.view.tracks)
        say("summary " + t.name + " points " + std::to_string(t.points.size()));
    say("notifications " + std::to_string(host.notifications));
    for (HICON icon : host.view.icons)
        DestroyIcon(icon);
    FreeLibrary(host.module);
    say("detached");
    return 0;
}
