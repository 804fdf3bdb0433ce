// The module's append (a remembered file checked, any other walked in chunks, only the changes
// written) against the literal append of literal_track_append.cpp (a read call per field, every
// symbol written back) on generated files: both must leave the same bytes, append after append,
// also when other programs change the file between two appends. And points written together
// against the same points appended one by one.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "tests/core/literal_track_append.h"
#include "tests/core/track_bytes.h"
#include "tracklog/track_file.h"
#include "tracklog/track_format.h"

namespace {

using Bytes = TrackBytes;

const char16_t kPath[] = u"\\My Documents\\Truck 7(12.8.2002).way";

// A sound track file as another program might have written it: any header, names from empty to
// a few thousand bytes, records with and without symbols, symbols of every kind.
// Text of `length` non-zero bytes.
std::string randomText(std::mt19937& random, size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text.push_back(char(1 + random() % 255));
    return text;
}

TrackRecordFields randomRecord(std::mt19937& random) {
    const uint32_t symbols[] = {0,  1,  17,   23,         24,         25,
                                29, 30, 1000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    const size_t nameLengths[] = {0, 1, 9, 40, 255, 256, 3000};
    TrackRecordFields r;
    r.name = randomText(random, nameLengths[random() % 7]);
    r.comment = randomText(random, random() % 3 == 0 ? 0 : 32);
    r.longitude = int32_t(random());
    r.latitude = int32_t(random());
    for (uint8_t& byte : r.shortTexts)
        byte = uint8_t(random());
    r.word = uint32_t(random());
    r.symbolFlag = random() % 4 == 0 ? 0 : uint8_t(1 + random() % 255);
    r.symbol = symbols[random() % 12];
    return r;
}

Bytes generatedFile(std::mt19937& random, int records) {
    Bytes head;
    for (int i = 0; i < 64; ++i)
        head.push_back(uint8_t(random()));
    appendLe32(head, uint32_t(records));
    std::vector<TrackRecordFields> list;
    for (int i = 0; i < records; ++i)
        list.push_back(randomRecord(random));
    return trackBytes(head, list);
}

class Differential : public testing::Test {
  protected:
    void SetUp() override {
        root = startTrackFiles();
    }
    void TearDown() override { removeTestRoot(root); }

    // Runs both appends from `start` (no file when null) for three points in a row and compares
    // the files after each.
    void expectSameAsLiteral(const Bytes* start, const std::string& what) {
        const LocalTime times[] = {{2002, 12, 0, 8, 9, 1, 2, 0},
                                   {2002, 12, 0, 8, 10, 11, 12, 0},
                                   {2002, 12, 0, 8, 23, 59, 59, 0}};
        const int32_t coordinates[][2] = {{12, -34}, {-89999999, 179999999}, {0, 5}};
        Bytes literal, module;
        bool exists = start != nullptr;
        if (exists)
            literal = module = *start;
        for (int i = 0; i < 3; ++i) {
            literal = afterAppend(exists, literal, literalAppendTrackPoint, times[i],
                                  coordinates[i], i * 2);
            module = afterAppend(exists, module, appendTrackPoint, times[i], coordinates[i], i * 2);
            exists = true;
            ASSERT_EQ(module, literal) << what << ", append " << i + 1;
        }
    }

    using Append = void (*)(const char*, const LocalTime&, int32_t, int32_t, int32_t);
    static Bytes afterAppend(bool exists, const Bytes& file, Append append, const LocalTime& at,
                             const int32_t* coordinates, int32_t icon) {
        std::filesystem::remove(realPath(kPath));
        if (exists)
            writeRealFile(kPath, file);
        append("Truck 7", at, coordinates[0], coordinates[1], icon);
        return readRealFile(kPath);
    }

    std::string root;
};

TEST_F(Differential, GeneratedFilesEndTheSame) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        Bytes start = generatedFile(random, int(random() % 60));
        expectSameAsLiteral(&start, "seed " + std::to_string(seed));
    }
}

TEST_F(Differential, NewEmptyAndShortFilesEndTheSame) {
    expectSameAsLiteral(nullptr, "no file");
    Bytes empty;
    expectSameAsLiteral(&empty, "an empty file");
    Bytes partHeader(40, 0x33);
    expectSameAsLiteral(&partHeader, "a file that ends inside its header");
    Bytes countZero(68, 0x44);
    std::fill(countZero.begin() + 64, countZero.end(), 0);
    expectSameAsLiteral(&countZero, "a header and the count 0");
}

// ---- Other programs between two appends ----

const char16_t kLiteralPath[] = u"\\Literal\\Truck 7(12.8.2002).way";

