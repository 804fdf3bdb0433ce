// A dialog's own data: the pointer its opener passed at WM_INITDIALOG, kept with its window for the
// dialog's life.
#pragma once

#include <windows.h>

void keepDialogData(HWND dialog, LPARAM data);

// What keepDialogData kept, or null before WM_INITDIALOG.
void* dialogData(HWND dialog);
template <typename Data> Data* dialogDataOf(HWND dialog) {
    return static_cast<Data*>(dialogData(dialog));
}
