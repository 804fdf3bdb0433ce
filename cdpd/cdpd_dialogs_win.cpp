// cdpdIni and the CDPD setup dialogs: the address list (104) with a tick box per entry, the add
// dialog (105) and the modify dialog (106). They run on the host's thread and edit cdpdList,
// which the receiver and the poll thread read meanwhile: every change of the list, its count or
// cdpdSelection is made under listLock, and the lock is never held while a control is sent a
// message (a list view notifies this very procedure, which takes the lock), a dialog or message
// box runs, or a datagram goes out. What each handler decides lives in cdpd_setup.cpp.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <mutex>
#include <string>

#include "cdpd/cdpd_list.h"
#include "cdpd/cdpd_setup.h"
#include "exchange/position_message.h"
#include "exchange/socket_address.h"
#include "module/dialogs_win.h"
#include "module/exports.h"
#include "module/icons_win.h"
#include "module/module_state.h"
#include "module/number_entry.h"
#include "module/own_fix.h"
#include "module/text.h"
#include "resources/resource.h"

namespace {

const wchar_t kDeleteQuestion[] = L"Do you really want to delete this item?";
const wchar_t kNoDescription[] = L"Sorry, you must enter a description for CDPD Address.";
const wchar_t kDescriptionExists[] = L"Sorry, description for FTP Address exists. Try an other one";
const wchar_t kListFull[] =
    L"Sorry, the list is full: it holds 50 CDPD addresses. Delete one before adding another.";
const wchar_t kNotAnAddress[] =
    L"Sorry, this is not a valid IP address. Enter four numbers from 0 to 255.";

constexpr size_t kDescriptionBytes = sizeof(CdpdAddress{}.description);
constexpr int kFrequencyChars = 19;
constexpr int kResolutionChars = 29;
constexpr int kIconSpacing = 22; // pixels: the six 16 x 16 icons side by side

const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
wchar_t* wide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}

// Messages of the CDPD side have an empty caption.
int showCdpdMessage(HWND owner, const wchar_t* text, UINT type) {
    return MessageBoxW(owner, text, L"", type);
}

// ---- The list in module state ----

struct CdpdSnapshot {
    CdpdAddress list[kCdpdCapacity];
    int32_t count;
    int32_t selection;
};

void takeSnapshot(CdpdSnapshot* out) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    out->count = moduleState.cdpdCount;
    out->selection = moduleState.cdpdSelection;
    for (int32_t i = 0; i < out->count && i < kCdpdCapacity; ++i)
        out->list[i] = moduleState.cdpdList[i];
}

// A copy of the entry at cdpdSelection; false when the selection names no entry.
bool copySelectedEntry(CdpdAddress* out) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (!namesEntry(moduleState.cdpdSelection, moduleState.cdpdCount))
        return false;
    *out = moduleState.cdpdList[moduleState.cdpdSelection];
    return true;
}

int32_t currentCount() {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    return moduleState.cdpdCount;
}

// Only the host's thread changes the list, so it may read it here without the lock.
void saveList() {
    std::u16string path(moduleState.windowsFolder);
    path += u"\\zqCDPD";
    saveCdpdList(path.c_str(), moduleState.cdpdList, moduleState.cdpdCount);
}

// ---- List views ----

int32_t firstSelectedRow(HWND list) {
    return static_cast<int32_t>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void setRowState(HWND list, int32_t row, UINT mask, UINT state) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Gives `list` a fresh image list of the six target icons and destroys the one it replaces.
bool isNotifyFrom(LPARAM lParam, int id, UINT code) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return header->idFrom == static_cast<UINT_PTR>(id) && header->code == code;
}

// ---- The icon picker of the add and modify dialogs ----