// The offsets of the symbol numbers of the whole records, oldest first.
std::vector<size_t> symbolOffsets(const Bytes& file) {
    TrackWalk walk = walkTrackFile(file.data(), file.size(), nullptr);
    ByteReader in = byteReader(file.data(), file.size(), kTrackRecordsOffset);
    std::vector<size_t> offsets;
    TrackRecord record;
    for (int32_t i = 0; i < walk.wholeRecords && readTrackRecord(in, &record); ++i) {
        if (record.symbolOffset != 0)
            offsets.push_back(record.symbolOffset);
    }
    return offsets;
}

// Where record `n` (from 0) ends, or the head's end for 0.
size_t endOfRecords(const Bytes& file, int32_t n) {
    ByteReader in = byteReader(file.data(), file.size(), kTrackRecordsOffset);
    TrackRecord record;
    for (int32_t i = 0; i < n && readTrackRecord(in, &record); ++i) {
    }
    return in.position;
}

// What another program does to a file between two of the module's appends, and whether its
// clock has moved on since the module's last write (false: within the same step of a coarse
// clock, so the file's last-write time is as the module left it).
struct OutsideChange {
    const char* what;
    bool clockMoved;
    Bytes (*change)(const Bytes& file, std::mt19937& random);
};

const OutsideChange kChanges[] = {
    {"records appended by another writer", false,
     [](const Bytes& file, std::mt19937& random) {
         Bytes b = file;
         int32_t count = int32_t(getLe32(b.data() + kTrackCountOffset));
         int32_t added = int32_t(1 + random() % 3);
         for (int32_t i = 0; i < added; ++i)
             appendTrackRecord(b, randomRecord(random));
         putLe32(b.data() + kTrackCountOffset, uint32_t(count + added));
         return b;
     }},
    {"the file cut short after one of its records", false,
     [](const Bytes& file, std::mt19937& random) {
         int32_t count = int32_t(getLe32(file.data() + kTrackCountOffset));
         int32_t keep = int32_t(random() % uint32_t(count));
         Bytes b(file.begin(), file.begin() + ptrdiff_t(endOfRecords(file, keep)));
         putLe32(b.data() + kTrackCountOffset, uint32_t(keep));
         return b;
     }},
    {"an older point's symbol rewritten", true,
     [](const Bytes& file, std::mt19937& random) {
         Bytes b = file;
         std::vector<size_t> symbols = symbolOffsets(b);
         if (symbols.size() > 1)
             putLe32(b.data() + symbols[random() % (symbols.size() - 1)], 24 + random() % 6);
         return b;
     }},
    {"the newest point demoted and an older one made the newest", false,
     [](const Bytes& file, std::mt19937& random) {
         Bytes b = file;
         std::vector<size_t> symbols = symbolOffsets(b);
         putLe32(b.data() + b.size() - 4, kTrackPointSymbol);
         if (symbols.size() > 1)
             putLe32(b.data() + symbols[random() % (symbols.size() - 1)], 27);
         return b;
     }},
    {"a rewrite of the same size", true,
     [](const Bytes& file, std::mt19937& random) {
         Bytes b = file;
         for (size_t i = 0; i < 16; ++i)
             b[random() % 64] = uint8_t(random());
         std::vector<size_t> symbols = symbolOffsets(b);
         for (size_t at : symbols)
             putLe32(b.data() + at, random() % 2 ? 29 : 5);
         return b;
     }},
    {"the file replaced by another", false,
     [](const Bytes&, std::mt19937& random) { return generatedFile(random, int(random() % 30)); }},
};

void changeOutside(const char16_t* path, const OutsideChange& change, std::mt19937 random) {
    FileStamp before{};
    ASSERT_TRUE(platformFileStamp(path, &before));
    Bytes changed = change.change(readRealFile(path), random);
    std::filesystem::remove(realPath(path));
    writeRealFile(path, changed);
    setRealFileLastWrite(path, before.lastWrite + (change.clockMoved ? 1000000000u : 0u));
}

