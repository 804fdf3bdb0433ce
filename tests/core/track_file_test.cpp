// appendTrackPoint over real files: the bytes of new and grown files, the symbols the walk
// demotes, the names, files that end early, appends cut off at every byte, and the host told in
// every case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "tests/core/track_bytes.h"
#include "tracklog/track_file.h"
#include "tracklog/track_format.h"
#include "tracklog/track_memory.h"

namespace {

using Bytes = TrackBytes;
using Rec = TrackRecordFields;

const LocalTime kDec8{2002, 12, 0, 8, 14, 5, 9, 0};
const char kDec8Comment[] = "Address: Unknown  Time: 14:05:09";
const char16_t kTruck7Path[] = u"\\My Documents\\Truck 7(12.8.2002).way";
int hostWindow;  // its address stands for the host's window

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class TrackFile : public testing::Test {
  protected:
    void SetUp() override {
        root = startTrackFiles();
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

    Bytes expected = newTrackHead(1);
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
    writeRealFile(kTruck7Path, trackBytes(head, {{"Truck 7.1"}}));

    LocalTime later = kDec8;
    later.second = 15;
    appendTrackPoint("Truck 7", later, 13, -35, 4);

    head[64] = 2;
    Rec second{"Truck 7.2", "Address: Unknown  Time: 14:05:15", -350, 130, 28};
    EXPECT_EQ(readRealFile(kTruck7Path), trackBytes(head, {trackRecord("Truck 7.1", 17), second}));
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
        before.push_back(trackRecord(name, row.before, row.flag));
        after.push_back(trackRecord(name, row.after, row.flag));
    }
    writeRealFile(kTruck7Path, trackBytes(newTrackHead(int32_t(before.size())), before));

    appendTrackPoint("Truck 7", kDec8, 12, -34, 0);

    after.push_back(trackRecord("Truck 7.13", 24));
    EXPECT_EQ(readRealFile(kTruck7Path), trackBytes(newTrackHead(13), after));
}

TEST_F(TrackFile, AnEmptyFileGetsAZeroHeaderAndAFileWithCountZeroKeepsItsOwn) {
    writeRealFile(kTruck7Path, {});
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    Bytes zeroHead(64, 0);
    appendLe32(zeroHead, 1);
    EXPECT_EQ(readRealFile(kTruck7Path), trackBytes(zeroHead, {{"Truck 7.1"}}));

    Bytes ownHead(64, 0x5A);
    appendLe32(ownHead, 0);
    writeRealFile(kTruck7Path, ownHead);
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    ownHead[64] = 1;
    EXPECT_EQ(readRealFile(kTruck7Path), trackBytes(ownHead, {{"Truck 7.1"}}));
}

// A file that ends inside its count, the two bytes it holds not zero: once the head of the append
// is down, the count it writes (0 until the record is whole) no longer promises records, wherever
// the disk then cuts the append.
TEST_F(TrackFile, AFileEndingInsideItsCountPromisesNothingOnceTheHeadIsRewritten) {
    Bytes head(64, 0x5A);
    head.push_back(5);  // two bytes of a count of 5
    head.push_back(0);
    for (int64_t budget = int64_t(kTrackRecordsOffset);; ++budget) {
        resetFakeFiles(root);
        forgetTrackFiles();
        writeRealFile(kTruck7Path, head);
        fakeFiles.writeBudget = budget;
        appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
        bool wholeAppend = fakeFiles.writeBudget > 0;
        fakeFiles.writeBudget = -1;
        Bytes cut = readRealFile(kTruck7Path);
        TrackWalk walk = walkTrackFile(cut.data(), cut.size(), nullptr);
        EXPECT_FALSE(walk.truncated) << "cut after " << budget << " bytes: count " << walk.head.count;
        if (wholeAppend)
            break;
    }
}

TEST_F(TrackFile, ANewDayStartsANewFileAndLeavesYesterdaysAlone) {
    LocalTime lateOn8{2002, 12, 0, 8, 23, 59, 59, 0};
    LocalTime earlyOn9{2002, 12, 1, 9, 0, 0, 5, 0};
    appendTrackPoint("Truck 7", lateOn8, 12, -34, 2);
    Bytes yesterday = readRealFile(kTruck7Path);

    appendTrackPoint("Truck 7", earlyOn9, 12, -34, 2);

    EXPECT_EQ(readRealFile(kTruck7Path), yesterday);
    EXPECT_EQ(readRealFile(u"\\My Documents\\Truck 7(12.9.2002).way"),
              trackBytes(newTrackHead(1), {{"Truck 7.1", "Address: Unknown  Time: 00:00:05"}}));
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
                  trackBytes(newTrackHead(2), {trackRecord(first, 17), {row.secondRecord}}))
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
              trackBytes(newTrackHead(1), {{"Truck 7.1"}}));
}

