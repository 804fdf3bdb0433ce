// See literal_track_append.h: the reference append, step by step.
#include "tests/core/literal_track_append.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "module/module_state.h"
#include "module/text.h"

namespace {

void writeU32(FileHandle file, uint32_t value) {
    uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                        uint8_t(value >> 24)};
    platformWriteFile(file, bytes, 4);
}

// Reads one byte at a time up to and including the zero (or the end of the file).
void skipText(FileHandle file) {
    char c = 1;
    while (c != 0 && platformReadFile(file, &c, 1) == 1) {
    }
}

}  // namespace

void literalAppendTrackPoint(const char* name, const LocalTime& t, int32_t latitude,
                             int32_t longitude, int32_t iconIndex) {
    ModuleState& m = moduleState;
    char date[64];
    std::snprintf(date, sizeof date, "(%ld.%ld.%ld).way", long(t.month), long(t.day), long(t.year));
    char16_t wideName[600];
    copyToWide(name, wideName);
    std::u16string path = std::u16string(m.documentsFolder) + u"\\" + wideName;
    for (const char* d = date; *d; ++d)
        path += char16_t(*d);

    size_t slash = path.rfind(u'\\');
    std::u16string fileName = path.substr(slash + 1);
    copyToNarrow(fileName.c_str(), m.lastTrackFileName);

    int32_t count = 0;
    FileHandle file =
        platformOpenFile(path.c_str(), FileAccess::ReadWrite, FileDisposition::OpenExisting);
    if (file != kNoFile) {
        uint8_t header[64] = {};
        uint8_t countBytes[4] = {};
        platformReadFile(file, header, 64);
        platformReadFile(file, countBytes, 4);
        std::memcpy(&count, countBytes, 4);
        for (int32_t i = 0; i < count; ++i) {
            skipText(file);
            skipText(file);
            uint8_t skipped[20];
            platformReadFile(file, skipped, 20);
            uint8_t flag = 0;
            platformReadFile(file, &flag, 1);
            if (flag != 0) {
                uint32_t symbol = 0;
                platformReadFile(file, &symbol, 4);
                if (symbol > 23)
                    symbol = 17;
                platformSeekFile(file, -4, FileOrigin::Current);
                writeU32(file, symbol);
            }
        }
        ++count;
        platformSeekFile(file, 0, FileOrigin::Begin);
        platformWriteFile(file, header, 64);
        writeU32(file, uint32_t(count));
        platformSeekFile(file, 0, FileOrigin::End);
    } else {
        file = platformOpenFile(path.c_str(), FileAccess::ReadWrite, FileDisposition::CreateAlways);
        if (file != kNoFile) {
            uint8_t header[64] = {};
            header[18] = 0x02;
            header[19] = 0x10;
            header[20] = 1;
            platformWriteFile(file, header, 64);
            count = 1;
            writeU32(file, 1);
        }
    }

    if (file != kNoFile) {
        size_t paren = path.rfind(u'(');
        std::u16string base = path.substr(slash + 1, paren - slash - 1);
        char narrowBase[600];
        copyToNarrow(base.c_str(), narrowBase);
        char text[700];
        int n = std::snprintf(text, sizeof text, "%s.%d", narrowBase, count);
        platformWriteFile(file, text, uint32_t(n + 1));
        n = std::snprintf(text, sizeof text, "Address: Unknown  Time: %02d:%02d:%02d", t.hour,
                          t.minute, t.second);
        platformWriteFile(file, text, uint32_t(n + 1));
        writeU32(file, uint32_t(longitude) * 10u);
        writeU32(file, uint32_t(latitude) * 10u);
        writeU32(file, 0);
        writeU32(file, 0);
        writeU32(file, 1);
        uint8_t flag = 1;
        platformWriteFile(file, &flag, 1);
        writeU32(file, uint32_t(24 + iconIndex));
        platformCloseFile(file);
    }
    platformNotifyHost(m.hostWindow, m.lastTrackFileName);
}
