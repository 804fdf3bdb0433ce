// The CDPD poller: its schedule on a simulated tick source with the real poll thread, its sends,
// its start/stop contract, and the counters and list shared with the tick and the dialogs.
//
// The tests play the shell: startPolling, a std::thread running runPollThread when asked for one,
// pollTick for each 6-second tick. After each tick they wait until the poll thread has nothing
// left to do for it, so "tick t" is exact without waiting minutes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>
#include <tuple>
#include <vector>

#include "cdpd/poll_schedule.h"
#include "cdpd/poller.h"
#include "exchange/position_message.h"
#include "module/module_state.h"
#include "tests/core/fake_platform.h"

namespace {

constexpr unsigned kHangMs = 20000;  // only a poll thread that never settles takes this long
constexpr SocketHandle kSocket = 7;
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// 192.168.0.(slot + 1), in network order.
uint32_t addressOf(int slot) { return 0x0000A8C0u | (uint32_t(slot + 1) << 24); }

struct Entry {
    float frequency;
    int32_t enabled = 1;
    int32_t modemFlag = 0;
};

CdpdAddress makeEntry(int slot, const Entry& e) {
    CdpdAddress a{};
    a.address = addressOf(slot);
    a.frequency = e.frequency;
    a.enabled = e.enabled;
    a.modemFlag = e.modemFlag;
    std::snprintf(a.description, sizeof a.description, "Truck %d", slot + 1);
    return a;
}

void setList(const std::vector<Entry>& entries) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    for (size_t i = 0; i < entries.size(); ++i)
        moduleState.cdpdList[i] = makeEntry(int(i), entries[i]);
    moduleState.cdpdCount = int32_t(entries.size());
}

size_t sentCount() {
    std::lock_guard<std::mutex> hold(fake.lock);
    return fake.sent.size();
}

std::vector<SentDatagram> sentSince(size_t first) {
    std::lock_guard<std::mutex> hold(fake.lock);
    return std::vector<SentDatagram>(fake.sent.begin() + ptrdiff_t(first), fake.sent.end());
}

int asksOf(int slot) {
    std::lock_guard<std::mutex> hold(fake.lock);
    int n = 0;
    for (const SentDatagram& d : fake.sent)
        n += d.to.address == addressOf(slot);
    return n;
}

// A datagram sent from the module's socket to `address` at wire port `port`, holding the
// first `length` bytes of `expected`, of the kind `kind`.
void expectSent(const SentDatagram& d, uint32_t address, uint16_t port,
                const PositionMessage& expected, size_t length, char kind) {
    EXPECT_EQ(d.socket, kSocket);
    EXPECT_EQ(d.to.family, kAfInet);
    EXPECT_EQ(d.to.address, address);
    EXPECT_EQ(wirePortOf(d.to), port);
    ASSERT_EQ(d.bytes.size(), length);
    EXPECT_EQ(std::memcmp(d.bytes.data(), &expected, length), 0);
    EXPECT_EQ(d.bytes[0], kind);
}

class Poller : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        moduleState.udpSocket = kSocket;
        moduleState.endpointBound = true;
    }
    void TearDown() override { finish(); }

    // cdpdStartTrack as the shell makes it: a thread only when the core asks for one.
    void start() {
        if (startPolling())
            threads.emplace_back(runPollThread);
        ASSERT_TRUE(waitForPollThreadQuiet(kHangMs)) << "the poll thread never settled";
    }
    void tick() {
        pollTick();
        ASSERT_TRUE(waitForPollThreadQuiet(kHangMs)) << "the poll thread never settled";
    }
    // cdpdStopTrack, then wait for every thread the test started.
    void finish() {
        stopPolling();
        for (std::thread& t : threads)
            t.join();
        threads.clear();
    }
    std::vector<std::thread> threads;
};

// ---- The step ----

