// The tracking server stand-in's core: its answers byte for byte, what it drops, a full store,
// and its store file, both as bytes and on disk (saves that never lose the old store, damaged
// files kept aside).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "trackserver/server_store.h"
#include "trackserver/store_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A body whose 24 bytes all differ, so a byte landing at the wrong offset shows.
void putBody(Bytes& b, uint8_t seed) {
    for (size_t i = 0; i < kPositionBodySize; ++i)
        b[kPositionBodyOffset + i] = uint8_t(seed + i);
}

void putId(Bytes& b, const char* id, size_t length) {
    std::memcpy(&b[8], id, length);
}

// An own report as the module sends it: 152 bytes, 'o', the id, the body.
Bytes ownReport(const char* id, uint8_t seed) {
    Bytes b(kMessageSize, 0);
    b[0] = 'o';
    putId(b, id, std::strlen(id));
    putBody(b, seed);
    return b;
}

// A target query as the module sends it: 24 bytes, 'm', the id.
Bytes targetQuery(const char* id) {
    Bytes b(kShortMessageSize, 0);
    b[0] = 'm';
    putId(b, id, std::strlen(id));
    return b;
}

// The target report the server should send: 152 bytes, 'n', the id, the body or zeros.
Bytes targetReport(const char* id, int seed) {
    Bytes b(kMessageSize, 0);
    b[0] = 'n';
    putId(b, id, std::strlen(id));
    if (seed >= 0)
        putBody(b, uint8_t(seed));
    return b;
}

class Server : public testing::Test {
  protected:
    ServerOutcome send(const Bytes& datagram) {
        std::memset(&reply, 0xA5, sizeof reply);
        replyLength = 99;
        return handleServerDatagram(&store, datagram.data(), datagram.size(), &reply,
                                    &replyLength);
    }
    // The reply as it goes on the wire.
    Bytes sent() const {
        const auto* p = reinterpret_cast<const uint8_t*>(&reply);
        return Bytes(p, p + replyLength);
    }

    ServerStore store;
    PositionMessage reply;
    size_t replyLength = 0;
};

TEST_F(Server, TargetReportCarriesTheLatestOwnReportByteForByte) {
    EXPECT_EQ(send(ownReport("abc", 1)), ServerOutcome::Stored);
    EXPECT_EQ(replyLength, 0u) << "an own report is not answered";
    EXPECT_EQ(send(ownReport("abc", 50)), ServerOutcome::Updated);
    EXPECT_EQ(store.accounts.size(), 1u);

    EXPECT_EQ(send(targetQuery("abc")), ServerOutcome::Answered);
    EXPECT_EQ(sent(), targetReport("abc", 50));
    EXPECT_EQ(classifyTargetReport(reply), TargetReportContent::Position);
}

TEST_F(Server, NeverHeardOfIdIsAnsweredWithZeros) {
    EXPECT_EQ(send(targetQuery("T7")), ServerOutcome::AnsweredUnknown);
    EXPECT_EQ(sent(), targetReport("T7", -1));
    send(ownReport("T8", 1));
    EXPECT_EQ(send(targetQuery("T7")), ServerOutcome::AnsweredUnknown);
    EXPECT_EQ(sent(), targetReport("T7", -1));
    // What the module makes of it: not located yet, rather than a position at 0,0.
    EXPECT_EQ(classifyTargetReport(reply), TargetReportContent::NotLocatedYet);
}

TEST_F(Server, AccountsAreKeptApartAndAnIdEndsAtItsZero) {
    send(ownReport("a", 10));
    send(ownReport("ab", 20));
    send(ownReport("abc", 30));
    send(ownReport("fifteen-chars-1", 40));  // the longest id there is

    // Stray bytes after the zero are not part of the id, in a report or a query.
    Bytes stray = ownReport("ab", 25);
    stray[11] = 'z';
    stray[23] = 'q';
    EXPECT_EQ(send(stray), ServerOutcome::Updated);
    Bytes strayQuery = targetQuery("a");
    strayQuery[10] = 'x';
    EXPECT_EQ(send(strayQuery), ServerOutcome::Answered);
    EXPECT_EQ(sent(), targetReport("a", 10));

    struct Case {
        const char* id;
        int seed;
    } cases[] = {{"a", 10}, {"ab", 25}, {"abc", 30}, {"fifteen-chars-1", 40}, {"abcd", -1}};
    for (const Case& c : cases) {
        send(targetQuery(c.id));
        EXPECT_EQ(sent(), targetReport(c.id, c.seed)) << c.id;
    }
}

