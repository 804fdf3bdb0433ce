// Any bytes a gpsd connection can deliver, in any pieces. The first three bytes steer: how many
// times the rest is sent back to back (so lines can outgrow kGpsdMaxLine under the ctest run's
// -max_len) and where each copy is cut. Checked: every fix handed out is within the record's
// ranges, and the pieces never change the outcome (the whole stream fed at once says the same).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gpsdriver/gpsd_stream.h"

namespace {

void checkFix(const ZQGPS_POSITIONALDATA& f) {
    bool ok = (f.mode == 2 || f.mode == 3) && f.latitude >= -900000000 &&
              f.latitude <= 900000000 && f.longitude >= -1800000000 &&
              f.longitude <= 1800000000 && f.altitude >= -32767 && f.course <= 3599 &&
              f.satellites == 0 && f.hdop == 0 && f.reserved30 == 0 && f.reserved36 == 0;
    bool noDate = f.year == 0 && f.month == 0 && f.day == 0 && f.hour == 0 && f.minute == 0 &&
                  f.second == 0;
    bool date = f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= 31 && f.hour <= 23 &&
                f.minute <= 59 && f.second <= 60 && f.year <= 9999;
    if (!ok || !(noDate || date))
        std::abort();
}

// The news of a stream is that of its last call that had any; the fix is that of its last call
// that handed one out.
struct Outcome {
    GpsdNews news = GpsdNews::None;
    ZQGPS_POSITIONALDATA fix{};
};

void note(Outcome* o, GpsdNews news, const ZQGPS_POSITIONALDATA& fix) {
    if (news == GpsdNews::None)
        return;
    o->news = news;
    if (news == GpsdNews::Fix) {
        checkFix(fix);
        o->fix = fix;
    }
}

GpsdStream pieces, whole;  // 8 KiB each: kept off the stack

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    int copies = 1 + (data[0] & 3);
    const char* body = reinterpret_cast<const char*>(data + 3);
    size_t length = size - 3;
    size_t cut1 = length * data[1] / 256;
    size_t cut2 = cut1 + (length - cut1) * data[2] / 256;

    Outcome byPieces;
    resetGpsdStream(&pieces);
    std::string all;
    for (int i = 0; i < copies; ++i) {
        size_t bounds[] = {0, cut1, cut2, length};
        for (int k = 0; k < 3; ++k) {
            ZQGPS_POSITIONALDATA fix{};
            size_t count = bounds[k + 1] - bounds[k];
            GpsdNews news = feedGpsdStream(&pieces, body + bounds[k], count, &fix);
            note(&byPieces, news, fix);
        }
        all.append(body, length);
    }

    Outcome atOnce;
    resetGpsdStream(&whole);
    ZQGPS_POSITIONALDATA fix{};
    note(&atOnce, feedGpsdStream(&whole, all.data(), all.size(), &fix), fix);

    if (byPieces.news != atOnce.news || pieces.used != whole.used ||
        pieces.discarding != whole.discarding || pieces.used > kGpsdMaxLine)
        std::abort();
    if (atOnce.news == GpsdNews::Fix && std::memcmp(&byPieces.fix, &atOnce.fix, sizeof fix) != 0)
        std::abort();
    return 0;
}