TEST_F(Differential, FilesChangedByOthersBetweenAppendsEndTheSame) {
    std::filesystem::create_directories(realPath(u"\\Literal"));
    const std::u16string moduleFolder = u"\\My Documents", literalFolder = u"\\Literal";
    auto append = [&](int step) {
        LocalTime at{2002, 12, 0, 8, uint16_t(9 + step % 12), uint16_t(step % 60), 7, 0};
        std::copy(literalFolder.c_str(), literalFolder.c_str() + literalFolder.size() + 1,
                  moduleState.documentsFolder);
        literalAppendTrackPoint("Truck 7", at, 12 + step, -34 - step, step % 6);
        std::copy(moduleFolder.c_str(), moduleFolder.c_str() + moduleFolder.size() + 1,
                  moduleState.documentsFolder);
        appendTrackPoint("Truck 7", at, 12 + step, -34 - step, step % 6);
    };
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        Bytes start = generatedFile(random, int(random() % 40));
        writeRealFile(kPath, start);
        writeRealFile(kLiteralPath, start);
        append(0);
        ASSERT_EQ(readRealFile(kPath), readRealFile(kLiteralPath)) << "seed " << seed;
        for (int step = 1; step <= 16; ++step) {
            std::string what = "an append with no change between";
            if (random() % 3 != 0) {
                const OutsideChange& change = kChanges[random() % std::size(kChanges)];
                unsigned changeSeed = random();
                changeOutside(kPath, change, std::mt19937(changeSeed));
                changeOutside(kLiteralPath, change, std::mt19937(changeSeed));
                what = change.what;
            }
            append(step);
            ASSERT_EQ(readRealFile(kPath), readRealFile(kLiteralPath))
                << "seed " << seed << ", step " << step << ": " << what;
        }
    }
}

}  // namespace

namespace {

// ---- Points written together ----

void setDocumentsFolder(const std::u16string& folder) {
    std::copy(folder.c_str(), folder.c_str() + folder.size() + 1, moduleState.documentsFolder);
}

std::vector<std::string> toldSince(size_t first) {
    std::vector<std::string> names;
    for (size_t i = first; i < fakeFiles.notifications.size(); ++i)
        names.push_back(fakeFiles.notifications[i].fileName);
    return names;
}

// Rounds of points for a few names over two days, with coordinates whose tenfold does not fit
// and a name no file can have among them, written together by the module and one by one as the
// single append writes them, from files of others and then from files the module remembers:
// the same bytes in every file, and the host told the same names in the same order.
TEST_F(Differential, PointsWrittenTogetherEndAsAppendedOneByOne) {
    const char* names[] = {"Truck 7", "Van (2)", "Bus 9", "bad:name"};
    const std::u16string together = u"\\My Documents", oneByOne = u"\\Literal";
    std::filesystem::create_directories(realPath(oneByOne.c_str()));
    auto pathsIn = [&](const std::u16string& folder) {
        std::vector<std::u16string> paths;
        for (const char* name : {"Truck 7", "Van (2)", "Bus 9"})
            for (const char* day : {"(12.8.2002).way", "(12.9.2002).way"})
                paths.push_back(folder + u"\\" + std::u16string(name, name + std::strlen(name)) +
                                std::u16string(day, day + std::strlen(day)));
        return paths;
    };
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        for (const std::u16string& folder : {together, oneByOne})
            for (const std::u16string& path : pathsIn(folder))
                std::filesystem::remove(realPath(path.c_str()));
        Bytes foreign = generatedFile(random, int(random() % 20));
        writeRealFile(pathsIn(together)[0].c_str(), foreign);
        writeRealFile(pathsIn(oneByOne)[0].c_str(), foreign);

        for (int round = 0; round < 3; ++round) {
            std::vector<TrackPoint> points(1 + random() % 40);
            for (TrackPoint& p : points) {
                p.name = names[random() % 8 == 0 ? 3 : random() % 3];
                p.receivedAt = {2002, 12, 0, uint16_t(8 + random() % 2), uint16_t(random() % 24),
                                uint16_t(random() % 60), uint16_t(random() % 60), 0};
                p.latitude = random() % 10 == 0 ? INT32_MAX : int32_t(random() % 1000000);
                p.longitude = -int32_t(random() % 1000000);
                p.iconIndex = int32_t(random() % 8) - 1;
            }
            size_t told = fakeFiles.notifications.size();
            setDocumentsFolder(oneByOne);
            for (const TrackPoint& p : points)
                appendTrackPoint(p.name, p.receivedAt, p.latitude, p.longitude, p.iconIndex);
            std::vector<std::string> toldOneByOne = toldSince(told);

            told = fakeFiles.notifications.size();
            setDocumentsFolder(together);
            appendTrackPoints(points.data(), points.size());
            EXPECT_EQ(toldSince(told), toldOneByOne) << "seed " << seed << ", round " << round;
            const std::vector<std::u16string> paths = pathsIn(together),
                                              literals = pathsIn(oneByOne);
            for (size_t i = 0; i < paths.size(); ++i) {
                ASSERT_EQ(realFileExists(paths[i].c_str()), realFileExists(literals[i].c_str()));
                if (realFileExists(paths[i].c_str()))
                    ASSERT_EQ(readRealFile(paths[i].c_str()), readRealFile(literals[i].c_str()))
                        << "seed " << seed << ", round " << round << ", file " << i;
            }
        }
    }
}

}  // namespace
