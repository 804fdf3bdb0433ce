// appendTrackPoint over real files: the bytes of new and grown files, the symbols the walk
// demotes, the names, files that end early, appends cut off at every byte, and the host told in
// every case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "tracklog/track_file.h"
#include "tracklog/track_format.h"

namespace {

using Bytes = std::vector<uint8_t>;

const LocalTime kDec8{2002, 12, 0, 8, 14, 5, 9, 0};
const char16_t kTruck7Path[] = u"\\My Documents\\Truck 7(12.8.2002).way";
int hostWindow;  // its address stands for the host's window

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

Bytes newHeader(int32_t count) {
    Bytes b(64, 0);
    b[18] = 0x02;
    b[19] = 0x10;
    b[20] = 0x01;
    put32(b, uint32_t(count));
    return b;
}

// One record as a file holds it; symbolFlag 0 leaves the symbol out.
struct Rec {
    std::string name;
    std::string comment = "Address: Unknown  Time: 14:05:09";
    int32_t longitude = -340;
    int32_t latitude = 120;
    uint8_t symbolFlag = 1;
    uint32_t symbol = 26;
};

void putRecord(Bytes& b, const Rec& r) {
    b.insert(b.end(), r.name.begin(), r.name.end());
    b.push_back(0);
    b.insert(b.end(), r.comment.begin(), r.comment.end());
    b.push_back(0);
    put32(b, uint32_t(r.longitude));
    put32(b, uint32_t(r.latitude));
    b.insert(b.end(), 8, 0);
    put32(b, 1);
    b.push_back(r.symbolFlag);
    if (r.symbolFlag != 0)
        put32(b, r.symbol);
}

Rec rec(std::string name, uint32_t symbol = 26, uint8_t symbolFlag = 1) {
    Rec r;
    r.name = std::move(name);
    r.symbol = symbol;
    r.symbolFlag = symbolFlag;
    return r;
}

Bytes trackFile(Bytes head, const std::vector<Rec>& records) {
    for (const Rec& r : records)
        putRecord(head, r);
    return head;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class TrackFile : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        root = makeTestRoot();
        resetFakeFiles(root);
        std::u16string folder = u"\\My Documents";
        std::copy(folder.begin(), folder.end(), moduleState.documentsFolder);
        moduleState.hostWindow = &hostWindow;
    }
    void TearDown() override {
        EXPECT_EQ(openFileCount(), 0) << "a file was left open";
        removeTestRoot(root);
    }

    // The host was told once more, of `fileName`, and lastTrackFileName holds it.
    void expectToldOf(const std::string& fileName) {
        ASSERT_FALSE(fakeFiles.notifications.empty());
        EXPECT_EQ(fakeFiles.notifications.back().window, &hostWindow);
        EXPECT_EQ(fakeFiles.notifications.back().fileName, fileName);
        EXPECT_STREQ(moduleState.lastTrackFileName, fileName.c_str());
    }

    std::string root;
};

TEST_F(TrackFile, TheFirstPointOfADayMakesANewFileByteForByte) {
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);

    Bytes expected = newHeader(1);
    // clang-format off
    const uint8_t record[] = {
        'T', 'r', 'u', 'c', 'k', ' ', '7', '.', '1', 0,
        'A', 'd', 'd', 'r', 'e', 's', 's', ':', ' ', 'U', 'n', 'k', 'n', 'o', 'w', 'n', ' ', ' ',
        'T', 'i', 'm', 'e', ':', ' ', '1', '4', ':', '0', '5', ':', '0', '9', 0,
        0xAC, 0xFE, 0xFF, 0xFF,  // longitude -340
        0x78, 0x00, 0x00, 0x00,  // latitude 120
        0, 0, 0, 0, 0, 0, 0, 0,  // the two short texts
        1, 0, 0, 0,              // the word 1
        1,                       // symbol flag
        26, 0, 0, 0,             // 24 + icon 2
    };
    // clang-format on
    expected.insert(expected.end(), std::begin(record), std::end(record));
    EXPECT_EQ(readRealFile(kTruck7Path), expected);
    expectToldOf("Truck 7(12.8.2002).way");
}

