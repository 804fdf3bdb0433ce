// ThreeGIni and dialog 108, "Lorvane Setup": the 3G target list, the target that tracking
// queries (the first selected row), one-off query and own report, and the way to the add,
// modify and account dialogs. Every change to the list is saved at once.
//
// The rows carry each target's `enabled` as state image 2 or 1, but the list has no check boxes:
// no 3G operation uses `enabled`, so a box to tick would promise something that never happens.
// The value is kept as loaded and saved unchanged.
#include <windows.h>
#include <commctrl.h>

#include "module/dialogs_win.h"
#include "module/icons_win.h"
#include "module/module_state.h"
#include "module/window_data_win.h"
#include "resources/resource.h"
#include "threeg/account_dialog_win.h"
#include "threeg/server_link.h"
#include "threeg/threeg_dialogs_win.h"
#include "threeg/threeg_setup.h"

namespace {

const wchar_t kRemoveTarget[] = L"Remove this target?";

struct SetupDialog {
    bool filling;  // the fill's own changes of the rows do not move targetSelection
};

// targetSelection follows the list: its first selected row, or -1 with none.
void followSelection(HWND list) {
    setTargetSelection(firstSelectedRow(list));
}

// Rebuilds the rows from targetList and selects row 0. The image list it replaces is destroyed
// here; the last one goes with the list view.
void fillTargetListView(HWND dialog, SetupDialog* state) {
    HWND list = GetDlgItem(dialog, IDC_THREEG_LIST);
    state->filling = true;
    giveTargetImages(list, LVSIL_SMALL);
    ListView_DeleteAllItems(list);
    addListColumnOnce(list);
    int32_t count = 0;
    ThreeGTarget target;
    for (; copyTargetAt(count, &target); ++count) {
        char16_t text[kTargetRowTextSize];
        formatTargetRow(target, text);
        insertListRow(list, count, text, target.iconIndex, target.enabled);
    }
    state->filling = false;
    if (count > 0) {  // an empty list leaves targetSelection as it was
        selectFirstRow(list);
        followSelection(list);
    }
}

void onAdd(HWND dialog, SetupDialog* state) {
    if (targetCountNow() >= kTargetCapacity) {
        showMessage(dialog, kThreeGCaption, kTargetListFull, MB_OK);
        return;
    }
    runAddTargetDialog(dialog);
    saveTargets();
    fillTargetListView(dialog, state);
}

// The question comes first, even with no row selected; a Yes always saves and refills.
void onDelete(HWND dialog, SetupDialog* state) {
    if (showMessage(dialog, kThreeGCaption, kRemoveTarget, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    removeTarget(firstSelectedRow(GetDlgItem(dialog, IDC_THREEG_LIST)));
    saveTargets();
    fillTargetListView(dialog, state);
}

void onModify(HWND dialog, SetupDialog* state) {
    if (selectedTarget() < 0)
        return;  // no target to edit
    runModifyTargetDialog(dialog);
    saveTargets();
    fillTargetListView(dialog, state);
}

// "&Query" and "&Send Posit" are one-off sends that end the dialog without a save.
void onQuery(HWND dialog) {
    int32_t selected = selectedTarget();
    if (selected < 0)
        return;  // nothing to ask the server for: the dialog stays
    sendTargetQuery(selected);
    EndDialog(dialog, IDOK);
}

void onSendPosit(HWND dialog) {
    if (moduleState.accountId[0] != 0)
        sendOwnReport();
    else
        runAccountDialog(dialog);  // its OK sends the report
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = dialogDataOf<SetupDialog>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        keepDialogData(dialog, lParam);
        fillTargetListView(dialog, reinterpret_cast<SetupDialog*>(lParam));
        return TRUE;
    case WM_NOTIFY:
        if (!isNotifyFrom(lParam, IDC_THREEG_LIST, LVN_ITEMCHANGED))
            break;
        if (state != nullptr && !state->filling)
            followSelection(reinterpret_cast<const NMHDR*>(lParam)->hwndFrom);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            saveTargets();
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        case IDC_THREEG_ADD:
            onAdd(dialog, state);
            return TRUE;
        case IDC_THREEG_DELETE:
            onDelete(dialog, state);
            return TRUE;
        case IDC_THREEG_MODIFY:
            onModify(dialog, state);
            return TRUE;
        case IDC_THREEG_QUERY:
            onQuery(dialog);
            return TRUE;
        case IDC_THREEG_SEND_POSIT:
            onSendPosit(dialog);
            return TRUE;
        case IDC_THREEG_ACCOUNT:
            runAccountDialog(dialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

void runThreeGSetup(void* hostWindow) {
    moduleState.hostWindow = hostWindow;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    SetupDialog state{};
    runModuleDialog(IDD_THREEG_SETUP, static_cast<HWND>(hostWindow), setupDialogProc,
                    reinterpret_cast<LPARAM>(&state));
}
