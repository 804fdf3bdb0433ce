// FreeLibrary at the moments a host may choose that are hardest for the module: while its receiver
// shows a message box, while positions stream in and the receiver waits in SendMessageW on the
// unloading thread's window, and from another thread than the one its timers run on. In each the
// host must live on with no thread of ours left and no procedure of ours called afterwards (a call
// into the unmapped module ends the process with a page fault, which fails the test).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "module/export_names.h"
#include "tests/wine/module_fixture.h"
#include "tests/wine/wine_support.h"

namespace {

// One enabled device at 127.0.0.2, polled every minute (no one answers there).
void writeOneCdpdEntry() {
    unsigned char file[12 + 76] = {};
    file[8] = 1;
    unsigned char* e = file + 12;
    uint32_t address = htonl(0x7F000002);
    float frequency = 1.0f;
    std::memcpy(e, &address, 4);
    std::memcpy(e + 4, &frequency, 4);
    std::memcpy(e + 12, "Quiet", 5);
    e[68] = 1;
    writeFileBytes(L"L:\\Windows\\zqCDPD",
                   std::string(reinterpret_cast<char*>(file), sizeof file));
}

void sendTo28695(SOCKET s, const unsigned char* m, int length) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(28695);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(s, reinterpret_cast<const char*>(m), length, 0, reinterpret_cast<sockaddr*>(&to),
           sizeof to);
}

// Handles this thread's messages for `ms`; returns how many WM_TIMER messages came.
int pumpFor(DWORD ms) {
    int timers = 0;
    ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_TIMER)
                ++timers;
            DispatchMessageW(&m);
        }
    }
    return timers;
}

// Returns once the box's thread has drawn it and waits in its message loop. While Wine builds a
// box it takes the loader lock for the box's resources; the host's FreeLibrary holds that lock
// through detach, so a box caught half-built could not end until detach gave up waiting. Such a
// moment lies in the system, not in the module, and is not the one this test is about.
void waitUntilIdle(HWND box) {
    DWORD_PTR result;
    SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result);
    UpdateWindow(box);
    SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result);
}

class Unload : public ModuleFixture {
  protected:
    void SetUp() override {
        ModuleFixture::SetUp();
        writeSettingText(L"QVServerName", L"localhost", 512);
        host = createTestHostWindow();
        ASSERT_NE(host, nullptr);
        baseline = settledThreadCount();
    }
    void TearDown() override {
        ModuleFixture::TearDown();
        DestroyWindow(host);
    }
    // The server dialog, confirmed as it opens, resolves "localhost": the server is 127.0.0.1.
    void resolveServerToLoopback() {
        meanwhile([] {
            if (HWND dialog = waitForDialog(L"Lorvane Server IP Setup"))
                clickButton(dialog, IDOK);
        });
        exported<void (*)(void*)>(kExportThreeGServerSetup)(nullptr);
        user.join();
    }
    // FreeLibrary on this thread, timed; the module is gone afterwards.
    double unloadMs() {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        BOOL freed = FreeLibrary(module);
        QueryPerformanceCounter(&end);
        module = nullptr;
        EXPECT_TRUE(freed);
        return 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    }
    void report(const char* what, double ms) {
        std::printf("%s: FreeLibrary took %.1f ms\n", what, ms);
        RecordProperty("FreeLibraryMs", std::to_string(ms));
    }

    HWND host = nullptr;
    int baseline = 0;
};

TEST_F(Unload, WhileTheReceiverShowsAMessageBoxClosesTheBoxAndEndsTheReceiver) {
    loadModule();
    resolveServerToLoopback();
    SOCKET s = openLoopbackSocket();
    ASSERT_NE(s, INVALID_SOCKET);
    unsigned char notLocated[152] = {'n', 0, 0, 0, 0, 0, 0, 0, 'Z', '9'};
    sendTo28695(s, notLocated, sizeof notLocated);
    HWND box = waitForDialog(L"Orlisk GPS");
    ASSERT_NE(box, nullptr) << "no message box for a target the server has not located";
    waitUntilIdle(box);

    report("box open", unloadMs());
    EXPECT_FALSE(IsWindow(box)) << "the module left its box on the screen";
    EXPECT_EQ(waitForThreadCount(baseline, 5000), baseline) << "a thread of ours is left";
    pumpFor(300);  // the host lives on
    closesocket(s);
}

