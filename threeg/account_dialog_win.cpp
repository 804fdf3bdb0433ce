#include "threeg/account_dialog_win.h"

#include <cstring>

#include "module/dialogs_win.h"
#include "module/module_state.h"
#include "module/settings.h"
#include "resources/resource.h"
#include "threeg/server_link.h"

namespace {


// OK: the ID as typed, at most 15 characters. An empty one keeps the dialog open. Either way one
// own report follows, under whatever account is set by then.
void acceptAccount(HWND dialog) {
    char16_t typed[kAccountIdChars] = {};  // zeroed whole: all of it goes to accountId
    readField(dialog, IDC_ACCOUNT_ID, kAccountIdChars - 1, typed);
    if (typed[0] == 0) {
        showThreeGMessage(L"Please enter your account ID.");
    } else {
        std::memcpy(moduleState.accountId, typed, sizeof typed);
        writeAccountIdSetting();
        EndDialog(dialog, IDOK);
    }
    sendOwnReport();
}

INT_PTR CALLBACK accountDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextW(dialog, IDC_ACCOUNT_ID, wide(moduleState.accountId));
        SetFocus(GetDlgItem(dialog, IDC_ACCOUNT_ID));
        return FALSE;  // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            acceptAccount(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

void runAccountDialog(HWND parent) { runModuleDialog(IDD_ACCOUNT, parent, accountDialogProc, 0); }