TEST_F(Server, ShortestAndLongestDatagramsOfEachKindAreTaken) {
    Bytes shortest = ownReport("abc", 7);
    shortest.resize(kOwnReportMinLength);
    EXPECT_EQ(send(shortest), ServerOutcome::Stored);

    Bytes longQuery = targetQuery("abc");
    longQuery.resize(kMessageSize, 0xEE);  // what follows the id is not looked at
    EXPECT_EQ(send(longQuery), ServerOutcome::Answered);
    EXPECT_EQ(sent(), targetReport("abc", 7));
}

TEST_F(Server, MalformedDatagramsAreDroppedWithoutTouchingTheStore) {
    send(ownReport("abc", 1));
    const Bytes before = encodeStoreFile(store);

    Bytes unterminated = ownReport("", 1);
    putId(unterminated, "sixteen-chars-12", 16);
    Bytes unterminatedQuery = targetQuery("");
    putId(unterminatedQuery, "sixteen-chars-12", 16);
    Bytes emptyIdWithStray = ownReport("", 1);
    emptyIdWithStray[9] = 'x';
    Bytes shortReport = ownReport("abc", 9);
    shortReport.resize(kOwnReportMinLength - 1);
    Bytes shortestReport = ownReport("abc", 9);
    shortestReport.resize(kShortMessageSize);
    Bytes shortQuery = targetQuery("abc");
    shortQuery.resize(kShortMessageSize - 1);
    Bytes longReport = ownReport("abc", 9);
    longReport.push_back(0);
    Bytes longQuery = targetQuery("abc");
    longQuery.resize(kMessageSize + 1);
    Bytes report = targetReport("abc", 9);
    Bytes position = ownReport("abc", 9);
    position[0] = 'U';
    Bytes locate(kMessageSize, 0);
    locate[0] = 'l';
    locate[36] = 4;
    Bytes zeroKind = ownReport("abc", 9);
    zeroKind[0] = 0;

    struct Case {
        const char* name;
        Bytes datagram;
        ServerOutcome outcome;
    } cases[] = {
        {"empty", {}, ServerOutcome::TooShort},
        {"one byte 'm'", {'m'}, ServerOutcome::TooShort},
        {"query of 23 bytes", shortQuery, ServerOutcome::TooShort},
        {"report of 47 bytes", shortReport, ServerOutcome::TooShort},
        {"report of 24 bytes", shortestReport, ServerOutcome::TooShort},
        {"report of 153 bytes", longReport, ServerOutcome::TooLong},
        {"query of 153 bytes", longQuery, ServerOutcome::TooLong},
        {"report, id of 16 bytes", unterminated, ServerOutcome::IdNotTerminated},
        {"query, id of 16 bytes", unterminatedQuery, ServerOutcome::IdNotTerminated},
        {"report, empty id", ownReport("", 9), ServerOutcome::IdEmpty},
        {"report, empty id, bytes after", emptyIdWithStray, ServerOutcome::IdEmpty},
        {"query, empty id", targetQuery(""), ServerOutcome::IdEmpty},
        {"target report", report, ServerOutcome::OtherKind},
        {"position", position, ServerOutcome::OtherKind},
        {"locate request", locate, ServerOutcome::OtherKind},
        {"kind 0", zeroKind, ServerOutcome::OtherKind},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(send(c.datagram), c.outcome) << c.name;
        EXPECT_EQ(replyLength, 0u) << c.name;
        EXPECT_EQ(encodeStoreFile(store), before) << c.name;
        EXPECT_FALSE(changesStore(c.outcome)) << c.name;
    }
}

TEST_F(Server, FullStoreRefusesNewAccountsButKeepsServingKnownOnes) {
    for (size_t i = 0; i < kStoreCapacity; ++i)
        ASSERT_EQ(send(ownReport(("acct" + std::to_string(i)).c_str(), 1)),
                  ServerOutcome::Stored) << i;
    EXPECT_EQ(send(ownReport("newcomer", 2)), ServerOutcome::StoreFull);
    EXPECT_EQ(store.accounts.size(), kStoreCapacity);
    EXPECT_EQ(send(targetQuery("newcomer")), ServerOutcome::AnsweredUnknown);

    EXPECT_EQ(send(ownReport("acct4095", 3)), ServerOutcome::Updated);
    send(targetQuery("acct4095"));
    EXPECT_EQ(sent(), targetReport("acct4095", 3));
}