// Shows target icon `index` in the preview and destroys the icon it showed before.
void showPreview(HWND dialog, int32_t index) {
    HICON icon = loadTargetIcon(usableIconIndex(index));
    auto shown = reinterpret_cast<HICON>(SendDlgItemMessageW(
        dialog, IDC_CDPD_ICON_PREVIEW, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
    if (shown != nullptr && shown != icon)
        DestroyIcon(shown);
}

void dropPreview(HWND dialog) {
    auto shown = reinterpret_cast<HICON>(
        SendDlgItemMessageW(dialog, IDC_CDPD_ICON_PREVIEW, STM_SETIMAGE, IMAGE_ICON, 0));
    if (shown != nullptr)
        DestroyIcon(shown);
}

// One row per target icon, no text, none selected.
void fillIconList(HWND dialog) {
    fillIconPicker(GetDlgItem(dialog, IDC_CDPD_ICONS), kIconSpacing);
}

// The icon the picker's selection names, or -1 when it names none: a cleared selection keeps
// the previous choice.
int32_t pickedIcon(HWND dialog) {
    int32_t row = firstSelectedRow(GetDlgItem(dialog, IDC_CDPD_ICONS));
    return row >= 0 && row < IDI_TARGET_COUNT ? row : -1;
}

// ---- Reading the dialogs' fields ----

// The text of an edit field, at most `chars` characters, narrowed. `out` holds chars + 1.
void readNarrow(HWND dialog, int id, int chars, char* out) {
    char16_t typed[64] = {};
    GetDlgItemTextW(dialog, id, wide(typed), chars + 1);
    copyFieldToNarrow(typed, static_cast<size_t>(chars), out);
}

// The four address fields as inet_addr reads them; false for what it cannot read, which would
// otherwise be stored as INADDR_NONE and polled at the broadcast address.
bool readAddress(HWND dialog, uint32_t* address) {
    static const int ids[4] = {IDC_CDPD_OCTET1, IDC_CDPD_OCTET2, IDC_CDPD_OCTET3, IDC_CDPD_OCTET4};
    char fields[4][kOctetFieldChars + 1];
    const char* parts[4];
    for (int i = 0; i < 4; ++i) {
        readNarrow(dialog, ids[i], kOctetFieldChars, fields[i]);
        parts[i] = fields[i];
    }
    char joined[kJoinedAddressSize];
    joinOctetFields(parts, joined);
    unsigned long value = inet_addr(joined);
    if (value == INADDR_NONE)
        return false;
    *address = static_cast<uint32_t>(value);
    return true;
}

// ---- Add dialog (105) ----

// OK: the new entry goes into the first free slot, and is counted only once it is whole.
bool addEntry(HWND dialog, int32_t icon) {
    char description[kAddDescriptionChars + 1];
    readNarrow(dialog, IDC_CDPD_DESCRIPTION, kAddDescriptionChars, description);
    NewEntryCheck check;
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        check = checkNewEntry(moduleState.cdpdList, moduleState.cdpdCount, description);
    }
    switch (check) {
    case NewEntryCheck::ListFull:
        showCdpdMessage(dialog, kListFull, MB_OK);
        return false;
    case NewEntryCheck::EmptyDescription:
        showCdpdMessage(dialog, kNoDescription, MB_OK);
        return false;
    case NewEntryCheck::DuplicateDescription:
        showCdpdMessage(dialog, kDescriptionExists, MB_OK);
        return false;
    case NewEntryCheck::Accepted:
        break;
    }
    uint32_t address = 0;
    if (!readAddress(dialog, &address)) {
        showCdpdMessage(dialog, kNotAnAddress, MB_OK);
        SetFocus(GetDlgItem(dialog, IDC_CDPD_OCTET1));
        return false;
    }
    bool modem = IsDlgButtonChecked(dialog, IDC_CDPD_ADD_MODEM) == BST_CHECKED;
    CdpdAddress entry = makeNewEntry(address, description, modem, icon);
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (moduleState.cdpdCount >= 0 && moduleState.cdpdCount < kCdpdCapacity) {
        moduleState.cdpdList[moduleState.cdpdCount] = entry;
        ++moduleState.cdpdCount;
    }
    return true;
}

// lParam at WM_INITDIALOG: the chosen icon index, kept for the dialog's life.
INT_PTR CALLBACK addDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* chosenIcon = reinterpret_cast<int32_t*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
        *reinterpret_cast<int32_t*>(lParam) = 0;
        showPreview(dialog, 0);
        fillIconList(dialog);
        SetFocus(GetDlgItem(dialog, IDC_CDPD_OCTET1));
        return FALSE; // the focus is set
    case WM_NOTIFY:
        if (isNotifyFrom(lParam, IDC_CDPD_ICONS, LVN_ITEMCHANGED)) {
            int32_t icon = pickedIcon(dialog);
            if (icon >= 0) {
                *chosenIcon = icon;
                showPreview(dialog, icon);
            }
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (addEntry(dialog, *chosenIcon))
                EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        dropPreview(dialog);
        break;
    }
    return FALSE;
}

