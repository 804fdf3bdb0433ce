// The day file a benchmark starts from, put on disk as a file that grew by appends would be.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "tests/core/fake_files.h"

// Writes the bytes at `path`, flushes them, so that an append's flush has only the append's own
// pages to write, as it would in the field, and drops the file from the page cache: written in
// one go it would sit there in large folios, into each of which every small write costs the
// kernel time in proportion to the folio (ext4), which a file that grew by appends does not.
inline void writeDayFile(const char16_t* path, const std::vector<uint8_t>& bytes) {
    writeRealFile(path, bytes);
    int fd = ::open(realPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}
