// The 3G setup dialogs (107 to 109): being written.
#include "module/exports.h"

void ThreeGIni(void*) {}
