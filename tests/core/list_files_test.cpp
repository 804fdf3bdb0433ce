// The CDPD list file and the 3G target list file over real files: byte-for-byte round trips, the
// header words kept, counts clamped to the lists' room, and saves that never lose the old file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cdpd/cdpd_list.h"
#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "threeg/target_list.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char16_t kCdpdPath[] = u"\\Windows\\zqCDPD";
const char16_t kTargetPath[] = u"\\Windows\\zq3GTrack";

void put32(Bytes& b, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

// A record whose every byte differs from its neighbours', description filling its field with no
// zero: a loader or saver that looks at the text instead of copying the record shows up.
template <typename Record> Record patterned(int seed) {
    Record r;
    auto* bytes = reinterpret_cast<uint8_t*>(&r);
    for (size_t i = 0; i < sizeof r; ++i)
        bytes[i] = uint8_t(seed * 31 + i + 1);
    return r;
}

Bytes recordBytes(const void* record, size_t size) {
    const auto* b = static_cast<const uint8_t*>(record);
    return Bytes(b, b + size);
}

class ListFiles : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        root = makeTestRoot();
        resetFakeFiles(root);
    }
    void TearDown() override {
        EXPECT_EQ(openFileCount(), 0) << "a file was left open";
        removeTestRoot(root);
    }
    std::string root;
};

TEST_F(ListFiles, NoCdpdFileLeavesTheListAndAFirstSaveWritesTwelveBytes) {
    ModuleState& m = moduleState;
    EXPECT_FALSE(loadCdpdList(kCdpdPath, m.cdpdList, m.cdpdCount));
    EXPECT_EQ(m.cdpdCount, 0);
    EXPECT_EQ(m.serialPortIndex, 0);
    EXPECT_EQ(m.modemModelIndex, 0);

    EXPECT_TRUE(saveCdpdList(kCdpdPath, m.cdpdList, m.cdpdCount));
    EXPECT_EQ(readRealFile(kCdpdPath), Bytes(12, 0));
}

TEST_F(ListFiles, CdpdEntriesAndHeaderWordsComeBackByteForByte) {
    ModuleState& m = moduleState;
    CdpdAddress entries[2] = {patterned<CdpdAddress>(1), patterned<CdpdAddress>(2)};
    Bytes file;
    put32(file, 3);
    put32(file, 7);
    put32(file, 2);
    for (const CdpdAddress& e : entries) {
        Bytes r = recordBytes(&e, sizeof e);
        file.insert(file.end(), r.begin(), r.end());
    }
    ASSERT_EQ(file.size(), 164u);
    writeRealFile(kCdpdPath, file);

    EXPECT_TRUE(loadCdpdList(kCdpdPath, m.cdpdList, m.cdpdCount));
    ASSERT_EQ(m.cdpdCount, 2);
    EXPECT_EQ(m.serialPortIndex, 3);
    EXPECT_EQ(m.modemModelIndex, 7);
    EXPECT_EQ(recordBytes(m.cdpdList, 2 * sizeof(CdpdAddress)),
              recordBytes(entries, sizeof entries));

    std::filesystem::remove(realPath(kCdpdPath));
    EXPECT_TRUE(saveCdpdList(kCdpdPath, m.cdpdList, m.cdpdCount));
    EXPECT_EQ(readRealFile(kCdpdPath), file);
}

TEST_F(ListFiles, TheHeaderWordsNameTheirTableEntries) {
    EXPECT_STREQ(serialPortName(0), "COM1");
    EXPECT_STREQ(serialPortName(5), "COM6");
    EXPECT_STREQ(modemModelName(0), "AirCard 200");
    EXPECT_STREQ(modemModelName(8), "SB 320");
    EXPECT_EQ(serialPortName(6), nullptr);
    EXPECT_EQ(serialPortName(-1), nullptr);
    EXPECT_EQ(modemModelName(9), nullptr);
}

