// The tracking server's decisions and its store file. The store is a short vector searched from
// the front: 4096 accounts of 16-byte ids are a few microseconds per datagram, far below what a
// UDP socket delivers, and the file keeps the order in which accounts first reported.
#include "trackserver/server_store.h"

#include <cstring>

#include "module/bytes.h"

namespace {

// The normalized id of a 16-byte field: its text, then zeros. False when the field holds no
// zero (the text would be 16 bytes or more) or the text is empty.
enum class IdCheck { Ok, NotTerminated, Empty };

IdCheck normalizeId(const uint8_t* field, char out[kMessageIdSize]) {
    const void* zero = std::memchr(field, 0, kMessageIdSize);
    if (zero == nullptr)
        return IdCheck::NotTerminated;
    size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - field);
    if (length == 0)
        return IdCheck::Empty;
    std::memset(out, 0, kMessageIdSize);
    std::memcpy(out, field, length);
    return IdCheck::Ok;
}

StoredAccount* findMutable(ServerStore* store, const char id[kMessageIdSize]) {
    for (StoredAccount& account : store->accounts)
        if (std::memcmp(account.id, id, kMessageIdSize) == 0)
            return &account;
    return nullptr;
}

ServerOutcome keepOwnReport(ServerStore* store, const char id[kMessageIdSize],
                            const uint8_t* body) {
    if (StoredAccount* known = findMutable(store, id)) {
        std::memcpy(known->body, body, kPositionBodySize);
        return ServerOutcome::Updated;
    }
    if (store->accounts.size() >= kStoreCapacity)
        return ServerOutcome::StoreFull;
    StoredAccount account;
    std::memcpy(account.id, id, kMessageIdSize);
    std::memcpy(account.body, body, kPositionBodySize);
    store->accounts.push_back(account);
    return ServerOutcome::Stored;
}

// The target report: kind, the queried id, the account's body or zeros; every other byte zero.
ServerOutcome answerTargetQuery(const ServerStore& store, const char id[kMessageIdSize],
                                PositionMessage* reply) {
    *reply = PositionMessage{};
    reply->kind = kTargetReport;
    std::memcpy(reply->id, id, kMessageIdSize);
    const StoredAccount* known = findAccount(store, id);
    if (known == nullptr)
        return ServerOutcome::AnsweredUnknown;
    std::memcpy(reinterpret_cast<uint8_t*>(reply) + kPositionBodyOffset, known->body,
                kPositionBodySize);
    return ServerOutcome::Answered;
}

} // namespace

const StoredAccount* findAccount(const ServerStore& store, const char id[kMessageIdSize]) {
    for (const StoredAccount& account : store.accounts)
        if (std::memcmp(account.id, id, kMessageIdSize) == 0)
            return &account;
    return nullptr;
}

ServerOutcome handleServerDatagram(ServerStore* store, const uint8_t* bytes, size_t length,
                                   PositionMessage* reply, size_t* replyLength) {
    *replyLength = 0;
    if (length < kShortMessageSize)
        return ServerOutcome::TooShort;
    if (length > kMessageSize)
        return ServerOutcome::TooLong;
    char kind = static_cast<char>(bytes[0]);
    if (kind != kOwnReport && kind != kTargetQuery)
        return ServerOutcome::OtherKind;
    if (kind == kOwnReport && length < kOwnReportMinLength)
        return ServerOutcome::TooShort;

    char id[kMessageIdSize];
    switch (normalizeId(bytes + offsetof(PositionMessage, id), id)) {
    case IdCheck::NotTerminated: return ServerOutcome::IdNotTerminated;
    case IdCheck::Empty: return ServerOutcome::IdEmpty;
    case IdCheck::Ok: break;
    }

    if (kind == kOwnReport)
        return keepOwnReport(store, id, bytes + kPositionBodyOffset);
    ServerOutcome outcome = answerTargetQuery(*store, id, reply);
    *replyLength = kMessageSize;
    return outcome;
}

bool changesStore(ServerOutcome outcome) {
    return outcome == ServerOutcome::Stored || outcome == ServerOutcome::Updated;
}

