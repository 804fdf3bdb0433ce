// The module's exports as a host calls them: by the names the platform's compiler gives them, as
// a host built with that compiler would. Both hosts take their commands through this one table.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

// Calls export `name` (cdpdIni, cdpdStartTrack, ThreeGStartSend ...) of `module`, giving `window`
// to those that take the host's window. Returns what happened: the name, with " true" or " false"
// after it for the two that return a boolean; "missing DECORATED" when the module lacks it;
// "unknown command NAME" for a name that is no export.
std::string callModuleExport(HMODULE module, const std::string& name, HWND window);

// True when `result` of callModuleExport says the export ran.
bool exportRan(const std::string& result);
