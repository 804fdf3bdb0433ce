#include "module/file_io.h"

#include <string>

namespace {

// From the file position on until `limit` bytes or the end of the file; *ok false when a read
// failed (the bytes read before it are still returned).
std::vector<uint8_t> readUpTo(FileHandle file, size_t limit, bool* ok) {
    std::vector<uint8_t> bytes(limit);
    size_t got = 0;
    int32_t n = 1;
    while (got < limit && n > 0) {
        n = platformReadFile(file, bytes.data() + got, static_cast<uint32_t>(limit - got));
        if (n > 0)
            got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    *ok = n >= 0;
    return bytes;
}

} // namespace

bool readFileStart(const char16_t* path, size_t limit, std::vector<uint8_t>& bytes) {
    FileHandle file = platformOpenFile(path, FileAccess::Read, FileDisposition::OpenExisting);
    if (file == kNoFile)
        return false;
    bool ok;
    bytes = readUpTo(file, limit, &ok);
    platformCloseFile(file);
    return ok;
}

bool replaceFileWith(const char16_t* path, const std::vector<uint8_t>& bytes) {
    std::u16string newPath = std::u16string(path) + u".new";
    FileHandle file =
        platformOpenFile(newPath.c_str(), FileAccess::Write, FileDisposition::CreateAlways);
    if (file == kNoFile)
        return false;
    bool ok = platformWriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size())) ==
                  static_cast<int32_t>(bytes.size()) &&
              platformFlushFile(file);
    platformCloseFile(file);
    ok = ok && platformReplaceFile(newPath.c_str(), path);
    if (!ok)
        platformDeleteFile(newPath.c_str());
    return ok;
}