const char* serverOutcomeText(ServerOutcome outcome) {
    switch (outcome) {
    case ServerOutcome::Stored: return "stored (new account)";
    case ServerOutcome::Updated: return "stored";
    case ServerOutcome::Answered: return "answered";
    case ServerOutcome::AnsweredUnknown: return "answered: never heard of (zeros)";
    case ServerOutcome::TooShort: return "dropped: too short";
    case ServerOutcome::TooLong: return "dropped: longer than 152 bytes";
    case ServerOutcome::IdNotTerminated: return "dropped: id not terminated";
    case ServerOutcome::IdEmpty: return "dropped: empty id";
    case ServerOutcome::OtherKind: return "dropped: not 'o' or 'm'";
    case ServerOutcome::StoreFull: return "dropped: store full";
    }
    return "?";
}

// ---- The store file ----

std::vector<uint8_t> encodeStoreFile(const ServerStore& store) {
    std::vector<uint8_t> out(kStoreHeaderSize + store.accounts.size() * kStoreRecordSize);
    std::memcpy(out.data(), kStoreMagic, sizeof kStoreMagic);
    putLe32(out.data() + 8, kStoreVersion);
    putLe32(out.data() + 12, static_cast<uint32_t>(store.accounts.size()));
    uint8_t* at = out.data() + kStoreHeaderSize;
    for (const StoredAccount& account : store.accounts) {
        std::memcpy(at, account.id, kMessageIdSize);
        std::memcpy(at + kMessageIdSize, account.body, kPositionBodySize);
        at += kStoreRecordSize;
    }
    return out;
}

namespace {

bool fail(StoreFileError* error, size_t offset, const char* reason) {
    *error = StoreFileError{offset, reason};
    return false;
}

// One record of the file, found at `at`: its id must be what normalizeId would make of it, so
// that what was saved is exactly what a datagram would have stored.
bool readStoredAccount(const uint8_t* record, size_t at, const ServerStore& sofar,
                       StoredAccount* account, StoreFileError* error) {
    switch (normalizeId(record, account->id)) {
    case IdCheck::NotTerminated: return fail(error, at, "id not terminated");
    case IdCheck::Empty: return fail(error, at, "empty id");
    case IdCheck::Ok: break;
    }
    if (std::memcmp(account->id, record, kMessageIdSize) != 0)
        return fail(error, at, "bytes after the id's zero");
    if (findAccount(sofar, account->id) != nullptr)
        return fail(error, at, "id stored twice");
    std::memcpy(account->body, record + kMessageIdSize, kPositionBodySize);
    return true;
}

// The header is read whole and checked once: a short file leaves the reader at the field it
// could not read, which is the offset the error names.
bool readStore(const uint8_t* bytes, size_t size, ServerStore* store, StoreFileError* error) {
    ByteReader in = byteReader(bytes, size);
    uint8_t magic[sizeof kStoreMagic];
    readBytes(in, magic, sizeof magic);  // zeros when the file is shorter
    if (std::memcmp(magic, kStoreMagic, sizeof magic) != 0)
        return fail(error, 0, "not a store file (magic)");
    size_t versionAt = in.position;
    uint32_t version = readU32(in);
    size_t countAt = in.position;
    uint32_t count = readU32(in);
    if (in.failed)
        return fail(error, in.position, "file ends inside the header");
    if (version != kStoreVersion)
        return fail(error, versionAt, "unknown version");
    if (count > kStoreCapacity)
        return fail(error, countAt, "more accounts than the store holds");

    store->accounts.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        size_t at = in.position;
        uint8_t record[kStoreRecordSize];
        readBytes(in, record, sizeof record);
        if (in.failed)
            return fail(error, at, "file ends inside a record");
        StoredAccount account;
        if (!readStoredAccount(record, at, *store, &account, error))
            return false;
        store->accounts.push_back(account);
    }
    if (in.position != size)
        return fail(error, in.position, "bytes after the last record");
    return true;
}

} // namespace

bool decodeStoreFile(const uint8_t* bytes, size_t size, ServerStore* store,
                     StoreFileError* error) {
    store->accounts.clear();
    *error = StoreFileError{0, nullptr};
    if (readStore(bytes, size, store, error))
        return true;
    store->accounts.clear();
    return false;
}
