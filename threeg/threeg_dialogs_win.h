// What the 3G setup dialog (108) shares with the add (107) and modify (109) dialogs it runs.
#pragma once

#include <windows.h>

// ThreeGIni: stores the host's window and runs the setup dialog (108) over it until the user
// leaves it.
void runThreeGSetup(void* hostWindow);

// The add dialog over `parent`; a target accepted there is in the list when it returns.
void runAddTargetDialog(HWND parent);

// The modify dialog over `parent`, on the target targetSelection names; returns at once, without
// showing anything, when it names none.
void runModifyTargetDialog(HWND parent);

// Told when "&Add..." finds no room for another target.
inline constexpr wchar_t kTargetListFull[] =
    L"The list holds 25 targets, as many as it can. Delete one first.";
