// The answer limit with an injected clock: a minute of forged traffic runs in a moment, and a
// plain model of the rules (every answer remembered) checks each answer admitted.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <map>
#include <random>

#include "exchange/answer_limit.h"

namespace {

class Limit : public testing::Test {
  protected:
    void SetUp() override { resetAnswerLimit(&limit); }
    AnswerLimit limit;
};

struct Burst {
    const char* what;
    int senders;        // distinct addresses, each sending `perSender` requests
    int perSender;
    uint64_t spreadMs;  // the requests spread evenly over this time
    int answers;        // answers expected in all
};

const Burst kBursts[] = {
    {"one request", 1, 1, 0, 1},
    {"20 requests in one second from one address", 1, 20, 999, 1},
    {"a request every 999 ms", 1, 2, 999, 1},
    {"a request every second", 1, 3, 2000, 3},
    {"five addresses, 20 each in one second", 5, 20, 999, 5},
    {"a poller's pace: every 6 s for a minute", 1, 11, 60000, 11},
    {"100 addresses at once", 100, 1, 0, 100},
    {"1000 addresses at once", 1000, 1, 0, 100},
    {"1000 addresses over 1 s", 1000, 1, 999, 100},
    {"1000 addresses over 2 s", 1000, 1, 1999, 200},
};

void PrintTo(const Burst& b, std::ostream* out) { *out << b.what; }

class Bursts : public Limit, public testing::WithParamInterface<Burst> {};

TEST_P(Bursts, AnswerAsTheRulesSay) {
    const Burst& b = GetParam();
    int total = b.senders * b.perSender, answers = 0;
    for (int i = 0; i < total; ++i) {
        uint64_t at = total > 1 ? b.spreadMs * uint64_t(i) / uint64_t(total - 1) : 0;
        uint32_t address = 0x0100000A + uint32_t(i % b.senders) * 0x01000000;  // 10.0.0.x
        answers += admitAnswer(&limit, address, 5000 + at) ? 1 : 0;
    }
    EXPECT_EQ(answers, b.answers) << b.what;
}

INSTANTIATE_TEST_SUITE_P(AnswerLimit, Bursts, testing::ValuesIn(kBursts));

// A minute of forged requests, one a millisecond from senders drawn from a pool larger than the
// table, with one poller asking every 6 s among them. No address is ever answered twice within
// a second, no second holds more than 100 answers, and the limit keeps answering all along.
// (Under a flood that spends the total, the poller may lose its turn: nothing can tell it from
// a forged sender.)
TEST_F(Limit, AMinuteOfForgedTrafficNeverBreaksEitherBound) {
    std::mt19937 random(13);
    std::uniform_int_distribution<uint32_t> pool(1, 5000);
    const uint32_t poller = 0xFFFFFFFF;
    std::map<uint32_t, uint64_t> lastAnswer;
    std::deque<uint64_t> recent;  // answers of the last second
    int answers = 0;
    for (uint64_t now = 1; now <= 60000; ++now) {
        uint32_t address = now % 6000 == 0 ? poller : pool(random);
        if (!admitAnswer(&limit, address, now))
            continue;
        auto seen = lastAnswer.find(address);
        ASSERT_TRUE(seen == lastAnswer.end() || now - seen->second >= 1000)
            << "address " << address << " answered again after " << now - seen->second << " ms";
        lastAnswer[address] = now;
        while (!recent.empty() && now - recent.front() >= 1000)
            recent.pop_front();
        recent.push_back(now);
        ASSERT_LE(recent.size(), 100u) << "at " << now << " ms";
        ++answers;
    }
    EXPECT_GT(answers, 50 * 60) << "the limit stopped answering";
}

TEST_F(Limit, TheOldestSenderIsForgottenOnlyOnceItsSecondIsOver) {
    // The table is full of senders answered at 0 to 99 ms. A new sender waits until the first
    // of them is a second old, and takes only that one's place.
    for (uint32_t i = 0; i < 100; ++i)
        ASSERT_TRUE(admitAnswer(&limit, 100 + i, i));
    EXPECT_FALSE(admitAnswer(&limit, 999, 999)) << "the total for this second is spent";
    EXPECT_TRUE(admitAnswer(&limit, 999, 1000)) << "the answer of 0 ms is a second old";
    EXPECT_FALSE(admitAnswer(&limit, 101, 1000)) << "101 was answered at 1 ms";
    EXPECT_TRUE(admitAnswer(&limit, 101, 1001));
    EXPECT_FALSE(admitAnswer(&limit, 999, 1500));
}

TEST_F(Limit, AClockThatSeemsToGoBackCountsAsNoTimePassed) {
    ASSERT_TRUE(admitAnswer(&limit, 7, 50000));
    EXPECT_FALSE(admitAnswer(&limit, 7, 10000));
    EXPECT_FALSE(admitAnswer(&limit, 7, 50999));
    EXPECT_TRUE(admitAnswer(&limit, 7, 51000));
}

} // namespace
