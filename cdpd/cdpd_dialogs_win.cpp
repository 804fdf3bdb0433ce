// cdpdIni and the CDPD setup dialogs: the address list (104) with a tick box per entry, the add
// dialog (105) and the modify dialog (106). They run on the host's thread and edit cdpdList
// through cdpd_setup.h, which decides every change and takes listLock for it; this file only
// moves texts in and out of controls.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>

#include "cdpd/cdpd_list.h"
#include "cdpd/cdpd_setup.h"
#include "cdpd/poller.h"
#include "exchange/position_message.h"
#include "exchange/socket_address.h"
#include "module/dialogs_win.h"
#include "cdpd/cdpd_dialogs_win.h"
#include "module/icons_win.h"
#include "module/module_state.h"
#include "module/own_fix.h"
#include "module/text.h"
#include "module/window_data_win.h"
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
constexpr int kIconSpacing = 22; // pixels: the six 16 x 16 icons side by side

int showCdpdMessage(HWND owner, const wchar_t* text, UINT type) {
    return showMessage(owner, kCdpdCaption, text, type);
}

// ---- The icon picker of the add and modify dialogs ----

void showPreview(HWND dialog, int32_t index) {
    showIconPreview(dialog, IDC_CDPD_ICON_PREVIEW, index);
}

// The row the picker's selection names: -1 when it was cleared, which keeps the previous choice.
int32_t pickedRow(HWND dialog) {
    return firstSelectedRow(GetDlgItem(dialog, IDC_CDPD_ICONS));
}

// ---- Reading the dialogs' fields ----

// The four address fields as inet_addr reads them; false for what it cannot read.
bool readAddress(HWND dialog, uint32_t* address) {
    static const int ids[4] = {IDC_CDPD_OCTET1, IDC_CDPD_OCTET2, IDC_CDPD_OCTET3, IDC_CDPD_OCTET4};
    char fields[4][kOctetFieldChars + 1];
    const char* parts[4];
    for (int i = 0; i < 4; ++i) {
        char16_t typed[kOctetFieldChars + 1];
        readField(dialog, ids[i], kOctetFieldChars, typed);
        copyFieldToNarrow(typed, kOctetFieldChars, fields[i]);
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
    char16_t description[kCdpdAddDescriptionChars + 1];
    readField(dialog, IDC_CDPD_DESCRIPTION, kCdpdAddDescriptionChars, description);
    uint32_t address = 0;
    bool readable = readAddress(dialog, &address);
    bool modem = IsDlgButtonChecked(dialog, IDC_CDPD_ADD_MODEM) == BST_CHECKED;
    switch (addCdpdEntry(description, readable ? &address : nullptr, modem, icon)) {
    case NewEntryCheck::Accepted:
        return true;
    case NewEntryCheck::ListFull:
        showCdpdMessage(dialog, kListFull, MB_OK);
        break;
    case NewEntryCheck::EmptyDescription:
        showCdpdMessage(dialog, kNoDescription, MB_OK);
        break;
    case NewEntryCheck::DuplicateDescription:
        showCdpdMessage(dialog, kDescriptionExists, MB_OK);
        break;
    case NewEntryCheck::UnreadableAddress:
        showCdpdMessage(dialog, kNotAnAddress, MB_OK);
        SetFocus(GetDlgItem(dialog, IDC_CDPD_OCTET1));
        break;
    }
    return false;
}

// lParam at WM_INITDIALOG: the chosen icon index, kept for the dialog's life.
INT_PTR CALLBACK addDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* chosenIcon = dialogDataOf<int32_t>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        keepDialogData(dialog, lParam);
        *reinterpret_cast<int32_t*>(lParam) = 0;
        showPreview(dialog, 0);
        fillIconPicker(GetDlgItem(dialog, IDC_CDPD_ICONS), kIconSpacing);
        SetFocus(GetDlgItem(dialog, IDC_CDPD_OCTET1));
        return FALSE; // the focus is set
    case WM_NOTIFY:
        if (isNotifyFrom(lParam, IDC_CDPD_ICONS, LVN_ITEMCHANGED)) {
            int32_t icon = pickedIconIndex(pickedRow(dialog));
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
        dropIconPreview(dialog, IDC_CDPD_ICON_PREVIEW);
        break;
    }
    return FALSE;
}

// ---- Modify dialog (106): edits the entry at cdpdSelection ----

