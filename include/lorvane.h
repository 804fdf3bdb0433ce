/* lorvane.h: what a navigation host builds against to use lorvane.dll, the position-tracking
 * module. It declares the module's ten exports as the host compiles them, the message the module
 * sends the host window when a track file was written, and the names of the module's settings
 * and files.
 *
 * Plain C++ (C++98 and later) that needs no other header: Microsoft's compiler, clang and g++ all
 * take it, for 32-bit and 64-bit Windows. Link lorvane.lib with Microsoft's toolchain (or clang
 * in its Microsoft mode), liblorvane.dll.a with mingw; both import the same lorvane.dll.
 *
 * Calling conventions: the free functions are __cdecl, spelled out below so that a host built
 * with another default convention (/Gz, /Gr) still calls them rightly; the member function is
 * the compiler's member convention, __thiscall on 32 bits. On x64 there is one convention.
 *
 * Threads: call every export from the one thread that runs the host's message loop. The module's
 * timers are thread timers without a window on that thread: they run only while it dispatches
 * messages, in the host's loop or inside the module's modal dialogs.
 */
#ifndef LORVANE_H
#define LORVANE_H

#if defined(_WIN32)
#if defined(LORVANE_BUILDING_MODULE)
#define LORVANE_API /* the module's .def files publish the names */
#else
#define LORVANE_API __declspec(dllimport)
#endif
#define LORVANE_CALL __cdecl
#else /* the module's portable core and its tests on other systems */
#define LORVANE_API
#define LORVANE_CALL
#endif

/* ---- The exports ----
 * hostWindow is the host's main window (an HWND). The exports that take it keep it as the window
 * told of new track files (LORVANE_WM_TRACK_FILE); the last one given wins. */

/* CDPD: the setup dialog, modal on hostWindow. Edits the CDPD list, saving it at every change,
 * and sends one-off queries and the own position. Returns when the user leaves it. */
LORVANE_API void LORVANE_CALL cdpdIni(void* hostWindow);
/* Starts polling the enabled entries of the CDPD list: a 6-second timer on the calling thread and
 * a poll thread of the module. Calling it again restarts polling. */
LORVANE_API void LORVANE_CALL cdpdStartTrack(void* hostWindow);
/* Stops CDPD polling: kills the timer; the poll thread ends before it asks the next entry. */
LORVANE_API void LORVANE_CALL cdpdStopTrack();

/* 3G: the setup dialog (targets, account), modal on hostWindow. */
LORVANE_API void LORVANE_CALL ThreeGIni(void* hostWindow);
/* The tracking server's address, in a modal dialog. */
LORVANE_API void LORVANE_CALL ThreeGServerSetup(void* hostWindow);
/* Starts asking the server for the selected 3G target at its frequency. False when no target is
 * selected, its frequency is not above 0, or the system gave no timer. */
LORVANE_API bool LORVANE_CALL ThreeGStartTrack(void* hostWindow);
LORVANE_API void LORVANE_CALL ThreeGStopTrack();
/* Starts reporting the device's own position to the server every 6 seconds. Without an account
 * ID the account dialog opens first (modal); false when it is cancelled or no timer was had. */
LORVANE_API bool LORVANE_CALL ThreeGStartSend(void* hostWindow);
LORVANE_API void LORVANE_CALL ThreeGStopSend();

/* The module's only class: no data, nothing in the module uses it. Its copy assignment is
 * exported and returns the object assigned to. */
class LORVANE_API CMarvolt {
  public:
    CMarvolt& operator=(const CMarvolt& other);
};

/* ---- The notification ----
 * After each waypoint it appends to a track file, the module's receiver thread sends the host
 * window this message with SendMessage and waits until the window procedure returned:
 *   wParam  const char*: the track file's name without its folder ("Truck 7(12.8.2002).way"),
 *           8-bit text, zero-terminated, at most 255 characters. It is valid only while the
 *           message is handled: the next position overwrites it. Copy it there.
 *   lParam  0.
 * The result is ignored. The window procedure runs on the host's thread (the system delivers a
 * message sent from another thread when that thread next takes messages). */
#define LORVANE_WM_TRACK_FILE 0x040F /* WM_USER + 15 */

/* ---- Settings ----
 * Registry values of type REG_SZ under HKEY_CURRENT_USER\LORVANE_SETTINGS_KEY, read and written
 * through the device's GPS driver library. The names are 8-bit literals; a wide one is
 * L"" LORVANE_SETTINGS_KEY (adjacent literals join into the wide one). */
#define LORVANE_SETTINGS_KEY "Software\\Orlisk Inc.\\Orlisk GPS\\3.0"
/* The tracking server's host name or dotted address (the server dialog writes it; a default is
 * written at the first load) and the user's account ID at the server (the account dialog). */
#define LORVANE_VALUE_SERVER_NAME "QVServerName"
#define LORVANE_VALUE_ACCOUNT_ID "QVID"
/* The owner's five, read once at load; missing, empty or not understood, each leaves the module's
 * plain behaviour: who gets an answer to a locate request ("all", "listed", "none"), whose
 * positions are logged ("all", "listed"), and when the own report goes (metres moved, degrees
 * turned, seconds since the last one). */
#define LORVANE_VALUE_ANSWER "QVAnswer"
#define LORVANE_VALUE_LOG "QVLog"
#define LORVANE_VALUE_REPORT_METRES "QVReportMetres"
#define LORVANE_VALUE_REPORT_TURN "QVReportTurn"
#define LORVANE_VALUE_REPORT_MAX_SECONDS "QVReportMaxSeconds"

/* ---- Files ----
 * Paths from the root of the current drive, as the device names them. The module keeps its two
 * target lists in the system folder and writes one track file per target and day in the
 * documents folder: LORVANE_TRACK_FOLDER "\\" NAME(M.D.YYYY) LORVANE_TRACK_EXTENSION, NAME being
 * the target's description or the sender's dotted address, the day the device's local date. */
#define LORVANE_SYSTEM_FOLDER "\\Windows"
#define LORVANE_CDPD_LIST_NAME "zqCDPD"
#define LORVANE_TARGET_LIST_NAME "zq3GTrack"
#define LORVANE_CDPD_LIST_FILE LORVANE_SYSTEM_FOLDER "\\" LORVANE_CDPD_LIST_NAME
#define LORVANE_TARGET_LIST_FILE LORVANE_SYSTEM_FOLDER "\\" LORVANE_TARGET_LIST_NAME
#define LORVANE_TRACK_FOLDER "\\My Documents"
#define LORVANE_TRACK_EXTENSION ".way"

#endif /* LORVANE_H */