// Whatever keeps the point from the file, nothing is written and the host is still told.
TEST_F(TrackFile, WhenNothingCanBeWrittenTheHostIsStillTold) {
    const Bytes existing = trackBytes(newTrackHead(1), {{"Truck 7.1"}});
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
    const Bytes existing = trackBytes(newTrackHead(2), {trackRecord("Truck 7.1", 17), {"Truck 7.2"}});
    writeRealFile(kTruck7Path, existing);
    holdFile(kTruck7Path, 1);

    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    EXPECT_EQ(readRealFile(kTruck7Path), existing);
    expectToldOf("Truck 7(12.8.2002).way");

    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    EXPECT_EQ(readRealFile(kTruck7Path),
              trackBytes(newTrackHead(3), {trackRecord("Truck 7.1", 17), trackRecord("Truck 7.2", 17), {"Truck 7.3"}}));
}

TEST_F(TrackFile, AnIconOutsideZeroToFiveGivesTheSymbolOfIconZero) {
    for (int32_t icon : {-1, 6, 1000, INT32_MIN}) {
        std::filesystem::remove(realPath(kTruck7Path));
        appendTrackPoint("Truck 7", kDec8, 12, -34, icon);
        EXPECT_EQ(readRealFile(kTruck7Path), trackBytes(newTrackHead(1), {trackRecord("Truck 7.1", 24)}))
            << "icon " << icon;
    }
}

// A file that ends before its count's records do: the whole records stay (demoted), the new
// record goes right after them and is counted and numbered as the one after them, so the file
// is sound again for the next append and for any reader.
TEST_F(TrackFile, AFileThatEndsEarlyIsContinuedAfterItsLastWholeRecord) {
    const std::vector<Rec> records = {trackRecord("Truck 7.1", 17), trackRecord("Truck 7.2", 0, 0),
                                      trackRecord("Truck 7.3", 25)};
    const Bytes sound = trackBytes(newTrackHead(3), records);
    const size_t record2 = trackBytes(newTrackHead(3), {records[0]}).size();
    const size_t record3 = trackBytes(newTrackHead(3), {records[0], records[1]}).size();
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
        appendLe32(head, uint32_t(row.wholeRecords + 1));
        std::vector<Rec> expected(records.begin(), records.begin() + row.wholeRecords);
        for (Rec& r : expected)
            r.symbol = r.symbol >= 24 ? 17 : r.symbol;
        expected.push_back(trackRecord("Truck 7." + std::to_string(row.wholeRecords + 1), 27));
        Bytes want = trackBytes(head, expected);
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
    Bytes file = trackBytes(newTrackHead(3), {{"Truck 7.1"}, {"Truck 7.2"}});
    size_t record2 = trackBytes(newTrackHead(3), {{"Truck 7.1"}}).size();
    TrackWalk walk = walkTrackFile(file.data(), file.size(), nullptr);
    EXPECT_TRUE(walk.truncated);
    EXPECT_EQ(walk.wholeRecords, 2);
    EXPECT_EQ(walk.stoppedAt, file.size()) << "record 3's name is missing";

    // Record 2 cut inside its longitude, just before its flag, and inside its symbol number: the
    // walk names the field that runs past the end.
    const size_t fixedAt = record2 + 10 + 33;  // after the name "Truck 7.2" and the comment
    struct {
        size_t size, stoppedAt;
    } cuts[] = {{fixedAt + 2, fixedAt}, {fixedAt + 20, fixedAt + 20}, {fixedAt + 23, fixedAt + 21}};
    for (const auto& cut : cuts) {
        Bytes part(file.begin(), file.begin() + cut.size);
        walk = walkTrackFile(part.data(), part.size(), nullptr);
        EXPECT_EQ(walk.wholeRecords, 1) << cut.size;
        EXPECT_EQ(walk.recordsEnd, record2) << cut.size;
        EXPECT_EQ(walk.stoppedAt, cut.stoppedAt) << "cut at " << cut.size;
    }
}