// A file cut inside its header (before its count is whole) gives the header words it holds whole
// and nothing else: a word it does not hold, the count and the list keep what they were.
TEST_F(ListFiles, AFileCutInsideItsHeaderTakesOnlyTheWholeWords) {
    struct {
        size_t size;  // how much of the header (port 11, model 22, count 33) the file holds
        int32_t port, model;  // the words after the load
    } cdpdRows[] = {{0, 5, 6}, {3, 5, 6}, {4, 11, 6}, {7, 11, 6}, {8, 11, 22}, {11, 11, 22}};
    const Bytes cdpdHeader = {11, 0, 0, 0, 22, 0, 0, 0, 33, 0, 0, 0};
    for (const auto& row : cdpdRows) {
        ModuleState& m = moduleState;
        m.serialPortIndex = 5;
        m.modemModelIndex = 6;
        m.cdpdCount = 2;
        m.cdpdList[0] = patterned<CdpdAddress>(1);
        m.cdpdList[1] = patterned<CdpdAddress>(2);
        Bytes before = recordBytes(m.cdpdList, sizeof m.cdpdList);
        writeRealFile(kCdpdPath, Bytes(cdpdHeader.begin(), cdpdHeader.begin() + row.size));

        EXPECT_TRUE(loadCdpdList(kCdpdPath, m.cdpdList, m.cdpdCount));
        EXPECT_EQ(m.serialPortIndex, row.port) << row.size << " bytes";
        EXPECT_EQ(m.modemModelIndex, row.model) << row.size << " bytes";
        EXPECT_EQ(m.cdpdCount, 2) << row.size << " bytes";
        EXPECT_EQ(recordBytes(m.cdpdList, sizeof m.cdpdList), before) << row.size << " bytes";
    }

    for (size_t size : {0, 3}) {
        ModuleState& m = moduleState;
        m.targetCount = 1;
        m.targetList[0] = patterned<ThreeGTarget>(1);
        Bytes before = recordBytes(m.targetList, sizeof m.targetList);
        writeRealFile(kTargetPath, Bytes(size, 9));
        EXPECT_TRUE(loadTargetList(kTargetPath, m.targetList, m.targetCount));
        EXPECT_EQ(m.targetCount, 1) << size << " bytes";
        EXPECT_EQ(recordBytes(m.targetList, sizeof m.targetList), before) << size << " bytes";
    }
}

// A list file that cannot be read to its end (a bad block) is not loaded at all: a list cut at the
// failed read would look whole, so the module keeps the list it had.
TEST_F(ListFiles, AFileThatCannotBeReadToItsEndLoadsNothing) {
    ModuleState& m = moduleState;
    for (int i = 0; i < 3; ++i) {
        m.cdpdList[i] = patterned<CdpdAddress>(i);
        m.targetList[i] = patterned<ThreeGTarget>(i);
    }
    ASSERT_TRUE(saveCdpdList(kCdpdPath, m.cdpdList, 3));
    ASSERT_TRUE(saveTargetList(kTargetPath, m.targetList, 3));
    std::memset(m.cdpdList, 0, sizeof m.cdpdList);
    std::memset(m.targetList, 0, sizeof m.targetList);

    int32_t count = 7;
    fakeFiles.readBudget = 12 + 76 + 10;  // the header, one record and a bit of the next
    EXPECT_FALSE(loadCdpdList(kCdpdPath, m.cdpdList, count));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(recordBytes(m.cdpdList, sizeof m.cdpdList), Bytes(sizeof m.cdpdList, 0));

    fakeFiles.readBudget = 4 + 120 + 10;
    EXPECT_FALSE(loadTargetList(kTargetPath, m.targetList, count));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(recordBytes(m.targetList, sizeof m.targetList), Bytes(sizeof m.targetList, 0));
}

