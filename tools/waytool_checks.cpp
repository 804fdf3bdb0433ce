// Where a file stops making sense, said with its offset: a track file's head and a record cut
// off, a point off the earth, and a list file whose size does not match its count.
#include "tools/waytool_checks.h"

#include "module/bytes.h"
#include "tools/waytool_text.h"

// Re-reads a record that ran past the end field by field, to say which field did and where.
const char* brokenField(const NamedBytes& file, size_t recordStart, size_t* fieldStart) {
    struct Field {
        const char* name;
        size_t width;  // 0: a zero-terminated text
    };
    static const Field kFields[] = {
        {"name", 0},        {"comment", 0},     {"longitude", 4},   {"latitude", 4},
        {"short texts", 8}, {"32-bit word", 4}, {"symbol flag", 1}, {"symbol number", 4},
    };
    ByteReader in = byteReader(file.bytes.data(), file.bytes.size(), recordStart);
    uint8_t flag = 1;
    size_t length;
    for (const Field& field : kFields) {
        if (flag == 0)
            break;  // the symbol number is there only when the flag is set
        *fieldStart = in.position;
        if (field.width == 0)
            readText(in, &length);
        else if (field.width == 1)
            flag = readU8(in);
        else
            skipBytes(in, field.width);
        if (in.failed)
            return field.name;
    }
    return "record";
}

std::string truncationError(const NamedBytes& file, int32_t index, int32_t count,
                            size_t recordStart) {
    size_t fieldStart = recordStart;
    const char* field = brokenField(file, recordStart, &fieldStart);
    return atOffset(file.path, fieldStart,
                    "record " + number(index + 1) + " of " + number(count) + " (from offset " +
                        number(static_cast<int64_t>(recordStart)) + ") runs past the end of the " +
                        "file in its " + field + "; the file ends at offset " +
                        number(static_cast<int64_t>(file.bytes.size())));
}

// What is wrong with the file's size or head, or empty.
std::string headError(const NamedBytes& file, const TrackFileHead& head) {
    if (file.bytes.size() > kMaxToolFileBytes)
        return file.path + ": " + number(static_cast<int64_t>(file.bytes.size())) +
               " bytes, more than a track file can hold (" + number(kMaxToolFileBytes) + ")";
    if (head.presentBytes < kTrackRecordsOffset)
        return atOffset(file.path, head.presentBytes,
                        "the file ends inside its 68-byte head (64-byte header and count)");
    if (head.count < 0)
        return atOffset(file.path, kTrackCountOffset,
                        "negative record count " + number(head.count));
    return "";
}
bool onTheEarth(int32_t longitude, int32_t latitude) {
    return longitude >= -kMaxTrackLongitude && longitude <= kMaxTrackLongitude &&
           latitude >= -kMaxTrackLatitude && latitude <= kMaxTrackLatitude;
}

// Which coordinate of a point lies outside the earth's range, with its offset; empty if none.
std::string rangeError(const std::string& path, const std::string& name, int32_t longitude,
                       int32_t latitude, size_t coordinatesAt) {
    auto outside = [&](const char* what, int32_t value, size_t at, int32_t limit) {
        return atOffset(path, at,
                        "record \"" + name + "\" has " + what + " " +
                            fixedDegrees(value, kTrackDigits) + ", outside -" +
                            number(limit / 10000000) + " to " + number(limit / 10000000));
    };
    if (longitude < -kMaxTrackLongitude || longitude > kMaxTrackLongitude)
        return outside("longitude", longitude, coordinatesAt, kMaxTrackLongitude);
    if (latitude < -kMaxTrackLatitude || latitude > kMaxTrackLatitude)
        return outside("latitude", latitude, coordinatesAt + 4, kMaxTrackLatitude);
    return "";
}

// Reads a whole track for the exports. False, with the reason, for a damaged file or a point off
// The count and size of a list file against each other: errors for what the module's load would
// cut or leave out. `whole` is the count it loads.
void checkListFile(const std::string& path, size_t size, size_t headBytes, size_t countAt,
                   size_t recordBytes, int32_t capacity, const uint8_t* bytes,
                   std::vector<std::string>& errors) {
    if (size < headBytes) {
        errors.push_back(atOffset(path, size, "the file ends inside its " + number(headBytes) +
                                                  "-byte head"));
        return;
    }
    int32_t count = static_cast<int32_t>(getLe32(bytes + countAt));
    if (count < 0) {
        errors.push_back(atOffset(path, countAt, "negative count " + number(count)));
        return;
    }
    if (count > capacity)
        errors.push_back(atOffset(path, countAt,
                                  "count " + number(count) + " is more than the list's room of " +
                                      number(capacity) + "; the module loads at most " +
                                      number(capacity)));
    uint64_t expected = headBytes + recordBytes * static_cast<uint64_t>(count);
    size_t whole = (size - headBytes) / recordBytes;
    if (size < expected)
        errors.push_back(atOffset(path, headBytes + whole * recordBytes,
                                  "record " + number(static_cast<int64_t>(whole) + 1) + " of " +
                                      number(count) + " runs past the end of the file (" +
                                      number(static_cast<int64_t>(size)) + " bytes)"));
    else if (size > expected)
        errors.push_back(atOffset(path, expected,
                                  number(static_cast<int64_t>(size - expected)) +
                                      " bytes after the last record"));
}
