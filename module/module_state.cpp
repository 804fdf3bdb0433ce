#include "module/module_state.h"

#include "lorvane.h"

ModuleState moduleState;

const char16_t kSettingsKey[] = u"" LORVANE_SETTINGS_KEY;

uint64_t moduleMonotonicMs() { return extendTick(&moduleState.tickClock, platformTickMs()); }
