// What the receiver thread does after each receive. The shell maps the platform's error codes to
// ReceiveError; the decision lives here so it can be tested without sockets.
#pragma once

enum class ReceiveError {
    None,
    MessageTooLong,   // a datagram longer than 152 bytes: dropped, the next one follows at once
    ConnectionReset,  // an ICMP port-unreachable from an earlier send: says nothing of the socket
    Other,            // not bound, closed, or failing: the next receive would fail at once too
};

enum class ReceiveStep {
    Handle,         // a datagram of 1 to 152 bytes: hand it to the dispatcher
    ReceiveAgain,   // nothing to handle, but the socket is sound: receive at once
    Pause,          // the socket fails: wait (until woken or a while) before receiving again,
                    // so a socket that fails forever never makes the thread spin
};

ReceiveStep stepAfterReceive(int result, ReceiveError error);

// How long the receiver waits before receiving again after a failing receive, unless detach
// wakes it first.
constexpr unsigned kReceivePauseMs = 500;

// The receive buffer the module asks for its socket: room for the datagrams that arrive while the
// receiver waits for a disk that stalls. A thousand 152-byte positions a second for two seconds
// are 304 KB of datagrams. A system that counts only the datagrams' bytes holds about 6,900 in
// 1 MiB; Linux, under Wine, counts about 830 bytes for each against twice the size asked, so
// about 2,500, as long as net.core.rmem_max lets the socket have 1 MiB (Debian's default is
// 208 KiB, which holds about 500).
constexpr int kReceiveBufferBytes = 1 << 20;
