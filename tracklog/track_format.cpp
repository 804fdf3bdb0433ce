// The track file's format without I/O: names, the record encoder, the walk and the plan of an
// append (see track_format.h for the layout).
#include "tracklog/track_format.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "module/module_state.h"

// ---- Names ----

static void appendNumber(std::u16string& text, unsigned value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%u", value);
    for (const char* d = digits; *d; ++d)
        text.push_back(static_cast<char16_t>(*d));
}

std::u16string trackFilePath(const char16_t* documentsFolder, const char16_t* name,
                             const LocalTime& day) {
    std::u16string path(documentsFolder);
    path += u'\\';
    if (name != nullptr)
        path += name;
    path += u'(';
    appendNumber(path, day.month);
    path += u'.';
    appendNumber(path, day.day);
    path += u'.';
    appendNumber(path, day.year);
    path += u").way";
    return path;
}

// A folder named only by dots and blanks ("..", ". .") would lead out of the documents folder
// (or nowhere); only the name's folders can be such, as the last part gets the date appended.
static bool leavesTheFolder(std::u16string_view name) {
    for (size_t start = 0, end; (end = name.find(u'\\', start)) != std::u16string_view::npos;
         start = end + 1) {
        std::u16string_view folder = name.substr(start, end - start);
        if (!folder.empty() && folder.find_first_not_of(u". ") == std::u16string_view::npos)
            return true;
    }
    return false;
}

bool isWritableTrackPath(const std::u16string& path, const char16_t* name) {
    if (path.size() >= static_cast<size_t>(kPathChars))
        return false;
    for (const char16_t* unit = name; unit != nullptr && *unit != 0; ++unit) {
        if (*unit < 0x20 || std::u16string_view(u"<>:\"/|?*").find(*unit) != std::u16string::npos)
            return false;
    }
    return name == nullptr || !leavesTheFolder(name);
}

static size_t fileNameStart(const std::u16string& path) {
    size_t slash = path.rfind(u'\\');
    return slash == std::u16string::npos ? 0 : slash + 1;
}

// The 8-bit copy of path[start, end): stops, as every narrowing does, at a unit whose low byte is
// zero.
static std::string narrowPart(const std::u16string& path, size_t start, size_t end) {
    std::string text;
    for (size_t i = start; i < end; ++i) {
        char byte = static_cast<char>(path[i] & 0xFF);
        if (byte == 0)
            break;
        text.push_back(byte);
    }
    return text;
}

void trackFileName(const std::u16string& path, char* fileName) {
    std::string name = narrowPart(path, fileNameStart(path), path.size());
    size_t length = name.size() < kTrackFileNameBytes - 1 ? name.size() : kTrackFileNameBytes - 1;
    std::memcpy(fileName, name.data(), length);
    fileName[length] = 0;
}

std::string trackBaseName(const std::u16string& path) {
    size_t start = fileNameStart(path);
    size_t paren = path.rfind(u'(');
    if (paren == std::u16string::npos || paren < start)
        paren = path.size();
    return narrowPart(path, start, paren);
}

uint32_t newestSymbol(int32_t iconIndex) {
    bool known = iconIndex >= 0 && iconIndex <= 5;
    return kNewestSymbolBase + static_cast<uint32_t>(known ? iconIndex : 0);
}

bool tenfoldCoordinate(int32_t value, int32_t* tenfold) {
    int64_t wide = int64_t(value) * 10;
    if (wide < INT32_MIN || wide > INT32_MAX)
        return false;
    *tenfold = static_cast<int32_t>(wide);
    return true;
}

// ---- Records ----

static void appendText(std::vector<uint8_t>& out, const char* text, size_t length) {
    out.insert(out.end(), text, text + length);
    out.push_back(0);
}

