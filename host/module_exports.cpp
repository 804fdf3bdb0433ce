#include "host/module_exports.h"
#include "module/export_names.h"

namespace {

enum Form {
    kNoArguments,    // void()
    kWindow,         // void(void*)
    kWindowResult,   // bool(void*)
};

struct Export {
    const char* name;
    const char* decorated;
    Form form;
};

const Export kExports[] = {
    {"cdpdIni", kExportCdpdIni, kWindow},
    {"cdpdStartTrack", kExportCdpdStartTrack, kWindow},
    {"cdpdStopTrack", kExportCdpdStopTrack, kNoArguments},
    {"ThreeGIni", kExportThreeGIni, kWindow},
    {"ThreeGServerSetup", kExportThreeGServerSetup, kWindow},
    {"ThreeGStartTrack", kExportThreeGStartTrack, kWindowResult},
    {"ThreeGStopTrack", kExportThreeGStopTrack, kNoArguments},
    {"ThreeGStartSend", kExportThreeGStartSend, kWindowResult},
    {"ThreeGStopSend", kExportThreeGStopSend, kNoArguments},
};

const char kMissing[] = "missing ";
const char kUnknown[] = "unknown command ";

}  // namespace

std::string callModuleExport(HMODULE module, const std::string& name, HWND window) {
    for (const Export& e : kExports) {
        if (name != e.name)
            continue;
        void* f = reinterpret_cast<void*>(GetProcAddress(module, e.decorated));
        if (f == nullptr)
            return kMissing + std::string(e.decorated);
        if (e.form == kNoArguments)
            reinterpret_cast<void (*)()>(f)();
        else if (e.form == kWindow)
            reinterpret_cast<void (*)(void*)>(f)(window);
        else
            return name + (reinterpret_cast<bool (*)(void*)>(f)(window) ? " true" : " false");
        return name;
    }
    return kUnknown + name;
}

bool exportRan(const std::string& result) {
    return result.rfind(kMissing, 0) != 0 && result.rfind(kUnknown, 0) != 0;
}
