#include "module/dialogs_win.h"

#include "module/icons_win.h"
#include "module/module_state.h"
#include "module/number_entry.h"
#include "module/text.h"

INT_PTR runModuleDialog(int id, HWND parent, DLGPROC procedure, LPARAM parameter) {
    HINSTANCE instance = static_cast<HINSTANCE>(moduleState.moduleInstance);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (found == nullptr)
        return -1;
    HGLOBAL loaded = LoadResource(instance, found);
    if (loaded == nullptr)
        return -1;
    auto* dialogTemplate = static_cast<const DLGTEMPLATE*>(LockResource(loaded));
    return DialogBoxIndirectParamW(instance, dialogTemplate, parent, procedure, parameter);
}

int showMessage(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type) {
    return MessageBoxW(owner, text, caption, type);
}

void showThreeGMessage(const wchar_t* text) {
    showMessage(nullptr, kThreeGCaption, text, MB_OK | MB_SETFOREGROUND);
}

void readField(HWND dialog, int id, size_t chars, char16_t* out) {
    out[0] = 0;
    GetDlgItemTextW(dialog, id, wide(out), static_cast<int>(chars + 1));
    out[chars] = 0;
}

TypedModifyFields readModifyFields(HWND dialog, int descriptionId, int frequencyId,
                                   int resolutionId) {
    TypedModifyFields typed;
    readField(dialog, descriptionId, kModifyDescriptionChars, typed.description);
    readField(dialog, frequencyId, kTypedFrequencyChars, typed.frequency);
    readField(dialog, resolutionId, kTypedResolutionChars, typed.resolution);
    return typed;
}

void showFrequencyAndResolution(HWND dialog, int frequencyId, int resolutionId, float frequency,
                                int32_t resolution) {
    char16_t frequencyText[kOneDecimalTextSize];
    formatOneDecimal(frequency, frequencyText);
    SetDlgItemTextW(dialog, frequencyId, wide(frequencyText));
    char16_t resolutionText[kDecimalTextSize];
    formatDecimal(resolution, resolutionText);
    SetDlgItemTextW(dialog, resolutionId, wide(resolutionText));
}

bool isNotifyFrom(LPARAM lParam, int id, UINT code) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return header->idFrom == static_cast<UINT_PTR>(id) && header->code == code;
}

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

void addListColumnOnce(HWND list) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    if (SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)))
        return;
    wchar_t title[] = L"CDPD Adress";
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100 * LOWORD(GetDialogBaseUnits());
    column.pszText = title;
    column.iSubItem = 0;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

void insertListRow(HWND list, int32_t row, const char16_t* text, int32_t iconIndex,
                   int32_t enabled) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(wide(text));
    item.iImage = shownIconIndex(iconIndex);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    setRowState(list, row, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(enabled > 0 ? 2 : 1));
}

void selectFirstRow(HWND list) {
    setRowState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int32_t comboSelection(HWND dialog, int id) {
    return static_cast<int32_t>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}
