// The account dialog (102) and the server dialog (111) of the real module, driven under Xvfb the
// way a user would: texts typed, buttons clicked, message boxes answered by the test. No test here
// asks a name server: every name is one the hosts file knows, or is refused before any lookup.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/wine/module_fixture.h"
#include "host/window_png.h"
#include "module/export_names.h"

namespace {

constexpr int kAccountId = 1010;
constexpr int kServerAddress = 1013;
constexpr int kIsAddress = 1016;

class ThreeGDialogs : public ModuleFixture {
  protected:
    void SetUp() override {
        ModuleFixture::SetUp();
        writeSettingText(L"QVServerName", L"localhost", 512);
    }
    void load() { loadModule(); }
};

// Answers the next "Orlisk GPS" message box and says whether one came.
bool answerMessageBox() { return ::answerMessageBox(L"Orlisk GPS", IDOK) != kNoBox; }

TEST_F(ThreeGDialogs, StartSendAsksForAnAccountKeepsTheDialogOnAnEmptyOneAndStoresFifteen) {
    load();
    auto startSend = exported<bool (*)(void*)>(kExportThreeGStartSend);
    auto stopSend = exported<void (*)()>(kExportThreeGStopSend);
    ASSERT_TRUE(startSend && stopSend);
    bool sawEmptyRefused = false, stayedOpen = false;
    meanwhile([&] {
        HWND dialog = waitForDialog(L"Lorvane Account Setup");
        if (dialog == nullptr)
            return;
        saveWindowPng(dialog, screenshotPath(L"dialog-102-account.png").c_str());
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
    auto startSend = exported<bool (*)(void*)>(kExportThreeGStartSend);
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
    auto startSend = exported<bool (*)(void*)>(kExportThreeGStartSend);
    auto stopSend = exported<void (*)()>(kExportThreeGStopSend);
    EXPECT_TRUE(startSend(nullptr));
    stopSend();
    stopSend();  // a second stop does nothing
}

TEST_F(ThreeGDialogs, StartTrackWithoutATargetIsRefused) {
    load();
    auto startTrack = exported<bool (*)(void*)>(kExportThreeGStartTrack);
    auto stopTrack = exported<void (*)()>(kExportThreeGStopTrack);
    ASSERT_TRUE(startTrack && stopTrack);
    EXPECT_FALSE(startTrack(nullptr));
    stopTrack();
}

TEST_F(ThreeGDialogs, ServerDialogShowsNameOrAddressAndRefusesWhatIsNoHost) {
    load();
    auto serverSetup = exported<void (*)(void*)>(kExportThreeGServerSetup);
    ASSERT_NE(serverSetup, nullptr);
    std::wstring shownName, shownAddress, shownAgain;
    int refusals = 0;
    meanwhile([&] {
        HWND dialog = waitForDialog(L"Lorvane Server IP Setup");
        if (dialog == nullptr)
            return;
        HWND box = GetDlgItem(dialog, kIsAddress);
        saveWindowPng(dialog, screenshotPath(L"dialog-111-server.png").c_str());
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

namespace {


// A target report with coordinates and quality all zero for `id`, from 127.0.0.1.
void sendNotLocatedYet(SOCKET s, const char* id) {
    char m[152] = {'n'};
    std::memcpy(m + 8, id, std::strlen(id));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(28695);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(s, m, sizeof m, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

TEST_F(ThreeGDialogs, TheServerSaysNotLocatedYetOnlyWhileTrackingIsOff) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    writeOneTargetList(1.0f);  // asked every minute
    load();
    // The server dialog resolves "localhost": the server is 127.0.0.1, where the test sends from.
    meanwhile([] {
        if (HWND dialog = waitForDialog(L"Lorvane Server IP Setup"))
            clickButton(dialog, IDOK);
    });
    exported<void (*)(void*)>(kExportThreeGServerSetup)(nullptr);
    user.join();

    SOCKET s = openLoopbackSocket();
    ASSERT_NE(s, INVALID_SOCKET);
    sendNotLocatedYet(s, "Z9");
    HWND box = waitForDialog(L"Orlisk GPS");
    ASSERT_NE(box, nullptr) << "no message box for a target the server has not located";
    EXPECT_EQ(controlText(box, 0xFFFF), L"Z9 hasn't been located yet.");
    clickButton(box, IDOK);
    EXPECT_TRUE(waitForWindowGone(box));

    ASSERT_TRUE(exported<bool (*)(void*)>(kExportThreeGStartTrack)(nullptr));
    sendNotLocatedYet(s, "Z9");
    EXPECT_EQ(waitForDialog(L"Orlisk GPS", 1000), nullptr) << "shown while tracking is on";
    exported<void (*)()>(kExportThreeGStopTrack)();
    closesocket(s);
    WSACleanup();
}

} // namespace