TEST(PollSchedule, StepIsTenTimesTheSmallestFrequencyThatTakesPartInSinglePrecision) {
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        float step;
        int32_t decrement;
    } cases[] = {
        {"1.0", {{1.0f}}, 10.0f, 10},
        {"2.55 rounds up in float", {{2.55f}}, 25.5f, 25},
        {"0.7 is 7 in float, 6 in double", {{0.7f}}, 7.0f, 7},
        {"the smallest wins, in any slot", {{5.0f}, {1.0f}, {3000.0f}}, 10.0f, 10},
        {"a disabled smaller entry", {{0.5f, 0}, {2.0f}}, 20.0f, 20},
        {"a negative frequency", {{-1.0f}, {2.0f}}, 20.0f, 20},
        {"NaN and infinity", {{kNaNf}, {kInfinity}, {4.0f}}, 40.0f, 40},
        {"below 0.1: decrement 0", {{0.05f}}, 0.5f, 0},
        {"just below the ceiling", {{2999.9f}}, 2999.9f * 10.0f, 29999},
        {"empty", {}, kIdleStep, 30000},
        {"only 0.0", {{0.0f}}, kIdleStep, 30000},
        {"only the ceiling and above", {{3000.0f}, {kInfinity}}, kIdleStep, 30000},
    };
    for (const Case& c : cases) {
        std::vector<CdpdAddress> list;
        for (const Entry& e : c.entries)
            list.push_back(makeEntry(int(list.size()), e));
        PollSchedule s = pollScheduleFor(list.data(), int32_t(list.size()));
        EXPECT_EQ(s.step, c.step) << c.name;
        EXPECT_EQ(s.decrement, c.decrement) << c.name;
        EXPECT_EQ(isIdleStep(s.step), c.step == kIdleStep) << c.name;
    }
}

// ---- Timing on the real thread ----

enum class Link { Bound, NotBound, NoSocket };

struct TimingCase {
    const char* name;
    std::vector<float> frequencies;  // all enabled devices; those above 0.0 follow askTicks
    int ticks;
    std::vector<int> askTicks;
    int32_t decrement;
};

const TimingCase timingCases[] = {
    {"1.0", {1.0f}, 60, {0, 19, 29, 39, 49, 59}, 10},
    {"2.55", {2.55f}, 130, {0, 50, 75, 100, 125}, 25},
    {"1.0 and 5.0", {1.0f, 5.0f}, 40, {0, 19, 29, 39}, 10},
    {"0.7", {0.7f}, 30, {0, 13, 20, 27}, 7},
    {"3000.0 beside 2.0", {3000.0f, 2.0f}, 60, {0, 39, 59}, 20},
    {"-1.0 beside 2.0", {-1.0f, 2.0f}, 60, {0, 39, 59}, 20},
};

class PollerTiming : public Poller,
                     public testing::WithParamInterface<std::tuple<TimingCase, Link>> {};

