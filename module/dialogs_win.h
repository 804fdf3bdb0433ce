// What every dialog of the module shares: templates from the module's own resources, run modally.
#pragma once

#include <windows.h>

// Runs dialog template `id` of the module modally over `parent`; returns what EndDialog gave.
INT_PTR runModuleDialog(int id, HWND parent, DLGPROC procedure, LPARAM parameter);

// A message box of the 3G side: no owner window, caption "Orlisk GPS", MB_SETFOREGROUND.
void showThreeGMessage(const wchar_t* text);
