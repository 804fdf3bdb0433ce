// The tracking server stand-in's portable part: the store of the latest own report of each
// account, the answer to each datagram, and the store file. No sockets and no files here (those
// are in trackserver.cpp and store_file.cpp), so the tests and the fuzzer drive it with bytes.
//
// What the server does with a datagram (lengths are those of the datagram as received):
//   'o' own report, 48 to 152 bytes: keeps bytes 24 to 47 (the position body) as the latest of
//       the account named by its id; no answer.
//   'm' target query, 24 to 152 bytes: answers with a 152-byte target report 'n' carrying the
//       queried id and that account's latest body, or a body of zeros (coordinates and quality
//       0: "not located yet") when no report for the id ever came.
// Dropped, with no answer and no change to the store:
//   - fewer than 24 bytes: the id is not all there; an 'o' of fewer than 48: no whole body;
//   - more than 152 bytes: no message of this system is that long;
//   - an id with no zero in its 16 bytes (IDs hold at most 15 characters) or an empty id: it
//     names no account, and answering it would hand out a report nobody asked for;
//   - every kind but 'o' and 'm': 'n' is what servers send (echoing it could make two servers
//     talk forever), 'U' and 'l' are for devices;
//   - an 'o' from a new account when the store is full (see kStoreCapacity).
// An id is the text before its first zero: bytes after the zero are not part of it, so "abc"
// followed by stray bytes names the account "abc".
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exchange/position_message.h"

// Bytes 24 to 47 of a message: latitude, longitude, relayed values, status and quality.
constexpr size_t kPositionBodyOffset = 24;
constexpr size_t kPositionBodySize = 24;
constexpr size_t kOwnReportMinLength = kPositionBodyOffset + kPositionBodySize;

// When the store is full, reports from accounts already in it are still kept and queries still
// answered, but a report from a new account is dropped (and logged): the server never forgets
// an account that someone may be following to make room for another.
constexpr size_t kStoreCapacity = 4096;

struct StoredAccount {
    char id[kMessageIdSize];           // the text (1 to 15 bytes), its zero, then zeros
    uint8_t body[kPositionBodySize];   // bytes 24 to 47 of the latest own report
};
static_assert(sizeof(StoredAccount) == 40);

struct ServerStore {
    std::vector<StoredAccount> accounts;  // in the order of their first report; at most
                                          // kStoreCapacity
};

enum class ServerOutcome {
    Stored,           // 'o' from a new account
    Updated,          // 'o' from a known account: its body replaced
    Answered,         // 'm' for a known account
    AnsweredUnknown,  // 'm' for an id never heard of: a body of zeros
    TooShort,
    TooLong,
    IdNotTerminated,
    IdEmpty,
    OtherKind,
    StoreFull,
};

// Decides what a datagram of `length` bytes does to the store and what to send back. *reply is
// the message to send to the sender's address and port and *replyLength its length (152), or 0
// when nothing is sent.
ServerOutcome handleServerDatagram(ServerStore* store, const uint8_t* bytes, size_t length,
                                   PositionMessage* reply, size_t* replyLength);

// True for outcomes that changed the store (it needs saving).
bool changesStore(ServerOutcome outcome);

// A few words for the log: "stored", "answered", "dropped: id not terminated" ...
const char* serverOutcomeText(ServerOutcome outcome);

// The account whose id is the text of `id` (a zero-padded 16-byte field), or null.
const StoredAccount* findAccount(const ServerStore& store, const char id[kMessageIdSize]);

// ---- The store file ----
//
// Little-endian, no padding:
//     0   8  magic "LVTSTORE"
//     8   4  version, 1
//    12   4  count of accounts, 0 to kStoreCapacity
//    16      count StoredAccount records of 40 bytes: id (16), body (24)
// and nothing after them. The file is written whole to a new file that then replaces the old
// one (store_file.cpp), so a reader finds either the old store or the new one.

constexpr char kStoreMagic[8] = {'L', 'V', 'T', 'S', 'T', 'O', 'R', 'E'};
constexpr uint32_t kStoreVersion = 1;
constexpr size_t kStoreHeaderSize = 16;
constexpr size_t kStoreRecordSize = sizeof(StoredAccount);
constexpr size_t kStoreMaxFileSize = kStoreHeaderSize + kStoreCapacity * kStoreRecordSize;

std::vector<uint8_t> encodeStoreFile(const ServerStore& store);

// Where and why a store file stopped making sense.
struct StoreFileError {
    size_t offset;
    const char* reason;
};

// Reads a whole store file. On success *store holds its accounts; on failure *store is empty
// and *error says where the file went wrong: a wrong magic or version, a count above the
// capacity, a file shorter or longer than its count says, or a record whose id is unterminated,
// empty, not zero after its text, or the same as an earlier record's.
bool decodeStoreFile(const uint8_t* bytes, size_t size, ServerStore* store,
                     StoreFileError* error);
