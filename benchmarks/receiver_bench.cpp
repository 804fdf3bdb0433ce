// Datagrams per second through the receiver, on real UDP over 127.0.0.1: the bare receive loop
// (recvfrom into a zeroed 152-byte buffer, as the Win32 loop does it, and nothing else), and the
// same loop handing each datagram to the core (decode, validation, dispatch, the append to a real
// track file through the native file functions of tests/core, the host notification).
//
// A sender thread queues the datagrams in bursts of kBurst and sends the next burst only once the
// receiver has taken the last; the queue holds a burst several times over, so nothing overflows.
// Only the receiver's drains of a full queue are timed: on loopback the sender's system call
// carries most of the delivery, and a sender streaming against the receiver would set the pace
// itself (both share two cores). A run that lost a datagram has no rate at all, so losses can
// never inflate a figure; every core run is checked afterwards for one append and one
// notification per valid datagram, or none for invalid ones.
//
// Each run of the rows with a track file starts from a file of a given size that the module has
// not seen: its first append walks the whole file, every later one finds the file as it left it
// and reads only the head and the newest record, so the rate of valid positions should not
// depend on the file's size.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/bench_files.h"
#include "exchange/dispatch.h"
#include "exchange/position_message.h"
#include "exchange/receive_loop.h"
#include "module/module_state.h"
#include "module/text.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "tracklog/track_file.h"
#include "tracklog/track_format.h"

