// The fixture the Wine tests of the module share: Winsock started, the device's root as the
// current folder, no settings and no list files (a device that never ran the module), the real
// module loaded, and a thread that plays the user while a modal dialog runs on the test's
// own thread. Whatever the user thread leaves behind is joined and the module freed at the end.
#pragma once

#include <gtest/gtest.h>

#include "tests/wine/wine_support.h"

#include <functional>
#include <thread>

class ModuleFixture : public testing::Test {
  protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        ASSERT_TRUE(enterDeviceRoot()) << "no L: drive: run the tests through `make test`";
        clearSettings();
        DeleteFileW(L"L:\\Windows\\zqCDPD");
        DeleteFileW(L"L:\\Windows\\zq3GTrack");
    }
    void TearDown() override {
        if (user.joinable())
            user.join();
        if (module != nullptr)
            FreeLibrary(module);
        WSACleanup();
    }
    void loadModule() {
        module = LoadLibraryW(L"lorvane.dll");
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
    }
    // An export of the module under its decorated name.
    template <typename F> F exported(const char* decorated) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, decorated)));
    }
    // What the user does, on a thread of its own while a dialog runs on this one.
    void meanwhile(std::function<void()> actions) { user = std::thread(std::move(actions)); }

    HMODULE module = nullptr;
    std::thread user;
};
