// soak_peers: the Linux side of the soak (benchmarks/soak.sh). Peers that send positions to a
// device, a prober that asks it for its own, and the count of what the device's track files hold.
//
//   soak_peers send DEVICE --from FIRST --peers N --rate R --seconds S
//       N peers, each on its own address (FIRST and the N - 1 after it), send R positions a
//       second between them, in turn, for S seconds, at an even pace; prints "sent K".
//   soak_peers flood DEVICE --from ADDRESS --seconds S
//       one peer sends positions as fast as its socket takes them for S seconds; prints
//       "sent K".
//   soak_peers probe DEVICE --from ADDRESS --seconds S
//       a locate request once a second for S seconds; prints "asked A answered B slowest-ms M"
//       (an answer counts when it comes before the next request goes). The requests go from
//       ADDRESS and the address after it in turn: the device answers each address at most once a
//       second, so requests a second apart from one address would meet that bound whenever one
//       is handled a millisecond sooner after its arrival than the one before.
//   soak_peers count FOLDER
//       walks every .way file of FOLDER; prints "files F kept K sound S ordered O": the records
//       of all files, the files that walk whole to their end with one newest point, and those
//       whose points are in the order their peer sent them.
//
// Each peer numbers its positions from 0 and puts the number into the latitude, so a track file
// shows by its latitudes whether a point was lost or came out of order.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "exchange/position_message.h"
#include "tracklog/track_format.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kDevicePort = 28695;
constexpr int32_t kFirstLatitude = 10000000;  // position n of a peer has this plus n
constexpr int32_t kLongitude = 20000000;
constexpr unsigned kBatch = 64;  // datagrams per sendmmsg of the flood

struct Options {
    std::string device, from;
    int peers = 1;
    double rate = 0, seconds = 0;
};

int usage() {
    std::fprintf(stderr, "usage: soak_peers send|flood|probe DEVICE --from ADDRESS [--peers N] "
                         "[--rate R] --seconds S\n"
                         "       soak_peers count FOLDER\n");
    return 2;
}

bool parseOptions(int argc, char** argv, Options* o) {
    o->device = argv[2];
    for (int i = 3; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        if (name == "--from")
            o->from = argv[i + 1];
        else if (name == "--peers")
            o->peers = std::atoi(argv[i + 1]);
        else if (name == "--rate")
            o->rate = std::atof(argv[i + 1]);
        else if (name == "--seconds")
            o->seconds = std::atof(argv[i + 1]);
        else
            return false;
    }
    return !o->from.empty() && o->peers > 0 && o->seconds > 0;
}

sockaddr_in addressOf(uint32_t hostOrder, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(hostOrder);
    return a;
}

uint32_t hostOrder(const std::string& dotted) {
    in_addr a{};
    inet_pton(AF_INET, dotted.c_str(), &a);
    return ntohl(a.s_addr);
}

// A socket bound to the address (any port); -1, said, when that fails.
int socketFrom(uint32_t address) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = addressOf(address, 0);
    if (s < 0 || bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::perror("bind");
        if (s >= 0)
            close(s);
        return -1;
    }
    return s;
}

