// The account dialog (102) and the server dialog (111) of the real module, driven under Xvfb the
// way a user would: texts typed, buttons clicked, message boxes answered by the test. No test here
// asks a name server: every name is one the hosts file knows, or is refused before any lookup.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "tests/wine/wine_support.h"

namespace {

constexpr int kAccountId = 1010;
constexpr int kServerAddress = 1013;
constexpr int kIsAddress = 1016;

class ThreeGDialogs : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(enterDeviceRoot()) << "no L: drive: run the tests through `make test`";
        clearSettings();
        writeSettingText(L"QVServerName", L"localhost", 512);
    }
    void TearDown() override {
        if (user.joinable())
            user.join();
        if (module != nullptr)
            FreeLibrary(module);
    }
    void load() {
        module = LoadLibraryW(L"lorvane.dll");
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
    }
    template <typename F> F entry(const char* decorated) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, decorated)));
    }
    // What the user does, on a thread of its own while the dialog runs on this one.
    void meanwhile(std::function<void()> actions) { user = std::thread(std::move(actions)); }

    HMODULE module = nullptr;
    std::thread user;
};

// Answers the next "Orlisk GPS" message box and says whether one came.
bool answerMessageBox() {
    HWND box = waitForDialog(L"Orlisk GPS");
    if (box == nullptr)
        return false;
    clickButton(box, IDOK);
    return waitForWindowGone(box);
}

TEST_F(ThreeGDialogs, StartSendAsksForAnAccountKeepsTheDialogOnAnEmptyOneAndStoresFifteen) {
    load();
    auto startSend = entry<bool (*)(void*)>("?ThreeGStartSend@@YA_NPEAX@Z");
    auto stopSend = entry<void (*)()>("?ThreeGStopSend@@YAXXZ");
    ASSERT_TRUE(startSend && stopSend);
    bool sawEmptyRefused = false, stayedOpen = false;
    meanwhile([&] {
        HWND dialog = waitForDialog(L"Lorvane Account Setup");
        if (dialog == nullptr)
            return;
        clickButton(dialog, IDOK);  // empty: a message box, and the dialog stays
        sawEmptyRefused = answerMessageBox();
        stayedOpen = IsWindow(dialog) != FALSE;
        SetDlgItemTextW(dialog, kAccountId, L"abcdefghijklmnopqrs");
        clickButton(dialog, IDOK);
    });
    EXPECT_TRUE(startSend(nullptr));
    user.join();
    EXPECT_TRUE(sawEmptyRefused);
    EXPECT_TRUE(stayedOpen);
    std::string stored = readSettingBytes(L"QVID");
    ASSERT_EQ(stored.size(), 32u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(stored.data())), L"abcdefghijklmno");
    stopSend();
}

TEST_F(ThreeGDialogs, StartSendWithTheAccountDialogCancelledIsRefused) {
    load();
    auto startSend = entry<bool (*)(void*)>("?ThreeGStartSend@@YA_NPEAX@Z");
    meanwhile([] {
        if (HWND dialog = waitForDialog(L"Lorvane Account Setup"))
            clickButton(dialog, IDCANCEL);
    });
    EXPECT_FALSE(startSend(nullptr));
    EXPECT_TRUE(readSettingBytes(L"QVID").empty());
}

TEST_F(ThreeGDialogs, StartSendWithAnAccountNeedsNoDialog) {
    writeSettingText(L"QVID", L"abc", 32);
    load();
    auto startSend = entry<bool (*)(void*)>("?ThreeGStartSend@@YA_NPEAX@Z");
    auto stopSend = entry<void (*)()>("?ThreeGStopSend@@YAXXZ");
    EXPECT_TRUE(startSend(nullptr));
    stopSend();
    stopSend();  // a second stop does nothing
}

TEST_F(ThreeGDialogs, StartTrackWithoutATargetIsRefused) {
    load();
    auto startTrack = entry<bool (*)(void*)>("?ThreeGStartTrack@@YA_NPEAX@Z");
    auto stopTrack = entry<void (*)()>("?ThreeGStopTrack@@YAXXZ");
    ASSERT_TRUE(startTrack && stopTrack);
    EXPECT_FALSE(startTrack(nullptr));
    stopTrack();
}

TEST_F(ThreeGDialogs, ServerDialogShowsNameOrAddressAndRefusesWhatIsNoHost) {
    load();
    auto serverSetup = entry<void (*)(void*)>("?ThreeGServerSetup@@YAXPEAX@Z");
    ASSERT_NE(serverSetup, nullptr);
    std::wstring shownName, shownAddress, shownAgain;
    int refusals = 0;
    meanwhile([&] {
        HWND dialog = waitForDialog(L"Lorvane Server IP Setup");
        if (dialog == nullptr)
            return;
        HWND box = GetDlgItem(dialog, kIsAddress);
        shownName = controlText(dialog, kServerAddress);
        SendMessageW(box, BM_CLICK, 0, 0);  // ticked: the resolved address
        shownAddress = controlText(dialog, kServerAddress);
        SetDlgItemTextW(dialog, kServerAddress, L"10.1.2.300");  // inet_addr cannot read it
        clickButton(dialog, IDOK);
        refusals += answerMessageBox();
        SendMessageW(box, BM_CLICK, 0, 0);  // unticked: the name again
        shownAgain = controlText(dialog, kServerAddress);
        SetDlgItemTextW(dialog, kServerAddress, L"");  // an empty name is no host
        clickButton(dialog, IDOK);
        refusals += answerMessageBox();
        SetDlgItemTextW(dialog, kServerAddress, L"localhost");
        clickButton(dialog, IDOK);
    });
    writeSettingText(L"QVServerName", L"localhost", 512);
    serverSetup(nullptr);
    user.join();
    EXPECT_EQ(shownName, L"localhost");
    EXPECT_EQ(shownAddress, L"127.0.0.1");
    EXPECT_EQ(shownAgain, L"localhost");
    EXPECT_EQ(refusals, 2);
    std::string stored = readSettingBytes(L"QVServerName");
    ASSERT_EQ(stored.size(), 512u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(stored.data())), L"localhost");
}

} // namespace