TEST_F(TrackFile, ASecondPointDemotesTheFirstAndKeepsTheHeaderAsFound) {
    Bytes head(68);
    for (int i = 0; i < 64; ++i)
        head[i] = uint8_t(0xC0 + i);  // not a new file's header: it must stay as it is
    head[64] = 1;
    writeRealFile(kTruck7Path, trackFile(head, {{"Truck 7.1"}}));

    LocalTime later = kDec8;
    later.second = 15;
    appendTrackPoint("Truck 7", later, 13, -35, 4);

    head[64] = 2;
    Rec second{"Truck 7.2", "Address: Unknown  Time: 14:05:15", -350, 130, 1, 28};
    EXPECT_EQ(readRealFile(kTruck7Path), trackFile(head, {rec("Truck 7.1", 17), second}));
    expectToldOf("Truck 7(12.8.2002).way");
}

TEST_F(TrackFile, TheWalkDemotesEverySymbolOf24AndAboveAndSkipsRecordsWithoutOne) {
    struct {
        uint8_t flag;
        uint32_t before, after;
    } rows[] = {
        {1, 17, 17},
        {1, 23, 23},
        {1, 0, 0},
        {0, 0, 0},
        {1, 24, 17},
        {1, 29, 17},
        {1, 1000, 17},
        {0, 0, 0},
        {2, 30, 17},
        {1, 0xFFFFFFFF, 17},
        {0x80, 0x80000000, 17},
        {1, 5, 5},
    };
    std::vector<Rec> before, after;
    for (const auto& row : rows) {
        std::string name = "P." + std::to_string(before.size() + 1);
        before.push_back(rec(name, row.before, row.flag));
        after.push_back(rec(name, row.after, row.flag));
    }
    writeRealFile(kTruck7Path, trackFile(newHeader(int32_t(before.size())), before));

    appendTrackPoint("Truck 7", kDec8, 12, -34, 0);

    after.push_back(rec("Truck 7.13", 24));
    EXPECT_EQ(readRealFile(kTruck7Path), trackFile(newHeader(13), after));
}

TEST_F(TrackFile, AnEmptyFileGetsAZeroHeaderAndAFileWithCountZeroKeepsItsOwn) {
    writeRealFile(kTruck7Path, {});
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    Bytes zeroHead(64, 0);
    put32(zeroHead, 1);
    EXPECT_EQ(readRealFile(kTruck7Path), trackFile(zeroHead, {{"Truck 7.1"}}));

    Bytes ownHead(64, 0x5A);
    put32(ownHead, 0);
    writeRealFile(kTruck7Path, ownHead);
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    ownHead[64] = 1;
    EXPECT_EQ(readRealFile(kTruck7Path), trackFile(ownHead, {{"Truck 7.1"}}));
}

TEST_F(TrackFile, ANewDayStartsANewFileAndLeavesYesterdaysAlone) {
    LocalTime lateOn8{2002, 12, 0, 8, 23, 59, 59, 0};
    LocalTime earlyOn9{2002, 12, 1, 9, 0, 0, 5, 0};
    appendTrackPoint("Truck 7", lateOn8, 12, -34, 2);
    Bytes yesterday = readRealFile(kTruck7Path);

    appendTrackPoint("Truck 7", earlyOn9, 12, -34, 2);

    EXPECT_EQ(readRealFile(kTruck7Path), yesterday);
    EXPECT_EQ(readRealFile(u"\\My Documents\\Truck 7(12.9.2002).way"),
              trackFile(newHeader(1), {{"Truck 7.1", "Address: Unknown  Time: 00:00:05"}}));
    expectToldOf("Truck 7(12.9.2002).way");
}

