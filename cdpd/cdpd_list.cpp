// Loading and saving the CDPD list file. A save never rewrites the file in place: it writes
// "<path>.new" whole, flushes it and puts it in the old file's place in one step, so a save
// cut off by a full disk or a power loss leaves the list that was on disk.
#include "cdpd/cdpd_list.h"

#include "module/file_io.h"
#include "module/module_state.h"

bool loadCdpdList(const char16_t* path, CdpdAddress* list, int32_t& count) {
    std::vector<uint8_t> bytes;
    if (!readFileStart(path, kCdpdListMaxBytes, bytes))
        return false;
    decodeCdpdList(bytes.data(), bytes.size(), moduleState.serialPortIndex,
                   moduleState.modemModelIndex, list, count);
    return true;
}

bool saveCdpdList(const char16_t* path, const CdpdAddress* list, int32_t count) {
    return replaceFileWith(path, encodeCdpdList(moduleState.serialPortIndex,
                                                moduleState.modemModelIndex, list, count));
}
