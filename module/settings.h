// The settings the module keeps in the registry through the driver library: the tracking
// server's host name ("QVServerName", 512 bytes) and the account ID ("QVID", 32 bytes); and the
// owner's choices of who is answered, whose positions are logged and when the own report goes
// ("QVAnswer", "QVLog", "QVReportMetres", "QVReportTurn", "QVReportMaxSeconds"). Every owner's
// value that is missing, empty or not understood leaves the module as it always behaved.
#pragma once

#include <cstdint>

// The server name used when the registry has none. The demo's local tracking server answers to
// it: each device's hosts file names the server's address under it.
extern const char kDefaultServerHostName[];

// Registry value type of both settings: wide text.
constexpr unsigned kRegTypeText = 1;

// At attach, after the receiver starts: reads "QVServerName" into serverName, falling back to
// the default host name and writing that back when the value is missing or empty; then reads
// "QVID" into accountId. Both buffers are zeroed whole first, so no stale bytes reach the registry.
void readSettings();

// Who gets an answer to a locate request ("QVAnswer").
enum class AnswerPolicy : uint8_t {
    All,     // "all": every sender (within the answer limit)
    Listed,  // "listed": only addresses of the CDPD list and the server's address
    None,    // "none": nobody
};

// Whose positions are logged ("QVLog"). Target reports from the server are logged either way.
enum class LogPolicy : uint8_t {
    All,     // "all": every valid position, listed sender or not
    Listed,  // "listed": only positions from addresses of the CDPD list
};

// The owner's values, room in units (the registry buffer is twice this in bytes, plus one zero
// unit of ours). A longer value does not fit and is not understood.
constexpr int kOwnerValueChars = 32;

// Reads the five owner's values into answerPolicy, logPolicy and reportRules. Runs at attach
// before the receiver starts, so no request is answered before the owner's choice is known.
// Written once, never re-read: a change takes effect at the next load.
void readOwnerSettings();

// The words of "QVAnswer" and "QVLog": compared without regard to ASCII case, blanks around
// them ignored. False (result untouched) for any other text, the empty text included.
bool parseAnswerPolicy(const char16_t* text, AnswerPolicy* policy);
bool parseLogPolicy(const char16_t* text, LogPolicy* policy);

// A report threshold ("QVReportMetres", "QVReportTurn", "QVReportMaxSeconds"), read as the
// dialogs read a frequency (parseDecimal of the narrowed text). 0 means not set: the empty text,
// a text with no digit, and a value that is not a finite number above 0.
double parseReportThreshold(const char16_t* text);

// Writes serverName whole to "QVServerName" (512 bytes), as the server dialog does when it keeps
// a host name, and accountId whole to "QVID" (32 bytes), as the account dialog does.
void writeServerNameSetting();
void writeAccountIdSetting();