TEST_F(TrackFile, TheBaseNameIsEverythingBeforeTheDatesParenthesis) {
    struct {
        const char* name;
        const char16_t* path;
        const char* fileName;
        const char* secondRecord;
    } rows[] = {
        {"Van (2)", u"\\My Documents\\Van (2)(12.8.2002).way", "Van (2)(12.8.2002).way",
         "Van (2).2"},
        {"", u"\\My Documents\\(12.8.2002).way", "(12.8.2002).way", ".2"},
        {"a)b(c", u"\\My Documents\\a)b(c(12.8.2002).way", "a)b(c(12.8.2002).way", "a)b(c.2"},
    };
    for (const auto& row : rows) {
        appendTrackPoint(row.name, kDec8, 12, -34, 2);
        appendTrackPoint(row.name, kDec8, 12, -34, 2);
        std::string first(row.secondRecord);
        first.back() = '1';
        EXPECT_EQ(readRealFile(row.path),
                  trackFile(newHeader(2), {rec(first, 17), {row.secondRecord}}))
            << row.fileName;
        expectToldOf(row.fileName);
    }
}

TEST_F(TrackFile, ABackslashNamesASubfolderWhichMustExist) {
    appendTrackPoint("fleet\\Truck 7", kDec8, 12, -34, 2);
    EXPECT_FALSE(realFileExists(u"\\My Documents\\fleet"));
    expectToldOf("Truck 7(12.8.2002).way");

    std::filesystem::create_directories(realPath(u"\\My Documents\\fleet"));
    appendTrackPoint("fleet\\Truck 7", kDec8, 12, -34, 2);
    EXPECT_EQ(readRealFile(u"\\My Documents\\fleet\\Truck 7(12.8.2002).way"),
              trackFile(newHeader(1), {{"Truck 7.1"}}));
}

// Whatever keeps the point from the file, nothing is written and the host is still told.
TEST_F(TrackFile, WhenNothingCanBeWrittenTheHostIsStillTold) {
    const Bytes existing = trackFile(newHeader(1), {{"Truck 7.1"}});
    struct Row {
        const char* why;
        std::string name;
        int32_t latitude, longitude;
        void (*fault)();
        std::string toldOf;
    } rows[] = {
        {"held by another program", "Truck 7", 12, -34, [] { holdFile(kTruck7Path); },
         "Truck 7(12.8.2002).way"},
        {"every open fails", "Truck 7", 12, -34, [] { fakeFiles.failEveryOpen = true; },
         "Truck 7(12.8.2002).way"},
        {"latitude tenfold too large", "Truck 7", 214748365, -34, [] {}, "Truck 7(12.8.2002).way"},
        {"longitude tenfold too small", "Truck 7", 12, -214748365, [] {},
         "Truck 7(12.8.2002).way"},
        {"a colon in the name", "Truck:7", 12, -34, [] {}, "Truck:7(12.8.2002).way"},
        {"a question mark in the name", "Truck?7", 12, -34, [] {}, "Truck?7(12.8.2002).way"},
        {"a control character in the name", "Truck\t7", 12, -34, [] {}, "Truck\t7(12.8.2002).way"},
        {"a path too long", std::string(300, 'x'), 12, -34, [] {}, std::string(255, 'x')},
        {"a name leading out of the documents folder", "..\\Windows\\zqCDPD", 12, -34, [] {},
         "zqCDPD(12.8.2002).way"},
        {"the same behind a subfolder", "fleet\\ . \\..\\..\\x", 12, -34, [] {}, "x(12.8.2002).way"},
    };
    for (const Row& row : rows) {
        resetFakeFiles(root);
        writeRealFile(kTruck7Path, existing);
        row.fault();
        appendTrackPoint(row.name.c_str(), kDec8, row.latitude, row.longitude, 2);
        EXPECT_EQ(readRealFile(kTruck7Path), existing) << row.why;
        EXPECT_EQ(filesIn(root + "/My Documents"),
                  std::vector<std::string>{"Truck 7(12.8.2002).way"})
            << row.why << ": wrote another file";
        EXPECT_TRUE(filesIn(root + "/Windows").empty()) << row.why << ": wrote outside";
        ASSERT_EQ(fakeFiles.notifications.size(), 1u) << row.why;
        expectToldOf(row.toldOf);
    }
}

