// trackserver: the tracking server stand-in, a native Linux program.
//
//   trackserver --address A.B.C.D [--port 28695] [--store FILE] [--log]
//
// Listens for UDP datagrams on the given address and port, keeps each account's latest own
// report and answers target queries from the sender's address and port (server_store.h says
// what is answered and what dropped). Prints "listening on A:P" once bound (with the port the
// system chose for --port 0). With --store the store is loaded at start and saved whole after
// changes, at most once a second, and on SIGINT or SIGTERM, which end the program cleanly; a
// restart then loses nothing. With --log, one line per datagram: time, sender, kind, id, outcome.
// Exit 0 after a clean stop, 1 when the store cannot be read or the socket cannot be bound, 2 on
// a usage error.
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
#include <string>

#include "standins/udp_service.h"
#include "trackserver/server_store.h"
#include "trackserver/store_file.h"

namespace {

constexpr int kPollMs = 1000;
constexpr time_t kSaveEverySeconds = 1;

struct Options {
    const char* address = nullptr;
    long port = 28695;
    std::string storePath;  // empty: no store file
    bool log = false;
};

int usage() {
    std::fprintf(stderr, "usage: trackserver --address A.B.C.D [--port 28695] [--store FILE] "
                         "[--log]\n");
    return 2;
}

bool parseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--address") == 0 && hasValue) {
            o->address = argv[++i];
        } else if (std::strcmp(arg, "--port") == 0 && hasValue) {
            if (!parsePort(argv[++i], 0, &o->port))
                return false;
        } else if (std::strcmp(arg, "--store") == 0 && hasValue) {
            o->storePath = argv[++i];
        } else if (std::strcmp(arg, "--log") == 0) {
            o->log = true;
        } else {
            return false;
        }
    }
    return o->address != nullptr;
}

// A byte as the log shows it: itself when printable, else \xNN.
void appendShown(std::string* out, uint8_t byte) {
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
        out->push_back(static_cast<char>(byte));
    } else {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        out->append(escaped);
    }
}

// time sender kind id length outcome, for example
//   2026-12-10 12:00:05 127.0.0.1:28695 'o' "T7" 152 bytes: stored
void logDatagram(const sockaddr_in& from, const uint8_t* bytes, size_t length,
                 ServerOutcome outcome) {
    char when[32];
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    std::string kind = "-", id;
    if (length > 0) {
        kind = "'";
        appendShown(&kind, bytes[0]);
        kind += "'";
    }
    size_t idEnd = length < kShortMessageSize ? length : kShortMessageSize;
    for (size_t i = offsetof(PositionMessage, id); i < idEnd && bytes[i] != 0; ++i)
        appendShown(&id, bytes[i]);
    std::printf("%s %s %s \"%s\" %zu bytes: %s\n", when, addressText(from).c_str(),
                kind.c_str(), id.c_str(), length, serverOutcomeText(outcome));
    std::fflush(stdout);
}

struct Saver {
    std::string path;    // empty: the store is not kept in a file
    bool dirty = false;  // changes not yet saved
    time_t lastSave = 0;
    bool failing = false;  // the last save failed: said once, not every second
};

void saveIfDue(Saver* saver, const ServerStore& store, bool now) {
    if (saver->path.empty() || !saver->dirty)
        return;
    time_t t = time(nullptr);
    if (!now && t - saver->lastSave < kSaveEverySeconds)
        return;
    saver->lastSave = t;
    std::string message;
    if (saveStoreFile(saver->path, store, &message)) {
        saver->dirty = false;
        saver->failing = false;
    } else if (!saver->failing) {
        std::fprintf(stderr, "trackserver: %s (will retry)\n", message.c_str());
        saver->failing = true;
    }
}

void serve(int s, ServerStore* store, Saver* saver, bool log) {
    // One byte more than a message, so a longer datagram shows as longer and is dropped.
    uint8_t buffer[kMessageSize + 1];
    while (!stopRequested) {
        pollfd p{s, POLLIN, 0};
        int ready = poll(&p, 1, kPollMs);
        if (ready > 0) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            ssize_t n = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                                 &fromLength);
            if (n >= 0) {
                PositionMessage reply;
                size_t replyLength = 0;
                size_t length = static_cast<size_t>(n);
                ServerOutcome outcome =
                    handleServerDatagram(store, buffer, length, &reply, &replyLength);
                if (replyLength > 0)
                    sendto(s, &reply, replyLength, 0, reinterpret_cast<const sockaddr*>(&from),
                           sizeof from);
                saver->dirty = saver->dirty || changesStore(outcome);
                if (log)
                    logDatagram(from, buffer, length, outcome);
            } else if (errno != EINTR && errno != EAGAIN) {
                std::fprintf(stderr, "trackserver: receive: %s\n", std::strerror(errno));
            }
        }
        saveIfDue(saver, *store, false);
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options))
        return usage();

    ServerStore store;
    Saver saver;
    saver.path = options.storePath;
    if (!saver.path.empty()) {
        std::string message;
        StoreLoad load = loadStoreFile(saver.path, &store, &message);
        if (load == StoreLoad::Unreadable) {
            std::fprintf(stderr, "trackserver: %s\n", message.c_str());
            return 1;
        }
        if (load == StoreLoad::Damaged)
            std::fprintf(stderr, "trackserver: %s\n", message.c_str());
        std::printf("store %s: %zu accounts\n", saver.path.c_str(), store.accounts.size());
    }

    sockaddr_in bound{};
    int s = bindUdp("trackserver", options.address, options.port, &bound);
    if (s < 0)
        return 1;
    catchStopSignals();
    std::printf("listening on %s\n", addressText(bound).c_str());
    std::fflush(stdout);

    serve(s, &store, &saver, options.log);

    close(s);
    saveIfDue(&saver, store, true);
    std::printf("stopped%s\n", saver.dirty ? " (the store could not be saved)" : "");
    return saver.dirty ? 1 : 0;
}
