// The track file's format without I/O: names, the record encoder, the walk and the plan of an
// append (see track_format.h for the layout).
#include "tracklog/track_format.h"

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "lorvane.h"
#include "module/module_state.h"
#include "module/text.h"

// ---- Names ----

// Appends the decimal digits of `value` to a narrow or a wide text.
template <typename Text> static void appendNumber(Text& text, unsigned value) {
    char digits[kDecimalTextSize];
    char* end = formatDecimal(value, digits);
    text.append(digits, end);
}

std::u16string trackFilePath(const char16_t* documentsFolder, const char* name,
                             const LocalTime& day) {
    std::u16string path(documentsFolder);
    path += u'\\';
    // As copyToWide widens: each byte taken as signed, so 0x80 to 0xFF become U+FF80 to U+FFFF.
    for (const char* byte = name; byte != nullptr && *byte != 0; ++byte)
        path += static_cast<char16_t>(static_cast<int16_t>(static_cast<signed char>(*byte)));
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
static bool leavesTheFolder(std::string_view name) {
    for (size_t start = 0, end; (end = name.find('\\', start)) != std::string_view::npos;
         start = end + 1) {
        std::string_view folder = name.substr(start, end - start);
        if (!folder.empty() && folder.find_first_not_of(". ") == std::string_view::npos)
            return true;
    }
    return false;
}

bool isWritableTrackPath(const std::u16string& path, const char* name) {
    if (path.size() >= static_cast<size_t>(kPathChars))
        return false;
    for (const char* byte = name; byte != nullptr && *byte != 0; ++byte) {
        if (static_cast<unsigned char>(*byte) < 0x20 ||
            std::string_view("<>:\"/|?*").find(*byte) != std::string_view::npos)
            return false;
    }
    return name == nullptr || !leavesTheFolder(name);
}

const char* trackBaseName(const char* name) {
    if (name == nullptr)
        return "";
    const char* slash = std::strrchr(name, '\\');
    return slash == nullptr ? name : slash + 1;
}

// Writes into the caller's buffer and allocates nothing, so an append that has come this far
// cannot fail for want of memory here. Cut, if it ever had to be, to the buffer's room.
void trackFileName(const char* name, const LocalTime& day, char* fileName) {
    char date[3 * kDecimalTextSize + sizeof ")" LORVANE_TRACK_EXTENSION];
    char* end = date;
    *end++ = '(';
    end = formatDecimal(day.month, end);
    *end++ = '.';
    end = formatDecimal(day.day, end);
    *end++ = '.';
    end = formatDecimal(day.year, end);
    std::memcpy(end, ")" LORVANE_TRACK_EXTENSION, sizeof ")" LORVANE_TRACK_EXTENSION);
    size_t length = 0;
    for (const char* part : {trackBaseName(name), static_cast<const char*>(date)}) {
        for (; *part != 0 && length < kTrackFileNameBytes - 1; ++part)
            fileName[length++] = *part;
    }
    fileName[length] = 0;
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

void encodeTrackRecord(std::vector<uint8_t>& out, std::string_view baseName, int32_t number,
                       const LocalTime& receivedAt, int32_t longitude, int32_t latitude,
                       uint32_t symbol) {
    char digits[1 + kDecimalTextSize] = {'.'};
    char* end = formatDecimal(number, digits + 1);
    out.insert(out.end(), baseName.begin(), baseName.end());
    appendText(out, digits, static_cast<size_t>(end - digits));

    static const char kCommentStart[] = "Address: Unknown  Time: ";
    char comment[sizeof kCommentStart + 3 * kDecimalTextSize];
    std::memcpy(comment, kCommentStart, sizeof kCommentStart);
    end = formatDecimal(receivedAt.hour, comment + sizeof kCommentStart - 1, 2);
    *end++ = ':';
    end = formatDecimal(receivedAt.minute, end, 2);
    *end++ = ':';
    end = formatDecimal(receivedAt.second, end, 2);
    appendText(out, comment, static_cast<size_t>(end - comment));

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

// ---- The plan of an append ----

bool planTrackAppend(const TrackWalk& walk, bool newFile, const char* baseName,
                     const LocalTime& receivedAt, int32_t longitude, int32_t latitude,
                     uint32_t symbol, TrackAppend* append) {
    if (walk.wholeRecords == INT32_MAX)
        return false;
    append->newCount = walk.wholeRecords + 1;
    append->bytes.clear();
    if (newFile || walk.head.presentBytes < kTrackRecordsOffset) {
        // No whole head on disk yet: the header as found (or a new file's) and a count of 0,
        // which promises nothing until the record is there.
        append->writeAt = 0;
        append->bytes.assign(walk.head.header, walk.head.header + kTrackHeaderBytes);
        if (newFile) {
            for (int i = 0; i < 3; ++i)
                putLe16(append->bytes.data() + kTrackHeaderWordOffsets[i], kNewTrackHeaderWords[i]);
        }
        append->bytes.insert(append->bytes.end(), 4, 0);
    } else {
        append->writeAt = walk.recordsEnd;
    }
    append->recordAt = append->bytes.size();
    encodeTrackRecord(append->bytes, baseName, append->newCount, receivedAt, longitude, latitude,
                      symbol);
    return true;
}

bool extendTrackAppend(TrackAppend* append, const char* baseName, const LocalTime& receivedAt,
                       int32_t longitude, int32_t latitude, uint32_t symbol) {
    if (append->newCount == INT32_MAX)
        return false;
    // The records this module writes end with their symbol number.
    uint8_t* newestSymbolAt = append->bytes.data() + append->bytes.size() - 4;
    if (getLe32(newestSymbolAt) >= kNewestSymbolBase)
        putLe32(newestSymbolAt, kTrackPointSymbol);
    append->newCount += 1;
    append->recordAt = append->bytes.size();
    encodeTrackRecord(append->bytes, baseName, append->newCount, receivedAt, longitude, latitude,
                      symbol);
    return true;
}
