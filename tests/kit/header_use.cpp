// Uses every declaration of include/lorvane.h as a host does, so that the object this makes asks
// for each export by the name its compiler gives it. header_names.sh compiles it for Microsoft's
// ABI and for mingw and compares those names with what the module's .def publishes. Compiled
// only, never run.
#include "lorvane.h"

// The names and numbers a host hands to the system, in the forms it hands them: wide literals
// for the registry and the files, the message number for its window procedure.
extern const wchar_t* const kPublishedTexts[] = {
    L"" LORVANE_SETTINGS_KEY,           L"" LORVANE_VALUE_SERVER_NAME,
    L"" LORVANE_VALUE_ACCOUNT_ID,       L"" LORVANE_VALUE_ANSWER,
    L"" LORVANE_VALUE_LOG,              L"" LORVANE_VALUE_REPORT_METRES,
    L"" LORVANE_VALUE_REPORT_TURN,      L"" LORVANE_VALUE_REPORT_MAX_SECONDS,
    L"" LORVANE_CDPD_LIST_FILE,         L"" LORVANE_TARGET_LIST_FILE,
    L"" LORVANE_TRACK_FOLDER "\\x" LORVANE_TRACK_EXTENSION,
};
extern const unsigned kTrackFileMessage = LORVANE_WM_TRACK_FILE;

void useEveryExport(void* window) {
    cdpdIni(window);
    cdpdStartTrack(window);
    cdpdStopTrack();
    ThreeGIni(window);
    ThreeGServerSetup(window);
    if (ThreeGStartTrack(window))
        ThreeGStopTrack();
    if (ThreeGStartSend(window))
        ThreeGStopSend();
    CMarvolt a, b;
    a = b;
}