TEST_F(TrackFile, TheLargestTenfoldsThatFitAreWritten) {
    appendTrackPoint("Truck 7", kDec8, -214748364, 214748364, 2);
    Bytes file = readRealFile(kTruck7Path);
    TrackWalk walk = walkTrackFile(file.data(), file.size(), nullptr);
    ByteReader in = byteReader(file.data(), file.size(), kTrackRecordsOffset);
    TrackRecord record;
    ASSERT_TRUE(readTrackRecord(in, &record));
    EXPECT_EQ(walk.wholeRecords, 1);
    EXPECT_EQ(record.longitude, 2147483640);
    EXPECT_EQ(record.latitude, -2147483640);
}

// A file held when the first open is tried and released before the second must not be emptied by
// the second.
TEST_F(TrackFile, AFileReleasedBetweenTheTwoOpensIsNeverEmptied) {
    const Bytes existing = trackFile(newHeader(2), {rec("Truck 7.1", 17), {"Truck 7.2"}});
    writeRealFile(kTruck7Path, existing);
    holdFile(kTruck7Path, 1);

    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    EXPECT_EQ(readRealFile(kTruck7Path), existing);
    expectToldOf("Truck 7(12.8.2002).way");

    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    EXPECT_EQ(readRealFile(kTruck7Path),
              trackFile(newHeader(3), {rec("Truck 7.1", 17), rec("Truck 7.2", 17), {"Truck 7.3"}}));
}

TEST_F(TrackFile, AnIconOutsideZeroToFiveGivesTheSymbolOfIconZero) {
    for (int32_t icon : {-1, 6, 1000, INT32_MIN}) {
        std::filesystem::remove(realPath(kTruck7Path));
        appendTrackPoint("Truck 7", kDec8, 12, -34, icon);
        EXPECT_EQ(readRealFile(kTruck7Path), trackFile(newHeader(1), {rec("Truck 7.1", 24)}))
            << "icon " << icon;
    }
}

// A file that ends before its count's records do: the whole records stay (demoted), the new
// record goes right after them and is counted and numbered as the one after them, so the file
// is sound again for the next append and for any reader.
TEST_F(TrackFile, AFileThatEndsEarlyIsContinuedAfterItsLastWholeRecord) {
    const std::vector<Rec> records = {rec("Truck 7.1", 17), rec("Truck 7.2", 0, 0),
                                      rec("Truck 7.3", 25)};
    const Bytes sound = trackFile(newHeader(3), records);
    const size_t record2 = trackFile(newHeader(3), {records[0]}).size();
    const size_t record3 = trackFile(newHeader(3), {records[0], records[1]}).size();
    struct Row {
        const char* why;
        size_t keep;       // bytes of `sound` kept
        int32_t count;     // the count the file says
        Bytes tail;        // bytes after them
        int wholeRecords;  // how many records survive
    } rows[] = {
        {"ends inside the header", 19, 3, {}, 0},
        {"ends inside the count", 66, 3, {}, 0},
        {"ends after the count", 68, 3, {}, 0},
        {"ends inside record 1's name", 72, 3, {}, 0},
        {"ends inside record 2's fixed fields", record2 + 30, 3, {}, 1},
        {"ends inside record 3's symbol", sound.size() - 2, 3, {}, 2},
        {"ends before record 3", record3, 3, {}, 2},
        {"count larger than the records", sound.size(), 7, {}, 3},
        {"negative count", sound.size(), -2, {}, 0},
        {"bytes after the counted records", sound.size(), 3, Bytes(200, 0x41), 3},
    };
    for (const Row& row : rows) {
        Bytes file(sound.begin(), sound.begin() + ptrdiff_t(row.keep));
        if (file.size() >= 68)
            std::memcpy(file.data() + 64, &row.count, 4);
        file.insert(file.end(), row.tail.begin(), row.tail.end());
        writeRealFile(kTruck7Path, file);

        appendTrackPoint("Truck 7", kDec8, 12, -34, 3);

        // The header as found, what the file lacks of it zero.
        Bytes head(64, 0);
        std::copy(file.begin(), file.begin() + ptrdiff_t(std::min<size_t>(file.size(), 64)),
                  head.begin());
        put32(head, uint32_t(row.wholeRecords + 1));
        std::vector<Rec> expected(records.begin(), records.begin() + row.wholeRecords);
        for (Rec& r : expected)
            r.symbol = r.symbol >= 24 ? 17 : r.symbol;
        expected.push_back(rec("Truck 7." + std::to_string(row.wholeRecords + 1), 27));
        Bytes want = trackFile(head, expected);
        Bytes got = readRealFile(kTruck7Path);
        ASSERT_GE(got.size(), want.size()) << row.why;
        EXPECT_EQ(Bytes(got.begin(), got.begin() + ptrdiff_t(want.size())), want) << row.why;

        TrackWalk walk = walkTrackFile(got.data(), got.size(), nullptr);
        EXPECT_FALSE(walk.truncated) << row.why;
        EXPECT_EQ(walk.wholeRecords, row.wholeRecords + 1) << row.why;
        EXPECT_EQ(walk.recordsEnd, want.size()) << row.why;
    }
}

