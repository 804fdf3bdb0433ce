// Dialog 111, "Lorvane Server IP Setup" (ThreeGServerSetup): the tracking server by host name,
// looked up and kept in serverName and the registry, or by dotted address for this run only.
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "exchange/socket_address.h"
#include "module/dialogs_win.h"
#include "threeg/server_dialog_win.h"
#include "module/module_state.h"
#include "module/settings.h"
#include "module/text.h"
#include "resources/resource.h"
#include "threeg/server_link.h"

namespace {

constexpr size_t kDottedChars = 15;
const wchar_t kNotAValidHost[] = L"Not a valid host";


void lookUpServerName() {
    char name[kServerNameChars + 1];
    copyFieldToNarrow(moduleState.serverName, kServerNameChars, name);
    resolveServer(name);
}

// The field shows the dotted address while the box is ticked, the host name otherwise.
void showAddressOrName(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_SERVER_IS_ADDRESS) == BST_CHECKED) {
        char dotted[kDottedAddressSize];
        formatDottedAddress(moduleState.serverAddress, dotted);
        char16_t text[kDottedAddressSize];
        copyToWide(dotted, text);
        SetDlgItemTextW(dialog, IDC_SERVER_ADDRESS, wide(text));
    } else {
        SetDlgItemTextW(dialog, IDC_SERVER_ADDRESS, wide(moduleState.serverName));
    }
}

// OK with the box ticked: a dotted address for this run. Text that inet_addr cannot read would
// give INADDR_NONE, and own reports would go to the broadcast address: refused.
bool acceptDottedAddress(HWND dialog) {
    char16_t typed[kDottedChars + 1];
    readField(dialog, IDC_SERVER_ADDRESS, kDottedChars, typed);
    char narrow[kDottedChars + 1];
    copyFieldToNarrow(typed, kDottedChars, narrow);
    unsigned long address = inet_addr(narrow);
    if (address == INADDR_NONE) {
        showThreeGMessage(kNotAValidHost);
        return false;
    }
    moduleState.serverAddress = static_cast<uint32_t>(address);
    return true;
}

// OK with the box unticked: a host name, kept when it resolves. An empty name is refused too:
// its lookup would succeed with the local host and send own reports to the device itself.
bool acceptHostName(HWND dialog) {
    char16_t typed[kServerNameChars];
    readField(dialog, IDC_SERVER_ADDRESS, kServerNameChars - 1, typed);
    char narrow[kServerNameChars];
    copyFieldToNarrow(typed, kServerNameChars - 1, narrow);
    if (narrow[0] == 0 || !resolveServer(narrow)) {
        showThreeGMessage(kNotAValidHost);
        return false;
    }
    std::memset(moduleState.serverName, 0, sizeof moduleState.serverName);
    copyToWide(narrow, moduleState.serverName);
    writeServerNameSetting();
    return true;
}

INT_PTR CALLBACK serverDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        lookUpServerName();
        SetDlgItemTextW(dialog, IDC_SERVER_ADDRESS, wide(moduleState.serverName));
        CheckDlgButton(dialog, IDC_SERVER_IS_ADDRESS, BST_UNCHECKED);
        SetFocus(GetDlgItem(dialog, IDC_SERVER_ADDRESS));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SERVER_IS_ADDRESS:
            showAddressOrName(dialog);
            return TRUE;
        case IDOK: {
            bool ticked = IsDlgButtonChecked(dialog, IDC_SERVER_IS_ADDRESS) == BST_CHECKED;
            if (ticked ? acceptDottedAddress(dialog) : acceptHostName(dialog))
                EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

void runServerDialog(void* hostWindow) {
    runModuleDialog(IDD_SERVER, static_cast<HWND>(hostWindow), serverDialogProc, 0);
}
