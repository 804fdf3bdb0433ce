// The tracking server's store on disk (POSIX): loading at start, saving whole after changes.
// A save writes PATH.new, flushes it to the disk and renames it over PATH, so a crash at any
// moment leaves either the old store or the new one, never half of one.
#pragma once

#include <string>

#include "trackserver/server_store.h"

enum class StoreLoad {
    Loaded,      // *store holds the file's accounts
    Missing,     // no file yet: *store is empty
    Damaged,     // the file makes no sense: *store is empty, and the file was renamed to
                 // PATH.damaged (when that works) so that the first save does not destroy it
    Unreadable,  // the file is there but cannot be read (permissions, a folder ...): *store is
                 // empty; the caller should not go on and overwrite it
};

// *message says what happened in a line fit for the operator (empty for Loaded and Missing).
StoreLoad loadStoreFile(const std::string& path, ServerStore* store, std::string* message);

// False, with *message saying why, when the store could not be written; PATH is then as it was.
bool saveStoreFile(const std::string& path, const ServerStore& store, std::string* message);