// Runs `cutAppend` with its writes cut off after any number of bytes (a full disk, a power loss)
// on a new file, an existing one and one the module remembers from its append just before: the
// file it leaves never has a count that promises a missing record, and the next append makes it
// whole.
void expectNoCutCountsAMissingRecord(void (*cutAppend)()) {
    const Bytes twoPoints =
        trackBytes(newTrackHead(2), {trackRecord("Truck 7.1", 17), trackRecord("Truck 7.2", 26)});
    struct {
        const char* why;
        bool exists;
        Bytes file;
        bool appendFirst;  // one whole append before the cut one
        int atLeast;       // records after the append that follows the cut one
    } starts[] = {
        {"a new file", false, {}, false, 1},
        {"an existing file", true, twoPoints, false, 3},
        {"a file remembered from the append before", true, twoPoints, true, 4},
        {"a new file remembered from the append before", false, {}, true, 2},
    };
    const int64_t recordLength = int64_t(trackBytes({}, {{"Truck 7.3"}}).size());
    for (const auto& start : starts) {
        for (int64_t budget = 0;; ++budget) {
            std::filesystem::remove(realPath(kTruck7Path));
            if (start.exists)
                writeRealFile(kTruck7Path, start.file);
            if (start.appendFirst)
                appendTrackPoint("Truck 7", kDec8, 56, -78, 1);
            Bytes before = readRealFile(kTruck7Path);
            fakeFiles.writeBudget = budget;
            cutAppend();
            bool wholeAppend = fakeFiles.writeBudget > 0;
            fakeFiles.writeBudget = -1;

            Bytes cut = readRealFile(kTruck7Path);
            TrackWalk walk = walkTrackFile(cut.data(), cut.size(), nullptr);
            EXPECT_FALSE(walk.truncated) << start.why << ", cut after " << budget << " bytes";
            // The record goes first: cut inside it, the append has changed nothing already there.
            if (budget < recordLength && !before.empty()) {
                EXPECT_EQ(Bytes(cut.begin(), cut.begin() + std::min(cut.size(), before.size())),
                          before)
                    << start.why << ", cut after " << budget << " bytes, inside the record";
            }

            appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
            Bytes next = readRealFile(kTruck7Path);
            std::vector<uint64_t> demotions;
            walk = walkTrackFile(next.data(), next.size(), &demotions);
            EXPECT_FALSE(walk.truncated) << start.why << ", cut after " << budget << " bytes";
            EXPECT_EQ(demotions.size(), 1u) << "only the newest point keeps its symbol";
            EXPECT_GE(walk.wholeRecords, start.atLeast) << start.why << ", cut after " << budget;
            if (wholeAppend)
                break;
        }
    }
}

TEST_F(TrackFile, AnAppendCutOffAtAnyByteNeverCountsAMissingRecord) {
    expectNoCutCountsAMissingRecord([] { appendTrackPoint("Truck 7", kDec8, 12, -34, 2); });
}