TEST_P(PollerTiming, EntriesAreAskedAtOnceThenWheneverTheirCounterReachesTheStep) {
    const TimingCase& c = std::get<0>(GetParam());
    Link link = std::get<1>(GetParam());
    SCOPED_TRACE(testing::Message() << c.name << ", link " << int(link));
    moduleState.endpointBound = link != Link::NotBound;
    moduleState.udpSocket = link == Link::NoSocket ? kNoSocket : kSocket;
    std::vector<Entry> entries;
    for (float f : c.frequencies)
        entries.push_back({f});
    setList(entries);

    std::vector<std::vector<int>> asked(entries.size());
    size_t seen = 0;
    for (int t = 0; t <= c.ticks; ++t) {
        if (t == 0)
            start();
        else
            tick();
        for (const SentDatagram& d : sentSince(seen)) {
            for (size_t slot = 0; slot < entries.size(); ++slot) {
                if (d.to.address == addressOf(int(slot)))
                    asked[slot].push_back(t);
            }
        }
        seen = sentCount();
        // Every counter, in use or not, is 1 + ticks - decrement × asks so far, whether
        // or not anything could be sent.
        for (int slot = 0; slot < kCdpdCapacity; ++slot) {
            bool polled = slot < int(entries.size()) && entries[slot].frequency > 0.0f;
            int asks = 0;
            for (int a : c.askTicks)
                asks += polled && a <= t;
            ASSERT_EQ(moduleState.pollCounters[slot], 1 + t - c.decrement * asks)
                << "slot " << slot << " after tick " << t;
        }
    }
    for (size_t slot = 0; slot < entries.size(); ++slot) {
        std::vector<int> expected;
        if (link == Link::Bound && entries[slot].frequency > 0.0f)
            expected = c.askTicks;
        EXPECT_EQ(asked[slot], expected) << "slot " << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(TimingCases, PollerTiming,
                         testing::Combine(testing::ValuesIn(timingCases),
                                          testing::Values(Link::Bound, Link::NotBound,
                                                          Link::NoSocket)));

TEST_F(Poller, BelowOneTenthOfAMinuteADueEntryIsAskedOncePerTick) {
    setList({{0.05f}});  // step 0.5, decrement 0: the entry never leaves the due state
    start();
    ASSERT_EQ(sentCount(), 1u);
    for (int t = 1; t <= 20; ++t)
        tick();
    EXPECT_EQ(sentCount(), 21u);
    EXPECT_EQ(moduleState.pollCounters[0], 21);

    // Ticks in a burst: never more than one pass per tick, and the thread still settles.
    for (int t = 0; t < 50; ++t)
        pollTick();
    ASSERT_TRUE(waitForPollThreadQuiet(kHangMs)) << "the poll thread runs passes without pause";
    EXPECT_GE(sentCount(), 22u);
    EXPECT_LE(sentCount(), 71u);
}

struct IdleCase {
    const char* name;
    std::vector<Entry> entries;
};

const IdleCase idleCases[] = {
    {"empty list", {}},
    {"nothing enabled", {{1.0f, 0}, {2.0f, 0}}},
    {"only 0.0", {{0.0f}}},
    {"only the ceiling and above", {{3000.0f}, {4000.0f}}},
    {"only negative or NaN", {{-2.0f}, {kNaNf}}},
};

class PollerIdle : public Poller, public testing::WithParamInterface<IdleCase> {};

TEST_P(PollerIdle, WhenNothingTakesPartBelowTheCeilingTheThreadEndsAtOnce) {
    const IdleCase& c = GetParam();
    SCOPED_TRACE(c.name);
    setList(c.entries);
    ASSERT_TRUE(startPolling());
    std::thread thread(runPollThread);
    thread.join();  // returns by itself, without a stop
    EXPECT_FALSE(pollThreadRunning());
    EXPECT_TRUE(moduleState.pollActive) << "idle, not stopped";
    for (int t = 0; t < 30; ++t)
        pollTick();
    EXPECT_EQ(sentCount(), 0u);
    EXPECT_EQ(moduleState.pollCounters[0], 31);
    EXPECT_EQ(moduleState.pollCounters[kCdpdCapacity - 1], 31);
    stopPolling();
}

INSTANTIATE_TEST_SUITE_P(IdleCases, PollerIdle, testing::ValuesIn(idleCases));

TEST_F(Poller, AnIdlePollerPollsNothingUntilItIsStartedAgain) {
    setList({{1.0f, 0}});
    start();
    ASSERT_FALSE(pollThreadRunning());
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        moduleState.cdpdList[0].enabled = 1;
    }
    for (int t = 0; t < 30; ++t)
        tick();
    EXPECT_EQ(sentCount(), 0u);

    stopPolling();
    start();
    EXPECT_TRUE(pollThreadRunning());
    EXPECT_EQ(sentCount(), 1u);
}

// ---- List edits while polling runs ----

TEST_F(Poller, ListEditsTakeEffectAtTheNextPass) {
    setList({{1.0f}, {2.0f, 0}});
    start();
    ASSERT_EQ(asksOf(0), 1);
    ASSERT_EQ(asksOf(1), 0);

    // Slot 1 begins to take part with its counter far above the step: it is asked in pass after
    // pass until the counter falls below the step.
    moduleState.pollCounters[1] = 45;
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        moduleState.cdpdList[1].enabled = 1;
    }
    tick();
    EXPECT_EQ(asksOf(1), 4);  // 46, 36, 26, 16, then 6 is below 10
    EXPECT_EQ(moduleState.pollCounters[1], 6);
    EXPECT_EQ(asksOf(0), 1);

    // Slot 0's tick box cleared: no longer asked, while its counter keeps advancing.
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        moduleState.cdpdList[0].enabled = 0;
    }
    for (int t = 0; t < 25; ++t)
        tick();
    EXPECT_EQ(asksOf(0), 1);
    EXPECT_EQ(moduleState.pollCounters[0], -8 + 25);
}

