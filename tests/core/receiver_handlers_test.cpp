// The receiver's handlers with real track files under a test root: who a position is logged
// under, which target reports count, when the user is told a target is not located yet, and how
// the datagrams that queue up are handled as one round.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "exchange/dispatch.h"
#include "module/module_state.h"
#include "module/text.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"

namespace {

constexpr uint32_t kPeer = 0x0A00A8C0;    // 192.168.0.10
constexpr uint32_t kOther = 0x0B00A8C0;   // 192.168.0.11
constexpr uint32_t kServer = 0x0300A8C0;  // 192.168.0.3

class Handlers : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        root = makeTestRoot();
        resetFakeFiles(root);
        fakeFiles.now = LocalTime{2002, 12, 0, 8, 14, 5, 9, 0};
        copyToWide("\\My Documents", moduleState.documentsFolder);
        moduleState.udpSocket = 3;
        moduleState.serverAddress = kServer;
    }
    void TearDown() override { removeTestRoot(root); }

    void addEntry(uint32_t address, const char* description, int32_t icon) {
        CdpdAddress& e = moduleState.cdpdList[moduleState.cdpdCount++];
        e.address = address;
        std::strncpy(e.description, description, sizeof e.description);
        e.iconIndex = icon;
    }
    void addTarget(const char16_t* id, const char* description, int32_t icon) {
        ThreeGTarget& t = moduleState.targetList[moduleState.targetCount++];
        std::memcpy(t.targetId, id, (std::char_traits<char16_t>::length(id) + 1) * 2);
        std::strncpy(t.description, description, sizeof t.description);
        t.iconIndex = icon;
    }
    static PositionMessage position(char kind, int32_t latitude, int32_t longitude,
                                    uint8_t quality, const char* id = "") {
        PositionMessage m{};
        m.kind = kind;
        m.latitude = latitude;
        m.longitude = longitude;
        m.quality = quality;
        std::strncpy(m.id, id, sizeof m.id);
        return m;
    }
    void receive(const PositionMessage& m, uint32_t from) {
        handleDatagram(reinterpret_cast<const uint8_t*>(&m), sizeof m, destinationFor(from, 28695));
    }
    // The names of the track files the host was told of, in order.
    std::vector<std::string> told() const {
        std::vector<std::string> names;
        for (const auto& n : fakeFiles.notifications)
            names.push_back(n.fileName);
        return names;
    }
    // The symbol number of a one-record file's newest (last) record.
    uint32_t lastSymbol(const char16_t* path) {
        std::vector<uint8_t> bytes = readRealFile(path);
        EXPECT_GE(bytes.size(), 4u);
        const uint8_t* p = bytes.data() + bytes.size() - 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    std::string root;
};

TEST_F(Handlers, APeerPositionIsLoggedUnderItsEntryUpToTheSlash) {
    addEntry(kOther, "Van", 1);
    addEntry(kPeer, "Truck 7/north/gate", 2);
    addEntry(kPeer, "Second of the same address", 5);
    receive(position('U', 12, -34, 4), kPeer);
    EXPECT_EQ(told(), std::vector<std::string>{"Truck 7(12.8.2002).way"});
    EXPECT_EQ(lastSymbol(u"\\My Documents\\Truck 7(12.8.2002).way"), 26u) << "the icon of entry 1";
}

TEST_F(Handlers, AnUnlistedSenderIsLoggedUnderItsDottedAddressWithTheSelectedIcon) {
    addEntry(kOther, "Van", 3);
    moduleState.cdpdSelection = 0;
    receive(position('U', 12, -34, 4), kPeer);
    EXPECT_EQ(told(), std::vector<std::string>{"192.168.0.10(12.8.2002).way"});
    EXPECT_EQ(lastSymbol(u"\\My Documents\\192.168.0.10(12.8.2002).way"), 27u);

    moduleState.cdpdList[1].iconIndex = 5;  // a slot beyond the list, never an entry's
    for (int32_t selection : {-1, 1, 49}) {  // no entry selected: icon 0
        moduleState.cdpdSelection = selection;
        receive(position('U', 12, -34, 4), kPeer);
        EXPECT_EQ(lastSymbol(u"\\My Documents\\192.168.0.10(12.8.2002).way"), 24u) << selection;
    }
}