// Points written together: their records, the demotions and the count, cut anywhere.
TEST_F(TrackFile, PointsWrittenTogetherCutOffAtAnyByteNeverCountAMissingRecord) {
    expectNoCutCountsAMissingRecord([] {
        const TrackPoint round[] = {{"Truck 7", kDec8, 12, -34, 2},
                                    {"Truck 7", kDec8, 13, -35, 3},
                                    {"Truck 7", kDec8, 14, -36, 4}};
        appendTrackPoints(round, std::size(round));
    });
}

// Points of several files written together: each file is opened and flushed once, in the order
// of its first point, and the host is told of every point in order, but only once every file is
// flushed.
TEST_F(TrackFile, PointsWrittenTogetherShareOneFlushPerFileAndAreToldAfterAll) {
    const TrackPoint round[] = {{"Truck 7", kDec8, 12, -34, 2}, {"Van 2", kDec8, 12, -34, 1},
                                {"Truck 7", kDec8, 13, -35, 2}, {"Truck 7", kDec8, 14, -36, 2},
                                {"Van 2", kDec8, 13, -35, 1}};
    appendTrackPoints(round, std::size(round));

    EXPECT_EQ(flushedPaths(),
              (std::vector<std::string>{root + "/My Documents/Truck 7(12.8.2002).way",
                                        root + "/My Documents/Van 2(12.8.2002).way"}));
    std::vector<std::string> told;
    for (const HostNotification& n : fakeFiles.notifications) {
        told.push_back(n.fileName);
        EXPECT_EQ(n.flushesBefore, 2u) << "told of " << n.fileName << " before every flush";
    }
    EXPECT_EQ(told, (std::vector<std::string>{"Truck 7(12.8.2002).way", "Van 2(12.8.2002).way",
                                              "Truck 7(12.8.2002).way", "Truck 7(12.8.2002).way",
                                              "Van 2(12.8.2002).way"}));
    EXPECT_EQ(readRealFile(kTruck7Path),
              trackBytes(newTrackHead(3),
                         {trackRecord("Truck 7.1", 17), {"Truck 7.2", kDec8Comment, -350, 130, 17},
                          {"Truck 7.3", kDec8Comment, -360, 140, 26}}));
}

// A point whose coordinate the file cannot hold tenfold is left out (the host is still told of
// it) and costs the points after it nothing: they reach the same file with the same one flush.
TEST_F(TrackFile, APointThatCannotBeWrittenLeavesTheOthersOfItsFileOneFlush) {
    const TrackPoint round[] = {{"Truck 7", kDec8, 12, -34, 2},
                                {"Truck 7", kDec8, 300000000, -35, 2},
                                {"Truck 7", kDec8, 14, -36, 2}};
    appendTrackPoints(round, std::size(round));

    EXPECT_EQ(flushedPaths(),
              (std::vector<std::string>{root + "/My Documents/Truck 7(12.8.2002).way"}));
    EXPECT_EQ(fakeFiles.notifications.size(), 3u);
    EXPECT_EQ(readRealFile(kTruck7Path),
              trackBytes(newTrackHead(2), {trackRecord("Truck 7.1", 17),
                                           {"Truck 7.2", kDec8Comment, -360, 140, 26}}));
}

// A file the append made whose head and first record did not fit whole (a full disk gives the
// name and then no byte, or a few) is removed again: once there is room, the next append makes it
// anew with a new file's header, instead of taking an empty file for someone else's and giving
// it a header of zeros.
TEST_F(TrackFile, ANewFileThatAFullDiskCutShortIsMadeAnewOnceThereIsRoom) {
    const Bytes firstPoint = trackBytes(newTrackHead(1), {{"Truck 7.1"}});
    for (int64_t budget = 0; budget < int64_t(firstPoint.size()); ++budget) {
        std::filesystem::remove(realPath(kTruck7Path));
        fakeFiles.writeBudget = budget;
        appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
        fakeFiles.writeBudget = -1;
        EXPECT_FALSE(realFileExists(kTruck7Path)) << "cut after " << budget << " bytes";
        expectToldOf("Truck 7(12.8.2002).way");

        appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
        EXPECT_EQ(readRealFile(kTruck7Path), firstPoint) << "cut after " << budget << " bytes";
    }
}

}  // namespace

