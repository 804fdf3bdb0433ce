// The host's reader of town files over any text: nothing may crash, and every street it gives has
// two points or more, each on the earth.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/town_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<TownStreet> streets;
    std::string error;
    readTownMap(std::string(reinterpret_cast<const char*>(data), size), &streets, &error);
    for (const TownStreet& street : streets) {
        if (street.points.size() < 2)
            std::abort();
        for (const MapPoint& p : street.points)
            if (!(p.latitude >= -90 && p.latitude <= 90 && p.longitude >= -180 &&
                  p.longitude <= 180))
                std::abort();
    }
    return 0;
}
