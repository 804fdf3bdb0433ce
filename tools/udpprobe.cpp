// udpprobe: talks to a device's UDP endpoint from a plain Linux socket.
//
//   udpprobe locate HOST [PORT] [--timeout-ms N]
//       sends a locate request (152 bytes) and prints the position that answers it;
//       exit 0 with an answer, 1 when none came in time, 2 on a usage or socket error.
//   udpprobe send HOST PORT HEX
//       sends the bytes written as hex (for instance 6c00...) and waits for nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "exchange/position_message.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: udpprobe locate HOST [PORT] [--timeout-ms N]\n"
                         "       udpprobe send HOST PORT HEX\n");
    return 2;
}

bool parseAddress(const char* host, const char* port, sockaddr_in* to) {
    std::memset(to, 0, sizeof *to);
    to->sin_family = AF_INET;
    char* end = nullptr;
    long p = std::strtol(port, &end, 10);
    if (*end != 0 || p <= 0 || p > 65535 || inet_pton(AF_INET, host, &to->sin_addr) != 1)
        return false;
    to->sin_port = htons(static_cast<uint16_t>(p));
    return true;
}

bool parseHex(const char* hex, std::vector<uint8_t>* bytes) {
    size_t n = std::strlen(hex);
    if (n % 2 != 0)
        return false;
    for (size_t i = 0; i < n; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end = nullptr;
        unsigned long v = std::strtoul(pair, &end, 16);
        if (*end != 0)
            return false;
        bytes->push_back(static_cast<uint8_t>(v));
    }
    return true;
}

void printPosition(const PositionMessage& m, ssize_t length, const sockaddr_in& from) {
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    std::printf("answer from %s:%u, %zd bytes, kind '%c'\n", text, ntohs(from.sin_port), length,
                m.kind);
    std::printf("latitude %d longitude %d (message units: degrees x 10^6 = %.6f, %.6f)\n",
                m.latitude, m.longitude, m.latitude / 1e6, m.longitude / 1e6);
    std::printf("status 0x%02x quality %u, relayed: speed %u (0.1 km/h), course %u (0.1 deg), "
                "altitude %d m\n",
                m.status, m.quality, m.speed, m.course, m.altitude);
}

int locate(const sockaddr_in& to, int timeoutMs) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        std::perror("socket");
        return 2;
    }
    PositionMessage request = makeLocateRequest();
    if (sendto(s, &request, kLocateRequestLength, 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) != static_cast<ssize_t>(kLocateRequestLength)) {
        std::perror("sendto");
        close(s);
        return 2;
    }
    pollfd p{s, POLLIN, 0};
    int result = 1;
    if (poll(&p, 1, timeoutMs) == 1) {
        uint8_t buffer[kMessageSize + 1];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t n = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                             &fromLength);
        if (n > 0) {
            printPosition(decodeReceived(buffer, static_cast<size_t>(n)), n, from);
            result = 0;
        } else {
            std::fprintf(stderr, "receive failed: %s\n", std::strerror(errno));
        }
    } else {
        std::fprintf(stderr, "no answer within %d ms\n", timeoutMs);
    }
    close(s);
    return result;
}

int sendRaw(const sockaddr_in& to, const std::vector<uint8_t>& bytes) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        std::perror("socket");
        return 2;
    }
    ssize_t n = sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                       sizeof to);
    close(s);
    if (n != static_cast<ssize_t>(bytes.size())) {
        std::perror("sendto");
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return usage();
    std::string verb = argv[1];
    sockaddr_in to;
    if (verb == "locate") {
        const char* port = "28695";
        int timeoutMs = 3000;
        for (int i = 3; i < argc; ++i) {
            if (std::strcmp(argv[i], "--timeout-ms") == 0 && i + 1 < argc)
                timeoutMs = std::atoi(argv[++i]);
            else
                port = argv[i];
        }
        if (!parseAddress(argv[2], port, &to))
            return usage();
        return locate(to, timeoutMs);
    }
    if (verb == "send" && argc == 5) {
        std::vector<uint8_t> bytes;
        if (!parseAddress(argv[2], argv[3], &to) || !parseHex(argv[4], &bytes))
            return usage();
        return sendRaw(to, bytes);
    }
    return usage();
}