namespace {

// A day of points, as many as a device logs in a few hours.
Bytes longDay(int32_t records) {
    std::vector<Rec> points;
    for (int32_t i = 1; i <= records; ++i)
        points.push_back(trackRecord("Truck 7." + std::to_string(i), i == records ? 26 : 17));
    return trackBytes(newTrackHead(records), points);
}

// The path of `name`'s file of 8 December 2002.
std::u16string dec8PathOf(const char* name) {
    std::string path = std::string("\\My Documents\\") + name + "(12.8.2002).way";
    return std::u16string(path.begin(), path.end());
}

// The count of a file and whether it walks whole with one newest point at its end.
int32_t soundCount(const Bytes& file) {
    std::vector<uint64_t> newest;
    TrackWalk walk = walkTrackFile(file.data(), file.size(), &newest);
    bool sound = !walk.truncated && walk.recordsEnd == file.size() && newest.size() == 1 &&
                 newest[0] + 4 == file.size();
    return sound ? walk.wholeRecords : -1;
}

}  // namespace

// The second append to a file left as the first left it reads what proves that (the head and
// the newest record), not the file; the first, which knows nothing of the file, reads it all.
TEST_F(TrackFile, AnAppendToAnUnchangedFileReadsAFewHundredBytesWhateverItsSize) {
    const Bytes day = longDay(20000);
    writeRealFile(kTruck7Path, day);

    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    EXPECT_GE(fakeFiles.bytesRead, int64_t(day.size()));

    fakeFiles.bytesRead = 0;
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    EXPECT_LE(fakeFiles.bytesRead, 512);
    EXPECT_EQ(soundCount(readRealFile(kTruck7Path)), 20002);
}

// Targets logged in turn each keep their file remembered: after the first append of each, which
// walks it, every append reads only what proves the file unchanged. They are two pairs of files
// whose paths differ only in that one goes on where the other ends, one pair first logged in each
// order, so that an entry found by a path's prefix shows whatever order the table keeps.
TEST_F(TrackFile, TargetsLoggedInTurnWalkTheirLongFilesOnlyOnce) {
    const char* names[] = {"Truck 7", "Truck 7(12.8.2002).way", "Van 2(12.8.2002).way", "Van 2"};
    const Bytes day = longDay(2000);
    for (const char* name : names)
        writeRealFile(dec8PathOf(name).c_str(), day);
    for (int round = 0; round < 4; ++round) {
        for (const char* name : names) {
            fakeFiles.bytesRead = 0;
            appendTrackPoint(name, kDec8, 12 + round, -34, 2);
            if (round == 0)
                EXPECT_GE(fakeFiles.bytesRead, int64_t(day.size())) << name;
            else
                EXPECT_LE(fakeFiles.bytesRead, 512) << name << ", round " << round;
        }
    }
    for (const char* name : names)
        EXPECT_EQ(soundCount(readRealFile(dec8PathOf(name).c_str())), 2004) << name;
}

// With more files than the table holds, the file used least recently makes room for a new one,
// and every other file stays remembered.
TEST_F(TrackFile, TheFileUsedLeastRecentlyMakesRoom) {
    const Bytes day = longDay(500);
    std::vector<std::string> names;
    for (size_t i = 0; i <= kRememberedTrackFiles; ++i) {
        names.push_back("Car " + std::to_string(i));
        writeRealFile(dec8PathOf(names.back().c_str()).c_str(), day);
        appendTrackPoint(names.back().c_str(), kDec8, 12, -34, 2);  // the last evicts Car 0
    }
    for (size_t i = 1; i <= kRememberedTrackFiles; ++i) {
        fakeFiles.bytesRead = 0;
        appendTrackPoint(names[i].c_str(), kDec8, 13, -34, 2);
        EXPECT_LE(fakeFiles.bytesRead, 512) << names[i] << " was evicted";
    }
    fakeFiles.bytesRead = 0;
    appendTrackPoint(names[0].c_str(), kDec8, 13, -34, 2);
    EXPECT_GE(fakeFiles.bytesRead, int64_t(day.size())) << "Car 0 was never evicted";
}

