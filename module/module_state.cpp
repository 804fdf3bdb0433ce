#include "module/module_state.h"

ModuleState moduleState;

const char16_t kSettingsKey[] = u"Software\\Orlisk Inc.\\Orlisk GPS\\3.0";

uint64_t moduleMonotonicMs() { return extendTick(&moduleState.tickClock, platformTickMs()); }