// ---- Modify dialog (106): edits the entry at cdpdSelection ----

void showEntryFields(HWND dialog, const CdpdAddress& entry) {
    char16_t description[kDescriptionBytes + 1];
    copyFieldToWide(entry.description, kDescriptionBytes, description);
    SetDlgItemTextW(dialog, IDC_CDPD_DESCRIPTION, wide(description));
    char16_t frequency[kOneDecimalTextSize];
    formatOneDecimal(entry.frequency, frequency);
    SetDlgItemTextW(dialog, IDC_CDPD_FREQUENCY, wide(frequency));
    wchar_t resolution[16];
    swprintf(resolution, 16, L"%d", static_cast<int>(entry.resolution));
    SetDlgItemTextW(dialog, IDC_CDPD_RESOLUTION, resolution);
    CheckDlgButton(dialog, IDC_CDPD_MODIFY_MODEM,
                   entry.modemFlag != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void startModifyDialog(HWND dialog) {
    CdpdSnapshot snapshot;
    takeSnapshot(&snapshot);
    HWND addresses = GetDlgItem(dialog, IDC_CDPD_ADDRESSES);
    for (int32_t i = 0; i < snapshot.count && i < kCdpdCapacity; ++i) {
        std::u16string dotted = dottedAddressText(snapshot.list[i].address);
        SendMessageW(addresses, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dotted.c_str()));
    }
    SendMessageW(addresses, CB_SETCURSEL, static_cast<WPARAM>(snapshot.selection), 0);
    if (namesEntry(snapshot.selection, snapshot.count)) {
        const CdpdAddress& entry = snapshot.list[snapshot.selection];
        showEntryFields(dialog, entry);
        showPreview(dialog, entry.iconIndex);
    }
    fillIconList(dialog);
}

// Another address chosen: the dialog edits that entry from now on. The preview stays.
void switchEntry(HWND dialog) {
    auto row =
        static_cast<int32_t>(SendDlgItemMessageW(dialog, IDC_CDPD_ADDRESSES, CB_GETCURSEL, 0, 0));
    CdpdAddress entry;
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        if (!namesEntry(row, moduleState.cdpdCount))
            return;
        moduleState.cdpdSelection = row;
        entry = moduleState.cdpdList[row];
    }
    showEntryFields(dialog, entry);
}

// An icon picked is stored at once, whatever button closes the dialog.
void storePickedIcon(HWND dialog) {
    int32_t icon = pickedIcon(dialog);
    if (icon < 0)
        return;
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        if (!namesEntry(moduleState.cdpdSelection, moduleState.cdpdCount))
            return;
        moduleState.cdpdList[moduleState.cdpdSelection].iconIndex = icon;
    }
    showPreview(dialog, icon);
}