TEST_F(Poller, ADeletedEntryIsNotAskedEvenBeforeTheCountIsReadAgain) {
    setList({{1.0f}, {1.0f}, {1.0f}});
    start();
    ASSERT_EQ(sentCount(), 3u);
    // The thread reads the count again only after a request, and slot 0 sends none now; slots 1
    // and 2 keep their old records past the new end of the list.
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        moduleState.cdpdCount = 1;
        moduleState.cdpdList[0].enabled = 0;
    }
    for (int t = 0; t < 30; ++t)
        tick();
    EXPECT_EQ(sentCount(), 3u);
    EXPECT_EQ(moduleState.pollCounters[1], -9 + 30);
}

// ---- What is sent ----

TEST_F(Poller, AModemGetsTheShortQueryAtPort6000AndADeviceTheLocateRequestAt28695) {
    setList({{1.0f, 1, 1}, {1.0f, 1, 0}});
    start();
    std::vector<SentDatagram> sent = sentSince(0);
    ASSERT_EQ(sent.size(), 2u);

    expectSent(sent[0], addressOf(0), 6000, makeModemQuery(), 24, 'U');
    expectSent(sent[1], addressOf(1), 28695, makeLocateRequest(), 152, 'l');
    ASSERT_EQ(sent[1].bytes.size(), 152u);
    EXPECT_EQ(sent[1].bytes[36], 4);
}

// ---- Stop and start ----

TEST_F(Poller, AStopWhileTheThreadWaitsForATickEndsIt) {
    setList({{1.0f}});
    start();
    stopPolling();
    ASSERT_TRUE(waitForPollThreadQuiet(kHangMs));
    EXPECT_FALSE(pollThreadRunning());
}

// A stop in the middle of a pass: the request under way is the last one.
TEST_F(Poller, AStopInThePassUnderWayLetsOnlyTheRequestUnderWayGo) {
    setList({{1.0f}, {1.0f}, {1.0f}});
    fake.duringSend = [] { stopPolling(); };
    start();
    EXPECT_FALSE(pollThreadRunning());
    EXPECT_EQ(sentCount(), 1u);
    fake.duringSend = nullptr;
    for (int t = 0; t < 30; ++t)
        pollTick();
    EXPECT_EQ(sentCount(), 1u);
}

TEST_F(Poller, ASecondStartIsTakenOverByTheRunningThread) {
    setList({{1.0f}, {1.0f}});
    start();
    for (int t = 0; t < 5; ++t)
        tick();
    ASSERT_EQ(sentCount(), 2u);

    EXPECT_FALSE(startPolling()) << "a second poll thread was asked for";
    ASSERT_TRUE(waitForPollThreadQuiet(kHangMs));
    EXPECT_TRUE(pollThreadRunning());
    EXPECT_EQ(sentCount(), 4u) << "the restarted thread asks every entry at once";
    EXPECT_EQ(moduleState.pollCounters[0], -9);
    EXPECT_EQ(moduleState.pollCounters[1], -9);
    for (int t = 0; t < 18; ++t)
        tick();
    EXPECT_EQ(sentCount(), 4u);
    tick();
    EXPECT_EQ(sentCount(), 6u) << "the schedule restarts with the counters";
}

std::atomic<int> restartsDuringSend;
std::atomic<bool> restartAskedForThread;

TEST_F(Poller, AStopAndStartDuringAPassAreTakenOverCleanly) {
    setList({{1.0f}, {1.0f}, {1.0f}});
    restartsDuringSend = 0;
    restartAskedForThread = false;
    fake.duringSend = [] {
        if (restartsDuringSend++ == 0) {
            stopPolling();
            if (startPolling())
                restartAskedForThread = true;
        }
    };
    start();
    EXPECT_FALSE(restartAskedForThread) << "a second poll thread was asked for";
    EXPECT_TRUE(pollThreadRunning());
    // The old pass ends after its first request; the new start asks all three at once.
    EXPECT_EQ(sentCount(), 4u);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(moduleState.pollCounters[slot], -9) << "slot " << slot;
}

