// appendTrackPoint when memory runs out: each allocation of the append in turn is made to fail,
// and the append must end as a failed append (no exception out of it, no handle left open, the
// host told, the file as it was or appended whole), never end the host. A binary of its own, as it
// replaces the global operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "tests/core/track_bytes.h"
#include "tracklog/track_file.h"
#include "tracklog/track_format.h"

namespace {

// Allocations of the module still allowed before one fails; -1: no limit. The fake's own
// bookkeeping is never made to fail: the platform it stands for allocates nothing of ours.
std::atomic<long> allocationsLeft{-1};

}  // namespace

void* operator new(std::size_t size) {
    if (!insideFakeFiles() && allocationsLeft.load() >= 0 && allocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

const char16_t kPath[] = u"\\My Documents\\Truck 7(12.8.2002).way";
const LocalTime kAt{2002, 12, 0, 8, 14, 5, 9, 0};

class OutOfMemory : public testing::Test {
  protected:
    void SetUp() override {
        root = startTrackFiles();
    }
    void TearDown() override {
        allocationsLeft = -1;
        removeTestRoot(root);
    }
    std::string root;
};

TEST_F(OutOfMemory, EveryAllocationOfAnAppendMayFailAndTheAppendFailsAlone) {
    const TrackBytes start =
        trackBytes(newTrackHead(2), {trackRecord("Truck 7.1", 17), trackRecord("Truck 7.2")});
    struct {
        const char* why;
        bool exists;
        bool remembered;  // the module appended to the file just before
    } starts[] = {
        {"a new file", false, false},
        {"a file walked on disk", true, false},
        {"a file the module remembers", true, true},
    };
    for (const auto& s : starts) {
        for (long failing = 0;; ++failing) {
            std::filesystem::remove(realPath(kPath));
            if (s.exists)
                writeRealFile(kPath, start);
            if (s.remembered)
                appendTrackPoint("Truck 7", kAt, 1, 2, 0);
            TrackBytes before = s.exists || s.remembered ? readRealFile(kPath) : TrackBytes{};
            size_t told = fakeFiles.notifications.size();

            allocationsLeft = failing;
            EXPECT_NO_THROW(appendTrackPoint("Truck 7", kAt, 12, -34, 2))
                << s.why << ", allocation " << failing;
            bool failed = allocationsLeft.load() < 0;
            allocationsLeft = -1;

            EXPECT_EQ(openFileCount(), 0) << s.why << ", allocation " << failing;
            EXPECT_EQ(fakeFiles.notifications.size(), told + 1) << s.why;
            TrackBytes after = readRealFile(kPath);
            TrackWalk walk = walkTrackFile(after.data(), after.size(), nullptr);
            EXPECT_FALSE(walk.truncated) << s.why << ", allocation " << failing;
            if (failed) {
                EXPECT_TRUE(after == before || walk.wholeRecords == walk.head.count)
                    << s.why << ", allocation " << failing;
            } else {
                break;  // the append needed no more allocations than this
            }
            // The next append, with memory enough, goes on from what the failed one left.
            appendTrackPoint("Truck 7", kAt, 12, -34, 2);
            after = readRealFile(kPath);
            walk = walkTrackFile(after.data(), after.size(), nullptr);
            EXPECT_FALSE(walk.truncated) << s.why << ", after allocation " << failing;
            EXPECT_GE(walk.wholeRecords, s.exists ? 3 : 1);
        }
    }
}

}  // namespace