void storeEntryFields(HWND dialog) {
    char description[kModifyDescriptionChars + 1];
    readNarrow(dialog, IDC_CDPD_DESCRIPTION, kModifyDescriptionChars, description);
    char frequencyText[kFrequencyChars + 1];
    readNarrow(dialog, IDC_CDPD_FREQUENCY, kFrequencyChars, frequencyText);
    char resolutionText[kResolutionChars + 1];
    readNarrow(dialog, IDC_CDPD_RESOLUTION, kResolutionChars, resolutionText);
    float frequency = frequencyFromDecimal(parseDecimal(frequencyText));
    int32_t resolution = parseScaledInt(resolutionText, 1);
    int32_t modem = IsDlgButtonChecked(dialog, IDC_CDPD_MODIFY_MODEM) == BST_CHECKED ? 1 : 0;

    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (!namesEntry(moduleState.cdpdSelection, moduleState.cdpdCount))
        return;
    CdpdAddress& entry = moduleState.cdpdList[moduleState.cdpdSelection];
    setDescription(entry, description);
    entry.frequency = frequency;
    entry.resolution = resolution;
    entry.modemFlag = modem;
}

INT_PTR CALLBACK modifyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        startModifyDialog(dialog);
        return TRUE;
    case WM_NOTIFY:
        if (isNotifyFrom(lParam, IDC_CDPD_ICONS, LVN_ITEMCHANGED))
            storePickedIcon(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CDPD_ADDRESSES:
            if (HIWORD(wParam) != CBN_SELCHANGE)
                break;
            switchEntry(dialog);
            return TRUE;
        case IDOK:
            storeEntryFields(dialog);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        dropPreview(dialog);
        break;
    }
    return FALSE;
}

// ---- Setup dialog (104) ----

void addColumnOnce(HWND list) {
    auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header != nullptr && SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) > 0)
        return;
    wchar_t title[] = L"CDPD Adress";
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100 * LOWORD(GetDialogBaseUnits());
    column.pszText = title;
    column.iSubItem = 0;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

void showHeaderWordNames(HWND dialog) {
    char16_t name[16];
    if (const char* model = modemModelName(moduleState.modemModelIndex)) {
        copyToWide(model, name);
        SetDlgItemTextW(dialog, IDC_CDPD_MODEM_MODEL, wide(name));
    }
    if (const char* port = serialPortName(moduleState.serialPortIndex)) {
        copyToWide(port, name);
        SetDlgItemTextW(dialog, IDC_CDPD_SERIAL_PORT, wide(name));
    }
}

// Shows the stored list: one row per entry with its tick box, the first row selected (which
// makes cdpdSelection 0 through LVN_ITEMCHANGED).
void fillSetupList(HWND dialog) {
    CdpdSnapshot snapshot;
    HWND list = GetDlgItem(dialog, IDC_CDPD_LIST);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    giveTargetImages(list, LVSIL_SMALL);
    addColumnOnce(list);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    takeSnapshot(&snapshot);
    for (int32_t i = 0; i < snapshot.count && i < kCdpdCapacity; ++i) {
        const CdpdAddress& entry = snapshot.list[i];
        std::u16string text = cdpdRowText(entry);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(wide(text.c_str()));
        item.iImage = usableIconIndex(entry.iconIndex);
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        setRowState(list, i, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(entry.enabled > 0 ? 2 : 1));
    }
    setRowState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    showHeaderWordNames(dialog);
}

// Exit and the close command: each row's tick box becomes its entry's `enabled`.
void storeTickBoxes(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_CDPD_LIST);
    int32_t enabled[kCdpdCapacity];
    auto rows = static_cast<int32_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (rows > kCdpdCapacity)
        rows = kCdpdCapacity;
    for (int32_t i = 0; i < rows; ++i) {
        auto state =
            static_cast<uint32_t>(SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK));
        enabled[i] = enabledFromStateImage(state >> 12);
    }
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    for (int32_t i = 0; i < moduleState.cdpdCount && i < rows; ++i)
        moduleState.cdpdList[i].enabled = enabled[i];
}

