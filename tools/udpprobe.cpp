// udpprobe: talks to a device's UDP endpoint from a plain Linux socket.
//
//   udpprobe locate HOST [PORT] [--timeout-ms N] [--from ADDRESS] [--count N]
//       sends a locate request (152 bytes) and prints the position that answers it;
//       exit 0 with an answer, 1 when none came in time, 2 on a usage or socket error.
//       With --count, sends N requests at once and then prints "answers K": every answer that
//       came until none had come for the timeout (exit 0 whatever K is).
//   udpprobe send HOST PORT HEX [--from ADDRESS]
//       sends the bytes written as hex (for instance 6c00...) and waits for nothing.
//   --from sends from that local address (any of 127.0.0.0/8 on loopback), so one machine can
//   stand for many senders.
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
    std::fprintf(stderr, "usage: udpprobe locate HOST [PORT] [--timeout-ms N] [--from ADDRESS] "
                         "[--count N]\n"
                         "       udpprobe send HOST PORT HEX [--from ADDRESS]\n");
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

// A UDP socket, bound to `from` (and any port) when it is not null; -1 on an error, reported.
int openSocket(const char* from) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        std::perror("socket");
        return -1;
    }
    if (from == nullptr)
        return s;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (inet_pton(AF_INET, from, &local.sin_addr) != 1 ||
        bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "cannot send from %s: %s\n", from, std::strerror(errno));
        close(s);
        return -1;
    }
    return s;
}

// Answers that come until none has come for timeoutMs.
int countAnswers(int s, int timeoutMs) {
    int answers = 0;
    pollfd p{s, POLLIN, 0};
    uint8_t buffer[kMessageSize + 1];
    while (poll(&p, 1, timeoutMs) == 1 && recv(s, buffer, sizeof buffer, 0) > 0)
        ++answers;
    return answers;
}

int locate(const sockaddr_in& to, int timeoutMs, const char* from, int count) {
    int s = openSocket(from);
    if (s < 0)
        return 2;
    PositionMessage request = makeLocateRequest();
    for (int i = 0; i < (count > 0 ? count : 1); ++i) {
        if (sendto(s, &request, kLocateRequestLength, 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to) != static_cast<ssize_t>(kLocateRequestLength)) {
            std::perror("sendto");
            close(s);
            return 2;
        }
    }
    if (count > 0) {
        std::printf("answers %d\n", countAnswers(s, timeoutMs));
        close(s);
        return 0;
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

int sendRaw(const sockaddr_in& to, const std::vector<uint8_t>& bytes, const char* from) {
    int s = openSocket(from);
    if (s < 0)
        return 2;
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
    const char* from = nullptr;
    if (verb == "locate") {
        const char* port = "28695";
        int timeoutMs = 3000, count = 0;
        for (int i = 3; i < argc; ++i) {
            if (std::strcmp(argv[i], "--timeout-ms") == 0 && i + 1 < argc)
                timeoutMs = std::atoi(argv[++i]);
            else if (std::strcmp(argv[i], "--from") == 0 && i + 1 < argc)
                from = argv[++i];
            else if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc)
                count = std::atoi(argv[++i]);
            else
                port = argv[i];
        }
        if (!parseAddress(argv[2], port, &to))
            return usage();
        return locate(to, timeoutMs, from, count);
    }
    if (verb == "send" && (argc == 5 || (argc == 7 && std::strcmp(argv[5], "--from") == 0))) {
        std::vector<uint8_t> bytes;
        if (!parseAddress(argv[2], argv[3], &to) || !parseHex(argv[4], &bytes))
            return usage();
        return sendRaw(to, bytes, argc == 7 ? argv[6] : nullptr);
    }
    return usage();
}