TEST_F(Handlers, ADescriptionFullToTheBrimIsReadWithinItsField) {
    CdpdAddress& e = moduleState.cdpdList[moduleState.cdpdCount++];
    e.address = kPeer;
    std::memset(e.description, 'D', sizeof e.description);  // no zero, no slash
    e.iconIndex = 0;  // the field after the description: must not leak into the name
    receive(position('U', 12, -34, 4), kPeer);
    EXPECT_EQ(told(), std::vector<std::string>{std::string(52, 'D') + "(12.8.2002).way"});
}

TEST_F(Handlers, InvalidPositionsAndOtherKindsLogNothing) {
    addEntry(kPeer, "Truck", 0);
    receive(position('U', 12, -34, 2), kPeer);   // quality 2
    receive(position('U', 0, 0, 4), kPeer);      // both coordinates 0
    receive(position('U', 900000000, 1, 4), kPeer);
    receive(position('x', 12, -34, 4), kPeer);
    receive(position('m', 12, -34, 4), kServer);
    receive(position('o', 12, -34, 4, "T7"), kServer);
    EXPECT_TRUE(told().empty());
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(Handlers, LoggingListedSendersOnlyDropsStrangersButNotTheServer) {
    moduleState.logPolicy = LogPolicy::Listed;
    addEntry(kPeer, "Truck", 1);
    addTarget(u"T7", "Car", 2);
    receive(position('U', 12, -34, 4), kOther);  // not listed
    EXPECT_TRUE(told().empty());
    EXPECT_TRUE(fakeFiles.opened.empty()) << "a stranger made the module touch a file";
    receive(position('U', 12, -34, 4), kPeer);
    receive(position('n', 56, 78, 4, "T7"), kServer);
    EXPECT_EQ(told(), (std::vector<std::string>{"Truck(12.8.2002).way", "Car(12.8.2002).way"}));
}

// Before the server's name resolves (address 0) nobody is the server, not even a datagram that
// claims to come from 0.0.0.0: no report is logged and no message stops the receiver.
TEST_F(Handlers, NoSenderIsTheServerWhileItIsUnresolved) {
    moduleState.serverAddress = 0;
    addTarget(u"T7", "Seven", 2);
    for (uint32_t from : {kServer, 0u}) {
        receive(position('n', 56, 78, 4, "T7"), from);
        receive(position('n', 0, 0, 0, "T7"), from);
    }
    EXPECT_TRUE(told().empty());
    EXPECT_TRUE(fake.messageBoxes.empty());
}

// A report names a target by its whole ID: not one that its ID only begins, nor one that begins it.
TEST_F(Handlers, AReportNamesATargetByItsWholeId) {
    addTarget(u"T70", "Seventy", 1);
    addTarget(u"T7", "Seven", 2);
    receive(position('n', 56, 78, 4, "T"), kServer);
    receive(position('n', 56, 78, 4, "T7"), kServer);
    receive(position('n', 56, 78, 4, "T700"), kServer);
    EXPECT_EQ(told(), std::vector<std::string>{"Seven(12.8.2002).way"});
}

TEST_F(Handlers, TargetReportsFromTheServerAreLoggedOncePerChange) {
    addTarget(u"T7", "Blue car/rental", 4);
    struct {
        int32_t latitude, longitude;
        uint32_t from;
        const char* id;
        bool logged;
    } reports[] = {
        {100, 200, kServer, "T7", true},
        {100, 200, kServer, "T7", false},  // unchanged
        {100, 201, kServer, "T7", true},
        {100, 200, kServer, "T7", true},   // the same again after a different one
        {300, 400, kOther, "T7", false},   // not from the server
        {300, 400, kServer, "T8", false},  // not listed
        {300, 400, kServer, "t7", false},  // IDs are case-sensitive
    };
    size_t expected = 0;
    for (auto r : reports) {
        receive(position('n', r.latitude, r.longitude, 4, r.id), r.from);
        expected += r.logged;
        EXPECT_EQ(fakeFiles.notifications.size(), expected)
            << r.latitude << "," << r.longitude << " from " << std::hex << r.from << " " << r.id;
    }
    EXPECT_EQ(told().front(), "Blue car(12.8.2002).way");
    EXPECT_EQ(moduleState.targetList[0].lastLatitude, 100);
    EXPECT_EQ(moduleState.targetList[0].lastLongitude, 200);
}

TEST_F(Handlers, NotLocatedYetIsShownOnlyFromTheServerAndWhileTrackingIsOff) {
    receive(position('n', 0, 0, 0, "T9"), kServer);
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.messageBoxes[0].text, u"T9 hasn't been located yet.");
    EXPECT_EQ(fake.messageBoxes[0].caption, u"Orlisk GPS");
    EXPECT_EQ(fake.messageBoxes[0].type, 0x10000u);

    receive(position('n', 0, 0, 0, "T9"), kOther);  // anybody else: nothing
    receive(position('n', 0, 0, 1, "T9"), kServer); // quality 1: carries nothing
    moduleState.trackTimer = 5;
    receive(position('n', 0, 0, 0, "T9"), kServer); // tracking on: ignored
    EXPECT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_TRUE(told().empty());
}

