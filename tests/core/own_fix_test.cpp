#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "module/module_state.h"
#include "module/own_fix.h"
#include "tests/core/fake_platform.h"

namespace {

class OwnFix : public testing::Test {
  protected:
    void SetUp() override { resetFakePlatform(); }
};

TEST_F(OwnFix, NoFixBuildsNothing) {
    PositionMessage m;
    std::memset(&m, 0x77, sizeof m);
    EXPECT_FALSE(buildPositionFromOwnFix(&m));
    EXPECT_FALSE(buildOwnReportFromOwnFix(u"abc", &m));
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&m)[0], 0x77) << "message touched without a fix";
}

TEST_F(OwnFix, MessagesComeFromTheFixJustFilled) {
    fake.hasFix = true;
    fake.fix.latitude = 500;
    fake.fix.longitude = -700;
    PositionMessage m;
    ASSERT_TRUE(buildOwnReportFromOwnFix(u"abc", &m));
    EXPECT_EQ(m.kind, 'o');
    EXPECT_EQ(m.latitude, 50);
    EXPECT_EQ(m.longitude, -70);
    EXPECT_STREQ(m.id, "abc");
}

// Two threads ask for the own fix at once while the driver fills the record field by field. Each
// message must carry a pair that one fill wrote: latitude and longitude equal, as every fill
// writes them. Under ThreadSanitizer this also proves the record is never shared unguarded.
void fillFieldByField(ZQGPS_POSITIONALDATA* record) {
    static std::atomic<int32_t> next{1};
    int32_t v = next.fetch_add(1) * 10;
    record->latitude = v;
    std::this_thread::yield();
    record->longitude = v;
}

TEST_F(OwnFix, AMessageIsNeverBuiltFromTwoFills) {
    fake.hasFix = true;
    fake.duringFill = fillFieldByField;
    std::atomic<int> mixed{0};
    auto ask = [&](bool ownReport) {
        for (int i = 0; i < 2000; ++i) {
            PositionMessage m;
            bool ok = ownReport ? buildOwnReportFromOwnFix(u"x", &m) : buildPositionFromOwnFix(&m);
            if (ok && m.latitude != m.longitude)
                ++mixed;
        }
    };
    std::thread receiver(ask, false);
    std::thread host(ask, true);
    receiver.join();
    host.join();
    EXPECT_EQ(mixed.load(), 0);
}

} // namespace