TEST_F(Unload, WhilePositionsStreamInTheHostReadsEveryNameWhileTheModuleIsMapped) {
    loadModule();
    exported<void (*)(void*)>(kExportCdpdStartTrack)(host);
    SOCKET s = openLoopbackSocket();
    ASSERT_NE(s, INVALID_SOCKET);
    std::atomic<bool> streaming{true};
    std::thread peer([&] {
        int32_t latitude = 52000000;
        while (streaming) {
            unsigned char m[152] = {'U'};
            ++latitude;  // each one new, so each one is logged
            int32_t longitude = 13000000;
            std::memcpy(m + 24, &latitude, 4);
            std::memcpy(m + 28, &longitude, 4);
            m[36] = 'A';
            m[37] = 4;
            sendTo28695(s, m, sizeof m);
            Sleep(2);
        }
    });
    pumpFor(300);
    size_t before = hostNotified.size();
    // This thread stops handling messages until the receiver waits in SendMessageW to its window;
    // then the host unloads, with no stop export first, as it may at any moment.
    bool receiverWaits = false;
    for (int i = 0; i < 2000 && !receiverWaits; ++i) {
        receiverWaits = HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE;
        if (!receiverWaits)
            Sleep(1);
    }
    ASSERT_TRUE(receiverWaits) << "the receiver never waited on the host's window";
    double ms = unloadMs();
    streaming = false;
    peer.join();
    report("positions every 2 ms", ms);
    EXPECT_GT(before, 0u) << "no position reached the host before the unload";
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string expected = "127.0.0.1(" + std::to_string(now.wMonth) + "." +
                           std::to_string(now.wDay) + "." + std::to_string(now.wYear) + ").way";
    for (const std::string& name : hostNotified)
        ASSERT_EQ(name, expected) << "the host read a name that was not the module's";
    EXPECT_EQ(waitForThreadCount(baseline, 5000), baseline) << "a thread of ours is left";
    pumpFor(300);
    closesocket(s);
}

TEST_F(Unload, FromAnotherThreadThanTheTimersNoTimerProcedureRunsAfterwards) {
    writeSettingText(L"QVID", L"abc", 32);
    writeOneTargetList(0.05f);  // asked every 3 seconds
    writeOneCdpdEntry();
    loadModule();
    resolveServerToLoopback();
    exported<void (*)(void*)>(kExportCdpdStartTrack)(host);
    ASSERT_TRUE(exported<bool (*)(void*)>(kExportThreeGStartTrack)(host));
    ASSERT_TRUE(exported<bool (*)(void*)>(kExportThreeGStartSend)(host));
    EXPECT_GT(pumpFor(3500), 0) << "the timers never ticked while the module was loaded";

    double ms = 0;
    std::atomic<bool> unloaded{false};
    HMODULE loaded = module;
    module = nullptr;
    std::thread unloader([&] {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        EXPECT_TRUE(FreeLibrary(loaded));
        QueryPerformanceCounter(&end);
        ms = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        unloaded = true;
    });
    // This thread, the timers' own, goes on dispatching as a host's loop would. Each timer ticks
    // once more at most, and that tick ends it; after that no tick comes.
    while (!unloaded)
        pumpFor(20);
    unloader.join();
    report("timers on another thread", ms);
    pumpFor(6500);
    EXPECT_EQ(pumpFor(6500), 0) << "a timer of the unloaded module still ticks";
    EXPECT_EQ(waitForThreadCount(baseline, 5000), baseline) << "a thread of ours is left";
}

} // namespace