TEST_F(Handlers, AnIdWithoutAZeroIsReadAsItsSixteenBytes) {
    addTarget(u"ABCDEFGHIJKLMNOP", "Sixteen", 0);  // fills targetId with no terminator
    receive(position('n', 5, 6, 4, "ABCDEFGHIJKLMNOPQRS"), kServer);
    EXPECT_EQ(told(), std::vector<std::string>{"Sixteen(12.8.2002).way"});
    receive(position('n', 0, 0, 0, "ABCDEFGHIJKLMNOPQRS"), kServer);
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.messageBoxes[0].text, u"ABCDEFGHIJKLMNOP hasn't been located yet.");
}

TEST_F(Handlers, AShortDatagramIsReadWithZerosAfterIt) {
    addTarget(u"T7", "Car", 0);
    PositionMessage m = position('n', 7, 8, 4, "T7");
    handleDatagram(reinterpret_cast<const uint8_t*>(&m), 38, destinationFor(kServer, 28695));
    EXPECT_EQ(fakeFiles.notifications.size(), 1u);
    // Cut before the quality byte: a report without quality carries nothing.
    m.latitude = 9;
    handleDatagram(reinterpret_cast<const uint8_t*>(&m), 37, destinationFor(kServer, 28695));
    EXPECT_EQ(fakeFiles.notifications.size(), 1u);
}

} // namespace

namespace {

// The host's thread rewrites the target list (as the 3G dialog does, under the list lock) while
// the receiver logs reports for it. Under ThreadSanitizer this shows the handlers never read a
// record that is being written; everywhere it shows that every report is logged under one of the
// names the record ever had, never a mix.
TEST_F(Handlers, ReportsAreLoggedWhileTheListIsEditedOnAnotherThread) {
    addTarget(u"T7", "Car", 0);
    std::atomic<bool> done{false};
    std::thread dialog([&] {
        for (int i = 0; !done; ++i) {
            std::lock_guard<std::mutex> hold(moduleState.listLock);
            ThreeGTarget& t = moduleState.targetList[0];
            std::strncpy(t.description, i % 2 ? "Lorry" : "Car", sizeof t.description);
            t.iconIndex = i % 6;
        }
    });
    for (int i = 1; i <= 200; ++i)
        receive(position('n', i, i, 4, "T7"), kServer);
    done = true;
    dialog.join();
    ASSERT_EQ(fakeFiles.notifications.size(), 200u);
    for (const auto& n : fakeFiles.notifications)
        EXPECT_TRUE(n.fileName == "Car(12.8.2002).way" || n.fileName == "Lorry(12.8.2002).way")
            << n.fileName;
}

} // namespace