void showEntryFields(HWND dialog, const CdpdAddress& entry) {
    char16_t description[kDescriptionBytes + 1];
    copyFieldToWide(entry.description, kDescriptionBytes, description);
    SetDlgItemTextW(dialog, IDC_CDPD_DESCRIPTION, wide(description));
    showFrequencyAndResolution(dialog, IDC_CDPD_FREQUENCY, IDC_CDPD_RESOLUTION, entry.frequency,
                               entry.resolution);
    CheckDlgButton(dialog, IDC_CDPD_MODIFY_MODEM,
                   entry.modemFlag != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void startModifyDialog(HWND dialog) {
    HWND addresses = GetDlgItem(dialog, IDC_CDPD_ADDRESSES);
    CdpdAddress entry;
    for (int32_t i = 0; copyCdpdEntryAt(i, &entry); ++i) {
        char dotted[kDottedAddressSize];
        char16_t text[kDottedAddressSize];
        formatDottedAddress(entry.address, dotted);
        copyToWide(dotted, text);
        SendMessageW(addresses, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(text)));
    }
    int32_t selected = selectedCdpdEntry();
    SendMessageW(addresses, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    if (copyCdpdEntryAt(selected, &entry)) {
        showEntryFields(dialog, entry);
        showPreview(dialog, entry.iconIndex);
    }
    fillIconPicker(GetDlgItem(dialog, IDC_CDPD_ICONS), kIconSpacing);
}

// Another address chosen: the dialog edits that entry from now on. The preview stays.
void switchEntry(HWND dialog) {
    int32_t row = comboSelection(dialog, IDC_CDPD_ADDRESSES);
    CdpdAddress entry;
    if (!copyCdpdEntryAt(row, &entry))
        return;
    setCdpdSelection(row);
    showEntryFields(dialog, entry);
}

// An icon picked is stored at once, whatever button closes the dialog.
void storePickedIcon(HWND dialog) {
    int32_t row = pickedRow(dialog);
    if (setCdpdIcon(selectedCdpdEntry(), row))
        showPreview(dialog, row);
}

void storeEntryFields(HWND dialog) {
    TypedModifyFields typed =
        readModifyFields(dialog, IDC_CDPD_DESCRIPTION, IDC_CDPD_FREQUENCY, IDC_CDPD_RESOLUTION);
    bool modem = IsDlgButtonChecked(dialog, IDC_CDPD_MODIFY_MODEM) == BST_CHECKED;
    modifyCdpdEntry(selectedCdpdEntry(), typed.description, typed.frequency, typed.resolution,
                    modem);
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
        dropIconPreview(dialog, IDC_CDPD_ICON_PREVIEW);
        break;
    }
    return FALSE;
}

// ---- Setup dialog (104) ----

// The names the two header words select, as the texts of controls 1001 and 1002. This dialog
// has no such controls, so the names appear nowhere; the words are kept only to be saved back.
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
    HWND list = GetDlgItem(dialog, IDC_CDPD_LIST);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    giveTargetImages(list, LVSIL_SMALL);
    addListColumnOnce(list);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    CdpdAddress entry;
    for (int32_t i = 0; copyCdpdEntryAt(i, &entry); ++i)
        insertListRow(list, i, cdpdRowText(entry).c_str(), entry.iconIndex, entry.enabled);
    selectFirstRow(list);
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
    storeEnabledMarks(enabled, rows);
}

void addPressed(HWND dialog) {
    if (cdpdCountNow() >= kCdpdCapacity) {
        showCdpdMessage(dialog, kListFull, MB_OK);
        return;
    }
    int32_t chosenIcon = 0;
    runModuleDialog(IDD_CDPD_ADD, dialog, addDialogProc, reinterpret_cast<LPARAM>(&chosenIcon));
    saveCdpdEntries();
    fillSetupList(dialog);
}

void deletePressed(HWND dialog) {
    if (showCdpdMessage(dialog, kDeleteQuestion, MB_YESNO | MB_ICONQUESTION) == IDNO)
        return;
    removeCdpdEntry(firstSelectedRow(GetDlgItem(dialog, IDC_CDPD_LIST)));
    saveCdpdEntries();
    fillSetupList(dialog);
}

void modifyPressed(HWND dialog) {
    if (selectedCdpdEntry() < 0)
        return; // no entry to modify
    runModuleDialog(IDD_CDPD_MODIFY, dialog, modifyDialogProc, 0);
    saveCdpdEntries();
    fillSetupList(dialog);
}

// Query: what the poller would send the entry.
void sendQuery(const CdpdAddress& entry) {
    sendCdpdRequest(entry);
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
    if (!copyCdpdEntryAt(selectedCdpdEntry(), &entry))
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
            setCdpdSelection(firstSelectedRow(GetDlgItem(dialog, IDC_CDPD_LIST)));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            storeTickBoxes(dialog);
            saveCdpdEntries();
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

void runCdpdSetup(void* hostWindow) {
    moduleState.hostWindow = hostWindow;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    runModuleDialog(IDD_CDPD_SETUP, static_cast<HWND>(hostWindow), setupDialogProc, 0);
}
