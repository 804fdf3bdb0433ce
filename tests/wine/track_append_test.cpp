// Positions sent over real UDP to the real module land in real track files through the Win32
// file calls (share mode 0), and the host window is told each file's name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "module/exports.h"
#include "tests/wine/module_fixture.h"
#include "tests/wine/wine_support.h"
#include "module/export_names.h"
#include "tracklog/track_format.h"

namespace {

const wchar_t kDocuments[] = L"L:\\My Documents";

// Deletes every file in `folder` (its subfolders stay).
void emptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// How many records the core's walk finds in a track file the module made, or -1 when the file is
// not sound: it must have a new file's header, walk to its very end with a count that promises
// only records it holds, name its records <base>.1, <base>.2 ... in order, and only its last
// record may carry the symbol of a newest point (24 and above).
int soundRecords(const std::vector<unsigned char>& file, const std::string& base) {
    TrackWalk walk = walkTrackFile(file.data(), file.size(), nullptr);
    if (walk.truncated || walk.failed || walk.recordsEnd != file.size() ||
        walk.wholeRecords != walk.head.count)
        return -1;
    uint8_t newHeader[kTrackHeaderBytes] = {};
    for (int i = 0; i < 3; ++i)
        putLe16(newHeader + kTrackHeaderWordOffsets[i], kNewTrackHeaderWords[i]);
    if (std::memcmp(walk.head.header, newHeader, sizeof newHeader) != 0)
        return -1;
    ByteReader in = byteReader(file.data(), file.size(), kTrackRecordsOffset);
    for (int32_t n = 1; n <= walk.wholeRecords; ++n) {
        TrackRecord record;
        readTrackRecord(in, &record);
        bool newest = record.symbolFlag != 0 && record.symbol >= kNewestSymbolBase;
        if (std::string(record.name, record.nameLength) != base + "." + std::to_string(n) ||
            newest != (n == walk.wholeRecords))
            return -1;
    }
    return walk.wholeRecords;
}

class TrackAppend : public ModuleFixture {
  protected:
    void SetUp() override {
        ModuleFixture::SetUp();
        SYSTEMTIME now;
        GetLocalTime(&now);
        fileName = "127.0.0.1(" + std::to_string(now.wMonth) + "." + std::to_string(now.wDay) +
                   "." + std::to_string(now.wYear) + ").way";
        path = L"L:\\My Documents\\" + std::wstring(fileName.begin(), fileName.end());
        DeleteFileW(path.c_str());
        host = createTestHostWindow();
        loadModule();
        // The host's window reaches the module through an export that takes it; with an empty
        // list the poller has nothing to ask.
        auto start = reinterpret_cast<void (*)(void*)>(
            reinterpret_cast<void*>(GetProcAddress(module, kExportCdpdStartTrack)));
        stop = reinterpret_cast<void (*)()>(
            reinterpret_cast<void*>(GetProcAddress(module, kExportCdpdStopTrack)));
        ASSERT_TRUE(start && stop);
        start(host);
        sender = openLoopbackSocket();
        ASSERT_NE(sender, INVALID_SOCKET);
    }
    void TearDown() override {
        closesocket(sender);
        if (stop)
            stop();
        ModuleFixture::TearDown();
        DestroyWindow(host);
    }
    void sendPosition(int32_t latitude, int32_t longitude) {
        unsigned char m[152] = {'U'};
        std::memcpy(m + 24, &latitude, 4);
        std::memcpy(m + 28, &longitude, 4);
        m[36] = 'A';
        m[37] = 4;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(28695);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(sendto(sender, reinterpret_cast<char*>(m), sizeof m, 0,
                         reinterpret_cast<sockaddr*>(&to), sizeof to),
                  152);
    }
    // Pumps the host's messages until `count` notifications arrived (bounded).
    void waitForNotifications(size_t count) {
        DWORD start = GetTickCount();
        while (hostNotified.size() < count && GetTickCount() - start < 5000) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            Sleep(5);
        }
    }
    std::vector<unsigned char> fileBytes() {
        std::vector<unsigned char> bytes;
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return bytes;
        bytes.resize(GetFileSize(f, nullptr));
        DWORD n = 0;
        ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(f);
        return bytes;
    }
    static int32_t countOf(const std::vector<unsigned char>& bytes) {
        int32_t count = 0;
        std::memcpy(&count, bytes.data() + 64, 4);
        return count;
    }
    // Sends a position and waits until the host was told of it.
    void logPosition(int32_t latitude, int32_t longitude) {
        size_t told = hostNotified.size();
        sendPosition(latitude, longitude);
        waitForNotifications(told + 1);
    }
    int soundRecords() { return ::soundRecords(fileBytes(), "127.0.0.1"); }

