// Prints the names module/export_names.h gives programs that look the exports up at run time, one
// a line, as this build's architecture spells them; header_names.sh compares them with the .def
// and with the names the header's declarations get.
#include <cstdio>

#include "module/export_names.h"

int main() {
    const char* const names[] = {
        kExportCdpdIni,       kExportCdpdStartTrack,    kExportCdpdStopTrack,
        kExportThreeGIni,     kExportThreeGServerSetup, kExportThreeGStartTrack,
        kExportThreeGStopTrack, kExportThreeGStartSend, kExportThreeGStopSend,
        kExportMarvoltAssign,
    };
    for (const char* name : names)
        std::printf("%s\n", name);
    return 0;
}
