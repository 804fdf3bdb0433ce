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

// Whether `a` is given up before `b` when a new file needs an entry: a free entry before a known
// one, and of two alike the one used less recently.
bool makesRoomSooner(const RememberedTrackFile& a, const RememberedTrackFile& b) {
    if (a.known != b.known)
        return !a.known;
    return a.lastUse < b.lastUse;
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
    // The path's own entry, known or not (an append forgets its file while it runs); else a
    // free one; else the one used least recently. A known file is never evicted while an entry
    // is free, or targets logged in turn would evict each other and walk at every append.
    RememberedTrackFile* entry = &remembered[0];
    for (RememberedTrackFile& file : remembered) {
        if (samePath(file.path, path)) {
            entry = &file;
            break;
        }
        if (makesRoomSooner(file, *entry))
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
