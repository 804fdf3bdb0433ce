// What every dialog of the module shares: templates from the module's own resources run modally,
// the message boxes of both sides, typed text read from a field, and the list views of the two
// setup dialogs (rows, the one column, the selection). The list dialogs of both sides are built
// from these, so the two lists look and behave alike where the module's behaviour says they do.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>

#include "module/list_edit.h"
#include "module/wide_win.h"

// Runs dialog template `id` of the module modally over `parent`; returns what EndDialog gave.
INT_PTR runModuleDialog(int id, HWND parent, DLGPROC procedure, LPARAM parameter);

// The captions of the two sides' message boxes: empty on the CDPD side, "Orlisk GPS" on the 3G.
inline constexpr wchar_t kCdpdCaption[] = L"";
inline constexpr wchar_t kThreeGCaption[] = L"Orlisk GPS";

// A message box owned by `owner` (a dialog, or null for none) with `caption`; returns the
// button pressed.
int showMessage(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type);

// A message box of the 3G side's account and server dialogs: no owner window, caption
// "Orlisk GPS", MB_SETFOREGROUND.
void showThreeGMessage(const wchar_t* text);

// The text of field `id`, at most `chars` characters, into `out`, which holds chars + 1 units;
// always terminated.
void readField(HWND dialog, int id, size_t chars, char16_t* out);

// The description, frequency and resolution fields of either modify dialog as typed, each read
// with the length list_edit.h gives it.
struct TypedModifyFields {
    char16_t description[kModifyDescriptionChars + 1];
    char16_t frequency[kTypedFrequencyChars + 1];
    char16_t resolution[kTypedResolutionChars + 1];
};
TypedModifyFields readModifyFields(HWND dialog, int descriptionId, int frequencyId,
                                   int resolutionId);

// Shows a frequency as formatOneDecimal gives it and a resolution as "%d" in two fields.
void showFrequencyAndResolution(HWND dialog, int frequencyId, int resolutionId, float frequency,
                                int32_t resolution);

// Whether a WM_NOTIFY's lParam comes from control `id` with `code`.
bool isNotifyFrom(LPARAM lParam, int id, UINT code);

// The first selected row of a list view, or -1 when none is selected.
int32_t firstSelectedRow(HWND list);

void setRowState(HWND list, int32_t row, UINT mask, UINT state);

// The setup lists' one column, inserted the first time only: left-aligned, "CDPD Adress" (on
// both sides), 100 times the horizontal dialog base unit wide.
void addListColumnOnce(HWND list);

// Appends row `row` with `text` and the picture of stored icon `iconIndex` (one that is none
// shows icon 0), then its state image: 2 when `enabled` is greater than 0, else 1.
void insertListRow(HWND list, int32_t row, const char16_t* text, int32_t iconIndex,
                   int32_t enabled);

// Selects and focuses row 0, as every fill of a setup list ends.
void selectFirstRow(HWND list);

// The row a combo box shows as chosen, or -1 (CB_ERR) when none is.
int32_t comboSelection(HWND dialog, int id);
