// Real files behind the file functions of module/platform.h (see fake_files.h). One lock over the
// tables: the module may call in from its receiver thread while a test looks on.
#include "tests/core/fake_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>

FakeFiles fakeFiles;

namespace {

struct OpenFile {
    int fd;
    std::string path;
};

std::mutex lock;
thread_local int callDepth = 0;

// Every function of the fake holds the lock for its whole call and says that it is inside the
// fake (see insideFakeFiles).
struct FakeCall {
    std::lock_guard<std::mutex> hold{lock};
    FakeCall() { ++callDepth; }
    ~FakeCall() { --callDepth; }
};

std::map<FileHandle, OpenFile> openFiles;
FileHandle nextHandle = 1;

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isOpen(const std::string& path) {
    for (const auto& [handle, file] : openFiles)
        if (file.path == path)
            return true;
    return false;
}

// Another program's hold on `path`; each open attempt uses one up.
bool heldElsewhere(const std::string& path, bool isOpenAttempt) {
    auto it = fakeFiles.held.find(path);
    if (it == fakeFiles.held.end())
        return false;
    if (isOpenAttempt && it->second > 0 && --it->second == 0)
        fakeFiles.held.erase(it);
    return true;
}

int fdOf(FileHandle file) {
    auto it = openFiles.find(file);
    return it == openFiles.end() ? -1 : it->second.fd;
}

std::string pathOf(FileHandle file) {
    auto it = openFiles.find(file);
    return it == openFiles.end() ? std::string() : it->second.path;
}

}  // namespace

std::vector<std::string> flushedPaths() {
    std::vector<std::string> paths;
    for (const FileEvent& e : fakeFiles.events)
        if (e.kind == FileEvent::Flush)
            paths.push_back(e.path);
    return paths;
}

