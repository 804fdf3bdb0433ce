// Positions sent over real UDP to the real module land in real track files through the Win32
// file calls (share mode 0), and the host window is told each file's name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "module/exports.h"
#include "tests/wine/module_fixture.h"
#include "tests/wine/wine_support.h"
#include "module/export_names.h"
#include "tracklog/track_format.h"

namespace {

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
    void waitForNotifications(size_t count, DWORD boundMs = 5000) {
        DWORD start = GetTickCount();
        while (hostNotified.size() < count && GetTickCount() - start < boundMs) {
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

// While the receiver waits (here for the host, which handles no message until it has sent
// everything; as it would wait for a disk that stalls), the positions queue in the socket: more
// of them than Linux's default socket queue holds under Wine (about 250). The socket's room takes
// them all, the rounds that follow write them in order, and the host is told of each.
TEST_F(TrackAppend, PositionsQueuedWhileTheReceiverWaitsAreAllKeptInOrder) {
    constexpr int kQueued = 400;
    for (int i = 0; i <= kQueued; ++i)
        sendPosition(1000 + i, -34);
    waitForNotifications(kQueued + 1, 60000);
    EXPECT_EQ(hostNotified.size(), size_t(kQueued + 1));

    std::vector<unsigned char> bytes = fileBytes();
    std::vector<uint64_t> newest;
    TrackWalk walk = walkTrackFile(bytes.data(), bytes.size(), &newest);
    EXPECT_FALSE(walk.truncated);
    EXPECT_EQ(walk.recordsEnd, bytes.size());
    EXPECT_EQ(newest.size(), 1u) << "only the newest point keeps its symbol";
    ASSERT_EQ(walk.wholeRecords, kQueued + 1);
    ByteReader in = byteReader(bytes.data(), bytes.size(), kTrackRecordsOffset);
    TrackRecord record;
    for (int i = 0; i <= kQueued && readTrackRecord(in, &record); ++i)
        ASSERT_EQ(record.latitude, (1000 + i) * 10) << "record " << i + 1;
}

} // namespace
