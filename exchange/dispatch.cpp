#include "exchange/dispatch.h"

#include "module/module_state.h"
#include "module/own_fix.h"

namespace {

void answerLocateRequest(const SocketAddress& sender) {
    if (moduleState.udpSocket == kNoSocket)
        return;
    PositionMessage answer;
    if (!buildPositionFromOwnFix(&answer))
        return;  // no fix, no answer
    if (moduleState.udpSocket != kNoSocket)
        platformSendTo(moduleState.udpSocket, sender, &answer, kPositionLength);
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
    switch (message.kind) {
    case kLocateRequest:
        answerLocateRequest(sender);
        break;
    default:
        // Positions are logged once the track log takes them; every other kind is ignored.
        break;
    }
}

void handleServerMessage(const PositionMessage&, const SocketAddress&) {
    // Target reports are logged once the track log and the target list take them; own reports
    // and target queries that reach a device are ignored.
}
