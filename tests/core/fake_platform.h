// The fake platform the native tests link the core with: each platform function is a line or two
// over the state below, which a test sets up, inspects, and resets with resetFakePlatform().
#pragma once

#include <atomic>
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
    // When set, called after each datagram is recorded, on the sending thread and without `lock`
    // (lets a test act in the middle of a sender's work).
    void (*duringSend)() = nullptr;

    // Names: host name -> IPv4 address (network order); lookups made.
    std::map<std::string, uint32_t> hosts;
    std::vector<std::string> lookups;

    // Message boxes shown (text, caption, type), and the button each returns.
    struct MessageBox {
        std::u16string text, caption;
        uint32_t type;
    };
    std::vector<MessageBox> messageBoxes;
    int messageBoxAnswer = 1;  // IDOK

    // Timers: those running (identifier -> which and period); identifiers are never reused.
    struct Timer {
        ModuleTimer which;
        uint32_t periodMs;
    };
    std::map<uintptr_t, Timer> timers;
    uintptr_t nextTimer = 1;
    bool timersFail = false;  // the system gives no timer

    // The device's 32-bit clock: what platformTickMs gives, set by the test.
    std::atomic<uint32_t> tickMs{0};

    std::mutex lock;  // guards `sent` and `fixRequests` against the test's own threads
};

extern FakePlatform fake;

// Puts the fake platform and the module state back to their state at load.
void resetFakePlatform();