    HWND host = nullptr;
    SOCKET sender = INVALID_SOCKET;
    void (*stop)() = nullptr;
    std::string fileName;
    std::wstring path;
};

TEST_F(TrackAppend, PositionsFromAnUnlistedSenderLandInItsDayFileAndTheHostIsTold) {
    sendPosition(12, -34);
    waitForNotifications(1);
    ASSERT_EQ(hostNotified.size(), 1u);
    EXPECT_EQ(hostNotified[0], fileName);
    std::vector<unsigned char> bytes = fileBytes();
    ASSERT_GT(bytes.size(), 68u);
    EXPECT_EQ(bytes[18], 0x02);  // the new-file header word 4098
    EXPECT_EQ(bytes[19], 0x10);
    EXPECT_EQ(countOf(bytes), 1);
    const char* name = reinterpret_cast<const char*>(bytes.data() + 68);
    EXPECT_STREQ(name, "127.0.0.1.1");
    EXPECT_EQ(std::strncmp(name + std::strlen(name) + 1, "Address: Unknown  Time: ", 24), 0);

    sendPosition(56, 78);
    waitForNotifications(2);
    bytes = fileBytes();
    EXPECT_EQ(countOf(bytes), 2);
    EXPECT_EQ(bytes[bytes.size() - 4], 24) << "the newest point carries 24 + icon";
}

TEST_F(TrackAppend, AFileHeldByAnotherProgramIsLeftWholeAndTheHostIsStillTold) {
    sendPosition(12, -34);
    waitForNotifications(1);
    std::vector<unsigned char> before = fileBytes();
    ASSERT_EQ(countOf(before), 1);

    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    sendPosition(56, 78);
    waitForNotifications(2);
    EXPECT_EQ(hostNotified.size(), 2u) << "the host is told even when nothing could be written";
    CloseHandle(holder);
    EXPECT_EQ(fileBytes(), before) << "the held day's track was neither truncated nor changed";

    sendPosition(90, 12);
    waitForNotifications(3);
    EXPECT_EQ(countOf(fileBytes()), 2) << "released, the file takes the next position";
}

// Another program appends a record of its own between two positions, within the same second:
// the module sees the file changed (its stamp from the Win32 side) and numbers its next record
// after the stranger's, demoting both earlier newest points.
TEST_F(TrackAppend, ARecordAppendedByAnotherProgramBetweenTwoPositionsIsCountedOn) {
    sendPosition(12, -34);
    waitForNotifications(1);
    std::vector<unsigned char> bytes = fileBytes();
    ASSERT_EQ(countOf(bytes), 1);

    const char stranger[] = "Stranger.2\0Address: Unknown  Time: 00:00:00";
    bytes.insert(bytes.end(), stranger, stranger + sizeof stranger);
    const unsigned char fixed[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   1, 0, 0, 0, 1, 29, 0, 0, 0};
    bytes.insert(bytes.end(), fixed, fixed + sizeof fixed);
    bytes[64] = 2;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    ASSERT_EQ(written, bytes.size());

    sendPosition(56, 78);
    waitForNotifications(2);
    std::vector<unsigned char> after = fileBytes();
    ASSERT_GT(after.size(), bytes.size());
    EXPECT_EQ(countOf(after), 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(after.data() + bytes.size()), "127.0.0.1.3");
    EXPECT_EQ(after[bytes.size() - 4], 17) << "the stranger's newest point is demoted";
}

// Another program rewrites the first point's symbol in place and sets the file's last-write time
// back to what the module left, as a write within the same tick of a coarse file clock would
// leave it: the file looks as the module left it, so the next append does not walk it
// (tracklog/track_memory.h). The rewritten symbol stays; the newest point is demoted and the new
// record numbered and counted as ever.
TEST_F(TrackAppend, AnOlderSymbolRewrittenWithinOneTickOfTheFileClockStays) {
    sendPosition(12, -34);
    waitForNotifications(1);
    sendPosition(56, 78);
    waitForNotifications(2);
    std::vector<unsigned char> bytes = fileBytes();
    ASSERT_EQ(countOf(bytes), 2);
    size_t recordLength = (bytes.size() - 68) / 2;  // "127.0.0.1.1" and ".2" are as long
    size_t firstSymbol = 68 + recordLength - 4;
    ASSERT_EQ(bytes[firstSymbol], 17);

    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    FILETIME written;
    ASSERT_TRUE(GetFileTime(f, nullptr, nullptr, &written));
    const unsigned char symbol[4] = {27, 0, 0, 0};
    DWORD n = 0;
    SetFilePointer(f, static_cast<LONG>(firstSymbol), nullptr, FILE_BEGIN);
    ASSERT_TRUE(WriteFile(f, symbol, sizeof symbol, &n, nullptr) && n == sizeof symbol);
    ASSERT_TRUE(SetFileTime(f, nullptr, nullptr, &written)) << "error " << GetLastError();
    CloseHandle(f);
    WIN32_FILE_ATTRIBUTE_DATA stamp;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &stamp));
    ASSERT_EQ(CompareFileTime(&stamp.ftLastWriteTime, &written), 0) << "the clock moved on";

    sendPosition(90, 12);
    waitForNotifications(3);
    std::vector<unsigned char> after = fileBytes();
    ASSERT_EQ(after.size(), bytes.size() + recordLength);
    EXPECT_EQ(countOf(after), 3);
    EXPECT_EQ(after[firstSymbol], 27) << "the rewritten symbol is not walked over";
    EXPECT_EQ(after[firstSymbol + recordLength], 17) << "the newest point is demoted";
    EXPECT_STREQ(reinterpret_cast<const char*>(after.data() + bytes.size()), "127.0.0.1.3");
    EXPECT_EQ(after[after.size() - 4], 24) << "the new record is the newest point";
}

