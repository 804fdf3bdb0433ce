// The device's 32-bit clock made 64-bit: readings across the wrap, late readings of another
// thread, two threads at once; then, with the fake platform's clock about to wrap, the answer
// limit and the own report's heartbeat, which measure their intervals on it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "exchange/dispatch.h"
#include "module/module_state.h"
#include "module/tick_clock.h"
#include "tests/core/fake_platform.h"
#include "threeg/server_link.h"

namespace {

constexpr uint32_t kEndOfWrap = 0xFFFFFFFF;  // the last millisecond before the clock shows 0

struct Readings {
    const char* what;
    std::vector<uint32_t> ticks;
    std::vector<uint64_t> times;  // what each reading gives, in turn
};

const Readings kReadings[] = {
    {"the first reading is taken as it is", {5000, 5001}, {5000, 5001}},
    {"across the wrap", {kEndOfWrap - 10, kEndOfWrap, 0, 20},
     {kEndOfWrap - 10, kEndOfWrap, kWrapMs, kWrapMs + 20}},
    {"a first reading just before the wrap", {kEndOfWrap, 5}, {kEndOfWrap, kWrapMs + 5}},
    {"three wraps, each seen", {0, 0x80000000, 0, 0x80000000, 0, 0x80000000, 0},
     {0, 0x80000000, kWrapMs, 3 * kWrapMs / 2, 2 * kWrapMs, 5 * kWrapMs / 2, 3 * kWrapMs}},
    {"a reading nearly a whole wrap ahead", {1000, 1000 + uint32_t(kWrapMs - kLateReadingMs)},
     {1000, 1000 + kWrapMs - kLateReadingMs}},
    {"a late reading gives the latest again", {100000, 100000 + 500, 100000 + 20},
     {100000, 100500, 100500}},
    {"a late reading from before the wrap", {10, kEndOfWrap - 100}, {10, 10}},
    {"the same reading twice", {77, 77}, {77, 77}},
};

void PrintTo(const Readings& r, std::ostream* out) { *out << r.what; }

class Extend : public testing::TestWithParam<Readings> {};

TEST_P(Extend, EachReadingGivesItsTime) {
    const Readings& r = GetParam();
    TickClock clock;
    for (size_t i = 0; i < r.ticks.size(); ++i)
        EXPECT_EQ(extendTick(&clock, r.ticks[i]), r.times[i]) << r.what << ", reading " << i;
}

INSTANTIATE_TEST_SUITE_P(TickClock, Extend, testing::ValuesIn(kReadings));

TEST(TickClock, AResetForgetsTheReadings) {
    TickClock clock;
    extendTick(&clock, kEndOfWrap);
    EXPECT_EQ(extendTick(&clock, 3), kWrapMs + 3);
    resetTickClock(&clock);
    EXPECT_EQ(extendTick(&clock, 3), 3u);
}

// Two threads read one true clock in turn across the wrap, each handing its reading in after the
// other may have handed in a later one. Every time given is the reading's own or a later one
// given already (never behind, never a wrap ahead), and each thread sees time go forward.
TEST(TickClock, TwoThreadsReadingAcrossTheWrap) {
    TickClock clock;
    std::atomic<uint64_t> trueTime{kWrapMs - 20000};
    std::atomic<uint64_t> latestGiven{0};
    auto reader = [&](std::vector<uint64_t>* wrong) {
        uint64_t last = 0;
        for (int i = 0; i < 20000; ++i) {
            uint64_t reading = ++trueTime;
            uint64_t time = extendTick(&clock, static_cast<uint32_t>(reading));
            uint64_t given = latestGiven.load();
            while (given < time && !latestGiven.compare_exchange_weak(given, time)) {
            }
            if (time < reading || time < last || time > trueTime.load())
                wrong->push_back(reading);
            last = time;
        }
    };
    std::vector<uint64_t> wrongA, wrongB;
    std::thread a(reader, &wrongA), b(reader, &wrongB);
    a.join();
    b.join();
    EXPECT_TRUE(wrongA.empty()) << wrongA.size() << " wrong times, the first at " << wrongA[0];
    EXPECT_TRUE(wrongB.empty()) << wrongB.size() << " wrong times, the first at " << wrongB[0];
    EXPECT_EQ(latestGiven.load(), kWrapMs + 20000);
}

// ---- The module's clock through the fake platform, the device's clock about to wrap.

class AcrossTheWrap : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        moduleState.udpSocket = 7;
        moduleState.endpointBound = true;
        fake.hasFix = true;
        fake.fix.latitude = 523700000;
        fake.fix.longitude = 48900000;
    }
    // Sets the device's clock `ms` from the moment it wraps (negative: before it).
    void at(int64_t ms) { fake.tickMs = static_cast<uint32_t>(int64_t(kWrapMs) + ms); }
};

TEST_F(AcrossTheWrap, ALocateRequestIsAnsweredOnceASecondRightAcrossIt) {
    PositionMessage request = makeLocateRequest();
    auto answered = [&](uint32_t address) {
        size_t before = fake.sent.size();
        handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, destinationFor(address, 6000));
        return fake.sent.size() > before;
    };
    const uint32_t peer = 0x0A00A8C0, other = 0x0B00A8C0;
    at(-400);
    EXPECT_TRUE(answered(peer));
    at(+300);
    EXPECT_FALSE(answered(peer)) << "700 ms after its answer";
    EXPECT_TRUE(answered(other)) << "a new sender";
    at(+599);
    EXPECT_FALSE(answered(peer)) << "999 ms after its answer";
    at(+600);
    EXPECT_TRUE(answered(peer)) << "a second after its answer";
    at(+1299);
    EXPECT_FALSE(answered(other)) << "999 ms after its answer";
    at(+1300);
    EXPECT_TRUE(answered(other)) << "a second after its answer";
}

TEST_F(AcrossTheWrap, TheOwnReportsHeartbeatKeepsItsPace) {
    std::memcpy(moduleState.serverName, u"tracker", sizeof(u"tracker"));
    fake.hosts["tracker"] = 0x0300A8C0;
    std::memcpy(moduleState.accountId, u"abc", sizeof(u"abc"));
    moduleState.reportRules = {0, 0, 30};  // a heartbeat alone: every 30 s, parked
    ASSERT_TRUE(startSending(nullptr));
    std::vector<int> sent;
    for (int tick = 0; tick < 16; ++tick) {  // every 6 s from 45 s before the wrap
        at(-45000 + tick * 6000);
        size_t before = fake.sent.size();
        ownReportTick();
        if (fake.sent.size() > before)
            sent.push_back(tick);
    }
    EXPECT_EQ(sent, (std::vector<int>{0, 5, 10, 15}));
}

} // namespace
