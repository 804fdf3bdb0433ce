// The host's map without a window: the town file read into streets (and its faults by line), the
// projection that fits everything, the scale bar, the age of a track's newest point, and the
// labels, which never cover each other, an icon or the scale bar.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/map_labels.h"
#include "host/town_map.h"
#include "host/track_map.h"

namespace {

TEST(TownMap, ReadsTheTownOfTheDemo) {
    std::ifstream in(LORVANE_TOWN);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    std::vector<TownStreet> streets;
    std::string error;
    ASSERT_TRUE(readTownMap(text, &streets, &error)) << error;
    ASSERT_EQ(streets.size(), 11u);
    EXPECT_EQ(streets[0].name, "Harbour Road");
    ASSERT_EQ(streets[0].points.size(), 5u);
    EXPECT_DOUBLE_EQ(streets[0].points[0].latitude, 52.3630);
    EXPECT_DOUBLE_EQ(streets[0].points[0].longitude, 4.8820);
    EXPECT_EQ(streets[3].name, "Canal Walk");
    EXPECT_EQ(streets[3].points.size(), 7u);
}

TEST(TownMap, SaysWhichLineIsWrong) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"junction A 52.1,4.2\nstreet S: A B\n", "line 2: no junction B"},
        {"# town\n\njunction A 52.1\n", "line 3: a junction is"},
        {"junction A 91,4.2\n", "line 1: a junction is"},
        {"junction A nan,4.2\n", "line 1: a junction is"},
        {"junction A 52,-inf\n", "line 1: a junction is"},
        {"junction A 52,4\nstreet S: A\n", "line 2: a street runs through two junctions or more"},
        {"junction A 52,4\nstreet S A A\n", "line 2: a street is"},
        {"avenue X\n", "line 1: unknown line \"avenue\""},
    };
    for (const Case& c : cases) {
        std::vector<TownStreet> streets;
        std::string error;
        EXPECT_FALSE(readTownMap(c.text, &streets, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << ": " << error;
    }
    std::vector<TownStreet> streets;
    std::string error;
    EXPECT_TRUE(readTownMap("junction A 52,4\r\njunction B 52.1,4\r\nroute x 20 t: A B A\r\n"
                            "street S: A B\r\n",
                            &streets, &error))
        << error;
    ASSERT_EQ(streets.size(), 1u);
    EXPECT_EQ(streets[0].name, "S");
}

TEST(MapProjection, FitsEveryPointInsideTheMarginsAndTheScaleBarIsRound) {
    std::vector<MapPoint> points = {{52.3630, 4.8820}, {52.3750, 4.9000}, {52.3700, 4.8900}};
    MapProjection p = fitProjection(points, 600, 500);
    for (const MapPoint& point : points) {
        int x, y;
        project(p, point, &x, &y);
        EXPECT_GE(x, 30);
        EXPECT_LE(x, 570);
        EXPECT_GE(y, 30);
        EXPECT_LE(y, 470);
    }
    // 0.012 degrees of latitude (1336 m) fill the 440 pixels between the margins.
    ScaleBar bar = scaleBar(p, 150);
    EXPECT_EQ(bar.metres, 200);
    EXPECT_NEAR(bar.pixels, 66, 1);
    EXPECT_EQ(scaleBar(p, 10).metres, 20);
}

TEST(MapLegend, AgeOfTheNewestPoint) {
    EXPECT_EQ(ageText(0), "0 s ago");
    EXPECT_EQ(ageText(59), "59 s ago");
    EXPECT_EQ(ageText(61), "1 min ago");
    EXPECT_EQ(ageText(3600), "1 h ago");
    EXPECT_EQ(ageText(2 * 3600 + 5 * 60 + 7), "2 h 5 min ago");
    EXPECT_EQ(ageText(-1), "in the future");
}

bool anyOverlap(const std::vector<LabelPlace>& places, const std::vector<LabelBox>& obstacles) {
    for (size_t i = 0; i < places.size(); ++i) {
        for (size_t j = 0; j < obstacles.size(); ++j)
            if (places[i].placed && overlaps(places[i].box, obstacles[j]))
                return true;
        for (size_t j = i + 1; j < places.size(); ++j)
            if (places[i].placed && places[j].placed && overlaps(places[i].box, places[j].box))
                return true;
    }
    return false;
}

// Two tracks whose newest points lie on one spot (a van and the same van through the server)
// and labels crowded against the map's edge.
TEST(MapLabels, NeverCoverEachOtherOrTheIcons) {
    LabelBox area{0, 0, 400, 300};
    struct Case {
        const char* name;
        std::vector<LabelRequest> labels;
        size_t placed;
    } cases[] = {
        {"one spot", {{200, 150, 60, 14, 10}, {200, 150, 110, 14, 10}, {201, 151, 40, 14, 10}}, 3},
        {"at the right edge", {{395, 150, 80, 14, 10}, {395, 152, 80, 14, 10}}, 2},
        {"in a corner", {{2, 2, 50, 14, 10}, {3, 3, 50, 14, 10}}, 2},
        {"wider than the map", {{200, 150, 500, 14, 10}}, 0},
    };
    for (const Case& c : cases) {
        std::vector<LabelBox> icons;
        for (const LabelRequest& r : c.labels)
            icons.push_back({r.anchorX - 8, r.anchorY - 8, r.anchorX + 8, r.anchorY + 8});
        std::vector<LabelPlace> places = placeLabels(c.labels, icons, area);
        ASSERT_EQ(places.size(), c.labels.size()) << c.name;
        EXPECT_FALSE(anyOverlap(places, icons)) << c.name;
        size_t placed = 0;
        for (const LabelPlace& place : places) {
            placed += place.placed;
            if (place.placed) {
                EXPECT_GE(place.box.left, area.left) << c.name;
                EXPECT_LE(place.box.right, area.right) << c.name;
                EXPECT_GE(place.box.top, area.top) << c.name;
                EXPECT_LE(place.box.bottom, area.bottom) << c.name;
            }
        }
        EXPECT_EQ(placed, c.placed) << c.name;
    }
    // The first label takes the best spot: to the right of its point.
    std::vector<LabelPlace> first = placeLabels({{100, 100, 50, 14, 10}}, {}, area);
    EXPECT_EQ(first[0].box.left, 110);
    EXPECT_EQ(first[0].box.top, 93);
}

}  // namespace
