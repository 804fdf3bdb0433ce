// The six target icons (resources 195 to 200) as the dialogs show them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

// The icon index a damaged list entry or a cleared picker may hold, made usable: anything
// outside 0 to 5 is used as 0 (the stored value itself is left alone).
int32_t usableIconIndex(int32_t index);

// Target icon `index` (made usable as above) at 16 x 16, loaded from the module's resources.
// The caller destroys it with DestroyIcon.
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
