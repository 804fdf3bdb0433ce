// The portable core's one door to the platform. The Win32 shell implements these with Winsock,
// the GPS driver library and the user interface; the native tests link a fake whose faults they
// can switch on. Every function here is safe to call from any of the module's threads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exchange/socket_address.h"
#include "gpsdriver/zqgps_record.h"

// A socket handle as the platform gives it; kNoSocket is the invalid socket.
using SocketHandle = uintptr_t;
constexpr SocketHandle kNoSocket = ~SocketHandle(0);

// ---- The GPS driver library ----

// Asks the driver for the current fix. True: *fix holds it. False: no fix (the record's content is
// then the driver's business and must not be sent). Returns within a few milliseconds.
bool platformGetPositionalData(ZQGPS_POSITIONALDATA* fix);

// Reads a registry value of `key` into `buffer`, `size` bytes at most. The result is not
// reported: a missing value leaves the buffer as it was, so the caller zeroes it first.
void platformRegGetAppVal(const char16_t* key, const char16_t* valueName, uint32_t type,
                          void* buffer, uint32_t size);

// Writes `size` bytes of `data` as a registry value of `key` (the whole buffer, not the text's
// length). The result is not reported.
void platformRegSetAppVal(const char16_t* key, const char16_t* valueName, uint32_t type,
                          const void* data, uint32_t size);

// ---- UDP ----

// Sends `length` bytes from `socket` to `to`, flags 0. The result is ignored by every caller and
// nothing is retried, so none is returned.
void platformSendTo(SocketHandle socket, const SocketAddress& to, const void* bytes, size_t length);

// ---- Files ----
// Paths are wide and absolute from the current drive's root ("\My Documents\x.way"). Every file
// is opened with share mode 0: while one handle holds it, every other open fails.

using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

enum class FileAccess { Read, Write, ReadWrite };
enum class FileDisposition {
    OpenExisting,  // fails when the file is missing
    CreateNew,     // fails when the file exists: never truncates
    CreateAlways,  // creates, or empties an existing file
};
enum class FileOrigin { Begin, Current, End };

// Opens or creates a file; kNoFile when that fails (missing file or folder, held by another
// handle, bad name ...).
FileHandle platformOpenFile(const char16_t* path, FileAccess access, FileDisposition disposition);

// Reads up to `size` bytes at the file position and advances it. Returns the bytes read, 0 at the
// end of the file, -1 on an error.
int32_t platformReadFile(FileHandle file, void* buffer, uint32_t size);

// Writes `size` bytes at the file position and advances it. Returns the bytes written, which a
// full disk can make fewer than `size`, or -1 on an error.
int32_t platformWriteFile(FileHandle file, const void* bytes, uint32_t size);

// Moves the file position; false on an error.
bool platformSeekFile(FileHandle file, int64_t offset, FileOrigin origin);

// The file's size in bytes, or -1 on an error.
int64_t platformFileSize(FileHandle file);

// Reads up to `size` bytes from `offset` on, wherever the file position was (it is left
// anywhere). Returns the bytes read, 0 at or past the end of the file, -1 on an error.
int32_t platformReadFileAt(FileHandle file, uint64_t offset, void* buffer, uint32_t size);

// What a file's directory entry says of it. `lastWrite` is in the platform's own unit and only
// for comparing two stamps of one path: a write moves it unless it comes within the same step of
// the platform's clock (100 ns to 2 s, by file system) as the write before.
struct FileStamp {
    uint64_t size;
    uint64_t lastWrite;
};
inline bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.size == b.size && a.lastWrite == b.lastWrite;
}

// The stamp of the file at `path`, read without opening it, so also while the caller holds it
// open with share mode 0 (then nobody else can change it). Writes through a handle still open
// may not show before that handle is closed. False when there is no such file or it cannot be
// asked; *stamp is then untouched.
bool platformFileStamp(const char16_t* path, FileStamp* stamp);

// Forces what was written to the disk; false on an error.
bool platformFlushFile(FileHandle file);

void platformCloseFile(FileHandle file);

// Replaces `existing` by `replacement` in one step (the old file stays whole until then), writing
// through to the disk; false when that fails, and then both files are as they were. With no
// `existing` yet (the first save), `replacement` is renamed to it.
bool platformReplaceFile(const char16_t* replacement, const char16_t* existing);

// Deletes a file; false when it could not.
bool platformDeleteFile(const char16_t* path);

// ---- The host ----

// Tells the host window that a track file was written: message 0x40F with the address of the
// 8-bit file name. Waits until the host has handled it (the host copies the name then). A null
// window reaches nobody.
void platformNotifyHost(void* hostWindow, const char* trackFileName);

// Local date and time, as the platform's clock gives them.
struct LocalTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
LocalTime platformLocalTime();

// Milliseconds since the system started, from the device's 32-bit clock: it never goes back and
// does not follow changes of the date and time, but wraps to 0 every 2^32 ms (49.7 days). The
// core makes a 64-bit clock of it (moduleMonotonicMs, module/tick_clock.h); for intervals only.
uint32_t platformTickMs();

// ---- Names and messages ----

// Looks up a host name or dotted address (gethostbyname). True, with *address in network byte
// order, only when the answer is an IPv4 entry with a 4-byte first address; *address untouched
// otherwise. Blocks the caller for as long as the lookup takes.
bool platformResolveHost(const char* name, uint32_t* address);

// Shows a message box with no owner window and waits until the user closes it; returns the
// button chosen. `type` is the platform's MB_ style word.
int platformMessageBox(const char16_t* text, const char16_t* caption, uint32_t type);
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbSetForeground = 0x10000;

// ---- Timers ----
// The module's three system timers. Each runs without a window on the thread that started it
// (the host's), whose message loop calls its procedure: the CDPD tick (pollTick), the target
// query (sendTargetQuery of targetSelection) and the own report (ownReportTick).
enum class ModuleTimer { Tick, Track, Send };

// Starts `which` with the given period; returns its identifier, 0 when the system gave none.
uintptr_t platformStartTimer(ModuleTimer which, uint32_t periodMs);

// Stops a timer that platformStartTimer returned (not 0).
void platformStopTimer(uintptr_t timer);