PositionMessage position(uint32_t number) {
    PositionMessage m{};
    m.kind = kPosition;
    m.latitude = kFirstLatitude + int32_t(number);
    m.longitude = kLongitude;
    m.status = kStatusFix;
    m.quality = 4;
    return m;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int sendPaced(const Options& o) {
    std::vector<int> sockets;
    for (int i = 0; i < o.peers; ++i) {
        int s = socketFrom(hostOrder(o.from) + uint32_t(i));
        if (s < 0)
            return 2;
        sockets.push_back(s);
    }
    sockaddr_in to = addressOf(hostOrder(o.device), kDevicePort);
    uint64_t total = uint64_t(o.rate * o.seconds), sent = 0;
    Clock::time_point start = Clock::now();
    while (sent < total) {
        // Every datagram due by now goes, so a late wake-up catches up instead of lowering the rate.
        uint64_t due = std::min<uint64_t>(total, uint64_t(secondsSince(start) * o.rate) + 1);
        for (; sent < due; ++sent) {
            PositionMessage m = position(uint32_t(sent / uint64_t(o.peers)));
            sendto(sockets[sent % sockets.size()], &m, kPositionLength, 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::printf("sent %llu\n", static_cast<unsigned long long>(sent));
    for (int s : sockets)
        close(s);
    return 0;
}

int flood(const Options& o) {
    int s = socketFrom(hostOrder(o.from));
    if (s < 0)
        return 2;
    sockaddr_in to = addressOf(hostOrder(o.device), kDevicePort);
    PositionMessage batch[kBatch];
    iovec pieces[kBatch];
    mmsghdr headers[kBatch];
    for (unsigned i = 0; i < kBatch; ++i) {
        pieces[i] = {&batch[i], kPositionLength};
        headers[i] = {};
        headers[i].msg_hdr.msg_name = &to;
        headers[i].msg_hdr.msg_namelen = sizeof to;
        headers[i].msg_hdr.msg_iov = &pieces[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    uint64_t sent = 0;
    Clock::time_point start = Clock::now();
    while (secondsSince(start) < o.seconds) {
        for (unsigned i = 0; i < kBatch; ++i)
            batch[i] = position(uint32_t(sent + i));
        int n = sendmmsg(s, headers, kBatch, 0);
        if (n > 0)
            sent += unsigned(n);
    }
    std::printf("sent %llu\n", static_cast<unsigned long long>(sent));
    close(s);
    return 0;
}

int probe(const Options& o) {
    int sockets[2] = {socketFrom(hostOrder(o.from)), socketFrom(hostOrder(o.from) + 1)};
    if (sockets[0] < 0 || sockets[1] < 0)
        return 2;
    sockaddr_in to = addressOf(hostOrder(o.device), kDevicePort);
    PositionMessage request = makeLocateRequest();
    int asked = 0, answered = 0;
    double slowestMs = 0;
    Clock::time_point start = Clock::now();
    for (; asked < int(o.seconds); ++asked) {
        Clock::time_point askedAt = start + std::chrono::seconds(asked);
        std::this_thread::sleep_until(askedAt);
        int s = sockets[asked % 2];
        sendto(s, &request, kLocateRequestLength, 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to);
        // Until the next request is due: an answer that comes later is not counted.
        bool got = false;
        Clock::time_point next = askedAt + std::chrono::seconds(1);
        for (int left; !got && (left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               next - Clock::now())
                                               .count())) > 0;) {
            pollfd p{s, POLLIN, 0};
            uint8_t answer[kMessageSize + 1];
            if (poll(&p, 1, left) == 1 && recv(s, answer, sizeof answer, 0) == ssize_t(kMessageSize)) {
                got = true;
                slowestMs = std::max(
                    slowestMs, std::chrono::duration<double, std::milli>(Clock::now() - askedAt).count());
            }
        }
        answered += got ? 1 : 0;
    }
    std::printf("asked %d answered %d slowest-ms %.0f\n", asked, answered, slowestMs);
    close(sockets[0]);
    close(sockets[1]);
    return 0;
}

// One file: its whole records, whether it walks to its end with one newest point at the end, and
// whether its latitudes only rise (its peer's numbers in the order sent).
struct FileCount {
    int32_t kept;
    bool sound;
    bool ordered;
};

FileCount countFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<uint64_t> newest;
    TrackWalk walk = walkTrackFile(bytes.data(), bytes.size(), &newest);
    FileCount c{walk.wholeRecords, false, true};
    c.sound = !walk.failed && !walk.truncated && walk.wholeRecords == walk.head.count &&
              walk.recordsEnd == bytes.size() && newest.size() == 1 && newest[0] + 4 == bytes.size();
    ByteReader reader = byteReader(bytes.data(), bytes.size(), kTrackRecordsOffset);
    TrackRecord record;
    int32_t last = 0;
    for (int32_t i = 0; i < walk.wholeRecords && readTrackRecord(reader, &record); ++i) {
        if (i > 0 && record.latitude <= last)
            c.ordered = false;
        last = record.latitude;
    }
    return c;
}

int count(const char* folder) {
    int files = 0, sound = 0, ordered = 0;
    long long kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".way")
            continue;
        FileCount c = countFile(entry.path());
        ++files;
        kept += c.kept;
        sound += c.sound ? 1 : 0;
        ordered += c.ordered ? 1 : 0;
        if (!c.sound || !c.ordered)
            std::fprintf(stderr, "%s: %s%s\n", entry.path().filename().c_str(),
                         c.sound ? "" : "does not walk whole ", c.ordered ? "" : "out of order");
    }
    std::printf("files %d kept %lld sound %d ordered %d\n", files, kept, sound, ordered);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return usage();
    std::string verb = argv[1];
    if (verb == "count")
        return count(argv[2]);
    Options o;
    if (!parseOptions(argc, argv, &o))
        return usage();
    if (verb == "send" && o.rate > 0)
        return sendPaced(o);
    if (verb == "flood")
        return flood(o);
    if (verb == "probe")
        return probe(o);
    return usage();
}
