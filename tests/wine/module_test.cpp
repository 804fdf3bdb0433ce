// lorvane.dll loaded for real with LoadLibraryW under Wine: exports, attach with and without
// settings, the endpoint, and detach leaving no thread of ours behind.
#include <gtest/gtest.h>

#include <string>

#include "module/export_names.h"
#include "tests/wine/module_fixture.h"
#include "tests/wine/wine_support.h"

namespace {

class Module : public ModuleFixture {
  protected:
    void SetUp() override {
        ModuleFixture::SetUp();
        baseline = settledThreadCount();
    }
    void load() { loadModule(); }
    void unload() {
        ASSERT_TRUE(FreeLibrary(module));
        module = nullptr;
    }
    int baseline = 0;
};

// Threads of ours while the module is loaded: its receiver and the driver's gpsd reader.
constexpr int kOurThreads = 2;

TEST_F(Module, CopyAssignmentIsExportedUnderItsDecoratedName) {
    load();
    // A member function: on x64 `this` comes first like any argument, on 32 bits in ecx
    // (thiscall), as the platform's compiler calls it.
#if defined(_WIN64)
    using Assign = void* (*)(void* self, const void* other);
#else
    using Assign = void*(__attribute__((thiscall)) *)(void* self, const void* other);
#endif
    auto assign = reinterpret_cast<Assign>(
        reinterpret_cast<void*>(GetProcAddress(module, kExportMarvoltAssign)));
    ASSERT_NE(assign, nullptr);
    char a = 0, b = 0;
    EXPECT_EQ(assign(&a, &b), &a) << "the copy assignment returns the object assigned to";
}

TEST_F(Module, AttachWithoutSettingsWritesTheDefaultServerNameBackWhole) {
    load();
    std::string stored = readSettingBytes(L"QVServerName");
    ASSERT_EQ(stored.size(), 512u);
    std::wstring name(reinterpret_cast<const wchar_t*>(stored.data()));
    EXPECT_EQ(name, L"lorvane-tracker");
    for (size_t i = name.size() * 2; i < stored.size(); ++i)
        ASSERT_EQ(stored[i], 0) << "stale byte at " << i;
    EXPECT_TRUE(readSettingBytes(L"QVID").empty()) << "the account ID is never invented";
}

TEST_F(Module, AttachKeepsAStoredServerName) {
    writeSettingText(L"QVServerName", L"tracker.test", 512);
    std::string before = readSettingBytes(L"QVServerName");
    load();
    EXPECT_EQ(readSettingBytes(L"QVServerName"), before);
}

TEST_F(Module, TheEndpointHoldsUdpPort28695) {
    load();
    SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(28695);
    EXPECT_NE(bind(probe, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint), 0);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    closesocket(probe);
    unload();
    // Released at detach: the port can be bound again.
    probe = socket(AF_INET, SOCK_DGRAM, 0);
    EXPECT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint), 0)
        << "error " << WSAGetLastError();
    closesocket(probe);
}

TEST_F(Module, PortTakenStillAttachesRunsTheReceiverAndDetachesCleanly) {
    SOCKET holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(28695);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint), 0);

    load();
    EXPECT_EQ(waitForThreadCount(baseline + kOurThreads, 5000), baseline + kOurThreads);
    unload();
    EXPECT_EQ(waitForThreadCount(baseline, 5000), baseline);
    closesocket(holder);
}

// The module's socket: the one socket of this process bound to port 28695.
SOCKET findModuleSocket() {
    for (uintptr_t h = 4; h < 0x10000; h += 4) {
        sockaddr_in address{};
        int length = sizeof address;
        if (getsockname(static_cast<SOCKET>(h), reinterpret_cast<sockaddr*>(&address), &length) ==
                0 &&
            address.sin_family == AF_INET && ntohs(address.sin_port) == 28695)
            return static_cast<SOCKET>(h);
    }
    return INVALID_SOCKET;
}

// CPU time of this process over `ms`, in 100 ns units.
ULONGLONG busyOver(DWORD ms) {
    FILETIME created, ended, kernelBefore, userBefore, kernelAfter, userAfter;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernelBefore, &userBefore);
    Sleep(ms);
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernelAfter, &userAfter);
    auto ticks = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return ticks(kernelAfter) - ticks(kernelBefore) + ticks(userAfter) - ticks(userBefore);
}

TEST_F(Module, AReceiverWhoseSocketFailsWaitsBetweenTriesInsteadOfSpinning) {
    load();
    EXPECT_EQ(waitForThreadCount(baseline + kOurThreads, 5000), baseline + kOurThreads);
    // Closed under it, the receiver's socket fails every receive at once from now on, as a socket
    // whose network went away does: a receiver that tried again without pause would burn a whole
    // core over this second; ours waits between tries.
    SOCKET moduleSocket = findModuleSocket();
    ASSERT_NE(moduleSocket, INVALID_SOCKET) << "no socket of this process holds port 28695";
    ASSERT_EQ(closesocket(moduleSocket), 0) << "error " << WSAGetLastError();
    Sleep(100);
    ULONGLONG busy = busyOver(1000);
    EXPECT_LT(busy, 2500000u) << "CPU time in 100 ns units over one second: the receiver spins";

    unload();
    EXPECT_EQ(waitForThreadCount(baseline, 5000), baseline);
}

TEST_F(Module, DetachLeavesNoThreadOfOurs) {
    load();
    EXPECT_EQ(waitForThreadCount(baseline + kOurThreads, 5000), baseline + kOurThreads);
    unload();
    EXPECT_EQ(waitForThreadCount(baseline, 5000), baseline);
}

TEST_F(Module, RapidLoadAndUnloadNeitherCrashesNorLeavesThreads) {
    // Many of these detach before the threads created at attach could ever start.
    for (int i = 0; i < 50; ++i) {
        load();
        if (i % 5 == 0)
            Sleep(10);
        unload();
    }
    EXPECT_EQ(waitForThreadCount(baseline, 5000), baseline);
}

} // namespace
