// The CDPD setup dialogs (104 to 106): being written.
#include "module/exports.h"

void cdpdIni(void*) {}