// The count is clamped to the list's room and to the whole records the file holds; slots it
// does not reach keep what they held.
TEST_F(ListFiles, CountsAreClampedToTheRoomAndToTheRecordsThere) {
    struct Row {
        const char* why;
        int32_t count;
        int records;   // whole records in the file
        size_t extra;  // bytes of a record cut short after them
        int32_t loaded;
    } rows[] = {
        {"count and records agree", 3, 3, 0, 3},
        {"count above the records", 5, 2, 0, 2},
        {"a record cut short", 3, 2, 40, 2},
        {"negative count", -4, 3, 0, 0},
        {"INT32_MIN", INT32_MIN, 1, 0, 0},
        {"count above the room", 60, 0, 0, 0},  // records filled in below
        {"INT32_MAX", INT32_MAX, 0, 0, 0},
    };
    for (Row row : rows) {
        bool overRoom = row.count > 50;
        for (int list = 0; list < 2; ++list) {
            size_t recordSize = list == 0 ? sizeof(CdpdAddress) : sizeof(ThreeGTarget);
            int room = list == 0 ? kCdpdCapacity : kTargetCapacity;
            int records = overRoom ? room + 10 : row.records;
            int32_t loaded = overRoom ? room : row.loaded;

            resetFakePlatform();
            Bytes file;
            if (list == 0) {
                put32(file, 1);
                put32(file, 2);
            }
            put32(file, row.count);
            for (int i = 0; i < records; ++i)
                file.insert(file.end(), recordSize, uint8_t(i + 1));
            file.insert(file.end(), row.extra, 0xEE);
            const char16_t* path = list == 0 ? kCdpdPath : kTargetPath;
            writeRealFile(path, file);

            uint8_t* slots = list == 0 ? reinterpret_cast<uint8_t*>(moduleState.cdpdList)
                                       : reinterpret_cast<uint8_t*>(moduleState.targetList);
            std::memset(slots, 0x77, recordSize * size_t(room));  // what the slots held
            int32_t count = -99;
            if (list == 0)
                EXPECT_TRUE(loadCdpdList(path, moduleState.cdpdList, count));
            else
                EXPECT_TRUE(loadTargetList(path, moduleState.targetList, count));

            std::string what = std::string(row.why) + (list == 0 ? " (cdpd)" : " (3G)");
            EXPECT_EQ(count, loaded) << what;
            for (int i = 0; i < room; ++i) {
                uint8_t want = i < loaded ? uint8_t(i + 1) : 0x77;
                EXPECT_EQ(Bytes(slots + i * recordSize, slots + (i + 1) * recordSize),
                          Bytes(recordSize, want))
                    << what << ", slot " << i;
            }
        }
    }
}

TEST_F(ListFiles, SavesWriteNoMoreThanTheRoomAndNothingForANegativeCount) {
    struct {
        int32_t count, written;
    } rows[] = {{-1, 0}, {INT32_MIN, 0}, {0, 0}, {50, 50}, {51, 50}, {INT32_MAX, 50}};
    for (const auto& row : rows) {
        ASSERT_TRUE(saveCdpdList(kCdpdPath, moduleState.cdpdList, row.count));
        Bytes file = readRealFile(kCdpdPath);
        ASSERT_EQ(file.size(), 12 + 76 * size_t(row.written)) << row.count;
        EXPECT_EQ(file[8], row.written) << row.count;

        int32_t targets = row.written > 25 ? 25 : row.written;
        ASSERT_TRUE(saveTargetList(kTargetPath, moduleState.targetList, row.count));
        file = readRealFile(kTargetPath);
        ASSERT_EQ(file.size(), 4 + 120 * size_t(targets)) << row.count;
        EXPECT_EQ(file[0], targets) << row.count;
    }
}

