// Any bytes as the tracking server's store file, and then as a datagram to the store it gave.
// The reader either gives a store that saves back to exactly the same bytes (there is one way to
// write each store) or an empty store and an offset inside the file. A datagram leaves a store
// that still saves and loads, and is answered with a whole target report or not at all.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "trackserver/server_store.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool allZero(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ServerStore store;
    StoreFileError error{};
    if (decodeStoreFile(data, size, &store, &error)) {
        check(store.accounts.size() <= kStoreCapacity);
        std::vector<uint8_t> saved = encodeStoreFile(store);
        check(saved.size() == size && std::memcmp(saved.data(), data, size) == 0);
    } else {
        check(store.accounts.empty() && error.reason != nullptr && error.offset <= size);
    }

    PositionMessage reply;
    size_t replyLength = 0;
    ServerOutcome outcome = handleServerDatagram(&store, data, size, &reply, &replyLength);
    check(replyLength == 0 || replyLength == kMessageSize);
    if (replyLength != 0) {
        const auto* r = reinterpret_cast<const uint8_t*>(&reply);
        check(reply.kind == kTargetReport && allZero(r + 1, 7) && allZero(r + 48, 104));
        size_t idLength = std::strlen(reply.id);
        check(size >= kShortMessageSize && idLength > 0 && idLength < kMessageIdSize);
        check(std::memcmp(reply.id, data + 8, idLength) == 0 && data[8 + idLength] == 0);
    }
    if (changesStore(outcome)) {
        std::vector<uint8_t> saved = encodeStoreFile(store);
        ServerStore again;
        check(decodeStoreFile(saved.data(), saved.size(), &again, &error));
        check(again.accounts.size() == store.accounts.size());
    }
    return 0;
}
