#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "module/module_state.h"
#include "tests/core/fake_platform.h"
#include "threeg/server_link.h"

namespace {

constexpr uint32_t kServer = 0x0300A8C0;  // 192.168.0.3

class ServerLink : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        std::memcpy(moduleState.serverName, u"tracker", sizeof(u"tracker"));
        fake.hosts["tracker"] = kServer;
        std::memcpy(moduleState.accountId, u"abc", sizeof(u"abc"));
        moduleState.udpSocket = 7;
        moduleState.endpointBound = true;
        fake.hasFix = true;
        fake.fix.latitude = 10;
        fake.fix.longitude = 20;
        addTarget(u"T7", 1.0f);
    }
    void addTarget(const char16_t* id, float frequency) {
        ThreeGTarget& t = moduleState.targetList[moduleState.targetCount++];
        std::memcpy(t.targetId, id, (std::char_traits<char16_t>::length(id) + 1) * 2);
        t.frequency = frequency;
    }
};

TEST_F(ServerLink, OwnReportGoesToTheServerAtPort28695UnderTheAccount) {
    sendOwnReport();
    ASSERT_EQ(fake.sent.size(), 1u);
    const SentDatagram& d = fake.sent[0];
    EXPECT_EQ(d.to.address, kServer);
    EXPECT_EQ(wirePortOf(d.to), 28695);
    ASSERT_EQ(d.bytes.size(), 152u);
    EXPECT_EQ(d.bytes[0], 'o');
    EXPECT_EQ(std::memcmp(&d.bytes[8], "abc\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), 0);
    EXPECT_EQ(d.bytes[24], 1);  // latitude 10 / 10
}

TEST_F(ServerLink, EachConditionThatStopsAnOwnReport) {
    struct {
        const char* what;
        void (*spoil)();
    } cases[] = {
        {"unresolvable server", [] { fake.hosts.clear(); }},
        {"no account", [] { moduleState.accountId[0] = 0; }},
        {"endpoint not bound", [] { moduleState.endpointBound = false; }},
        {"no fix", [] { fake.hasFix = false; }},
        {"no socket", [] { moduleState.udpSocket = kNoSocket; }},
    };
    for (auto c : cases) {
        SetUp();
        c.spoil();
        sendOwnReport();
        EXPECT_TRUE(fake.sent.empty()) << c.what;
    }
}

TEST_F(ServerLink, TheLookupIsLazyAndRetriedUntilItSucceeds) {
    fake.hosts.clear();
    sendOwnReport();
    sendTargetQuery(0);
    EXPECT_EQ(fake.lookups.size(), 2u) << "every send tries again while unresolved";
    EXPECT_EQ(moduleState.serverAddress, 0u);
    fake.hosts["tracker"] = kServer;
    sendOwnReport();
    sendOwnReport();
    EXPECT_EQ(fake.lookups.size(), 3u) << "once resolved, the address is kept";
    EXPECT_EQ(fake.sent.size(), 2u);
}

TEST_F(ServerLink, TargetQueryNeedsNeitherAccountNorFix) {
    moduleState.accountId[0] = 0;
    fake.hasFix = false;
    sendTargetQuery(0);
    ASSERT_EQ(fake.sent.size(), 1u);
    const SentDatagram& d = fake.sent[0];
    ASSERT_EQ(d.bytes.size(), 24u);
    const uint8_t expected[24] = {'m', 0, 0, 0, 0, 0, 0, 0, 'T', '7'};
    EXPECT_EQ(std::memcmp(d.bytes.data(), expected, 24), 0);
    EXPECT_EQ(wirePortOf(d.to), 28695);
    EXPECT_EQ(fake.fixRequests, 0);
}

TEST_F(ServerLink, EachConditionThatStopsATargetQuery) {
    struct {
        const char* what;
        void (*spoil)();
    } cases[] = {
        {"unresolvable server", [] { fake.hosts.clear(); }},
        {"endpoint not bound", [] { moduleState.endpointBound = false; }},
        {"no socket", [] { moduleState.udpSocket = kNoSocket; }},
    };
    for (auto c : cases) {
        SetUp();
        c.spoil();
        sendTargetQuery(0);
        EXPECT_TRUE(fake.sent.empty()) << c.what;
    }
}

TEST_F(ServerLink, ATargetQueryForASlotOutsideTheListSendsNothing) {
    for (int32_t index : {-1, 1, 24, 25, 1000})
        sendTargetQuery(index);
    EXPECT_TRUE(fake.sent.empty());
}

TEST_F(ServerLink, TrackPeriodIsTheFrequencyInSinglePrecisionMilliseconds) {
    struct {
        float frequency;
        bool starts;
        uint32_t period;
    } cases[] = {
        {1.0f, true, 60000},     {0.5f, true, 30000},  {1.5f, true, 90000},
        {0.1f, true, 6000},      {0.05f, true, 3000},  {0.01f, true, 600},
        {2.55f, true, 153000},   {0.0f, false, 0},     {-1.0f, false, 0},
        {1e30f, true, UINT32_MAX}, {std::nanf(""), false, 0},
    };
    for (auto c : cases) {
        moduleState.targetList[0].frequency = c.frequency;
        uint32_t period = 0;
        EXPECT_EQ(trackPeriodForSelection(&period), c.starts) << c.frequency;
        if (c.starts)
            EXPECT_EQ(period, c.period) << c.frequency;
    }
}

TEST_F(ServerLink, ASelectionThatNamesNoTargetRefusesToTrack) {
    uint32_t period = 0;
    for (int32_t selection : {-1, 1, 25}) {
        moduleState.targetSelection = selection;
        EXPECT_FALSE(trackPeriodForSelection(&period)) << selection;
    }
}

} // namespace

namespace {

TEST_F(ServerLink, StartTrackingRunsOneTimerAtTheTargetsPeriodWhateverTheStarts) {
    void* window = reinterpret_cast<void*>(0x1234);
    moduleState.targetList[0].frequency = 1.5f;
    ASSERT_TRUE(startTracking(window));
    EXPECT_EQ(moduleState.hostWindow, window);
    ASSERT_TRUE(startTracking(window));  // a second start without a stop
    ASSERT_EQ(fake.timers.size(), 1u) << "a timer left that no export can stop";
    EXPECT_EQ(fake.timers.begin()->second.which, ModuleTimer::Track);
    EXPECT_EQ(fake.timers.begin()->second.periodMs, 90000u);
    EXPECT_EQ(moduleState.trackTimer, fake.timers.begin()->first);
    stopTracking();
    stopTracking();  // a second stop does nothing
    EXPECT_TRUE(fake.timers.empty());
    EXPECT_EQ(moduleState.trackTimer, 0u);
}

TEST_F(ServerLink, ARefusedStartKeepsTheWindowButStartsNothing) {
    void* window = reinterpret_cast<void*>(0x1234);
    moduleState.targetList[0].frequency = 0.0f;
    EXPECT_FALSE(startTracking(window));
    EXPECT_EQ(moduleState.hostWindow, window);
    EXPECT_TRUE(fake.timers.empty());
    EXPECT_EQ(moduleState.trackTimer, 0u);
}

TEST_F(ServerLink, NoTimerFromTheSystemIsReportedAsNotStarted) {
    fake.timersFail = true;
    EXPECT_FALSE(startTracking(nullptr));
    EXPECT_FALSE(startSending(nullptr));
    EXPECT_EQ(moduleState.trackTimer, 0u);
    EXPECT_EQ(moduleState.sendTimer, 0u);
}

TEST_F(ServerLink, SendingNeedsAnAccountAndRunsOneSixSecondTimer) {
    void* window = reinterpret_cast<void*>(0x1234);
    moduleState.accountId[0] = 0;
    EXPECT_FALSE(startSending(window));
    EXPECT_EQ(moduleState.hostWindow, nullptr) << "the window is stored only with an account";
    std::memcpy(moduleState.accountId, u"abc", sizeof(u"abc"));
    ASSERT_TRUE(startSending(window));
    ASSERT_TRUE(startSending(window));
    ASSERT_EQ(fake.timers.size(), 1u);
    EXPECT_EQ(fake.timers.begin()->second.which, ModuleTimer::Send);
    EXPECT_EQ(fake.timers.begin()->second.periodMs, 6000u);
    EXPECT_EQ(moduleState.hostWindow, window);
    stopSending();
    EXPECT_TRUE(fake.timers.empty());
}

} // namespace

namespace {

// The own report timer's ticks, 6 s apart, with the device where the fake driver puts it.
class OwnReportTicks : public ServerLink {
  protected:
    void SetUp() override {
        ServerLink::SetUp();
        fake.fix.latitude = 523700000;  // 52.37 N, 4.89 E in driver units
        fake.fix.longitude = 48900000;
        fake.tickMs = 1000000;
        ASSERT_TRUE(startSending(nullptr));
    }
    // One tick `north` metres (roughly: 90 driver units a metre) north of the start.
    bool tick(int north) {
        fake.fix.latitude = 523700000 + north * 90;
        size_t before = fake.sent.size();
        ownReportTick();
        fake.tickMs += 6000;
        return fake.sent.size() > before;
    }
};

TEST_F(OwnReportTicks, WithoutRulesEveryTickSends) {
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(tick(0)) << i;
}

TEST_F(OwnReportTicks, WithRulesTheFirstTickSendsAndThenOnlyWhatTheRulesSay) {
    moduleState.reportRules = {50, 30, 60};
    std::vector<bool> sent;
    int north[] = {0, 0, 20, 40, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60};
    for (int n : north)
        sent.push_back(tick(n));
    // First tick; 60 m at the fifth; the heartbeat 60 s later at the fifteenth.
    std::vector<bool> expected(15, false);
    expected[0] = expected[4] = expected[14] = true;
    EXPECT_EQ(sent, expected);
    for (const SentDatagram& d : fake.sent)
        EXPECT_EQ(d.bytes[0], 'o');
}

TEST_F(OwnReportTicks, AStartAgainMakesTheNextTickTheFirst) {
    moduleState.reportRules = {50, 0, 0};
    EXPECT_TRUE(tick(0));
    EXPECT_FALSE(tick(0));
    ASSERT_TRUE(startSending(nullptr));
    EXPECT_TRUE(tick(0));
}

TEST_F(OwnReportTicks, AOneOffReportCountsAsTheLastReportSent) {
    moduleState.reportRules = {50, 0, 0};
    EXPECT_TRUE(tick(0));
    fake.fix.latitude = 523700000 + 60 * 90;
    sendOwnReport();  // "&Send Posit": goes whatever the rules say
    EXPECT_EQ(fake.sent.size(), 2u);
    EXPECT_FALSE(tick(60)) << "60 m from the first report, but none from the one-off";
}

TEST_F(OwnReportTicks, ATickWithoutAFixIsNotTheFirstReport) {
    moduleState.reportRules = {50, 0, 0};
    fake.hasFix = false;
    EXPECT_FALSE(tick(0));
    fake.hasFix = true;
    EXPECT_TRUE(tick(0)) << "the first report goes at the first tick that can send one";
    EXPECT_FALSE(tick(0));
}

} // namespace
