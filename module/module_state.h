// Module-wide state. Everything the module remembers lives here from process attach to process
// detach; there are no objects with a shorter life. Each field says who writes it and how the
// threads that share it are kept from a half-written value.
//
// Threads: the host's thread (exports, dialogs, timer procedures), the receiver thread (from
// attach to detach) and the poll thread (while CDPD polling runs).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "cdpd/cdpd_address.h"
#include "exchange/answer_limit.h"
#include "gpsdriver/zqgps_record.h"
#include "module/platform.h"
#include "module/settings.h"
#include "module/tick_clock.h"
#include "threeg/report_decision.h"
#include "threeg/threeg_target.h"

constexpr int kPathChars = 260;
constexpr int kServerNameChars = 256;   // 512 bytes in the registry
constexpr int kAccountIdChars = 16;     // 32 bytes in the registry
constexpr int kTrackFileNameBytes = 256;

struct ModuleState {
    void* moduleInstance;   // attach
    // The exports that take a window store it; detach nulls it; the receiver reads it for each
    // notification.
    std::atomic<void*> hostWindow;

    SocketHandle udpSocket = kNoSocket;  // attach; closed at detach
    bool endpointBound;                  // attach: true once the bind succeeded

    // Set at load; attach clears it when it starts the receiver, detach sets it again so the
    // receiver's loop ends.
    std::atomic<bool> receiverStop{true};

    // The driver fills ownFix on request, from the receiver thread and the host's thread. Whoever
    // fills it holds ownFixLock from the fill until the message built from it is complete, so a
    // message is always built from one complete fill (see own_fix.h).
    ZQGPS_POSITIONALDATA ownFix;
    std::mutex ownFixLock;

    char16_t documentsFolder[kPathChars];  // attach: "\My Documents"
    char16_t windowsFolder[kPathChars];    // attach: "\Windows"

    char lastTrackFileName[kTrackFileNameBytes];  // the receiver, at each track-file append

    // Settings. One unit more than the registry buffer, always zero, so a value that fills its
    // buffer to the brim still reads as a terminated text.
    char16_t serverName[kServerNameChars + 1];  // attach (registry), server dialog
    std::atomic<uint32_t> serverAddress;        // server link, server dialog; 0 = unresolved;
                                                // the receiver compares senders with it
    char16_t accountId[kAccountIdChars + 1];    // attach (registry), account dialog

    // Guards both lists, their counts and selections. The host's thread holds it while a dialog
    // changes them; the receiver and the poll thread hold it while they copy a record or a count
    // out (never while they send or write a file), so no thread acts on a half-written record.
    std::mutex listLock;

    CdpdAddress cdpdList[kCdpdCapacity];  // attach (file), CDPD dialogs
    int32_t cdpdCount;
    int32_t serialPortIndex;   // the list file's two header words, kept as read
    int32_t modemModelIndex;
    int32_t cdpdSelection;     // CDPD dialogs; -1 when no row is selected

    ThreeGTarget targetList[kTargetCapacity];  // attach (file), 3G dialogs; the receiver writes
    int32_t targetCount;                       // lastLongitude/lastLatitude
    int32_t targetSelection;                   // 3G dialogs

    std::atomic<int32_t> pollCounters[kCdpdCapacity];  // tick timer and poll thread
    std::atomic<bool> pollActive;                      // cdpdStartTrack, cdpdStopTrack
    std::atomic<uintptr_t> tickTimer;  // cdpdStartTrack, cdpdStopTrack; detach may run elsewhere
    std::atomic<uintptr_t> trackTimer;  // ThreeGStartTrack, ThreeGStopTrack; 0 = not tracking;
                                        // the receiver reads it
    std::atomic<uintptr_t> sendTimer;  // ThreeGStartSend, ThreeGStopSend; 0 = not sending

    // The owner's choices ("QVAnswer", "QVLog"), written once at attach before the receiver
    // starts; the receiver reads them for every datagram. Atomic, so whatever the order of
    // attach's steps, a reader sees the old or the new value whole.
    std::atomic<AnswerPolicy> answerPolicy{AnswerPolicy::All};
    std::atomic<LogPolicy> logPolicy{LogPolicy::All};
    // The own report's thresholds ("QVReportMetres", "QVReportTurn", "QVReportMaxSeconds"; 0 =
    // not set), written once at attach before any export can run; only the host's thread reads
    // them, so no reader meets them half-written.
    ReportRules reportRules;
    // What the own report remembers between ticks: the host's thread alone (ThreeGStartSend
    // resets it; the timer's ticks and the one-off sends update it).
    ReportTrack reportTrack;
    // Whom the receiver answered lately: the receiver thread alone reads and writes it.
    AnswerLimit answerLimit;
    // The device's 32-bit clock made 64-bit: the receiver and the host's thread both ask it.
    TickClock tickClock;
};

extern ModuleState moduleState;

// Milliseconds of a clock that never goes back and keeps counting across the wrap of the device's
// 32-bit clock: the platform's tick extended by moduleState.tickClock. Either thread that measures
// intervals asks it (the receiver for each locate request, the host's thread for each own report).
uint64_t moduleMonotonicMs();

// The registry key of both settings, under the current user.
extern const char16_t kSettingsKey[];
