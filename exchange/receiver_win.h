// The receiver thread: takes every datagram that reaches the module's port for the module's
// whole life and hands it to the core's dispatch.
#pragma once

// Attach: clears receiverStop and starts the thread on udpSocket. False when no thread could be
// created (then nothing receives).
bool startReceiver();

// Detach, after udpSocket was closed: sets receiverStop, wakes the thread if it pauses, and waits
// (bounded) until it has left the module's code.
void stopReceiver();
