// Detach nulls hostWindow on the host's thread while the receiver may be about to tell the host of
// an append. Under ThreadSanitizer this shows the receiver never reads a half-written window; in
// every build, that each notification went to the window or to nobody, never to anything else.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "exchange/dispatch.h"
#include "module/module_state.h"
#include "module/text.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"

namespace {

int hostWindow;  // its address stands for the host's window

TEST(DetachRace, TheWindowIsNulledWhilePositionsAreLogged) {
    resetFakePlatform();
    std::string root = makeTestRoot();
    resetFakeFiles(root);
    fakeFiles.now = LocalTime{2002, 12, 0, 8, 14, 5, 9, 0};
    copyToWide("\\My Documents", moduleState.documentsFolder);
    moduleState.udpSocket = 3;
    moduleState.hostWindow = &hostWindow;

    std::atomic<bool> done{false};
    std::thread host([&] {
        for (int i = 0; !done; ++i)
            moduleState.hostWindow = i % 2 ? nullptr : &hostWindow;
    });
    for (int i = 1; i <= 200; ++i) {
        PositionMessage m{};
        m.kind = 'U';
        m.latitude = i;
        m.longitude = i;
        m.quality = 4;
        handleDatagram(reinterpret_cast<const uint8_t*>(&m), sizeof m,
                       destinationFor(0x0A00A8C0, 28695));
    }
    done = true;
    host.join();
    ASSERT_EQ(fakeFiles.notifications.size(), 200u);
    for (const auto& n : fakeFiles.notifications)
        EXPECT_TRUE(n.window == &hostWindow || n.window == nullptr);
    removeTestRoot(root);
}

} // namespace
