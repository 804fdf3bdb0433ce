// File helpers over the platform's file functions, shared by the list files and the track log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "module/platform.h"

// Up to `limit` bytes from the start of the file at `path` (opened for reading, not shared);
// false when it cannot be opened or a read fails.
bool readFileStart(const char16_t* path, size_t limit, std::vector<uint8_t>& bytes);

// Puts `bytes` in the place of the file at `path` by way of "<path>.new": written whole, flushed,
// then moved over the old file in one step. On any failure the .new is deleted and the old file
// stays as it was, so a save cut off by a full disk or a power loss never loses the old file.
bool replaceFileWith(const char16_t* path, const std::vector<uint8_t>& bytes);
