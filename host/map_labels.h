// Where the map's texts go, so that no label covers another: each label tries the spots around
// its anchor in turn (right, left, above, below, then further out) and takes the first that
// overlaps neither what is already placed nor the obstacles (the icons, the scale bar) and lies
// inside the map; a label with no free spot is left out. Portable, so a test can check it.
#pragma once

#include <vector>

struct LabelBox {
    int left, top, right, bottom;  // right and bottom exclusive
};

struct LabelRequest {
    int anchorX, anchorY;  // the point the label names
    int width, height;     // of its text
    int clearance;         // from the anchor to the nearest edge of the text
};

struct LabelPlace {
    bool placed;
    LabelBox box;
};

bool overlaps(const LabelBox& a, const LabelBox& b);

// Labels in order of importance: earlier ones get the better spots.
std::vector<LabelPlace> placeLabels(const std::vector<LabelRequest>& labels,
                                    const std::vector<LabelBox>& obstacles, const LabelBox& area);
