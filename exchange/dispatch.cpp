// The receiver's two handlers. Each reads the lists only under listLock, copying out what it needs
// (a name, an icon), and never holds the lock while it writes a track file, sends, or shows a
// message: those can take long, and the host's thread must be free to edit the lists meanwhile.
#include "exchange/dispatch.h"

#include <string>

#include "module/module_state.h"
#include "module/own_fix.h"
#include "module/text.h"
#include "tracklog/track_file.h"

namespace {

// A track's name: the description up to, not including, its first '/'. The field may be full
// to the brim with no zero.
std::string trackName(const char* description, size_t width) {
    std::string name(description, fieldLength(description, width));
    return name.substr(0, name.find('/'));
}

// The sender's address in dotted decimal, as the CDPD dialogs show it.
std::string dottedAddress(uint32_t address) {
    char text[kDottedAddressSize];
    formatDottedAddress(address, text);
    return text;
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
    std::string name;
    int32_t icon = 0;  // when the selection names no entry either
    bool matched = false;
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        for (int32_t i = 0; i < moduleState.cdpdCount && i < kCdpdCapacity; ++i) {
            const CdpdAddress& entry = moduleState.cdpdList[i];
            if (entry.address == sender.address) {
                name = trackName(entry.description, sizeof entry.description);
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
        name = dottedAddress(sender.address);
    appendTrackPoint(name.c_str(), receivedAt, m.latitude, m.longitude, icon);
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
    std::string name;
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
        name = trackName(match->description, sizeof match->description);
        icon = match->iconIndex;
    }
    appendTrackPoint(name.c_str(), receivedAt, m.latitude, m.longitude, icon);
}

// The server has no position for a target queried once. Shown only while tracking is off, and
// only when the server said so: from any other host one datagram would otherwise stop this
// thread behind a modal box.
void tellNotLocatedYet(const char16_t* id, bool fromServer) {
    if (!fromServer || moduleState.trackTimer != 0)
        return;
    std::u16string text = std::u16string(id) + u" hasn't been located yet.";
    platformMessageBox(text.c_str(), u"Orlisk GPS", kMbOk | kMbSetForeground);
}

} // namespace

void handleDatagram(const uint8_t* bytes, size_t length, const SocketAddress& sender) {
    PositionMessage message = decodeReceived(bytes, length);
    if (isServerKind(message.kind))
        handleServerMessage(message, sender);
    else
        handlePeerMessage(message, sender);
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
