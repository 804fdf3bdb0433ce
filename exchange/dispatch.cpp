// The receiver's two handlers and its rounds. Each handler reads the lists only under listLock,
// copying out what it needs (a name, an icon), and never holds the lock while it writes a track
// file, sends, or shows a message: those can take long, and the host's thread must be free to
// edit the lists meanwhile.
#include "exchange/dispatch.h"

#include <cstring>
#include <string>

#include "module/module_state.h"
#include "module/own_fix.h"
#include "module/text.h"
#include "tracklog/track_file.h"

namespace {

// A track's name is a list description up to its first '/', or a sender's dotted address: the
// longest description and its zero fit.
constexpr size_t kTrackNameBytes = sizeof(ThreeGTarget::description) + 1;
static_assert(sizeof(CdpdAddress::description) < kTrackNameBytes);
static_assert(kDottedAddressSize <= kTrackNameBytes);

// The positions taken since the last write, each with its name: the receiver thread's alone.
// Fixed room, so holding a position never allocates.
struct HeldPositions {
    TrackPoint points[kRoundPositions];
    char names[kRoundPositions][kTrackNameBytes];
    size_t count;
};
HeldPositions held;

// The name of the next position to hold; a full round is written first to make room.
char* nextHeldName() {
    if (held.count == kRoundPositions)
        writeHeldPositions();
    return held.names[held.count];
}

// Holds a position under the name nextHeldName gave.
void holdPosition(const PositionMessage& m, const LocalTime& receivedAt, int32_t icon) {
    held.points[held.count] =
        TrackPoint{held.names[held.count], receivedAt, m.latitude, m.longitude, icon};
    ++held.count;
}

// A track's name: the description up to, not including, its first '/'. The field may be full
// to the brim with no zero.
void copyTrackName(const char* description, size_t width, char* name) {
    size_t length = fieldLength(description, width);
    const void* slash = std::memchr(description, '/', length);
    if (slash != nullptr)
        length = static_cast<size_t>(static_cast<const char*>(slash) - description);
    std::memcpy(name, description, length);
    name[length] = 0;
}

bool isCdpdListed(uint32_t address) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    for (int32_t i = 0; i < moduleState.cdpdCount && i < kCdpdCapacity; ++i) {
        if (moduleState.cdpdList[i].address == address)
            return true;
    }
    return false;
}

bool ownerLetsAnswer(uint32_t address) {
    switch (moduleState.answerPolicy.load()) {
    case AnswerPolicy::All:
        return true;
    case AnswerPolicy::Listed:  // an unresolved server (0) lets nobody in
        return (address != 0 && address == moduleState.serverAddress) || isCdpdListed(address);
    case AnswerPolicy::None:
        break;
    }
    return false;
}

// The owner's choice first, then the limit, then the driver: a flood of forged requests costs
// a table lookup each and never reaches the driver. A request admitted while the driver has no
// fix still counts as answered for its second.
void answerLocateRequest(const SocketAddress& sender) {
    if (moduleState.udpSocket == kNoSocket)
        return;
    if (!ownerLetsAnswer(sender.address))
        return;
    if (!admitAnswer(&moduleState.answerLimit, sender.address, moduleMonotonicMs()))
        return;  // dropped without a word
    PositionMessage answer;
    if (!buildPositionFromOwnFix(&answer))
        return;  // no fix, no answer
    if (moduleState.udpSocket != kNoSocket)
        platformSendTo(moduleState.udpSocket, sender, &answer, kPositionLength);
}

// A valid position from a peer or a modem: named after the first entry with the sender's
// address, or after the address itself with the icon of the selected entry.
void logPeerPosition(const PositionMessage& m, const SocketAddress& sender,
                     const LocalTime& receivedAt) {
    char* name = nextHeldName();
    int32_t icon = 0;  // when the selection names no entry either
    bool matched = false;
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        for (int32_t i = 0; i < moduleState.cdpdCount && i < kCdpdCapacity; ++i) {
            const CdpdAddress& entry = moduleState.cdpdList[i];
            if (entry.address == sender.address) {
                copyTrackName(entry.description, sizeof entry.description, name);
                icon = entry.iconIndex;
                matched = true;
                break;
            }
        }
        int32_t selected = moduleState.cdpdSelection;
        if (!matched && selected >= 0 && selected < moduleState.cdpdCount &&
            selected < kCdpdCapacity)
            icon = moduleState.cdpdList[selected].iconIndex;
    }
    if (!matched && moduleState.logPolicy == LogPolicy::Listed)
        return;  // the owner logs listed senders only
    if (!matched)
        formatDottedAddress(sender.address, name);
    holdPosition(m, receivedAt, icon);
}

