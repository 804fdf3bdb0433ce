// The receiver's whole handling of one datagram, over real files under a temporary root: any
// bytes from any of three senders (the server, a listed peer, a stranger), with list entries whose
// descriptions and ID come from the input too. Nothing may crash, read or write out of bounds, or
// open a file outside the documents folder.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "exchange/dispatch.h"
#include "module/module_state.h"
#include "module/text.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"

namespace {

constexpr uint32_t kServer = 0x0100007F;  // 127.0.0.1
constexpr uint32_t kPeer = 0x0200007F;
constexpr uint32_t kStranger = 0x0300007F;

std::string root;
std::filesystem::path documents;

// Takes up to `n` bytes from the input into `out` (zero-filling what the input lacks).
void take(const uint8_t*& data, size_t& size, void* out, size_t n) {
    size_t k = size < n ? size : n;
    std::memset(out, 0, n);
    if (k > 0)
        std::memcpy(out, data, k);
    data += k;
    size -= k;
}

bool insideDocuments(const std::string& real) {
    std::filesystem::path p = std::filesystem::path(real).lexically_normal();
    auto [end, _] = std::mismatch(documents.begin(), documents.end(), p.begin(), p.end());
    return end == documents.end();
}

void emptyDocuments() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(documents, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (root.empty()) {
        root = makeTestRoot();
        documents = std::filesystem::path(root + "/My Documents").lexically_normal();
    }
    resetFakePlatform();
    resetFakeFiles(root);
    fakeFiles.now = LocalTime{2002, 12, 0, 8, 14, 5, 9, 0};
    copyToWide("\\My Documents", moduleState.documentsFolder);
    moduleState.udpSocket = 5;
    moduleState.serverAddress = kServer;
    fake.hasFix = true;

    uint8_t choice[2];
    take(data, size, choice, sizeof choice);
    moduleState.trackTimer = choice[1] & 1;
    moduleState.cdpdSelection = static_cast<int8_t>(choice[1]) >> 1;

    CdpdAddress& entry = moduleState.cdpdList[0];
    entry.address = kPeer;
    take(data, size, entry.description, sizeof entry.description);
    entry.iconIndex = static_cast<int8_t>(choice[1]);
    moduleState.cdpdCount = 1;

    ThreeGTarget& target = moduleState.targetList[0];
    take(data, size, target.description, sizeof target.description);
    take(data, size, target.targetId, sizeof target.targetId);
    target.iconIndex = choice[0];
    moduleState.targetCount = 1;

    const uint32_t senders[] = {kServer, kPeer, kStranger};
    SocketAddress from = destinationFor(senders[choice[0] % 3], 28695);
    size_t length = size < kMessageSize ? size : kMessageSize;  // the receiver never takes more
    if (length > 0)
        handleDatagram(data, length, from);

    for (const std::string& real : fakeFiles.opened)
        if (!insideDocuments(real))
            std::abort();
    if (!fakeFiles.opened.empty())
        emptyDocuments();
    return 0;
}
