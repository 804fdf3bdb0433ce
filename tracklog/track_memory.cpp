// The table of remembered track files (see track_memory.h).
#include "tracklog/track_memory.h"

#include <string>

namespace {

// Module state of the track log. Only the receiver thread appends, so only it reads or writes
// the table, and it needs no lock.
RememberedTrackFile remembered[kRememberedTrackFiles];
uint64_t uses = 0;

bool samePath(const char16_t* a, const char16_t* b) {
    return std::char_traits<char16_t>::compare(a, b, std::char_traits<char16_t>::length(b) + 1) ==
           0;
}

}  // namespace

RememberedTrackFile* findRememberedTrackFile(const char16_t* path) {
    size_t length = std::char_traits<char16_t>::length(path);
    if (length >= static_cast<size_t>(kPathChars))
        return nullptr;
    for (RememberedTrackFile& file : remembered) {
        if (file.known && samePath(file.path, path)) {
            file.lastUse = ++uses;
            return &file;
        }
    }
    return nullptr;
}

RememberedTrackFile* rememberTrackFile(const char16_t* path) {
    size_t length = std::char_traits<char16_t>::length(path);
    if (length >= static_cast<size_t>(kPathChars))
        return nullptr;
    RememberedTrackFile* entry = &remembered[0];
    for (RememberedTrackFile& file : remembered) {
        if (file.known && samePath(file.path, path)) {
            entry = &file;
            break;
        }
        if (!file.known || file.lastUse < entry->lastUse)
            entry = &file;
    }
    entry->known = false;
    std::char_traits<char16_t>::copy(entry->path, path, length + 1);
    entry->lastUse = ++uses;
    return entry;
}

void forgetTrackFiles() {
    for (RememberedTrackFile& file : remembered)
        file.known = false;
}
