// Loading and saving the 3G target list file. A save never rewrites the file in place: it writes
// "<path>.new" whole, flushes it and puts it in the old file's place in one step, so a save
// cut off by a full disk or a power loss leaves the list that was on disk.
#include "threeg/target_list.h"

#include "module/file_io.h"
#include "module/module_state.h"

bool loadTargetList(const char16_t* path, ThreeGTarget* list, int32_t& count) {
    std::vector<uint8_t> bytes;
    if (!readFileStart(path, kTargetListMaxBytes, bytes))
        return false;
    decodeTargetList(bytes.data(), bytes.size(), list, count);
    return true;
}

bool saveTargetList(const char16_t* path, const ThreeGTarget* list, int32_t count) {
    return replaceFileWith(path, encodeTargetList(list, count));
}