// ---- The store file as bytes ----

// "LVTSTORE", version 1, then the count and the records.
Bytes storeHeader(uint32_t count) {
    Bytes b = {'L', 'V', 'T', 'S', 'T', 'O', 'R', 'E', 1, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(count >> (8 * i)));
    return b;
}

Bytes storeRecord(const char* id, size_t idLength, uint8_t seed) {
    Bytes b(kStoreRecordSize, 0);
    std::memcpy(b.data(), id, idLength);
    for (size_t i = 0; i < kPositionBodySize; ++i)
        b[kMessageIdSize + i] = uint8_t(seed + i);
    return b;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Two accounts: "abc" at offset 16, "T7" at offset 56.
Bytes twoAccountFile() {
    return storeHeader(2) + storeRecord("abc", 3, 1) + storeRecord("T7", 2, 100);
}

TEST_F(Server, StoreFileIsTheHeaderAndTheRecordsInOrderOfFirstReport) {
    EXPECT_EQ(encodeStoreFile(store), storeHeader(0));
    send(ownReport("abc", 9));
    send(ownReport("T7", 100));
    send(ownReport("abc", 1));
    EXPECT_EQ(encodeStoreFile(store), twoAccountFile());
}

TEST_F(Server, StoreFileRoundTripAnswersAsBefore) {
    send(ownReport("abc", 1));
    send(ownReport("fifteen-chars-1", 2));
    send(ownReport("x", 3));
    Bytes file = encodeStoreFile(store);

    ServerStore loaded;
    StoreFileError error{};
    ASSERT_TRUE(decodeStoreFile(file.data(), file.size(), &loaded, &error)) << error.reason;
    EXPECT_EQ(encodeStoreFile(loaded), file);
    store = loaded;
    for (const char* id : {"abc", "fifteen-chars-1", "x"}) {
        EXPECT_EQ(send(targetQuery(id)), ServerOutcome::Answered) << id;
    }
    send(targetQuery("fifteen-chars-1"));
    EXPECT_EQ(sent(), targetReport("fifteen-chars-1", 2));
}

TEST(StoreFile, DamagedFilesSayWhereAndLeaveTheStoreEmpty) {
    const Bytes good = twoAccountFile();
    auto with = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
        return b;
    };
    auto cut = [&](size_t size) { return Bytes(good.begin(), good.begin() + long(size)); };
    Bytes sixteenCharId = storeHeader(1) + storeRecord("sixteen-chars-12", 16, 1);

    struct Case {
        const char* name;
        Bytes file;
        size_t offset;
        const char* reason;
    } cases[] = {
        {"empty file", {}, 0, "not a store file (magic)"},
        {"magic", with(0, {'l'}), 0, "not a store file (magic)"},
        {"version 2", with(8, {2}), 8, "unknown version"},
        {"cut in the version", cut(10), 8, "file ends inside the header"},
        {"cut in the count", cut(14), 12, "file ends inside the header"},
        {"count above capacity", storeHeader(kStoreCapacity + 1), 12,
         "more accounts than the store holds"},
        {"count 3, two records", with(12, {3}), 96, "file ends inside a record"},
        {"cut in a record", cut(95), 56, "file ends inside a record"},
        {"count 1, two records", with(12, {1}), 56, "bytes after the last record"},
        {"a byte after the records", good + Bytes{0}, 96, "bytes after the last record"},
        {"id not terminated", sixteenCharId, 16, "id not terminated"},
        {"empty id", with(56, {0, 0}), 56, "empty id"},
        {"byte after the id's zero", with(56 + 15, {'x'}), 56, "bytes after the id's zero"},
        {"id stored twice", with(56, {'a', 'b', 'c'}), 56, "id stored twice"},
    };
    for (const Case& c : cases) {
        ServerStore store;
        store.accounts.push_back(StoredAccount{{'o', 'l', 'd'}, {}});
        StoreFileError error{};
        EXPECT_FALSE(decodeStoreFile(c.file.data(), c.file.size(), &store, &error)) << c.name;
        EXPECT_TRUE(store.accounts.empty()) << c.name;
        EXPECT_EQ(error.offset, c.offset) << c.name;
        EXPECT_STREQ(error.reason, c.reason) << c.name;
    }
}

