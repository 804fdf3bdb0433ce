// Dialogs 107, "Lorvane ID Setup" (a new target) and 109, "Modify Trackee Info" (the target
// targetSelection names), run from the 3G setup dialog. Both pick an icon from the six target
// icons and show the pick in a preview. A picker whose selection is cleared (a tap beside the
// icons) keeps the icon chosen before: it names no icon.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "module/dialogs_win.h"
#include "module/icons_win.h"
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
    HICON preview;   // loaded for the preview; destroyed when replaced and at close
    bool ready;      // the picker's own setup is no pick
};

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
const char16_t* utf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

IconPicker* pickerOf(HWND dialog) {
    return reinterpret_cast<IconPicker*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

void showPreview(HWND dialog, IconPicker* picker, int32_t iconIndex) {
    HICON icon = loadTargetIcon(iconIndex);
    SendDlgItemMessageW(dialog, IDC_THREEG_PREVIEW, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    if (picker->preview != nullptr)
        DestroyIcon(picker->preview);
    picker->preview = icon;
}

void releasePreview(IconPicker* picker) {
    if (picker->preview != nullptr)
        DestroyIcon(picker->preview);
    picker->preview = nullptr;
}

// The six icons as items without text, item i showing icon i, none selected. The list view
// destroys its image list when it goes.
void setUpPicker(HWND dialog) {
    fillIconPicker(GetDlgItem(dialog, IDC_THREEG_ICONS), kPickerSpacing);
}

// The icon the picker's notification names: its selected item, or -1 when none is selected.
int32_t pickedIcon(LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_THREEG_ICONS || header->code != LVN_ITEMCHANGED)
        return -1;
    int32_t picked = ListView_GetNextItem(header->hwndFrom, -1, LVNI_SELECTED);
    return picked >= 0 && picked < IDI_TARGET_COUNT ? usableIconIndex(picked) : -1;
}

void startPicker(HWND dialog, LPARAM lParam) {
    SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
    setUpPicker(dialog);
    reinterpret_cast<IconPicker*>(lParam)->ready = true;
}

// ---- the add dialog (107)

void acceptNewTarget(HWND dialog, const IconPicker* picker) {
    wchar_t description[kAddDescriptionChars + 1] = {};
    wchar_t id[kTypedIdChars + 1] = {};
    GetDlgItemTextW(dialog, IDC_THREEG_DESCRIPTION, description, kAddDescriptionChars + 1);
    GetDlgItemTextW(dialog, IDC_THREEG_ID, id, kTypedIdChars + 1);
    switch (addTarget(utf16(id), utf16(description), usableIconIndex(picker->chosen))) {
    case AddResult::added:
        EndDialog(dialog, IDOK);
        break;
    case AddResult::emptyDescription:
        showThreeGDialogMessage(dialog, kNoDescription, MB_OK);
        break;
    case AddResult::duplicateDescription:
        showThreeGDialogMessage(dialog, kDescriptionTaken, MB_OK);
        break;
    case AddResult::listFull:
        showThreeGDialogMessage(dialog, kTargetListFull, MB_OK);
        break;
    }
}

INT_PTR CALLBACK addDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    IconPicker* picker = pickerOf(dialog);
    switch (message) {
    case WM_INITDIALOG:
        startPicker(dialog, lParam);
        showPreview(dialog, pickerOf(dialog), 0);
        SetFocus(GetDlgItem(dialog, IDC_THREEG_ID));
        return FALSE;  // the focus is set
    case WM_NOTIFY: {
        int32_t picked = pickedIcon(lParam);
        if (picker == nullptr || !picker->ready || picked < 0)
            break;
        picker->chosen = picked;
        showPreview(dialog, picker, picked);
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
        if (picker != nullptr)
            releasePreview(picker);
        break;
    }
    return FALSE;
}

// ---- the modify dialog (109)

// The description, frequency and resolution of target `index` into their fields.
void showTargetFields(HWND dialog, int32_t index) {
    ThreeGTarget target;
    if (!copyTargetAt(index, &target))
        return;
    char16_t description[65];
    char16_t frequency[kOneDecimalTextSize];
    wchar_t resolution[12];
    descriptionText(target, description);
    formatOneDecimal(target.frequency, frequency);
    swprintf(resolution, 12, L"%d", static_cast<int>(target.resolution));
    SetDlgItemTextW(dialog, IDC_THREEG_DESCRIPTION, wide(description));
    SetDlgItemTextW(dialog, IDC_THREEG_FREQUENCY, wide(frequency));
    SetDlgItemTextW(dialog, IDC_THREEG_RESOLUTION, resolution);
}

void showTargetIcon(HWND dialog, IconPicker* picker, int32_t index) {
    ThreeGTarget target;
    if (copyTargetAt(index, &target))
        showPreview(dialog, picker, usableIconIndex(target.iconIndex));
}

void fillIdChoices(HWND dialog, int32_t selected) {
    HWND box = GetDlgItem(dialog, IDC_THREEG_IDS);
    ThreeGTarget target;
    for (int32_t i = 0; copyTargetAt(i, &target); ++i) {
        char16_t id[17];
        targetIdText(target, id);
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(id)));
    }
    SendMessageW(box, CB_SETCURSEL, selected, 0);
}

// Another ID chosen: that target becomes the selected one, and its values (and icon) are shown.
void followIdChoice(HWND dialog, IconPicker* picker) {
    LRESULT chosen = SendDlgItemMessageW(dialog, IDC_THREEG_IDS, CB_GETCURSEL, 0, 0);
    ThreeGTarget target;
    if (chosen == CB_ERR || !copyTargetAt(static_cast<int32_t>(chosen), &target))
        return;
    setTargetSelection(static_cast<int32_t>(chosen));
    showTargetFields(dialog, static_cast<int32_t>(chosen));
    showTargetIcon(dialog, picker, static_cast<int32_t>(chosen));
}

void acceptChanges(HWND dialog) {
    wchar_t description[kModifyDescriptionChars + 1] = {};
    wchar_t frequency[kTypedFrequencyChars + 1] = {};
    wchar_t resolution[kTypedResolutionChars + 1] = {};
    GetDlgItemTextW(dialog, IDC_THREEG_DESCRIPTION, description, kModifyDescriptionChars + 1);
    GetDlgItemTextW(dialog, IDC_THREEG_FREQUENCY, frequency, kTypedFrequencyChars + 1);
    GetDlgItemTextW(dialog, IDC_THREEG_RESOLUTION, resolution, kTypedResolutionChars + 1);
    modifyTarget(selectedTarget(), utf16(description), utf16(frequency), utf16(resolution));
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK modifyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    IconPicker* picker = pickerOf(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        int32_t selected = selectedTarget();
        startPicker(dialog, lParam);
        fillIdChoices(dialog, selected);
        showTargetFields(dialog, selected);
        showTargetIcon(dialog, pickerOf(dialog), selected);
        SetFocus(GetDlgItem(dialog, IDC_THREEG_IDS));
        return FALSE;  // the focus is set
    }
    case WM_NOTIFY: {
        int32_t picked = pickedIcon(lParam);
        if (picker == nullptr || !picker->ready || picked < 0)
            break;
        // Stored at once: a later Cancel keeps it.
        if (setTargetIcon(selectedTarget(), picked))
            showPreview(dialog, picker, picked);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_THREEG_IDS:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                followIdChoice(dialog, picker);
            return TRUE;
        case IDOK:
            acceptChanges(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_THREEG_SUFFIX_HELP:
            showThreeGDialogMessage(dialog, kSuffixHelp, MB_OK);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        if (picker != nullptr)
            releasePreview(picker);
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
