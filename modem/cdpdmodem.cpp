// cdpdmodem: the CDPD modem stand-in, a native Linux program.
//
//   cdpdmodem --address A.B.C.D --route FILE [--port 6000] [--reply-port 28695] [--log]
//
// Listens for UDP datagrams on the given address and port and answers each modem query with
// the next point of its route (route.h says what a route file holds, modem_answer.h what is
// answered and what dropped). The answer leaves from the listening socket to the querier's
// address at port 28695, as a modem does; --reply-port changes that port for a test that cannot
// have 28695. Prints "listening on A:P" once bound (with the port the system chose for --port 0).
// With --log, one line per datagram: time, sender, kind, length, outcome and the point sent.
// SIGINT and SIGTERM end it cleanly. Exit 0 after a clean stop, 1 when the route gives no point
// or the socket cannot be bound, 2 on a usage error.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "modem/modem_answer.h"
#include "modem/route.h"
#include "standins/udp_service.h"

namespace {

constexpr int kPollMs = 1000;
// A day of one point a second in NMEA is about 20 MB; a route is much shorter.
constexpr size_t kMaxRouteFileBytes = 64u << 20;

struct Options {
    const char* address = nullptr;
    const char* routePath = nullptr;
    long port = 6000;
    long replyPort = 28695;
    bool log = false;
};

int usage() {
    std::fprintf(stderr, "usage: cdpdmodem --address A.B.C.D --route FILE [--port 6000] "
                         "[--reply-port 28695] [--log]\n");
    return 2;
}

bool parseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--address") == 0 && hasValue) {
            o->address = argv[++i];
        } else if (std::strcmp(arg, "--route") == 0 && hasValue) {
            o->routePath = argv[++i];
        } else if (std::strcmp(arg, "--port") == 0 && hasValue) {
            if (!parsePort(argv[++i], 0, &o->port))
                return false;
        } else if (std::strcmp(arg, "--reply-port") == 0 && hasValue) {
            if (!parsePort(argv[++i], 1, &o->replyPort))
                return false;
        } else if (std::strcmp(arg, "--log") == 0) {
            o->log = true;
        } else {
            return false;
        }
    }
    return o->address != nullptr && o->routePath != nullptr;
}

// The route's points, or an empty list after saying why there are none.
std::vector<RoutePoint> loadRoute(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cdpdmodem: cannot read route %s: %s\n", path, std::strerror(errno));
        return {};
    }
    std::string text;
    text.resize(kMaxRouteFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxRouteFileBytes) {
        std::fprintf(stderr, "cdpdmodem: route %s is larger than %zu bytes\n", path,
                     kMaxRouteFileBytes);
        return {};
    }
    Route route = readRoute(text.data(), text.size());
    std::printf("route %s: %zu points", path, route.points.size());
    if (route.badLines > 0)
        std::printf(", %zu bad lines left out (the first is line %zu)", route.badLines,
                    route.firstBadLine);
    std::printf("\n");
    if (route.points.empty())
        std::fprintf(stderr, "cdpdmodem: route %s holds no point\n", path);
    return route.points;
}

// time sender kind length outcome [point and destination], for example
//   2026-12-10 12:00:05 127.0.0.1:28695 'U' 24 bytes: answered 52.3640000 4.8880000 to ...
void logDatagram(const sockaddr_in& from, const uint8_t* bytes, size_t length,
                 ModemOutcome outcome, const RoutePoint* sent, const sockaddr_in& to) {
    char when[32];
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    char kind[8] = "-";
    if (length > 0)
        std::snprintf(kind, sizeof kind, bytes[0] >= 0x20 && bytes[0] < 0x7F ? "'%c'" : "0x%02x",
                      bytes[0]);
    std::printf("%s %s %s %zu bytes: %s", when, addressText(from).c_str(), kind, length,
                modemOutcomeText(outcome));
    if (sent != nullptr)
        std::printf(" %.7f %.7f to %s", sent->latitude / 1e7, sent->longitude / 1e7,
                    addressText(to).c_str());
    std::printf("\n");
    std::fflush(stdout);
}

void serve(int s, ModemState* state, long replyPort, bool log) {
    // One byte more than a message, so a longer datagram shows as longer.
    uint8_t buffer[kMessageSize + 1];
    while (!stopRequested) {
        pollfd p{s, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t n =
            recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            if (errno != EINTR && errno != EAGAIN)
                std::fprintf(stderr, "cdpdmodem: receive: %s\n", std::strerror(errno));
            continue;
        }
        size_t length = static_cast<size_t>(n);
        size_t index = state->route.empty() ? 0 : state->answered % state->route.size();
        PositionMessage reply;
        size_t replyLength = 0;
        ModemOutcome outcome = answerModemDatagram(state, buffer, length, &reply, &replyLength);
        sockaddr_in to = from;
        to.sin_port = htons(static_cast<uint16_t>(replyPort));
        if (replyLength > 0)
            sendto(s, &reply, replyLength, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (log)
            logDatagram(from, buffer, length, outcome,
                        replyLength > 0 ? &state->route[index] : nullptr, to);
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options))
        return usage();

    ModemState state{loadRoute(options.routePath), 0};
    if (state.route.empty())
        return 1;

    sockaddr_in bound{};
    int s = bindUdp("cdpdmodem", options.address, options.port, &bound);
    if (s < 0)
        return 1;
    catchStopSignals();
    std::printf("listening on %s\n", addressText(bound).c_str());
    std::fflush(stdout);

    serve(s, &state, options.replyPort, options.log);

    close(s);
    std::printf("stopped after %llu answers\n", static_cast<unsigned long long>(state.answered));
    return 0;
}
