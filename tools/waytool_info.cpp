// `waytool info`: a track file's head, every record as it lies, and where the records end.
#include "tools/waytool_core.h"

#include <cstdio>
#include <cstring>

#include "module/bytes.h"
#include "tools/waytool_checks.h"
#include "tools/waytool_names.h"
#include "tools/waytool_text.h"
#include "tools/waytool_track.h"

namespace {

std::string symbolText(uint8_t flag, uint32_t symbol) {
    if (flag == 0)
        return "no symbol";
    std::string text = "symbol " + number(symbol);
    if (symbol == kTrackPointSymbol)
        return text + " (track point)";
    if (symbol >= kNewestSymbolBase && symbol < kNewestSymbolBase + 6)
        return text + " (newest point, icon " + number(symbol - kNewestSymbolBase) + " " +
               kIconColours[symbol - kNewestSymbolBase] + ")";
    if (symbol >= kNewestSymbolBase)
        return text + " (newest point, no such icon)";
    return text;
}

std::string hexBytes(const uint8_t* bytes, size_t count) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

std::string recordLine(int32_t index, const TrackRecord& record) {
    Point point = pointFrom(record);
    std::string line = "record " + number(index + 1) + " at offset " +
                       number(static_cast<int64_t>(record.offset)) + ": \"" + point.name +
                       "\"  \"" + point.comment + "\"  latitude " +
                       fixedDegrees(record.latitude, kTrackDigits) + " longitude " +
                       fixedDegrees(record.longitude, kTrackDigits);
    if (!onTheEarth(record.longitude, record.latitude))
        line += " (off the earth)";
    line += "  " + symbolText(record.symbolFlag, record.symbol);
    // The module writes zeros and 1 here; anything else came from another writer.
    static const uint8_t kZeros[4] = {};
    if (std::memcmp(record.shortText1, kZeros, 4) != 0 ||
        std::memcmp(record.shortText2, kZeros, 4) != 0)
        line += "  short texts " + hexBytes(record.shortText1, 4) + " " +
                hexBytes(record.shortText2, 4);
    if (record.word != 1)
        line += "  word " + number(record.word);
    return line + "\n";
}

void describeHead(const NamedBytes& file, const TrackFileHead& head, std::string& out) {
    out += "file: " + fileNameText(file.path) + " (" +
           number(static_cast<int64_t>(file.bytes.size())) + " bytes)\n";
    int year, month, day;
    if (trackFileDay(file.path, &year, &month, &day))
        out += "day: " + isoDate(year, month, day) + " (from the file name)\n";
    else
        out += "day: none in the file name\n";
    out += "header words: " + number(head.words[0]) + " " + number(head.words[1]) + " " +
           number(head.words[2]) + " (offsets 16, 18, 20)\n";
    int other = 0;
    for (size_t i = 0; i < kTrackHeaderBytes; ++i) {
        bool word = i >= kTrackHeaderWordOffsets[0] && i < kTrackHeaderWordOffsets[2] + 2;
        if (!word && head.header[i] != 0)
            ++other;
    }
    if (other > 0)
        out += "header: " + number(other) +
               (other == 1 ? " other byte is not zero\n" : " other bytes are not zero\n");
    if (head.presentBytes == kTrackRecordsOffset)
        out += "count: " + number(head.count) + "\n";
}

}  // namespace

ToolReport trackInfo(const NamedBytes& file) {
    ToolReport report;
    TrackFileHead head = readTrackHead(file.bytes.data(), file.bytes.size());
    std::string error = headError(file, head);
    if (file.bytes.size() <= kMaxToolFileBytes)
        describeHead(file, head, report.text);
    if (!error.empty()) {
        report.errors.push_back(error);
        return report;
    }

    ByteReader in = byteReader(file.bytes.data(), file.bytes.size(), kTrackRecordsOffset);
    TrackRecord record;
    for (int32_t i = 0; i < head.count; ++i) {
        if (!readTrackRecord(in, &record)) {
            report.errors.push_back(truncationError(file, i, head.count, record.offset));
            report.text += "end: truncated: " + number(i) + " of " + number(head.count) +
                           " records whole; record " + number(i + 1) + " starts at offset " +
                           number(static_cast<int64_t>(record.offset)) +
                           " and the file ends at offset " +
                           number(static_cast<int64_t>(file.bytes.size())) + "\n";
            return report;
        }
        report.text += recordLine(i, record);
    }
    std::string end = "end: the records end at offset " + number(static_cast<int64_t>(in.position));
    if (in.position == file.bytes.size())
        end += ", the end of the file";
    else
        end += "; " + number(static_cast<int64_t>(file.bytes.size() - in.position)) +
               " bytes follow (left by an append that was cut off; the next append writes over "
               "them)";
    report.text += end + "\n";
    return report;
}