// The documents folder taken away while positions come in, then made again: nothing is written
// anywhere meanwhile, the host is told of each position as for any file that cannot be opened,
// and the positions after it go to a new file from record 1 on.
TEST_F(TrackAppend, NothingIsWrittenWhileTheDocumentsFolderIsGoneAndNewFilesFollowItsReturn) {
    logPosition(12, -34);
    ASSERT_EQ(soundRecords(), 1);

    emptyFolder(kDocuments);
    ASSERT_TRUE(RemoveDirectoryW(kDocuments)) << "error " << GetLastError();
    logPosition(56, 78);
    logPosition(90, 12);
    EXPECT_EQ(hostNotified, std::vector<std::string>(3, fileName));
    EXPECT_FALSE(exists(kDocuments)) << "the folder was made again by the module";
    EXPECT_FALSE(exists(L"L:\\" + std::wstring(fileName.begin(), fileName.end())));

    ASSERT_TRUE(CreateDirectoryW(kDocuments, nullptr)) << "error " << GetLastError();
    logPosition(34, 56);
    logPosition(78, 90);
    EXPECT_EQ(hostNotified.size(), 5u);
    EXPECT_EQ(soundRecords(), 2);
}

// ---- A full disk
// These run only inside tests/wine/full_disk.sh, which mounts a small file system of its own at
// L:\My Documents (a tmpfs, then an ext2 image with 1 KB blocks) and names it in
// LORVANE_SMALL_DISK. Both cut a write short only where it reaches a page (4 KB) of the file that
// the disk cannot give, and never fail an overwrite inside a page the file already has; a write
// within one page that needs a block the disk lacks fails whole. So of the points where the disk
// can run out during an append:
//   - at creation: a file made on a full disk gets its name and not one byte; with no inode (or
//     directory entry) left, the creation itself fails;
//   - right after the header: cannot happen to a file the module makes. Its head and first
//     record are one write within its first page (a record is well under 512 bytes), which no
//     file system cuts. The nearest real case: a file whose records end where its last page
//     does, so that the next record gets not one byte;
//   - inside a record: a record that reaches into a page the disk cannot give is cut there;
//   - inside the count: cannot happen. The count lies inside the first page, which the file has
//     since its first write, and is only ever overwritten. The nearest real case: a record that
//     fills the disk to its last byte, so that the demotions and the count are written on a full
//     disk.
class FullDisk : public TrackAppend {
  protected:
    void SetUp() override {
        disk = std::getenv("LORVANE_SMALL_DISK");
        if (disk == nullptr)
            GTEST_SKIP() << "needs the small disk that tests/wine/full_disk.sh mounts";
        ASSERT_TRUE(enterDeviceRoot());
        emptyFolder(kDocuments);
        TrackAppend::SetUp();
    }
    void TearDown() override {
        if (disk != nullptr)
            emptyFolder(kDocuments);
        TrackAppend::TearDown();
    }