namespace {

using Clock = std::chrono::steady_clock;

// The receiver reads the sender's address straight into a SocketAddress, as the Win32 loop does.
static_assert(sizeof(sockaddr_in) == sizeof(SocketAddress));
static_assert(offsetof(sockaddr_in, sin_port) == offsetof(SocketAddress, portField));
static_assert(offsetof(sockaddr_in, sin_addr) == offsetof(SocketAddress, address));

constexpr uint32_t kLoopback = 0x0100007F;  // 127.0.0.1, network order
constexpr uint16_t kFirstPort = 29152;      // the receiver's; the sender binds the next one
constexpr int kPortTries = 8;               // pairs tried when a port is taken
constexpr uint64_t kBurst = 1000;           // datagrams queued before the receiver drains them
constexpr unsigned kBatch = 64;             // datagrams per sendmmsg
constexpr int kReceiveBufferBytes = 4 << 20;  // the queue holds a burst several times over
constexpr int kReceiveTimeoutMs = 2000;     // a receive waiting this long means a loss
constexpr int kRuns = 5;

const char16_t kTrackPath[] = u"\\My Documents\\Bench(12.8.2002).way";
const char kBaseName[] = "Bench";
const LocalTime kDay{2002, 12, 0, 8, 14, 5, 9, 0};
constexpr int32_t kIcon = 2;
constexpr int32_t kLatitude = 47345678;     // plus the datagram's sequence number
constexpr int32_t kLongitude = -122345678;

struct Sockets {
    int receiver = -1;
    int sender = -1;
    uint16_t port = 0;  // the receiver's
};

sockaddr_in loopbackAddress(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = kLoopback;
    return a;
}

void closeSockets(Sockets* s) {
    if (s->receiver >= 0)
        close(s->receiver);
    if (s->sender >= 0)
        close(s->sender);
    *s = Sockets{};
}

bool bindTo(int socket, uint16_t port) {
    sockaddr_in a = loopbackAddress(port);
    return bind(socket, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

// The receiver's socket bound to 127.0.0.1:port, with a queue larger than the window and a receive
// timeout; the sender's bound to the next port and connected to it.
bool openSocketPair(uint16_t port, Sockets* s) {
    s->receiver = socket(AF_INET, SOCK_DGRAM, 0);
    s->sender = socket(AF_INET, SOCK_DGRAM, 0);
    s->port = port;
    timeval timeout{kReceiveTimeoutMs / 1000, kReceiveTimeoutMs % 1000 * 1000};
    sockaddr_in to = loopbackAddress(port);
    bool ok = s->receiver >= 0 && s->sender >= 0 && bindTo(s->receiver, port) &&
              bindTo(s->sender, uint16_t(port + 1)) &&
              setsockopt(s->receiver, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes,
                         sizeof kReceiveBufferBytes) == 0 &&
              setsockopt(s->receiver, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 &&
              connect(s->sender, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (!ok)
        closeSockets(s);
    return ok;
}

bool openSockets(Sockets* s) {
    for (int i = 0; i < kPortTries; ++i) {
        if (openSocketPair(uint16_t(kFirstPort + 2 * i), s))
            return true;
    }
    return false;
}

// Whatever a run left behind (nothing, unless a run lost datagrams and a late one came in).
void drain(int socket) {
    uint8_t buffer[kMessageSize];
    while (recv(socket, buffer, sizeof buffer, MSG_DONTWAIT) >= 0) {
    }
}

PositionMessage positionMessage(uint8_t quality) {
    PositionMessage m{};
    m.kind = kPosition;
    m.latitude = kLatitude;
    m.longitude = kLongitude;
    m.status = kStatusFix;
    m.quality = quality;
    return m;
}

// Where the sender and the receiver are. The sender queues a burst, says so in `queued`, and
// sends the next only once `received` has caught up; the receiver sets `failed` when a receive
// waited in vain, so that the sender does not wait for ever.
struct Exchange {
    std::atomic<uint64_t> queued{0};
    std::atomic<uint64_t> received{0};
    std::atomic<bool> failed{false};
};

// Waits, without sleeping, until `value` reaches `target` or the run failed; false then.
bool waitFor(const std::atomic<uint64_t>& value, uint64_t target, const Exchange& x) {
    while (value.load(std::memory_order_acquire) < target) {
        if (x.failed.load(std::memory_order_acquire))
            return false;
        std::this_thread::yield();
    }
    return true;
}

// Queues `count` copies of `message`, the first with sequence number `first` (added to the
// latitude, so that every datagram differs), kBatch to a system call.
void sendBurst(int socket, const PositionMessage& message, uint64_t first, uint64_t count) {
    PositionMessage batch[kBatch];
    iovec pieces[kBatch];
    mmsghdr headers[kBatch];
    for (unsigned i = 0; i < kBatch; ++i) {
        batch[i] = message;
        pieces[i] = {&batch[i], kMessageSize};
        headers[i] = {};
        headers[i].msg_hdr.msg_iov = &pieces[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    uint64_t sent = 0;
    while (sent < count) {
        unsigned n = unsigned(std::min<uint64_t>(kBatch, count - sent));
        for (unsigned i = 0; i < n; ++i)
            batch[i].latitude = kLatitude + int32_t(first + sent + i);
        int done = sendmmsg(socket, headers, n, 0);
        if (done < 0) {
            if (errno == EINTR || errno == ENOBUFS || errno == EAGAIN)
                continue;
            std::perror("sendmmsg");
            return;  // the receiver finds the gap and fails the run
        }
        sent += unsigned(done);
    }
}

// The sender thread: `total` datagrams in bursts of kBurst, each sent only once the receiver has
// taken the one before, so the queue never holds more than a burst and nothing overflows.
void sendAll(int socket, const PositionMessage& message, uint64_t total, Exchange& x) {
    for (uint64_t sent = 0; sent < total;) {
        uint64_t count = std::min<uint64_t>(kBurst, total - sent);
        sendBurst(socket, message, sent, count);
        sent += count;
        x.queued.store(sent, std::memory_order_release);
        if (!waitFor(x.received, sent, x))
            return;
    }
}

// The receive loop of the Win32 shell over a native socket: a zeroed buffer and sender for every
// receive, and, on the core's path, the loop's own decision and the dispatcher. Takes `count`
// datagrams; false at a receive that waited kReceiveTimeoutMs (a datagram was lost).
bool receive(int socket, bool handle, uint64_t count) {
    uint8_t buffer[kMessageSize];
    SocketAddress sender;
    for (uint64_t n = 0; n < count;) {
        std::memset(buffer, 0, sizeof buffer);
        std::memset(&sender, 0, sizeof sender);
        socklen_t senderLength = sizeof sender;
        ssize_t r = recvfrom(socket, buffer, sizeof buffer, 0,
                             reinterpret_cast<sockaddr*>(&sender), &senderLength);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return false;
        if (handle && stepAfterReceive(int(r), ReceiveError::None) == ReceiveStep::Handle)
            handleDatagram(buffer, size_t(r), sender);
        ++n;
    }
    return true;
}

struct Run {
    uint64_t received;
    double seconds;  // the receiver's time on the bursts, from a full queue to an empty one
};

// One run of `total` datagrams. Only the receiver's drains of full queues are timed: the sender's
// own cost (on loopback it carries most of the delivery) is not, and a lost datagram fails the
// run instead of leaving its share of the time to the others.
Run measure(const Sockets& s, bool handle, const PositionMessage& message, uint64_t total) {
    drain(s.receiver);
    Exchange x;
    std::thread sender([&] { sendAll(s.sender, message, total, x); });
    Clock::duration busy{};
    uint64_t taken = 0;
    while (taken < total) {
        if (!waitFor(x.queued, taken + 1, x))
            break;
        uint64_t queued = x.queued.load(std::memory_order_acquire);
        Clock::time_point start = Clock::now();
        bool whole = receive(s.receiver, handle, queued - taken);
        busy += Clock::now() - start;
        if (!whole) {
            x.failed.store(true, std::memory_order_release);
            break;
        }
        taken = queued;
        x.received.store(taken, std::memory_order_release);
    }
    sender.join();
    return {taken, std::chrono::duration<double>(busy).count()};
}

// ---- The track file ----

// A day's file of `records` records as the module writes them, the last one the newest.
std::vector<uint8_t> dayFile(int records) {
    std::vector<uint8_t> file(kTrackRecordsOffset, 0);
    putLe32(file.data() + kTrackCountOffset, uint32_t(records));
    for (int i = 0; i < 3; ++i) {
        file[kTrackHeaderWordOffsets[i]] = uint8_t(kNewTrackHeaderWords[i]);
        file[kTrackHeaderWordOffsets[i] + 1] = uint8_t(kNewTrackHeaderWords[i] >> 8);
    }
    for (int i = 1; i <= records; ++i) {
        LocalTime at{2002, 12, 0, 8, uint16_t(i / 600 % 24), uint16_t(i / 10 % 60),
                     uint16_t(i * 6 % 60), 0};
        encodeTrackRecord(file, kBaseName, i, at, (kLongitude + i) * 10, (kLatitude + i) * 10,
                          i == records ? newestSymbol(kIcon) : kTrackPointSymbol);
    }
    return file;
}

// The file as a run starts from (see writeDayFile); no file at all for 0 records.
void prepareTrackFile(const std::vector<uint8_t>& bytes) {
    platformDeleteFile(kTrackPath);
    if (bytes.empty())
        return;
    writeDayFile(kTrackPath, bytes);
}

int64_t trackFileCount() {
    std::vector<uint8_t> bytes = readRealFile(kTrackPath);
    if (bytes.size() < kTrackRecordsOffset)
        return -1;
    const uint8_t* p = bytes.data() + kTrackCountOffset;
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

// ---- The rows ----

struct Row {
    const char* path;
    bool handle;           // the core's path, or the bare loop
    uint8_t quality;       // 4: valid, 2: dropped by validation
    int startRecords;      // the track file at the start of each run; -1: none is written
    bool known;            // the module appended to it once before the run, as after the day's
                           // first position; otherwise the run's first append walks it
    bool waitForDisk;      // the append's flush waits for the disk, as in the module
    uint64_t datagrams;    // per run
};

const Row kRows[] = {
    {"bare receive loop", false, 4, -1, false, true, 200000},
    {"core, invalid (quality 2)", true, 2, -1, false, true, 200000},
    {"core, valid, new file", true, 4, 0, false, true, 1000},
    {"core, valid, file of 10,000", true, 4, 10000, false, true, 1000},
    {"core, valid, file of 14,400", true, 4, 14400, false, true, 1000},
    {"core, valid, file of 14,400 known", true, 4, 14400, true, true, 1000},
    {"core, valid, new file, no disk wait", true, 4, 0, false, false, 1000},
    {"core, valid, file of 10,000, no disk wait", true, 4, 10000, false, false, 1000},
    {"core, valid, file of 14,400, no disk wait", true, 4, 14400, false, false, 1000},
    {"core, valid, file of 14,400 known, no disk wait", true, 4, 14400, true, false, 1000},
};

// What the core did in a run, checked against what it should have done: every valid datagram
// appended and notified once, every invalid one dropped.
bool coreDidItsWork(const Row& row, uint64_t received) {
    if (!row.handle)
        return true;
    if (row.quality != kQualityOwnFix)
        return fakeFiles.notifications.empty() && !realFileExists(kTrackPath);
    return fakeFiles.notifications.size() == received &&
           trackFileCount() == row.startRecords + int64_t(received) + (row.known ? 1 : 0);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void runRow(const Sockets& s, const Row& row) {
    std::vector<uint8_t> start = row.startRecords > 0 ? dayFile(row.startRecords) : std::vector<uint8_t>{};
    PositionMessage message = positionMessage(row.quality);
    std::vector<double> rates, seconds;
    int lossyRuns = 0, failedChecks = 0;
    for (int run = 0; run < kRuns; ++run) {
        prepareTrackFile(start);
        if (row.known)
            appendTrackPoint(kBaseName, kDay, kLatitude, kLongitude, kIcon);
        fakeFiles.notifications.clear();
        fakeFiles.flushDoesNothing = !row.waitForDisk;
        Run r = measure(s, row.handle, message, row.datagrams);
        if (r.received != row.datagrams) {
            ++lossyRuns;  // no rate: the time includes the wait that found the loss
            continue;
        }
        if (!coreDidItsWork(row, r.received))
            ++failedChecks;
        rates.push_back(double(r.received) / r.seconds);
        seconds.push_back(r.seconds);
    }
    fakeFiles.flushDoesNothing = false;
    std::string records = row.startRecords < 0 ? "-" : std::to_string(row.startRecords);
    if (rates.empty()) {
        std::printf("%-48s %8s %9llu %9s %12s %21s  lost in %d of %d runs\n", row.path,
                    records.c_str(), (unsigned long long)row.datagrams, "-", "-", "-", lossyRuns,
                    kRuns);
        return;
    }
    auto [low, high] = std::minmax_element(rates.begin(), rates.end());
    std::printf("%-48s %8s %9llu %9.4f %12.0f %10.0f-%.0f", row.path, records.c_str(),
                (unsigned long long)row.datagrams, median(seconds), median(rates), *low, *high);
    if (lossyRuns > 0)
        std::printf("  %d of %d runs lost datagrams (left out)", lossyRuns, kRuns);
    if (failedChecks > 0)
        std::printf("  CORE DID NOT APPEND EVERY DATAGRAM in %d runs", failedChecks);
    std::printf("\n");
}

void setUpModuleState(const Sockets& s) {
    resetFakePlatform();
    resetFakeFiles(makeTestRoot());
    fakeFiles.now = kDay;
    copyToWide("\\My Documents", moduleState.documentsFolder);
    moduleState.udpSocket = SocketHandle(s.receiver);
    moduleState.endpointBound = true;
    CdpdAddress& entry = moduleState.cdpdList[moduleState.cdpdCount++];
    entry.address = kLoopback;  // every datagram comes from the sender's 127.0.0.1
    std::strncpy(entry.description, "Bench/loopback", sizeof entry.description);
    entry.iconIndex = kIcon;
}

}  // namespace

int main() {
    Sockets s;
    if (!openSockets(&s)) {
        std::fprintf(stderr, "no free pair of UDP ports on 127.0.0.1 from %u\n", kFirstPort);
        return 1;
    }
    setUpModuleState(s);
    int queue = 0;
    socklen_t queueLength = sizeof queue;
    getsockopt(s.receiver, SOL_SOCKET, SO_RCVBUF, &queue, &queueLength);
    std::printf("UDP 127.0.0.1:%u -> 127.0.0.1:%u, 152-byte datagrams in bursts of %llu, receive "
                "queue %d bytes;\n%d runs per row: the median, and the range of the runs; seconds "
                "are the receiver's, on full queues\ntrack files under %s\n\n",
                s.port + 1, s.port, (unsigned long long)kBurst, queue, kRuns,
                fakeFiles.root.c_str());
    std::printf("%-48s %8s %9s %9s %12s %21s\n", "path", "records", "datagrams", "seconds",
                "datagrams/s", "range of datagrams/s");
    std::printf("%-48s %8s %9s\n", "", "at start", "per run");
    for (const Row& row : kRows) {
        runRow(s, row);
        std::fflush(stdout);
    }
    removeTestRoot(fakeFiles.root);
    closeSockets(&s);
    return 0;
}