std::string realPath(const char16_t* path) {
    std::string out = fakeFiles.root;
    for (const char16_t* p = path; *p; ++p) {
        uint32_t c = *p;
        if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (*++p - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        appendUtf8(out, c == u'\\' ? u'/' : c);
    }
    return out;
}

void resetFakeFiles(const std::string& root) {
    FakeCall call;
    fakeFiles = FakeFiles{};
    fakeFiles.root = root;
}

void holdFile(const char16_t* path, int opens) {
    FakeCall call;
    fakeFiles.held[realPath(path)] = opens;
}

void releaseFile(const char16_t* path) {
    FakeCall call;
    fakeFiles.held.erase(realPath(path));
}

bool insideFakeFiles() { return callDepth > 0; }

int openFileCount() {
    FakeCall call;
    return static_cast<int>(openFiles.size());
}

std::string makeTestRoot() {
    std::random_device random;
    std::filesystem::path root =
        std::filesystem::temp_directory_path() /
        ("lorvane-files-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(root / "My Documents");
    std::filesystem::create_directories(root / "Windows");
    return root.string();
}

void removeTestRoot(const std::string& root) {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

bool realFileExists(const char16_t* path) {
    return std::filesystem::exists(realPath(path));
}

std::vector<uint8_t> readRealFile(const char16_t* path) {
    std::ifstream in(realPath(path), std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void writeRealFile(const char16_t* path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(realPath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void setRealFileLastWrite(const char16_t* path, uint64_t lastWrite) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(lastWrite / 1000000000u);
    times[1].tv_nsec = static_cast<long>(lastWrite % 1000000000u);
    ::utimensat(AT_FDCWD, realPath(path).c_str(), times, 0);
}

FileHandle platformOpenFile(const char16_t* path, FileAccess access, FileDisposition disposition) {
    FakeCall call;
    std::string real = realPath(path);
    fakeFiles.opened.push_back(real);
    if (fakeFiles.failEveryOpen || heldElsewhere(real, true) || isOpen(real))
        return kNoFile;
    int flags = access == FileAccess::Read    ? O_RDONLY
                : access == FileAccess::Write ? O_WRONLY
                                              : O_RDWR;
    if (disposition == FileDisposition::CreateNew)
        flags |= O_CREAT | O_EXCL;
    else if (disposition == FileDisposition::CreateAlways)
        flags |= O_CREAT | O_TRUNC;
    int fd = ::open(real.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return kNoFile;
    openFiles[nextHandle] = {fd, real};
    return nextHandle++;
}

// How much of a read of `size` bytes the read budget lets through; 0 when the budget is spent.
static uint32_t readAllowed(uint32_t size) {
    if (fakeFiles.readBudget < 0 || fakeFiles.readBudget >= int64_t(size))
        return size;
    return static_cast<uint32_t>(fakeFiles.readBudget);
}

// Counts what a read took, from the read budget too.
static int32_t countRead(ssize_t n) {
    if (n > 0) {
        fakeFiles.bytesRead += n;
        if (fakeFiles.readBudget >= 0)
            fakeFiles.readBudget -= n;
    }
    return static_cast<int32_t>(n);
}

int32_t platformReadFile(FileHandle file, void* buffer, uint32_t size) {
    FakeCall call;
    uint32_t allowed = readAllowed(size);
    if (allowed == 0 && size > 0)
        return -1;
    return countRead(::read(fdOf(file), buffer, allowed));
}

int32_t platformReadFileAt(FileHandle file, uint64_t offset, void* buffer, uint32_t size) {
    FakeCall call;
    uint32_t allowed = readAllowed(size);
    if (allowed == 0 && size > 0)
        return -1;
    return countRead(::pread(fdOf(file), buffer, allowed, static_cast<off_t>(offset)));
}

bool platformFileStamp(const char16_t* path, FileStamp* stamp) {
    FakeCall call;
    struct stat info;
    if (::stat(realPath(path).c_str(), &info) != 0)
        return false;
    stamp->size = static_cast<uint64_t>(info.st_size);
    stamp->lastWrite = static_cast<uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                       static_cast<uint64_t>(info.st_mtim.tv_nsec);
    return true;
}

int32_t platformWriteFile(FileHandle file, const void* bytes, uint32_t size) {
    FakeCall call;
    int64_t allowed = size;
    if (fakeFiles.writeBudget >= 0 && fakeFiles.writeBudget < allowed)
        allowed = fakeFiles.writeBudget;
    off_t at = ::lseek(fdOf(file), 0, SEEK_CUR);
    ssize_t written = allowed > 0 ? ::write(fdOf(file), bytes, static_cast<size_t>(allowed)) : 0;
    if (written > 0 && fakeFiles.writeBudget >= 0)
        fakeFiles.writeBudget -= written;
    if (written > 0)
        fakeFiles.events.push_back({FileEvent::Write, pathOf(file), at, written});
    return static_cast<int32_t>(written);
}

bool platformSeekFile(FileHandle file, int64_t offset, FileOrigin origin) {
    FakeCall call;
    int whence = origin == FileOrigin::Begin     ? SEEK_SET
                 : origin == FileOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    return ::lseek(fdOf(file), offset, whence) >= 0;
}

int64_t platformFileSize(FileHandle file) {
    FakeCall call;
    struct stat info;
    return ::fstat(fdOf(file), &info) == 0 ? info.st_size : -1;
}

bool platformFlushFile(FileHandle file) {
    FakeCall call;
    fakeFiles.events.push_back({FileEvent::Flush, pathOf(file), 0, 0});
    ++fakeFiles.flushes;
    if (fakeFiles.failFlush)
        return false;
    return fakeFiles.flushDoesNothing || ::fsync(fdOf(file)) == 0;
}

void platformCloseFile(FileHandle file) {
    FakeCall call;
    auto it = openFiles.find(file);
    if (it == openFiles.end())
        return;
    ::close(it->second.fd);
    openFiles.erase(it);
}

bool platformReplaceFile(const char16_t* replacement, const char16_t* existing) {
    FakeCall call;
    std::string from = realPath(replacement), to = realPath(existing);
    if (fakeFiles.failReplace || isOpen(from) || isOpen(to) || heldElsewhere(from, false) ||
        heldElsewhere(to, false))
        return false;
    if (::rename(from.c_str(), to.c_str()) != 0)
        return false;
    fakeFiles.events.push_back({FileEvent::Replace, to, 0, 0});
    return true;
}

bool platformDeleteFile(const char16_t* path) {
    FakeCall call;
    std::string real = realPath(path);
    if (isOpen(real) || heldElsewhere(real, false))
        return false;
    return ::unlink(real.c_str()) == 0;
}

void platformNotifyHost(void* hostWindow, const char* trackFileName) {
    FakeCall call;
    fakeFiles.notifications.push_back({hostWindow, trackFileName, fakeFiles.flushes});
}

LocalTime platformLocalTime() {
    FakeCall call;
    return fakeFiles.now;
}