void noteSelection(HWND dialog) {
    int32_t row = firstSelectedRow(GetDlgItem(dialog, IDC_CDPD_LIST));
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    moduleState.cdpdSelection = row;
}

void addPressed(HWND dialog) {
    if (currentCount() >= kCdpdCapacity) {
        showCdpdMessage(dialog, kListFull, MB_OK);
        return;
    }
    int32_t chosenIcon = 0;
    runModuleDialog(IDD_CDPD_ADD, dialog, addDialogProc, reinterpret_cast<LPARAM>(&chosenIcon));
    saveList();
    fillSetupList(dialog);
}

void deletePressed(HWND dialog) {
    if (showCdpdMessage(dialog, kDeleteQuestion, MB_YESNO | MB_ICONQUESTION) == IDNO)
        return;
    int32_t row = firstSelectedRow(GetDlgItem(dialog, IDC_CDPD_LIST));
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        deleteCdpdEntry(moduleState.cdpdList, moduleState.cdpdCount, row);
    }
    saveList();
    fillSetupList(dialog);
}

void modifyPressed(HWND dialog) {
    CdpdAddress entry;
    if (!copySelectedEntry(&entry))
        return; // no entry to modify
    runModuleDialog(IDD_CDPD_MODIFY, dialog, modifyDialogProc, 0);
    saveList();
    fillSetupList(dialog);
}

// Query: a modem is asked with the 24-byte query at port 6000, a device with the locate request
// at port 28695.
void sendQuery(const CdpdAddress& entry) {
    if (!moduleState.endpointBound || moduleState.udpSocket == kNoSocket)
        return;
    if (entry.modemFlag != 0) {
        PositionMessage query = makeModemQuery();
        platformSendTo(moduleState.udpSocket, destinationFor(entry.address, kModemPort), &query,
                       kModemQueryLength);
    } else {
        PositionMessage request = makeLocateRequest();
        platformSendTo(moduleState.udpSocket, destinationFor(entry.address, kDevicePort), &request,
                       kLocateRequestLength);
    }
}

// Send Posit: the own fix, to port 28695 whatever the entry is.
void sendOwnPosition(const CdpdAddress& entry) {
    if (!moduleState.endpointBound)
        return;
    PositionMessage position;
    if (!buildPositionFromOwnFix(&position) || moduleState.udpSocket == kNoSocket)
        return;
    platformSendTo(moduleState.udpSocket, destinationFor(entry.address, kDevicePort), &position,
                   kPositionLength);
}

// Query and Send Posit close the dialog without storing the tick boxes or saving; with no
// entry selected they do nothing at all.
void oneOffPressed(HWND dialog, void (*send)(const CdpdAddress&)) {
    CdpdAddress entry;
    if (!copySelectedEntry(&entry))
        return;
    send(entry);
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        fillSetupList(dialog);
        return TRUE;
    case WM_NOTIFY:
        if (isNotifyFrom(lParam, IDC_CDPD_LIST, LVN_ITEMCHANGED))
            noteSelection(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            storeTickBoxes(dialog);
            saveList();
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_CDPD_ADD:
            addPressed(dialog);
            return TRUE;
        case IDC_CDPD_DELETE:
            deletePressed(dialog);
            return TRUE;
        case IDC_CDPD_MODIFY:
            modifyPressed(dialog);
            return TRUE;
        case IDC_CDPD_QUERY:
            oneOffPressed(dialog, sendQuery);
            return TRUE;
        case IDC_CDPD_SEND_POSIT:
            oneOffPressed(dialog, sendOwnPosition);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

void cdpdIni(void* hostWindow) {
    moduleState.hostWindow = hostWindow;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    runModuleDialog(IDD_CDPD_SETUP, static_cast<HWND>(hostWindow), setupDialogProc, 0);
}