TEST_F(Poller, ANewThreadIsAskedForOnlyWhenNoneRuns) {
    setList({{1.0f}});
    start();
    stopPolling();
    ASSERT_TRUE(waitForPollThreadQuiet(kHangMs));
    ASSERT_FALSE(pollThreadRunning());
    EXPECT_TRUE(startPolling());
    EXPECT_TRUE(pollThreadRunning());
    pollThreadNotStarted();  // the shell could not create it
    EXPECT_FALSE(pollThreadRunning());
    EXPECT_TRUE(startPolling()) << "a thread that never started still counts as running";
    threads.emplace_back(runPollThread);
    ASSERT_TRUE(waitForPollThreadQuiet(kHangMs));
    EXPECT_EQ(sentCount(), 2u);
}

TEST_F(Poller, QuickRestartsNeverLeaveTwoThreads) {
    setList({{1.0f}, {2.0f}});
    start();
    for (int i = 0; i < 200; ++i) {
        size_t before = sentCount();
        if (i % 3 != 0)
            stopPolling();  // otherwise a second start without a stop
        if (i % 5 == 0)
            pollTick();
        start();
        ASSERT_FALSE(HasFatalFailure());
        // One thread asks both entries once; a second thread would ask them again.
        ASSERT_EQ(sentCount() - before, 2u) << "restart " << i;
        ASSERT_TRUE(pollThreadRunning());
    }
}

// ---- Threads sharing the counters and the list ----

// The tick on the host's thread races the poll thread's decrements, and a dialog rewrites
// records and the count under listLock while the poll thread copies them out. Under
// ThreadSanitizer an unguarded read of a record is reported; in every build no counter update
// may be lost: each counter ends at 1 + ticks - 10 × requests sent to its slot.
TEST_F(Poller, TicksDialogsAndPollingShareCountersAndListSafely) {
    constexpr int kSlots = 10;
    constexpr int kTicks = 3000;
    std::vector<Entry> entries(kSlots, Entry{2.0f});
    entries[0].frequency = 1.0f;  // fixes the step at 10 for the run
    setList(entries);
    start();

    std::atomic<bool> ticking{true};
    std::thread dialog([&] {
        for (int i = 0; ticking; ++i) {
            std::lock_guard<std::mutex> hold(moduleState.listLock);
            moduleState.cdpdCount = 4 + i % (kSlots - 3);
            for (int j = 1; j < kSlots; ++j) {
                CdpdAddress& e = moduleState.cdpdList[j];
                e.frequency = float(1 + (i + j) % 4);
                e.enabled = (i + j) % 3 != 0;
                e.modemFlag = (i + j) % 2;
                std::snprintf(e.description, sizeof e.description, "Edit %d", i);
            }
        }
    });
    std::thread ticker([&] {
        for (int t = 0; t < kTicks; ++t) {
            pollTick();
            if (t % 16 == 0)
                std::this_thread::yield();
        }
        ticking = false;
    });
    ticker.join();
    dialog.join();
    ASSERT_TRUE(waitForPollThreadQuiet(kHangMs));
    finish();

    int total = 0;
    for (int slot = 0; slot < kCdpdCapacity; ++slot) {
        int asks = asksOf(slot);
        total += asks;
        EXPECT_EQ(moduleState.pollCounters[slot], 1 + kTicks - 10 * asks) << "slot " << slot;
    }
    EXPECT_GT(asksOf(0), kTicks / 10 - 1);
    EXPECT_EQ(size_t(total), sentCount());
    for (const SentDatagram& d : sentSince(0)) {
        bool modem = d.bytes.size() == kModemQueryLength && d.bytes[0] == 'U' &&
                     wirePortOf(d.to) == kModemPort;
        bool device = d.bytes.size() == kLocateRequestLength && d.bytes[0] == 'l' &&
                      wirePortOf(d.to) == kDevicePort;
        EXPECT_TRUE(modem || device) << d.bytes.size() << " bytes to port " << wirePortOf(d.to);
    }
}

} // namespace
