#include "tests/wine/wine_support.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include <vector>

const wchar_t kSettingsKeyPath[] = L"Software\\Orlisk Inc.\\Orlisk GPS\\3.0";

void clearSettings() { RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKeyPath); }

std::string readSettingBytes(const wchar_t* valueName) {
    std::vector<char> bytes(4096);
    DWORD size = static_cast<DWORD>(bytes.size());
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, valueName, RRF_RT_ANY, nullptr,
                     bytes.data(), &size) != ERROR_SUCCESS)
        return {};
    return std::string(bytes.data(), size);
}

void writeSettingText(const wchar_t* valueName, const std::wstring& text, DWORD size) {
    std::vector<char> bytes(size, 0);
    memcpy(bytes.data(), text.data(), std::min<size_t>(size, text.size() * 2));
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                    &key, nullptr);
    RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<BYTE*>(bytes.data()), size);
    RegCloseKey(key);
}

int threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    DWORD self = GetCurrentProcessId();
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self)
            ++count;
    CloseHandle(snapshot);
    return count;
}

int settledThreadCount() {
    int count = threadCount();
    for (int stable = 0, round = 0; stable < 10 && round < 250; ++round) {
        Sleep(20);
        int now = threadCount();
        stable = now == count ? stable + 1 : 0;
        count = now;
    }
    return count;
}

int waitForThreadCount(int expected, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    int count = threadCount();
    while (count != expected && GetTickCount() - start < timeoutMs) {
        Sleep(20);
        count = threadCount();
    }
    return count;
}

bool enterDeviceRoot() {
    if (!SetCurrentDirectoryW(L"L:\\"))
        return false;
    CreateDirectoryW(L"L:\\Windows", nullptr);
    CreateDirectoryW(L"L:\\My Documents", nullptr);
    return true;
}

SOCKET openLoopbackSocket() {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

int receiveWithin(SOCKET s, char* buffer, int size, DWORD timeoutMs, sockaddr_in* from) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &limit) != 1)
        return -1;
    int fromLength = sizeof *from;
    return recvfrom(s, buffer, size, 0, reinterpret_cast<sockaddr*>(from), &fromLength);
}

HWND waitForDialog(const wchar_t* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindWindowW(L"#32770", caption);
        if (found != nullptr && IsWindowVisible(found))
            return found;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(20);
    }
}

bool waitForWindowGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

std::vector<std::wstring> cancelLeftOpen(std::initializer_list<const wchar_t*> captions) {
    std::vector<std::wstring> found;
    for (const wchar_t* caption : captions) {
        if (HWND left = FindWindowW(L"#32770", caption)) {
            found.push_back(caption);
            PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
            waitForWindowGone(left);
        }
    }
    return found;
}

void clickButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring controlText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

void* replaceImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; d->Name != 0; ++d) {
        if (_stricmp(reinterpret_cast<char*>(base + d->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            void* was = reinterpret_cast<void*>(slots->u1.Function);
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &protection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), protection, &protection);
            return was;
        }
    }
    return nullptr;
}

bool askTheScript(const char* request) {
    std::printf("script: %s\n", request);
    std::fflush(stdout);
    char answer[64] = {};
    return std::fgets(answer, sizeof answer, stdin) != nullptr &&
           std::strncmp(answer, "done", 4) == 0;
}

bool folderTakesNewFiles(const std::wstring& folder) {
    std::wstring probe = folder + L"\\probe";
    HANDLE f = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(f);
    DeleteFileW(probe.c_str());
    return true;
}

std::string fileBytes(const wchar_t* path) {
    HANDLE f =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "(none)";
    std::string bytes;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0)
        bytes.append(buffer, n);
    CloseHandle(f);
    return bytes;
}

void writeFileBytes(const wchar_t* path, const std::string& bytes) {
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
}

void settle(HWND window) {
    Sleep(50);  // lets posted messages in first: a sent one would be handled before them
    DWORD_PTR result;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
}

const wchar_t kNoBox[] = L"(no box)";

std::wstring answerMessageBox(const wchar_t* caption, int button, DWORD timeoutMs) {
    HWND box = waitForDialog(caption, timeoutMs);
    if (box == nullptr)
        return kNoBox;
    std::wstring text = controlText(box, 0xFFFF);
    clickButton(box, button);
    waitForWindowGone(box);
    return text;
}

std::vector<std::wstring> rowTexts(HWND list) {
    std::vector<std::wstring> rows;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        rows.push_back(text);
    }
    return rows;
}

int rowImage(HWND list, int row) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

std::vector<int> rowImages(HWND list) {
    std::vector<int> images;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        images.push_back(rowImage(list, i));
    return images;
}

int stateImage(HWND list, int row) {
    auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return static_cast<int>(state >> 12);
}

namespace {

void setRowState(HWND list, int row, UINT mask, UINT state) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void setStateImage(HWND list, int row, int image) {
    setRowState(list, row, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(image));
}

int firstSelected(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

void setSelected(HWND list, int row, bool selected) {
    setRowState(list, row, LVIS_SELECTED, selected ? LVIS_SELECTED : 0);
}

void tapRow(HWND list, int row) {
    setSelected(list, -1, false);
    setSelected(list, row, true);
}

std::vector<std::string> hostNotified;

namespace {

LRESULT CALLBACK testHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 15) {
        hostNotified.push_back(reinterpret_cast<const char*>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

HWND createTestHostWindow() {
    hostNotified.clear();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = testHostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LorvaneTestHost";
    RegisterClassW(&windowClass);  // already registered by an earlier test: that one serves
    return CreateWindowW(L"LorvaneTestHost", L"host", 0, 0, 0, 10, 10, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

void writeOneTargetList(float frequency) {
    std::string file(4 + 120, '\0');
    file[0] = 1;
    char* t = &file[4];
    t[0] = 'T';
    t[2] = '7';
    std::memcpy(t + 32, &frequency, 4);
    std::memcpy(t + 40, "Car", 3);
    writeFileBytes(L"L:\\Windows\\zq3GTrack", file);
}

ReadOnlyListSaves deleteWhileTheListFolderIsReadOnly(const SetupRun& runSetup, int listId,
                                                     int deleteId, int row,
                                                     const wchar_t* caption,
                                                     const wchar_t* listPath) {
    const std::wstring path(listPath), folder = path.substr(0, path.rfind(L'\\'));
    ReadOnlyListSaves saves{};
    saves.readOnly =
        askTheScript("make the list folder read-only") && !folderTakesNewFiles(folder);
    runSetup([&](HWND setup) {
        tapRow(GetDlgItem(setup, listId), row);
        clickButton(setup, deleteId);
        saves.question = answerMessageBox(caption, IDYES);
        settle(setup);
        saves.afterDelete = fileBytes(listPath);
        saves.box = answerMessageBox(caption, IDOK, 1000);
        clickButton(setup, IDOK);
        waitForWindowGone(setup);
    });
    saves.afterExit = fileBytes(listPath);
    saves.leftBeside = fileBytes((path + L".new").c_str());

    saves.writableAgain =
        askTheScript("make the list folder writable") && folderTakesNewFiles(folder);
    runSetup([&](HWND setup) {
        saves.rowsReopened = rowTexts(GetDlgItem(setup, listId));
        clickButton(setup, IDOK);
        waitForWindowGone(setup);
    });
    saves.afterNextExit = fileBytes(listPath);
    return saves;
}
