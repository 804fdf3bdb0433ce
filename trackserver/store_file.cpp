// Loading and saving the tracking server's store with POSIX calls. The bytes are those of
// encodeStoreFile/decodeStoreFile; this part only moves them, and reads at most one byte more
// than the largest valid file so a huge foreign file cannot exhaust memory.
#include "trackserver/store_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::string osError(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " + std::strerror(error);
}

// Reads up to `limit` bytes of an open file into *bytes. False with errno set on a read error.
bool readUpTo(int fd, size_t limit, std::vector<uint8_t>* bytes) {
    bytes->resize(limit);
    size_t have = 0;
    while (have < limit) {
        ssize_t n = read(fd, bytes->data() + have, limit - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        have += static_cast<size_t>(n);
    }
    bytes->resize(have);
    return true;
}

bool writeAll(int fd, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

StoreLoad loadStoreFile(const std::string& path, ServerStore* store, std::string* message) {
    store->accounts.clear();
    message->clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return StoreLoad::Missing;
    if (fd < 0) {
        *message = osError("cannot open store", path, errno);
        return StoreLoad::Unreadable;
    }
    std::vector<uint8_t> bytes;
    bool read = readUpTo(fd, kStoreMaxFileSize + 1, &bytes);
    int readError = errno;
    close(fd);
    if (!read) {
        *message = osError("cannot read store", path, readError);
        return StoreLoad::Unreadable;
    }

    StoreFileError error;
    if (decodeStoreFile(bytes.data(), bytes.size(), store, &error))
        return StoreLoad::Loaded;
    char where[128];
    std::snprintf(where, sizeof where, " is damaged at offset %zu (%s); starting empty",
                  error.offset, error.reason);
    *message = "store " + path + where;
    std::string aside = path + ".damaged";
    if (std::rename(path.c_str(), aside.c_str()) == 0)
        *message += ", the file kept as " + aside;
    else
        *message += "; " + osError("cannot keep it as", aside, errno);
    return StoreLoad::Damaged;
}

bool saveStoreFile(const std::string& path, const ServerStore& store, std::string* message) {
    std::vector<uint8_t> bytes = encodeStoreFile(store);
    std::string fresh = path + ".new";
    int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *message = osError("cannot create", fresh, errno);
        return false;
    }
    bool ok = writeAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
    int writeError = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        writeError = errno;
    }
    if (!ok) {
        *message = osError("cannot write", fresh, writeError);
        unlink(fresh.c_str());
        return false;
    }
    if (std::rename(fresh.c_str(), path.c_str()) != 0) {
        *message = osError("cannot replace", path, errno);
        unlink(fresh.c_str());
        return false;
    }
    message->clear();
    return true;
}
