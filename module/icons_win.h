// The six target icons (resources 195 to 200) as the dialogs show them: in list rows, in the
// icon pickers of the add and modify dialogs, and in their previews.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "module/list_edit.h"

// Target icon `index` at 16 x 16, loaded from the module's resources; a stored index that is no
// icon shows icon 0 (shownIconIndex). The caller destroys it with DestroyIcon.
HICON loadTargetIcon(int32_t index);

// An image list of the six target icons in order, 16 x 16. The caller destroys it with
// ImageList_Destroy (which also frees the icons' copies it holds).
HIMAGELIST makeTargetImageList();

// Gives a list view a new image list of the six icons (`which`: LVSIL_SMALL or LVSIL_NORMAL) and
// destroys the one it replaces, so a list refilled many times leaks nothing. The last one goes
// with the list view.
void giveTargetImages(HWND listView, int which);

// Makes a list view an icon picker: the six icons, `spacing` pixels apart, one row each in order,
// none selected.
void fillIconPicker(HWND listView, int spacing);

// Shows target icon `index` in the static `id` of `dialog` and destroys the icon it showed
// before; dropIconPreview, at WM_DESTROY, destroys the last one.
void showIconPreview(HWND dialog, int id, int32_t index);
void dropIconPreview(HWND dialog, int id);