bool sameId(const char16_t* targetId, const char16_t* id) {
    size_t n = fieldLength(targetId, 16);
    return std::char_traits<char16_t>::length(id) == n &&
           std::char_traits<char16_t>::compare(targetId, id, n) == 0;
}

// A target report carrying a position. Only from the server, only for a listed ID, and only when
// the position differs from the last one logged for that target, which is then stored.
void logTargetPosition(const PositionMessage& m, const char16_t* id, bool fromServer,
                       const LocalTime& receivedAt) {
    if (!fromServer)
        return;
    char* name = nextHeldName();
    int32_t icon = 0;
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        ThreeGTarget* match = nullptr;
        for (int32_t i = 0; i < moduleState.targetCount && i < kTargetCapacity; ++i) {
            if (sameId(moduleState.targetList[i].targetId, id)) {
                match = &moduleState.targetList[i];
                break;
            }
        }
        if (match == nullptr)
            return;
        if (match->lastLongitude == m.longitude && match->lastLatitude == m.latitude)
            return;  // an unchanged position is logged once
        match->lastLongitude = m.longitude;
        match->lastLatitude = m.latitude;
        copyTrackName(match->description, sizeof match->description, name);
        icon = match->iconIndex;
    }
    holdPosition(m, receivedAt, icon);
}

// The server has no position for a target queried once. Shown only while tracking is off, and
// only when the server said so: from any other host one datagram would otherwise stop this
// thread behind a modal box.
void tellNotLocatedYet(const char16_t* id, bool fromServer) {
    if (!fromServer || moduleState.trackTimer != 0)
        return;
    // The box waits for the user: what came before it is written and told first.
    writeHeldPositions();
    std::u16string text = std::u16string(id) + u" hasn't been located yet.";
    platformMessageBox(text.c_str(), u"Orlisk GPS", kMbOk | kMbSetForeground);
}

void handlePeerMessage(const PositionMessage& message, const SocketAddress& sender) {
    LocalTime receivedAt = platformLocalTime();
    switch (message.kind) {
    case kPosition:
        if (isValidPosition(message))
            logPeerPosition(message, sender, receivedAt);
        break;
    case kLocateRequest:
        answerLocateRequest(sender);
        break;
    default:
        break;
    }
}

void handleServerMessage(const PositionMessage& message, const SocketAddress& sender) {
    LocalTime receivedAt = platformLocalTime();
    char16_t id[kMessageIdSize + 1];
    copyFieldToWide(message.id, kMessageIdSize, id);
    // An unresolved server (0) is nobody: a datagram claiming 0.0.0.0 does not pass for it.
    uint32_t server = moduleState.serverAddress;
    bool fromServer = server != 0 && sender.address == server;
    if (message.kind != kTargetReport)
        return;  // own reports and target queries that reach a device are ignored
    switch (classifyTargetReport(message)) {
    case TargetReportContent::Position:
        logTargetPosition(message, id, fromServer, receivedAt);
        break;
    case TargetReportContent::NotLocatedYet:
        tellNotLocatedYet(id, fromServer);
        break;
    case TargetReportContent::Nothing:
        break;
    }
}

} // namespace

void takeDatagram(const uint8_t* bytes, size_t length, const SocketAddress& sender) {
    PositionMessage message = decodeReceived(bytes, length);
    if (isServerKind(message.kind))
        handleServerMessage(message, sender);
    else
        handlePeerMessage(message, sender);
}

void writeHeldPositions() {
    size_t count = held.count;
    held.count = 0;
    appendTrackPoints(held.points, count);
}

void writeHeldPositionsUnlessMoreWait() {
    if (held.count > 0 && !platformDatagramWaiting(moduleState.udpSocket))
        writeHeldPositions();
}

void handleDatagram(const uint8_t* bytes, size_t length, const SocketAddress& sender) {
    takeDatagram(bytes, length, sender);
    writeHeldPositions();
}
