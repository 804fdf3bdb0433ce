#include "standins/udp_service.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

volatile sig_atomic_t stopRequested = 0;

namespace {
void onStopSignal(int) { stopRequested = 1; }
} // namespace

void catchStopSignals() {
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool parsePort(const char* text, long lowest, long* port) {
    char* end = nullptr;
    *port = std::strtol(text, &end, 10);
    return *end == 0 && *port >= lowest && *port <= 65535;
}

int bindUdp(const char* program, const char* address, long port, sockaddr_in* bound) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address, &local.sin_addr) != 1) {
        std::fprintf(stderr, "%s: %s is not a dotted IPv4 address\n", program, address);
        return -1;
    }
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        std::fprintf(stderr, "%s: socket: %s\n", program, std::strerror(errno));
        return -1;
    }
    socklen_t length = sizeof *bound;
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(bound), &length) != 0) {
        std::fprintf(stderr, "%s: cannot bind %s:%ld: %s\n", program, address, port,
                     std::strerror(errno));
        close(s);
        return -1;
    }
    return s;
}

std::string addressText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(a.sin_port));
}