static void appendLe32(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[4];
    putLe32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

void encodeTrackRecord(std::vector<uint8_t>& out, const std::string& baseName, int32_t number,
                       const LocalTime& receivedAt, int32_t longitude, int32_t latitude,
                       uint32_t symbol) {
    std::string name = baseName + "." + std::to_string(number);
    appendText(out, name.data(), name.size());

    char comment[64];
    int length = std::snprintf(comment, sizeof comment, "Address: Unknown  Time: %02d:%02d:%02d",
                               receivedAt.hour, receivedAt.minute, receivedAt.second);
    appendText(out, comment, static_cast<size_t>(length));

    appendLe32(out, static_cast<uint32_t>(longitude));
    appendLe32(out, static_cast<uint32_t>(latitude));
    out.insert(out.end(), 8, 0);  // the two short texts
    appendLe32(out, 1);
    out.push_back(1);  // symbol flag
    appendLe32(out, symbol);
}

TrackFileHead readTrackHead(const uint8_t* bytes, size_t size) {
    TrackFileHead head{};
    uint8_t raw[kTrackRecordsOffset] = {};
    head.presentBytes = size < kTrackRecordsOffset ? size : kTrackRecordsOffset;
    if (head.presentBytes > 0)
        std::memcpy(raw, bytes, head.presentBytes);
    std::memcpy(head.header, raw, kTrackHeaderBytes);
    head.count = static_cast<int32_t>(getLe32(raw + kTrackCountOffset));
    for (int i = 0; i < 3; ++i) {
        size_t at = kTrackHeaderWordOffsets[i];
        head.words[i] = getLe16(raw + at);
    }
    return head;
}

bool readTrackRecord(ByteReader& in, TrackRecord* record) {
    *record = TrackRecord{};
    record->offset = in.position;
    record->name = readText(in, &record->nameLength);
    record->comment = readText(in, &record->commentLength);
    record->longitude = static_cast<int32_t>(readU32(in));
    record->latitude = static_cast<int32_t>(readU32(in));
    uint8_t shortTexts[8];
    readBytes(in, shortTexts, sizeof shortTexts);
    std::memcpy(record->shortText1, shortTexts, 4);
    std::memcpy(record->shortText2, shortTexts + 4, 4);
    record->word = readU32(in);
    record->symbolFlag = readU8(in);
    if (record->symbolFlag != 0 && !in.failed) {
        record->symbolOffset = in.position;
        record->symbol = readU32(in);
        if (in.failed)
            record->symbolOffset = 0;
    }
    return !in.failed;
}

// ---- The walk ----

// The walk's step: readTrackRecord without keeping what the walk does not need, since every
// append steps over every record of the file. Gives the symbol's offset, or 0 when there is none.
static bool skipTrackRecord(ByteReader& in, size_t* symbolOffset, uint32_t* symbol) {
    size_t length;
    readText(in, &length);
    readText(in, &length);
    skipBytes(in, 20);  // the coordinates, the two short texts and the word
    uint8_t flag = readU8(in);
    *symbolOffset = 0;
    if (flag != 0 && !in.failed) {
        *symbolOffset = in.position;
        *symbol = readU32(in);
    }
    return !in.failed;
}

TrackWalk walkTrackFile(const uint8_t* bytes, size_t size, std::vector<uint64_t>* demotions) {
    TrackWalk walk{};
    walk.head = readTrackHead(bytes, size);
    walk.recordsEnd = kTrackRecordsOffset;
    ByteReader in = byteReader(bytes, size, kTrackRecordsOffset);
    size_t symbolOffset;
    uint32_t symbol;
    while (walk.wholeRecords < walk.head.count) {
        if (!skipTrackRecord(in, &symbolOffset, &symbol)) {
            walk.truncated = true;
            walk.stoppedAt = in.position;
            break;
        }
        if (symbolOffset != 0 && symbol >= kNewestSymbolBase && demotions != nullptr)
            demotions->push_back(symbolOffset);
        ++walk.wholeRecords;
        walk.recordsEnd = in.position;
    }
    return walk;
}

TrackAppend planTrackAppend(const uint8_t* file, size_t size, bool newFile,
                            const std::string& baseName, const LocalTime& receivedAt,
                            int32_t longitude, int32_t latitude, uint32_t symbol) {
    TrackAppend append{};
    TrackWalk walk = walkTrackFile(file, size, &append.demotions);
    append.newCount = walk.wholeRecords + 1;

    if (newFile || size < kTrackRecordsOffset) {
        // No whole head on disk yet: the header as found (or a new file's) and a count of 0,
        // which promises nothing until the record is there.
        append.writeAt = 0;
        append.bytes.assign(walk.head.header, walk.head.header + kTrackHeaderBytes);
        if (newFile) {
            for (int i = 0; i < 3; ++i) {
                append.bytes[kTrackHeaderWordOffsets[i]] =
                    static_cast<uint8_t>(kNewTrackHeaderWords[i]);
                append.bytes[kTrackHeaderWordOffsets[i] + 1] =
                    static_cast<uint8_t>(kNewTrackHeaderWords[i] >> 8);
            }
        }
        append.bytes.insert(append.bytes.end(), 4, 0);
    } else {
        append.writeAt = walk.recordsEnd;
    }
    encodeTrackRecord(append.bytes, baseName, append.newCount, receivedAt, longitude, latitude,
                      symbol);
    return append;
}
