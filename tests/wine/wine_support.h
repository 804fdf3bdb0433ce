// Small helpers shared by the Wine-hosted tests of the real DLLs.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// The registry key that holds the module's settings, under HKEY_CURRENT_USER.
extern const wchar_t kSettingsKeyPath[];

// Removes the module's settings key (the state of a device that never ran the module).
void clearSettings();

// Reads a settings value as raw bytes; empty when missing.
std::string readSettingBytes(const wchar_t* valueName);

// Stores a wide text value padded with zeros to `size` bytes.
void writeSettingText(const wchar_t* valueName, const std::wstring& text, DWORD size);

// Number of threads of this process right now.
int threadCount();

// The thread count once it has stopped changing for a moment (threads of an earlier module that
// detach cancelled before they started still have to start and end), within a bound.
int settledThreadCount();

// Waits (up to a bound) for the thread count to reach `expected`; returns the last count seen.
int waitForThreadCount(int expected, DWORD timeoutMs);

// Makes L:\ (the device's own root, set up by the test scripts) the current drive and folder,
// so "\Windows" and "\My Documents" land there. False when there is no L: drive.
bool enterDeviceRoot();

// A UDP socket bound to 127.0.0.1 and an ephemeral port; INVALID_SOCKET on failure.
SOCKET openLoopbackSocket();

// Receives one datagram within timeoutMs; returns its length, or -1 when nothing came.
int receiveWithin(SOCKET s, char* buffer, int size, DWORD timeoutMs, sockaddr_in* from);

// Waits (bounded) for a top-level dialog with this caption to appear; null when none came.
HWND waitForDialog(const wchar_t* caption, DWORD timeoutMs = 5000);

// Waits (bounded) until `window` is gone; false when it is still there.
bool waitForWindowGone(HWND window, DWORD timeoutMs = 5000);

// Cancels every dialog with one of these captions that is still open, so that a test step that
// failed cannot keep the dialog's thread waiting; gives the captions of those it found.
std::vector<std::wstring> cancelLeftOpen(std::initializer_list<const wchar_t*> captions);

// Clicks a button of a dialog the way a user would, without waiting for the dialog's answer
// (the click may open a message box that the test then answers).
void clickButton(HWND dialog, int id);

// The text of a dialog's control.
std::wstring controlText(HWND dialog, int id);

// Puts `replacement` in the place of `function` (imported by name from `dll`) in the import table
// of `module`, so the module's own calls reach it; returns what the slot held before, or null
// when the module imports no such function.
void* replaceImport(HMODULE module, const char* dll, const char* function, void* replacement);

// A file's whole contents, or "(none)" when there is no such file.
std::string fileBytes(const wchar_t* path);

// For a test that a shell script runs (tests/wine/*.sh) because it needs what only the Linux side
// can do (mount, unmount): prints "script: <request>" and waits for the script's answer, "done".
// False when the script did not answer so.
bool askTheScript(const char* request);

// True when a new file can be made in `folder` (it is made and deleted again).
bool folderTakesNewFiles(const std::wstring& folder);

// Creates (or empties) a file and writes `bytes` into it.
void writeFileBytes(const wchar_t* path, const std::string& bytes);

// Returns once `window` has handled everything sent or posted to it so far (within a bound), so
// that what a command does after a nested dialog closes (the save, the refill) is done.
void settle(HWND window);

// Answers the next message box with this caption by `button` and gives its text; kNoBox when
// none came within the bound.
extern const wchar_t kNoBox[];
std::wstring answerMessageBox(const wchar_t* caption, int button, DWORD timeoutMs = 5000);

// ---- List views, as the user sees and taps them

std::vector<std::wstring> rowTexts(HWND list);
int rowImage(HWND list, int row);
std::vector<int> rowImages(HWND list);
// A row's state image (the tick box: 1 empty, 2 ticked; 0 none).
int stateImage(HWND list, int row);
void setStateImage(HWND list, int row, int image);
// The first selected row, or -1.
int firstSelected(HWND list);
// Sets the selected state of `row` (-1: every row), as a tap or a tap beside the rows does.
void setSelected(HWND list, int row, bool selected);
// Selects `row` alone.
void tapRow(HWND list, int row);

// ---- A setup dialog whose list folder turns read-only
// Only inside tests/wine/read_only_lists.sh, which remounts the folder read-only and back when
// asked (as root, taking the write bits away would not stop the module).

// What the user meets when the list folder is made read-only, `row` deleted (Yes to the question
// in a box captioned `caption`) and the dialog left with Exit, two saves that cannot replace the
// list file; then, the folder writable again, the dialog opened anew and left with Exit.
struct ReadOnlyListSaves {
    bool readOnly, writableAgain;  // the script changed the folder, as the folder shows
    std::wstring question;         // the Delete question
    std::wstring box;              // a box shown after the save that failed (kNoBox: none)
    std::string afterDelete, afterExit, leftBeside;  // the list file, and its .new, meanwhile
    std::vector<std::wstring> rowsReopened;  // the rows of the dialog opened anew
    std::string afterNextExit;               // the list file after that dialog's Exit
};
// `runSetup` runs the setup dialog on this thread while the actions it is given play the user,
// with the dialog's window, on another.
using SetupRun = std::function<void(const std::function<void(HWND setup)>& actions)>;
ReadOnlyListSaves deleteWhileTheListFolderIsReadOnly(const SetupRun& runSetup, int listId,
                                                     int deleteId, int row,
                                                     const wchar_t* caption,
                                                     const wchar_t* listPath);

// A window of this thread standing for the host's: it copies the name each notification of a
// track file (0x40F) carries into hostNotified while handling it, as a host must. Clears
// hostNotified; the caller destroys the window.
HWND createTestHostWindow();
extern std::vector<std::string> hostNotified;

// L:\Windows\zq3GTrack holding one target, "T7" named "Car", asked every `frequency` minutes.
void writeOneTargetList(float frequency);