// The count is the append's promise: it is written only when every byte written before it has
// been flushed, so that a power loss, which may keep any of the writes not yet flushed and lose
// the others, never leaves a count that promises a record the disk lacks. New, cold and warm
// appends alike.
TEST_F(TrackFile, TheCountIsWrittenOnlyAfterEverythingBeforeItWasFlushed) {
    writeRealFile(kTruck7Path, longDay(3));
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    appendTrackPoint("Truck 7", kDec8, 13, -34, 2);
    appendTrackPoint("Van 2", kDec8, 14, -34, 2);
    appendTrackPoint("Van 2", kDec8, 15, -34, 2);

    int counts = 0;
    std::map<std::string, bool> unflushed;
    for (const FileEvent& e : fakeFiles.events) {
        if (e.kind == FileEvent::Flush) {
            unflushed[e.path] = false;
        } else if (e.offset == int64_t(kTrackCountOffset) && e.size == 4) {
            ++counts;
            EXPECT_FALSE(unflushed[e.path]) << "count " << counts << " of " << e.path
                                            << " written before the writes ahead of it were flushed";
        } else {
            unflushed[e.path] = true;
        }
    }
    EXPECT_EQ(counts, 4);
    EXPECT_EQ(soundCount(readRealFile(kTruck7Path)), 5);
}

// Several targets logged in turn each keep their own file's memory; a new day's file is a new
// file, and yesterday's is left alone.
TEST_F(TrackFile, TargetsLoggedInTurnKeepTheirFilesApart) {
    const char* names[] = {"Truck 7", "Van 2", "Bus 9"};
    for (int round = 0; round < 4; ++round) {
        for (const char* name : names)
            appendTrackPoint(name, kDec8, 12 + round, -34, 2);
    }
    for (const char* name : names)
        EXPECT_EQ(soundCount(readRealFile(dec8PathOf(name).c_str())), 4) << name;
}

// A flush that fails leaves the writes with the system; the count is written all the same, so the
// record is not lost, and the next append goes on from it.
TEST_F(TrackFile, AFailedFlushStillCountsTheRecord) {
    writeRealFile(kTruck7Path, trackBytes(newTrackHead(1), {{"Truck 7.1"}}));
    fakeFiles.failFlush = true;
    appendTrackPoint("Truck 7", kDec8, 13, -35, 4);
    Rec second{"Truck 7.2", "Address: Unknown  Time: 14:05:09", -350, 130, 28};
    EXPECT_EQ(readRealFile(kTruck7Path),
              trackBytes(newTrackHead(2), {trackRecord("Truck 7.1", 17), second}));
    expectToldOf("Truck 7(12.8.2002).way");

    fakeFiles.failFlush = false;
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    EXPECT_EQ(soundCount(readRealFile(kTruck7Path)), 3);
}

namespace {

// Truck 7's file of two points gets a third, so the track log remembers it as it left it; then
// another program puts `value` at `offset` in the same step of the clock: the size is kept, and
// the file's last-write time stays as the module left it.
void rewriteInTheSameClockStep(size_t offset, uint32_t value) {
    writeRealFile(kTruck7Path, trackBytes(newTrackHead(2), {trackRecord("Truck 7.1", 17),
                                                           trackRecord("Truck 7.2")}));
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    FileStamp left{};
    ASSERT_TRUE(platformFileStamp(kTruck7Path, &left));
    Bytes file = readRealFile(kTruck7Path);
    putLe32(file.data() + offset, value);
    writeRealFile(kTruck7Path, file);
    setRealFileLastWrite(kTruck7Path, left.lastWrite);
}

}  // namespace