    // Takes every free byte of the disk with files of its own, in small writes, so that even
    // blocks that one file could not use (an ext2 file needs a block of block numbers past its
    // twelfth) are taken; then no byte is free.
    void fillDisk() {
        for (int n = 0;; ++n) {
            std::wstring filler = std::wstring(kDocuments) + L"\\filler " + std::to_wstring(n);
            fillers.push_back(filler);
            HANDLE f =
                CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (f == INVALID_HANDLE_VALUE)
                break;
            char block[512] = {};
            DWORD written = sizeof block, total = 0;
            while (written == sizeof block && WriteFile(f, block, sizeof block, &written, nullptr))
                total += written;
            CloseHandle(f);
            if (total == 0)
                break;
        }
        ULARGE_INTEGER free{}, size{};
        GetDiskFreeSpaceExW(L"L:\\My Documents\\", &free, &size, nullptr);
        ASSERT_EQ(free.QuadPart, 0u) << "the disk (" << disk << ") still has room";
    }
    // Uses up the disk's inodes (or its directory's room) with empty files: no file can be made.
    void fillNames() {
        for (int n = 0; n < 10000; ++n) {
            std::wstring slot = std::wstring(kDocuments) + L"\\slot " + std::to_wstring(n);
            HANDLE f = CreateFileW(slot.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            if (f == INVALID_HANDLE_VALUE)
                return;
            CloseHandle(f);
            fillers.push_back(slot);
        }
        FAIL() << "the disk (" << disk << ") makes file after file";
    }
    void makeRoom() {
        for (const std::wstring& filler : fillers)
            DeleteFileW(filler.c_str());
        fillers.clear();
    }
    // The day's file as the module writes it, record 1 logged with a note in its comment that
    // makes the file `size` bytes long: the module's records that follow end where the test
    // wants them to.
    void writeDayFile(size_t size) {
        const size_t fixed = 68 + sizeof "127.0.0.1.1" + 25 + sizeof "Address:   Time: 12:00:00";
        std::string note;
        while (note.size() + fixed < size)
            note += "Harbour Road ";
        note.resize(size - fixed);
        std::string bytes(68, '\0');
        bytes[18] = 0x02;
        bytes[19] = 0x10;
        bytes[20] = 1;
        bytes[64] = 1;
        bytes += std::string("127.0.0.1.1") + '\0' + "Address: " + note + "  Time: 12:00:00" + '\0';
        const unsigned char fixedFields[25] = {
            0xAC, 0xFE, 0xFF, 0xFF, 0x78, 0, 0, 0,  // longitude -340, latitude 120
            0,    0,    0,    0,    0,    0, 0, 0,  // the two short texts
            1,    0,    0,    0,    1,    24, 0, 0, 0};
        bytes.append(reinterpret_cast<const char*>(fixedFields), sizeof fixedFields);
        ASSERT_EQ(bytes.size(), size);
        writeFileBytes(path.c_str(), bytes);
    }
    // The count as the file has it, and whether it promises only records the file holds.
    int32_t promisedRecords() {
        std::vector<unsigned char> bytes = fileBytes();
        TrackWalk walk = walkTrackFile(bytes.data(), bytes.size(), nullptr);
        return walk.truncated || walk.failed ? -1 : walk.head.count;
    }

    const char* disk = nullptr;
    std::vector<std::wstring> fillers;
};

TEST_F(FullDisk, AFileMadeWhenNotOneByteFitsIsGoneAndMadeAnewOnceThereIsRoom) {
    fillDisk();
    logPosition(12, -34);
    EXPECT_FALSE(exists(path)) << "left empty, the file would get a header of zeros next time";

    makeRoom();
    logPosition(56, 78);
    logPosition(90, 12);
    EXPECT_EQ(hostNotified, std::vector<std::string>(3, fileName));
    EXPECT_EQ(soundRecords(), 2) << disk;
}

TEST_F(FullDisk, AFileThatCannotBeMadeAtAllIsMadeOnceThereIsRoom) {
    fillNames();
    logPosition(12, -34);
    EXPECT_FALSE(exists(path));

    makeRoom();
    logPosition(56, 78);
    EXPECT_EQ(hostNotified, std::vector<std::string>(2, fileName));
    EXPECT_EQ(soundRecords(), 1) << disk;
}

// A day's file whose end lies where a row says when the disk runs full; two positions on the full
// disk, then two once there is room again. The module's records 2 and 3 are 70 bytes long.
TEST_F(FullDisk, AnAppendCutShortByAFullDiskNeverCountsWhatIsMissingAndTheNextOnesFollowIt) {
    struct {
        const char* why;
        size_t fileSize;
        int32_t countOnFullDisk;
    } rows[] = {
        {"the records end where the file's page does: not one byte of record 2 fits", 4096, 1},
        {"record 2 reaches 30 bytes into a page the disk cannot give", 4096 - 40, 1},
        {"record 2 fills the disk to its last byte: the count is written on a full disk",
         4096 - 70, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(disk) + ": " + row.why);
        writeDayFile(row.fileSize);
        fillDisk();
        logPosition(12, -34);
        logPosition(56, 78);
        EXPECT_EQ(promisedRecords(), row.countOnFullDisk);

        makeRoom();
        logPosition(90, 12);
        logPosition(34, 56);
        EXPECT_EQ(soundRecords(), row.countOnFullDisk + 2);
        DeleteFileW(path.c_str());
    }
    EXPECT_EQ(hostNotified, std::vector<std::string>(12, fileName)) << "the host lives on";
}

} // namespace