TEST_F(TrackFile, AWalkSaysWhereATruncatedFileStopsMakingSense) {
    Bytes file = trackFile(newHeader(3), {{"Truck 7.1"}, {"Truck 7.2"}});
    size_t record2 = trackFile(newHeader(3), {{"Truck 7.1"}}).size();
    TrackWalk walk = walkTrackFile(file.data(), file.size(), nullptr);
    EXPECT_TRUE(walk.truncated);
    EXPECT_EQ(walk.wholeRecords, 2);
    EXPECT_EQ(walk.stoppedAt, file.size()) << "record 3's name is missing";

    file.resize(record2 + 10 + 33 + 2);  // inside record 2's longitude
    walk = walkTrackFile(file.data(), file.size(), nullptr);
    EXPECT_EQ(walk.wholeRecords, 1);
    EXPECT_EQ(walk.recordsEnd, record2);
    EXPECT_EQ(walk.stoppedAt, record2 + 10 + 33);
}

// An append cut off after any number of bytes (a full disk, a power loss) leaves a file whose
// count promises only records that are there, and the next append makes it whole.
TEST_F(TrackFile, AnAppendCutOffAtAnyByteNeverCountsAMissingRecord) {
    struct {
        const char* why;
        bool exists;
        Bytes file;
    } starts[] = {
        {"a new file", false, {}},
        {"an existing file", true,
         trackFile(newHeader(2), {rec("Truck 7.1", 17), rec("Truck 7.2", 26)})},
    };
    for (const auto& start : starts) {
        for (int64_t budget = 0;; ++budget) {
            std::filesystem::remove(realPath(kTruck7Path));
            if (start.exists)
                writeRealFile(kTruck7Path, start.file);
            fakeFiles.writeBudget = budget;
            appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
            bool wholeAppend = fakeFiles.writeBudget > 0;
            fakeFiles.writeBudget = -1;

            Bytes cut = readRealFile(kTruck7Path);
            TrackWalk walk = walkTrackFile(cut.data(), cut.size(), nullptr);
            EXPECT_FALSE(walk.truncated) << start.why << ", cut after " << budget << " bytes";

            appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
            Bytes next = readRealFile(kTruck7Path);
            std::vector<uint64_t> demotions;
            walk = walkTrackFile(next.data(), next.size(), &demotions);
            EXPECT_FALSE(walk.truncated) << start.why << ", cut after " << budget << " bytes";
            EXPECT_EQ(demotions.size(), 1u) << "only the newest point keeps its symbol";
            EXPECT_GE(walk.wholeRecords, start.exists ? 3 : 1);
            if (wholeAppend)
                break;
        }
    }
}

}  // namespace
