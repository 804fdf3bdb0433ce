// The file functions, the host notification and the clock of module/platform.h for the native
// tests and benchmarks: real files under a root folder the test chooses ("\My Documents\x" is
// <root>/My Documents/x), share mode 0 as Windows keeps it, and faults a test can switch on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "module/platform.h"

struct HostNotification {
    void* window;
    std::string fileName;  // copied when the module sent it
    size_t flushesBefore;  // how many flushes the files had seen then
};

// A write, a flush or a replace, as the files saw it: what a test checks the order of writes and
// barriers by.
struct FileEvent {
    enum Kind { Write, Flush, Replace } kind;
    std::string path;  // the real path (of a replace: the file replaced)
    int64_t offset;    // where a write began
    int64_t size;      // the bytes it wrote
};

struct FakeFiles {
    std::string root;  // the real folder that stands for the drive's root

    // Faults. Every open fails; a path is held by "another program" for its next `opens` open
    // attempts (-1: until released); writes stop for good once `writeBudget` more bytes went to
    // disk (-1: no limit), as a full disk or a power loss would; replacing fails.
    bool failEveryOpen = false;
    std::map<std::string, int> held;
    int64_t writeBudget = -1;
    // Reads fail (a bad block) once `readBudget` more bytes were read (-1: no limit).
    int64_t readBudget = -1;
    bool failReplace = false;
    // Flushes succeed without waiting for the disk (benchmarks: an append without its barrier).
    bool flushDoesNothing = false;
    // Every flush fails (what was written may or may not be on the disk).
    bool failFlush = false;

    int64_t bytesRead = 0;  // by every read since the reset
    LocalTime now{};  // what platformLocalTime gives
    std::vector<std::string> opened;  // the real path of every open tried, in order
    std::vector<FileEvent> events;    // every write that wrote something, flush and replace, in order
    size_t flushes = 0;               // the flushes among them
    std::vector<HostNotification> notifications;
};

extern FakeFiles fakeFiles;

// Forgets every fault and notification, closes nothing, and sets the root.
void resetFakeFiles(const std::string& root);

// The real path of every flush asked for since the reset, in order (the flushes of `events`).
std::vector<std::string> flushedPaths();

// The real path a platform path stands for.
std::string realPath(const char16_t* path);

// Another program holds `path` (share mode 0) for its next `opens` open attempts, or until
// releaseFile when `opens` is -1.
void holdFile(const char16_t* path, int opens = -1);
void releaseFile(const char16_t* path);

// True on the thread that is inside one of the fake's functions: a test that makes allocations
// fail makes only the module's fail, not the fake's own bookkeeping.
bool insideFakeFiles();

// Number of handles still open: a test checks that the module closed what it opened.
int openFileCount();

// For fixtures: a new empty root under the system's temporary folder holding "My Documents" and
// "Windows" (removed with removeTestRoot), and whole real files by their platform paths.
std::string makeTestRoot();
void removeTestRoot(const std::string& root);
bool realFileExists(const char16_t* path);
std::vector<uint8_t> readRealFile(const char16_t* path);
void writeRealFile(const char16_t* path, const std::vector<uint8_t>& bytes);
// Sets the last-write time that platformFileStamp gives (nanoseconds), as a writer on a file
// system with a coarse clock would leave it.
void setRealFileLastWrite(const char16_t* path, uint64_t lastWrite);