TEST_F(ListFiles, TargetsComeBackByteForByte) {
    ModuleState& m = moduleState;
    for (int i = 0; i < 3; ++i)
        m.targetList[i] = patterned<ThreeGTarget>(i);  // ids of 16 units and no zero too
    ASSERT_TRUE(saveTargetList(kTargetPath, moduleState.targetList, 3));
    Bytes file = readRealFile(kTargetPath);
    ASSERT_EQ(file.size(), 364u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(Bytes(file.begin() + 4, file.end()),
              recordBytes(m.targetList, 3 * sizeof(ThreeGTarget)));

    Bytes saved = recordBytes(m.targetList, sizeof m.targetList);
    resetFakePlatform();
    int32_t count = 0;
    EXPECT_TRUE(loadTargetList(kTargetPath, moduleState.targetList, count));
    EXPECT_EQ(count, 3);
    Bytes loaded = recordBytes(m.targetList, sizeof m.targetList);
    EXPECT_EQ(Bytes(loaded.begin(), loaded.begin() + 360),
              Bytes(saved.begin(), saved.begin() + 360));

    ASSERT_TRUE(saveTargetList(kTargetPath, moduleState.targetList, 0));
    EXPECT_EQ(readRealFile(kTargetPath), (Bytes{0, 0, 0, 0}));
}

TEST_F(ListFiles, AllTwentyFiveTargetsLoadAndAMissingFileChangesNothing) {
    ModuleState& m = moduleState;
    for (int i = 0; i < 25; ++i)
        m.targetList[i] = patterned<ThreeGTarget>(i);
    ASSERT_TRUE(saveTargetList(kTargetPath, moduleState.targetList, 25));
    Bytes saved = recordBytes(m.targetList, sizeof m.targetList);
    std::memset(m.targetList, 0, sizeof m.targetList);
    int32_t count = 0;
    EXPECT_TRUE(loadTargetList(kTargetPath, moduleState.targetList, count));
    EXPECT_EQ(count, 25);
    EXPECT_EQ(recordBytes(m.targetList, sizeof m.targetList), saved);

    count = 7;
    EXPECT_FALSE(loadTargetList(u"\\Windows\\missing", moduleState.targetList, count));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(recordBytes(m.targetList, sizeof m.targetList), saved);
}

// Whatever stops a save, the list already on disk stays whole and no .new is left behind.
TEST_F(ListFiles, AFailedOrCutOffSaveKeepsTheOldFile) {
    struct Row {
        const char* why;
        void (*fault)();
    } rows[] = {
        {"the new file cannot be created", [] { fakeFiles.failEveryOpen = true; }},
        {"the disk fills after 0 bytes", [] { fakeFiles.writeBudget = 0; }},
        {"the disk fills after 11 bytes", [] { fakeFiles.writeBudget = 11; }},
        {"the disk fills inside a record", [] { fakeFiles.writeBudget = 100; }},
        {"the replace fails", [] { fakeFiles.failReplace = true; }},
        {"the old file is held",
         [] {
             holdFile(u"\\Windows\\zqCDPD");
             holdFile(u"\\Windows\\zq3GTrack");
         }},
    };
    ModuleState& m = moduleState;
    m.cdpdList[0] = patterned<CdpdAddress>(5);
    m.targetList[0] = patterned<ThreeGTarget>(5);
    for (const Row& row : rows) {
        resetFakeFiles(root);
        m.serialPortIndex = 1;
        ASSERT_TRUE(saveCdpdList(kCdpdPath, m.cdpdList, 1));
        ASSERT_TRUE(saveTargetList(kTargetPath, moduleState.targetList, 1));
        Bytes oldCdpd = readRealFile(kCdpdPath), oldTargets = readRealFile(kTargetPath);

        m.serialPortIndex = 2;
        row.fault();
        EXPECT_FALSE(saveCdpdList(kCdpdPath, m.cdpdList, 2)) << row.why;
        resetFakeFiles(root);
        row.fault();
        EXPECT_FALSE(saveTargetList(kTargetPath, moduleState.targetList, 2)) << row.why;
        resetFakeFiles(root);

        EXPECT_EQ(readRealFile(kCdpdPath), oldCdpd) << row.why;
        EXPECT_EQ(readRealFile(kTargetPath), oldTargets) << row.why;
        EXPECT_FALSE(realFileExists(u"\\Windows\\zqCDPD.new")) << row.why;
        EXPECT_FALSE(realFileExists(u"\\Windows\\zq3GTrack.new")) << row.why;
    }
}

// A save flushes its new file before that file takes the old one's place, so after a power loss
// the list on disk is the old one or the whole new one, never a new name over bytes the disk
// never got.
TEST_F(ListFiles, ASaveFlushesItsNewFileBeforeItTakesTheOldOnesPlace) {
    for (const char16_t* path : {kCdpdPath, kTargetPath}) {
        resetFakeFiles(root);
        if (path == kCdpdPath)
            ASSERT_TRUE(saveCdpdList(path, moduleState.cdpdList, 1));
        else
            ASSERT_TRUE(saveTargetList(path, moduleState.targetList, 1));
        std::string real = realPath(path), fresh = real + ".new";
        std::vector<std::string> order;
        for (const FileEvent& e : fakeFiles.events) {
            std::string step = e.kind == FileEvent::Write   ? "write "
                               : e.kind == FileEvent::Flush ? "flush "
                                                            : "replace ";
            step += e.path == fresh ? "new" : e.path == real ? "list" : e.path;
            if (order.empty() || order.back() != step)
                order.push_back(step);
        }
        EXPECT_EQ(order, (std::vector<std::string>{"write new", "flush new", "replace list"}))
            << real;
    }
}

}  // namespace
