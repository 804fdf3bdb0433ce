// The own report's decision over drives made up tick by tick (6 s apart, positions in metres
// from a point in town): which ticks send under which rules.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "threeg/report_decision.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kOriginLatitude = 52.37, kOriginLongitude = 4.89;
constexpr double kMetresPerDegree = 6371008.8 * kPi / 180.0;

struct Metres {
    double north, east;
};

// Message units (degrees x 10^6) of a point `m` from the origin.
void toUnits(Metres m, int32_t* latitude, int32_t* longitude) {
    double lat = kOriginLatitude + m.north / kMetresPerDegree;
    double lon = kOriginLongitude +
                 m.east / (kMetresPerDegree * std::cos(kOriginLatitude * kPi / 180.0));
    *latitude = int32_t(std::lround(lat * 1e6));
    *longitude = int32_t(std::lround(lon * 1e6));
}

// Steps of 20 m, the heading turning 12 degrees a tick: at tick k the device has come from
// tick k-1 heading 12 (k-1) degrees.
Metres curve(int tick) {
    Metres m{0, 0};
    for (int j = 0; j < tick; ++j) {
        m.north += 20 * std::cos(12.0 * j * kPi / 180.0);
        m.east += 20 * std::sin(12.0 * j * kPi / 180.0);
    }
    return m;
}

// The same small wobble as a parked receiver's: up to 4 m each way, never the same twice in a row.
Metres jitter(int tick) {
    static const double wobble[] = {0, 3, -4, 2, -1, 4, -3, 1};
    return {wobble[tick % 8], wobble[(tick + 3) % 8]};
}

struct Drive {
    const char* what;
    ReportRules rules;
    int ticks;
    std::function<Metres(int tick)> at;
    std::vector<int> sends;  // the ticks that send
};

const ReportRules kNone{0, 0, 0};
const ReportRules kGoal{50, 30, 120};

const Drive kDrives[] = {
    {"no rule: every tick, as always", kNone, 5, [](int) { return Metres{0, 0}; },
     {0, 1, 2, 3, 4}},
    {"parked, heartbeat only", {0, 0, 120}, 45, [](int) { return Metres{0, 0}; }, {0, 20, 40}},
    {"parked with a wobbling receiver", kGoal, 45, jitter, {0, 20, 40}},
    {"wobble alone never makes a heading", {0, 30, 0}, 45, jitter, {0}},
    {"30 m a tick, 50 m rule", {50, 0, 0}, 7, [](int t) { return Metres{30.0 * t, 0}; },
     {0, 2, 4, 6}},
    {"60 m a tick, 50 m rule", {50, 0, 0}, 4, [](int t) { return Metres{60.0 * t, 0}; },
     {0, 1, 2, 3}},
    {"a right turn after 5 ticks north", {0, 30, 0}, 10,
     [](int t) { return t <= 5 ? Metres{20.0 * t, 0} : Metres{100, 20.0 * (t - 5)}; }, {0, 6}},
    {"a curve of 12 degrees a tick, 30 degree rule", {0, 30, 0}, 11, curve, {0, 4, 7, 10}},
    {"creeping 1 m a tick: the heartbeat, not the distance", kGoal, 45,
     [](int t) { return Metres{1.0 * t, 0}; }, {0, 20, 40}},
    {"creeping 3 m a tick: 50 m before the heartbeat", kGoal, 45,
     [](int t) { return Metres{3.0 * t, 0}; }, {0, 17, 34}},
};

void PrintTo(const Drive& d, std::ostream* out) { *out << d.what; }

class Drives : public testing::TestWithParam<Drive> {};

TEST_P(Drives, SendOnTheTicksTheRulesSay) {
    const Drive& d = GetParam();
    ReportTrack track;
    resetReportTrack(&track);
    std::vector<int> sent;
    for (int tick = 0; tick < d.ticks; ++tick) {
        int32_t latitude, longitude;
        toUnits(d.at(tick), &latitude, &longitude);
        uint64_t now = 1000000 + uint64_t(tick) * 6000;
        if (ownReportDue(d.rules, &track, latitude, longitude, now)) {
            noteOwnReportSent(&track, latitude, longitude, now);
            sent.push_back(tick);
        }
    }
    EXPECT_EQ(sent, d.sends) << d.what;
}

INSTANTIATE_TEST_SUITE_P(ReportDecision, Drives, testing::ValuesIn(kDrives));

TEST(ReportDecision, AResetMakesTheNextTickTheFirst) {
    ReportTrack track;
    resetReportTrack(&track);
    ASSERT_TRUE(ownReportDue(kGoal, &track, 52370000, 4890000, 0));
    noteOwnReportSent(&track, 52370000, 4890000, 0);
    EXPECT_FALSE(ownReportDue(kGoal, &track, 52370000, 4890000, 6000));
    resetReportTrack(&track);
    EXPECT_TRUE(ownReportDue(kGoal, &track, 52370000, 4890000, 12000));
}

TEST(ReportDecision, DistancesAndBearingsOnTheGlobe) {
    struct {
        int32_t latA, lonA, latB, lonB;
        double metres, bearing;
    } cases[] = {
        {52000000, 4000000, 53000000, 4000000, 111195, 0},    // one degree north
        {0, 0, 0, 1000000, 111195, 90},                       // one degree east on the equator
        {52000000, 4000000, 51999000, 4000000, 111.2, 180},   // south
        {60000000, 10000000, 60000000, 9990000, 556.0, 270},  // west, half as long at 60 N
        {0, 179999000, 0, -179999000, 222.4, 90},             // across the date line, the short way
        {0, -179999000, 0, 179999000, 222.4, 270},            // and back
    };
    for (auto c : cases) {
        EXPECT_NEAR(metresBetween(c.latA, c.lonA, c.latB, c.lonB), c.metres, c.metres * 0.002)
            << c.latB << " " << c.lonB;
        EXPECT_NEAR(bearingDegrees(c.latA, c.lonA, c.latB, c.lonB), c.bearing, 0.01)
            << c.latB << " " << c.lonB;
    }
    EXPECT_EQ(metresBetween(1, 2, 1, 2), 0.0);
    EXPECT_EQ(bearingDegrees(1, 2, 1, 2), 0.0);
}

// A distance rule holds from its threshold on: a device exactly that far from the last report
// sends.
TEST(ReportDecision, TheDistanceRuleHoldsAtItsThreshold) {
    ReportTrack track;
    resetReportTrack(&track);
    ASSERT_TRUE(ownReportDue(kNone, &track, 52370000, 4890000, 0));
    noteOwnReportSent(&track, 52370000, 4890000, 0);
    const double away = metresBetween(52370000, 4890000, 52370500, 4890000);
    ReportRules rules{away, 0, 0};
    EXPECT_TRUE(ownReportDue(rules, &track, 52370500, 4890000, 6000));
    rules.metres = std::nextafter(away, 1e9);
    EXPECT_FALSE(ownReportDue(rules, &track, 52370500, 4890000, 12000));
}

TEST(ReportDecision, TurnsAreTheSmallerAngle) {
    struct {
        double a, b, turn;
    } cases[] = {{0, 30, 30}, {350, 10, 20}, {10, 350, 20}, {0, 180, 180}, {90, 300, 150},
                 {0, 0, 0}};
    for (auto c : cases)
        EXPECT_DOUBLE_EQ(turnBetween(c.a, c.b), c.turn) << c.a << " " << c.b;
}

} // namespace