// A count lowered by another program in the same step of the clock, the size kept: the head
// tells, and the append goes on after the last counted record, as a walk would.
TEST_F(TrackFile, ACountChangedInTheSameClockStepIsSeen) {
    ASSERT_NO_FATAL_FAILURE(rewriteInTheSameClockStep(kTrackCountOffset, 2));

    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    Bytes want = trackBytes(newTrackHead(3), {trackRecord("Truck 7.1", 17),
                                              trackRecord("Truck 7.2", 17), {"Truck 7.3"}});
    EXPECT_EQ(readRealFile(kTruck7Path), want);
}

// An older point's symbol rewritten by another program in the same step of the clock, the size
// kept: the file is as the module left it but for that symbol, which no append that trusts its
// memory looks at. It stays 27 where a walk would make it 17, while each append demotes the
// newest point, writes the next record and counts it. The first append that walks again (here
// after the memory is gone, as when the module is loaded anew) demotes it.
TEST_F(TrackFile, AnOlderSymbolRewrittenInTheSameClockStepStaysUntilAWalk) {
    size_t firstSymbol = trackBytes(newTrackHead(1), {trackRecord("Truck 7.1")}).size() - 4;
    ASSERT_NO_FATAL_FAILURE(rewriteInTheSameClockStep(firstSymbol, 27));

    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    std::vector<Rec> records = {trackRecord("Truck 7.1", 27), trackRecord("Truck 7.2", 17),
                                trackRecord("Truck 7.3", 17), trackRecord("Truck 7.4", 17),
                                {"Truck 7.5"}};
    EXPECT_EQ(readRealFile(kTruck7Path), trackBytes(newTrackHead(5), records));

    forgetTrackFiles();
    appendTrackPoint("Truck 7", kDec8, 12, -34, 2);
    records[0].symbol = records[4].symbol = 17;
    records.push_back({"Truck 7.6"});
    EXPECT_EQ(readRealFile(kTruck7Path), trackBytes(newTrackHead(6), records));
}

namespace {

// Which names may become a file: none with a control character or a character file names refuse,
// and none whose folders lead out of the documents folder (a folder of dots and blanks).
TEST(TrackNames, OnlyNamesThatStayAFileInTheDocumentsFolderAreWritable) {
    struct {
        const char* name;
        bool writable;
    } rows[] = {
        {"Truck 7", true},        {"fleet\\Truck 7", true}, {"a..b\\x", true},
        {"x\\..", true},          {"\x1F", false},           {"a\x1F" "b", false},
        {" ~\x7F", true},          {"a<b", false},            {"..\\x", false},
        {".. \\x", false},         {". .\\x", false},         {"fleet\\ . \\x", false},
    };
    for (const auto& row : rows) {
        std::u16string path = trackFilePath(u"\\My Documents", row.name, kDec8);
        EXPECT_EQ(isWritableTrackPath(path, row.name), row.writable) << row.name;
    }
}

// A file whose count cannot grow is left as it is; one below that gets the largest count.
TEST(TrackPlan, TheLargestCountIsNeverPassed) {
    TrackWalk walk{};
    walk.head.presentBytes = kTrackRecordsOffset;
    walk.recordsEnd = 1000;
    TrackAppend append;
    walk.head.count = walk.wholeRecords = INT32_MAX;
    EXPECT_FALSE(planTrackAppend(walk, false, "x", kDec8, 1, 2, 24, &append));
    walk.head.count = walk.wholeRecords = INT32_MAX - 1;
    ASSERT_TRUE(planTrackAppend(walk, false, "x", kDec8, 1, 2, 24, &append));
    EXPECT_EQ(append.newCount, INT32_MAX);
    EXPECT_EQ(append.writeAt, 1000u);
}

}  // namespace
