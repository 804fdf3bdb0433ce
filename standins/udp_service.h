// What the native stand-ins (the tracking server, the CDPD modem) share as UDP services on Linux:
// the stop signals, the bound socket, and addresses as text.
#pragma once

#include <netinet/in.h>

#include <csignal>
#include <string>

// Set by SIGINT and SIGTERM once catchStopSignals ran; the service loop ends when it sees it.
extern volatile sig_atomic_t stopRequested;

// SIGINT and SIGTERM set stopRequested; without SA_RESTART they also end a poll() under way.
void catchStopSignals();

// A port number written in full decimal from `lowest` to 65535; false for anything else.
bool parsePort(const char* text, long lowest, long* port);

// A UDP socket bound to address:port (port 0: one the system chooses), with the address it got
// in *bound; -1 after saying why on standard error, the message starting with `program`.
int bindUdp(const char* program, const char* address, long port, sockaddr_in* bound);

// "A.B.C.D:PORT".
std::string addressText(const sockaddr_in& address);