TEST(StoreFile, EveryTruncationIsDamage) {
    const Bytes good = twoAccountFile();
    for (size_t size = 0; size < good.size(); ++size) {
        ServerStore store;
        StoreFileError error{};
        EXPECT_FALSE(decodeStoreFile(good.data(), size, &store, &error)) << size;
        EXPECT_TRUE(store.accounts.empty()) << size;
        EXPECT_LE(error.offset, size) << size;
    }
}

// ---- The store file on disk ----

class StoreOnDisk : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/lorvane-trackserver-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        path = folder + "/store";
        store.accounts.push_back(StoredAccount{{'a', 'b', 'c'}, {1, 2, 3}});
        store.accounts.push_back(StoredAccount{{'T', '7'}, {4, 5, 6}});
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    static Bytes contents(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static void write(const std::string& p, const Bytes& bytes) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    }
    static bool exists(const std::string& p) { return std::filesystem::exists(p); }

    std::string folder, path, message;
    ServerStore store;
};

TEST_F(StoreOnDisk, SavedStoreLoadsAgainAndLeavesNoNewFile) {
    ASSERT_TRUE(saveStoreFile(path, store, &message)) << message;
    EXPECT_EQ(contents(path), encodeStoreFile(store));
    EXPECT_FALSE(exists(path + ".new"));

    ServerStore loaded;
    EXPECT_EQ(loadStoreFile(path, &loaded, &message), StoreLoad::Loaded);
    EXPECT_EQ(encodeStoreFile(loaded), encodeStoreFile(store));
    EXPECT_EQ(message, "");
}

TEST_F(StoreOnDisk, MissingFileStartsEmpty) {
    ServerStore loaded = store;
    EXPECT_EQ(loadStoreFile(path, &loaded, &message), StoreLoad::Missing);
    EXPECT_TRUE(loaded.accounts.empty());
    EXPECT_EQ(message, "");
}

TEST_F(StoreOnDisk, DamagedFileIsReportedKeptAsideAndTheServerStartsEmpty) {
    Bytes damaged = encodeStoreFile(store);
    damaged.pop_back();
    write(path, damaged);

    ServerStore loaded = store;
    EXPECT_EQ(loadStoreFile(path, &loaded, &message), StoreLoad::Damaged);
    EXPECT_TRUE(loaded.accounts.empty());
    EXPECT_NE(message.find("offset 56 (file ends inside a record)"), std::string::npos)
        << message;
    EXPECT_NE(message.find(path + ".damaged"), std::string::npos) << message;
    // The first save must not destroy what may still be read by hand.
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(contents(path + ".damaged"), damaged);
    ASSERT_TRUE(saveStoreFile(path, loaded, &message)) << message;
    EXPECT_EQ(contents(path + ".damaged"), damaged);
}

TEST_F(StoreOnDisk, FailedSaveLeavesTheOldStore) {
    ASSERT_TRUE(saveStoreFile(path, store, &message)) << message;
    const Bytes old = contents(path);
    // A folder where the new file should go: the save cannot create it.
    ASSERT_EQ(mkdir((path + ".new").c_str(), 0755), 0);
    ServerStore bigger = store;
    bigger.accounts.push_back(StoredAccount{{'n', 'e', 'w'}, {}});
    EXPECT_FALSE(saveStoreFile(path, bigger, &message));
    EXPECT_NE(message.find(path + ".new"), std::string::npos) << message;
    EXPECT_EQ(contents(path), old);
}

TEST_F(StoreOnDisk, NewFileLeftByACrashIsReplaced) {
    write(path + ".new", Bytes(300, 0xEE));
    ASSERT_TRUE(saveStoreFile(path, store, &message)) << message;
    EXPECT_EQ(contents(path), encodeStoreFile(store));
    EXPECT_FALSE(exists(path + ".new"));
}

TEST_F(StoreOnDisk, StoreThatCannotBeReadIsNotTakenForEmpty) {
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);  // reading a folder fails
    ServerStore loaded = store;
    EXPECT_EQ(loadStoreFile(path, &loaded, &message), StoreLoad::Unreadable);
    EXPECT_TRUE(loaded.accounts.empty());
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_TRUE(std::filesystem::is_directory(path)) << "nothing was moved";
}

} // namespace
