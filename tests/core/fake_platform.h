// The fake platform the native tests link the core with: each platform function is a line or two
// over the state below, which a test sets up, inspects, and resets with resetFakePlatform().
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "module/platform.h"

struct SentDatagram {
    SocketHandle socket;
    SocketAddress to;
    std::vector<uint8_t> bytes;
};

struct FakePlatform {
    // The driver: the fix it reports, and whether it has one.
    bool hasFix = false;
    ZQGPS_POSITIONALDATA fix{};
    int fixRequests = 0;
    // When set, called while the driver fills a record (lets a test interleave threads).
    void (*duringFill)(ZQGPS_POSITIONALDATA* record) = nullptr;

    // The registry: value name (narrowed) -> the bytes stored, and the size of each write.
    std::map<std::string, std::vector<uint8_t>> registry;
    std::vector<std::pair<std::string, uint32_t>> registryWrites;

    // UDP: every datagram sent, in order.
    std::vector<SentDatagram> sent;

    std::mutex lock;  // guards `sent` and `fixRequests` against the test's own threads
};

extern FakePlatform fake;

// Puts the fake platform and the module state back to their state at load.
void resetFakePlatform();
