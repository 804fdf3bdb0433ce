// The receiver thread's Win32 side: recvfrom into a zeroed 152-byte buffer, the platform's error
// mapped for the core's decision, and the wait that keeps a failing socket from spinning the
// thread. Detach ends it: the closed socket fails the receive, receiverStop ends the loop. Which
// datagrams make a round, and when its positions are written, is the core's (dispatch.h).
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <windows.h>

#include "exchange/receiver_win.h"

#include <cstring>

#include "exchange/dispatch.h"
#include "exchange/receive_loop.h"
#include "module/module_state.h"
#include "module/owned_thread_win.h"

namespace {

constexpr DWORD kStopTimeoutMs = 5000;

OwnedThread receiverThread;
HANDLE receiverWake;  // set at detach so a pause ends at once

ReceiveError receiveErrorOf(int code) {
    switch (code) {
    case WSAEMSGSIZE:
        return ReceiveError::MessageTooLong;
    case WSAECONNRESET:
        return ReceiveError::ConnectionReset;
    default:
        return ReceiveError::Other;
    }
}

void receiverLoop(void*) {
    SOCKET s = static_cast<SOCKET>(moduleState.udpSocket);
    uint8_t buffer[kMessageSize];
    SocketAddress sender;
    while (!moduleState.receiverStop) {
        writeHeldPositionsUnlessMoreWait();
        std::memset(buffer, 0, sizeof buffer);
        std::memset(&sender, 0, sizeof sender);
        int senderLength = sizeof sender;  // reset for every receive: recvfrom may shorten it
        int n = recvfrom(s, reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                         reinterpret_cast<sockaddr*>(&sender), &senderLength);
        ReceiveError error = n < 0 ? receiveErrorOf(WSAGetLastError()) : ReceiveError::None;
        switch (stepAfterReceive(n, error)) {
        case ReceiveStep::Handle:
            // No exception may end the receiver: a failure of memory costs this datagram only.
            try {
                takeDatagram(buffer, static_cast<size_t>(n), sender);
            } catch (...) {
            }
            break;
        case ReceiveStep::ReceiveAgain:
            break;
        case ReceiveStep::Pause:
            WaitForSingleObject(receiverWake, kReceivePauseMs);
            break;
        }
    }
    // Stopped with positions taken out of the socket: they still go to their files (detach has
    // nulled the host's window, so nobody is told).
    writeHeldPositions();
}

} // namespace

bool startReceiver() {
    receiverWake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    moduleState.receiverStop = false;
    return receiverWake != nullptr && startOwnedThread(&receiverThread, receiverLoop, nullptr);
}

void stopReceiver() {
    moduleState.receiverStop = true;
    if (receiverWake != nullptr)
        SetEvent(receiverWake);
    if (stopOwnedThread(&receiverThread, kStopTimeoutMs) && receiverWake != nullptr) {
        CloseHandle(receiverWake);
        receiverWake = nullptr;
    }
}
