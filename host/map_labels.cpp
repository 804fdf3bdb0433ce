#include "host/map_labels.h"

#include <cstddef>

bool overlaps(const LabelBox& a, const LabelBox& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

namespace {

bool inside(const LabelBox& box, const LabelBox& area) {
    return box.left >= area.left && box.top >= area.top && box.right <= area.right &&
           box.bottom <= area.bottom;
}

// The n-th spot for a label: the four sides at the clearance, then the same sides moved out
// by a label's height at a time, alternately down and up along the side.
LabelBox spot(const LabelRequest& r, int n) {
    int side = n % 4, ring = n / 4;
    int shift = (ring + 1) / 2 * (ring % 2 == 1 ? 1 : -1) * (r.height + 2);
    int x = r.anchorX, y = r.anchorY;
    switch (side) {
    case 0: x += r.clearance; y += shift - r.height / 2; break;                  // right
    case 1: x -= r.clearance + r.width; y += shift - r.height / 2; break;        // left
    case 2: x += shift - r.width / 2; y -= r.clearance + r.height; break;        // above
    default: x += shift - r.width / 2; y += r.clearance; break;                  // below
    }
    return {x, y, x + r.width, y + r.height};
}

constexpr int kSpots = 4 * 7;

}  // namespace

std::vector<LabelPlace> placeLabels(const std::vector<LabelRequest>& labels,
                                    const std::vector<LabelBox>& obstacles, const LabelBox& area) {
    std::vector<LabelBox> taken = obstacles;
    std::vector<LabelPlace> places;
    for (const LabelRequest& label : labels) {
        LabelPlace place{false, {}};
        for (int n = 0; n < kSpots && !place.placed; ++n) {
            LabelBox box = spot(label, n);
            bool free = inside(box, area);
            for (size_t i = 0; free && i < taken.size(); ++i)
                free = !overlaps(box, taken[i]);
            if (free)
                place = {true, box};
        }
        if (place.placed)
            taken.push_back(place.box);
        places.push_back(place);
    }
    return places;
}
