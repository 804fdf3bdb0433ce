// Dialogs 107, "Lorvane ID Setup" (a new target) and 109, "Modify Trackee Info" (the target
// targetSelection names), run from the 3G setup dialog. Both pick an icon from the six target
// icons and show the pick in a preview. A picker whose selection is cleared (a tap beside the
// icons) keeps the icon chosen before: it names no icon.
#include <windows.h>
#include <commctrl.h>

#include "module/dialogs_win.h"
#include "module/icons_win.h"
#include "module/window_data_win.h"
#include "resources/resource.h"
#include "threeg/threeg_dialogs_win.h"
#include "threeg/threeg_setup.h"

namespace {

const wchar_t kNoDescription[] = L"Please give the target a description.";
const wchar_t kDescriptionTaken[] = L"Description already exists. Try another one please";
const wchar_t kSuffixHelp[] = L"/t is for Time,\n/s is for Speed\n/a is for Altitude.";

// The icons are 16 x 16 and have no labels: a cell a little larger keeps the six in one row.
constexpr int kPickerSpacing = 24;

// What either dialog holds while it is open.
struct IconPicker {
    int32_t chosen;  // the add dialog's pick
    bool ready;      // the picker's own setup is no pick
};

IconPicker* pickerOf(HWND dialog) {
    return dialogDataOf<IconPicker>(dialog);
}

void showPreview(HWND dialog, int32_t iconIndex) {
    showIconPreview(dialog, IDC_THREEG_PREVIEW, iconIndex);
}

int showTargetMessage(HWND dialog, const wchar_t* text) {
    return showMessage(dialog, kThreeGCaption, text, MB_OK);
}

// The row the picker's notification names: its selected item, or -1 for a notification from
// elsewhere and for a cleared selection.
int32_t pickedRow(LPARAM lParam) {
    if (!isNotifyFrom(lParam, IDC_THREEG_ICONS, LVN_ITEMCHANGED))
        return -1;
    return firstSelectedRow(reinterpret_cast<const NMHDR*>(lParam)->hwndFrom);
}

// The six icons as items without text, item i showing icon i, none selected.
void startPicker(HWND dialog, LPARAM lParam) {
    keepDialogData(dialog, lParam);
    fillIconPicker(GetDlgItem(dialog, IDC_THREEG_ICONS), kPickerSpacing);
    reinterpret_cast<IconPicker*>(lParam)->ready = true;
}

// ---- the add dialog (107)

void acceptNewTarget(HWND dialog, const IconPicker* picker) {
    char16_t description[kTargetAddDescriptionChars + 1];
    char16_t id[kTypedIdChars + 1];
    readField(dialog, IDC_THREEG_DESCRIPTION, kTargetAddDescriptionChars, description);
    readField(dialog, IDC_THREEG_ID, kTypedIdChars, id);
    switch (addTarget(id, description, picker->chosen)) {
    case NewEntryCheck::Accepted:
        EndDialog(dialog, IDOK);
        break;
    case NewEntryCheck::EmptyDescription:
        showTargetMessage(dialog, kNoDescription);
        break;
    case NewEntryCheck::DuplicateDescription:
        showTargetMessage(dialog, kDescriptionTaken);
        break;
    case NewEntryCheck::ListFull:
        showTargetMessage(dialog, kTargetListFull);
        break;
    case NewEntryCheck::UnreadableAddress:
        break;  // a target has no address
    }
}

INT_PTR CALLBACK addDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    IconPicker* picker = pickerOf(dialog);
    switch (message) {
    case WM_INITDIALOG:
        startPicker(dialog, lParam);
        showPreview(dialog, 0);
        SetFocus(GetDlgItem(dialog, IDC_THREEG_ID));
        return FALSE;  // the focus is set
    case WM_NOTIFY: {
        int32_t picked = pickedIconIndex(pickedRow(lParam));
        if (picker == nullptr || !picker->ready || picked < 0)
            break;
        picker->chosen = picked;
        showPreview(dialog, picked);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            acceptNewTarget(dialog, picker);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        dropIconPreview(dialog, IDC_THREEG_PREVIEW);
        break;
    }
    return FALSE;
}

// ---- the modify dialog (109)

// The description, frequency and resolution of `target` into their fields.
void showTargetFields(HWND dialog, const ThreeGTarget& target) {
    char16_t description[65];
    descriptionText(target, description);
    SetDlgItemTextW(dialog, IDC_THREEG_DESCRIPTION, wide(description));
    showFrequencyAndResolution(dialog, IDC_THREEG_FREQUENCY, IDC_THREEG_RESOLUTION,
                               target.frequency, target.resolution);
}

void startModifyDialog(HWND dialog) {
    HWND box = GetDlgItem(dialog, IDC_THREEG_IDS);
    ThreeGTarget target;
    for (int32_t i = 0; copyTargetAt(i, &target); ++i) {
        char16_t id[17];
        targetIdText(target, id);
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(id)));
    }
    int32_t selected = selectedTarget();
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    if (copyTargetAt(selected, &target)) {
        showTargetFields(dialog, target);
        showPreview(dialog, target.iconIndex);
    }
}

// Another ID chosen: that target becomes the selected one and its values are shown. The preview
// stays as it was.
void followIdChoice(HWND dialog) {
    int32_t chosen = comboSelection(dialog, IDC_THREEG_IDS);
    ThreeGTarget target;
    if (!copyTargetAt(chosen, &target))
        return;
    setTargetSelection(chosen);
    showTargetFields(dialog, target);
}

void acceptChanges(HWND dialog) {
    TypedModifyFields typed = readModifyFields(dialog, IDC_THREEG_DESCRIPTION,
                                               IDC_THREEG_FREQUENCY, IDC_THREEG_RESOLUTION);
    modifyTarget(selectedTarget(), typed.description, typed.frequency, typed.resolution);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK modifyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    IconPicker* picker = pickerOf(dialog);
    switch (message) {
    case WM_INITDIALOG:
        startPicker(dialog, lParam);
        startModifyDialog(dialog);
        SetFocus(GetDlgItem(dialog, IDC_THREEG_IDS));
        return FALSE;  // the focus is set
    case WM_NOTIFY: {
        int32_t picked = pickedRow(lParam);
        if (picker == nullptr || !picker->ready || picked < 0)
            break;
        // Stored at once: a later Cancel keeps it.
        if (setTargetIcon(selectedTarget(), picked))
            showPreview(dialog, picked);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_THREEG_IDS:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                followIdChoice(dialog);
            return TRUE;
        case IDOK:
            acceptChanges(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_THREEG_SUFFIX_HELP:
            showTargetMessage(dialog, kSuffixHelp);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        dropIconPreview(dialog, IDC_THREEG_PREVIEW);
        break;
    }
    return FALSE;
}

} // namespace

void runAddTargetDialog(HWND parent) {
    IconPicker picker{};
    runModuleDialog(IDD_THREEG_ADD, parent, addDialogProc, reinterpret_cast<LPARAM>(&picker));
}

void runModifyTargetDialog(HWND parent) {
    if (selectedTarget() < 0)
        return;
    IconPicker picker{};
    runModuleDialog(IDD_THREEG_MODIFY, parent, modifyDialogProc, reinterpret_cast<LPARAM>(&picker));
}
