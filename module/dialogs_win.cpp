#include "module/dialogs_win.h"

#include "module/module_state.h"

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

void showThreeGMessage(const wchar_t* text) {
    MessageBoxW(nullptr, text, L"Orlisk GPS", MB_OK | MB_SETFOREGROUND);
}
