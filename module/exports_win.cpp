// The module's exported class. It has no data and nothing in the module uses it; hosts built
// against the module's header link its copy assignment.
#include "module/marvolt.h"

CMarvolt& CMarvolt::operator=(const CMarvolt&) { return *this; }