namespace {

// Rounds: the receiver takes what waits in the socket, answering at once, and writes the
// positions only when nothing waits behind them, one flush per file, before it tells the host.
class Rounds : public Handlers {
  protected:
    // As the receiver's loop does it: a look before each receive, then the datagram taken, with
    // `behind` datagrams still waiting after it.
    void arrive(const PositionMessage& m, uint32_t from, int behind) {
        writeHeldPositionsUnlessMoreWait();
        fake.datagramsWaiting = behind;
        takeDatagram(reinterpret_cast<const uint8_t*>(&m), sizeof m, destinationFor(from, 28695));
    }
    // The loop's look before its next receive.
    void lookBeforeReceive() { writeHeldPositionsUnlessMoreWait(); }
};

TEST_F(Rounds, WhatQueuedIsWrittenOnceNothingWaitsWithOneFlushPerFileAndToldInOrder) {
    addEntry(kPeer, "Truck", 1);
    addEntry(kOther, "Van", 2);
    addTarget(u"T7", "Car", 3);
    const std::pair<PositionMessage, uint32_t> queue[] = {
        {position('U', 11, -34, 4), kPeer},        {position('U', 21, -34, 4), kOther},
        {position('n', 31, 78, 4, "T7"), kServer}, {position('U', 12, -34, 4), kPeer},
        {position('U', 22, -34, 4), kOther},       {position('U', 13, -34, 4), kPeer},
    };
    int behind = int(std::size(queue));
    for (const auto& [m, from] : queue) {
        arrive(m, from, --behind);
        EXPECT_TRUE(told().empty()) << "told before the round was written";
    }
    EXPECT_TRUE(flushedPaths().empty());
    lookBeforeReceive();

    EXPECT_EQ(told(), (std::vector<std::string>{"Truck(12.8.2002).way", "Van(12.8.2002).way",
                                                "Car(12.8.2002).way", "Truck(12.8.2002).way",
                                                "Van(12.8.2002).way", "Truck(12.8.2002).way"}));
    std::vector<std::string> flushed = flushedPaths();
    std::sort(flushed.begin(), flushed.end());
    EXPECT_EQ(flushed, (std::vector<std::string>{root + "/My Documents/Car(12.8.2002).way",
                                                 root + "/My Documents/Truck(12.8.2002).way",
                                                 root + "/My Documents/Van(12.8.2002).way"}));
    for (const HostNotification& n : fakeFiles.notifications)
        EXPECT_EQ(n.flushesBefore, 3u) << n.fileName << " told before every file was flushed";
    EXPECT_EQ(readRealFile(u"\\My Documents\\Truck(12.8.2002).way").size(),
              68u + 3 * (8 + 33 + 25)) << "Truck.1 to Truck.3";

    // The next position, alone, is written and told at once.
    arrive(position('U', 14, -34, 4), kPeer, 0);
    lookBeforeReceive();
    EXPECT_EQ(told().size(), 7u);
}

TEST_F(Rounds, ALocateRequestIsAnsweredAtOnceAndAMessageBoxWaitsForWhatCameBefore) {
    fake.hasFix = true;
    fake.fix.latitude = 523456789;
    fake.fix.longitude = 134567891;
    addEntry(kPeer, "Truck", 1);
    arrive(position('U', 11, -34, 4), kPeer, 3);
    arrive(makeLocateRequest(), kOther, 2);
    EXPECT_EQ(fake.sent.size(), 1u) << "the answer waited for the round";
    EXPECT_TRUE(told().empty());

    // The box waits for the user: the position before it is on the disk and told first.
    arrive(position('n', 0, 0, 0, "T9"), kServer, 1);
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(told(), std::vector<std::string>{"Truck(12.8.2002).way"});

    arrive(position('U', 12, -34, 4), kPeer, 0);
    lookBeforeReceive();
    EXPECT_EQ(told().size(), 2u);
}

TEST_F(Rounds, AFullRoundIsWrittenBeforeItTakesMore) {
    addEntry(kPeer, "Truck", 1);
    for (size_t i = 1; i <= kRoundPositions; ++i)
        arrive(position('U', int32_t(i), -34, 4), kPeer, 100);
    EXPECT_TRUE(told().empty());
    arrive(position('U', 9999, -34, 4), kPeer, 99);
    EXPECT_EQ(told().size(), kRoundPositions) << "the full round, before the next position";
    EXPECT_EQ(flushedPaths().size(), 1u);
    fake.datagramsWaiting = 0;
    lookBeforeReceive();
    EXPECT_EQ(told().size(), kRoundPositions + 1);
}

} // namespace
