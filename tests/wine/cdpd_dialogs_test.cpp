// The CDPD setup dialogs (104, 105, 106) of the real module, driven under Xvfb the way a user
// would: rows ticked and selected, texts typed, buttons clicked, message boxes answered by the
// test. After each change the list file L:\Windows\zqCDPD is read back byte for byte.
//
// Commands that open nothing modal are sent (and so handled before the test goes on); the others
// are posted, and the test waits for what they open or close.
#include <gtest/gtest.h>

#include "tests/wine/module_fixture.h"  // winsock2.h before windows.h

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cdpd/cdpd_address.h"
#include "host/window_png.h"
#include "module/export_names.h"

namespace {

const wchar_t kSetupCaption[] = L"Lorvane Setup";
const wchar_t kAddCaption[] = L"Lorvane IP Address Setup";
const wchar_t kModifyCaption[] = L"Modify Description & Frequency";
const wchar_t kListPath[] = L"L:\\Windows\\zqCDPD";

const wchar_t kDeleteQuestion[] = L"Do you really want to delete this item?";
const wchar_t kNoDescription[] = L"Sorry, you must enter a description for CDPD Address.";
const wchar_t kDescriptionExists[] = L"Sorry, description for FTP Address exists. Try an other one";
const wchar_t kListFull[] =
    L"Sorry, the list is full: it holds 50 CDPD addresses. Delete one before adding another.";
const wchar_t kNotAnAddress[] =
    L"Sorry, this is not a valid IP address. Enter four numbers from 0 to 255.";

// Controls of 104
constexpr int kAdd = 1006, kList = 1007, kDelete = 1008, kModify = 1009, kQuery = 1010,
              kSendPosit = 1025;
// Controls of 105 and 106
constexpr int kIcons = 1007, kDescription = 1016, kAddModem = 1004, kOctet1 = 1012;
constexpr int kModifyModem = 1006, kAddresses = 1021, kFrequency = 1022, kResolution = 1023;

// ---- The list file ----

uint32_t addressOf(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    uint8_t bytes[4] = {a, b, c, d};
    uint32_t address;
    std::memcpy(&address, bytes, 4);
    return address;
}

CdpdAddress entry(uint32_t address, const char* description, int32_t icon = 0, int32_t enabled = 0,
                  int32_t modem = 0) {
    CdpdAddress e;
    std::memset(&e, 0, sizeof e);
    e.address = address;
    std::memcpy(e.description, description, strnlen(description, sizeof e.description));
    e.iconIndex = icon;
    e.enabled = enabled;
    e.modemFlag = modem;
    return e;
}

// The file's bytes for a list, with the two header words the module must keep.
std::string listBytes(const std::vector<CdpdAddress>& list, int32_t port = 3, int32_t model = 7) {
    int32_t header[3] = {port, model, static_cast<int32_t>(list.size())};
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    for (const CdpdAddress& e : list)
        bytes.append(reinterpret_cast<const char*>(&e), sizeof e);
    return bytes;
}

void writeListFile(const std::string& bytes) { writeFileBytes(kListPath, bytes); }

std::string readListFile() { return fileBytes(kListPath); }

// ---- Controls, from the test's thread ----

void command(HWND dialog, int id, int code = BN_CLICKED) {
    DWORD_PTR result;
    SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)), SMTO_NORMAL, 5000,
                        &result);
}

HWND listOf(HWND dialog) { return GetDlgItem(dialog, kList); }

void typeOctets(HWND dialog, const wchar_t* a, const wchar_t* b, const wchar_t* c,
                const wchar_t* d) {
    const wchar_t* texts[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i)
        SetDlgItemTextW(dialog, kOctet1 + i, texts[i]);
}

// Answers the next CDPD message box (empty caption) with `button`; returns its text, or kNoBox.
std::wstring answerMessageBox(int button, DWORD timeoutMs = 5000) {
    return ::answerMessageBox(L"", button, timeoutMs);
}

// Clicks OK in the add or modify dialog; true when the dialog closed, false when it stayed and
// showed a message box instead.
bool pressOk(HWND dialog, HWND setup) {
    clickButton(dialog, IDOK);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(20)) {
        if (!IsWindow(dialog)) {
            settle(setup);
            return true;
        }
        HWND box = FindWindowW(L"#32770", L"");
        if (box != nullptr && IsWindowVisible(box))
            return false;
    }
    return false;
}

// Whatever a failed step left open is closed, so the dialog's thread comes back.
void closeLeftovers() {
    for (int round = 0; round < 50; ++round) {
        bool any = false;
        for (const wchar_t* caption : {L"", kAddCaption, kModifyCaption, kSetupCaption}) {
            if (HWND w = FindWindowW(L"#32770", caption)) {
                any = true;
                clickButton(w, caption[0] == 0 ? IDNO : IDCANCEL);
                if (caption[0] == 0)
                    clickButton(w, IDOK);
            }
        }
        if (!any)
            return;
        Sleep(100);
    }
}

// ---- The fixture ----

class CdpdDialogs : public ModuleFixture {
  protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        ModuleFixture::SetUp();
        DeleteFileW(kListPath);
    }
    void TearDown() override {
        ModuleFixture::TearDown();
        WSACleanup();
    }
    void load() {
        loadModule();
        cdpdIni = exported<void (*)(void*)>(kExportCdpdIni);
        ASSERT_NE(cdpdIni, nullptr);
    }
    // Runs the setup dialog on this thread while the user acts on the setup window from another.
    void runSetup(std::function<void(HWND setup)> actions) {
        meanwhile([actions] {
            HWND setup = waitForDialog(kSetupCaption);
            if (setup != nullptr)
                actions(setup);
            closeLeftovers();
        });
        cdpdIni(nullptr);
        user.join();
    }

    void (*cdpdIni)(void*) = nullptr;
};

TEST_F(CdpdDialogs, AddStoresNewEntriesAndRefusesWhatItCannotStore) {
    load();
    std::vector<std::wstring> messages, rowsAfterAdds, rowsAfterCancel;
    std::vector<bool> stayedOpen;
    std::string fileAfterFirst, fileAfterSecond, fileAfterCancel;
    runSetup([&](HWND setup) {
        // First: icon 3 picked and the pick then cleared, a modem, octets with leading zeros.
        clickButton(setup, kAdd);
        HWND add = waitForDialog(kAddCaption);
        if (add == nullptr)
            return;
        setSelected(GetDlgItem(add, kIcons), 3, true);
        setSelected(GetDlgItem(add, kIcons), -1, false); // a tap beside the icons keeps icon 3
        SendDlgItemMessageW(add, kAddModem, BM_CLICK, 0, 0);
        typeOctets(add, L"010", L"1", L"08", L"3");
        stayedOpen.push_back(!pressOk(add, setup)); // no description
        messages.push_back(answerMessageBox(IDOK));
        SetDlgItemTextW(add, kDescription, L"\u0100bc"); // narrowed: empty
        stayedOpen.push_back(!pressOk(add, setup));
        messages.push_back(answerMessageBox(IDOK));
        SetDlgItemTextW(add, kDescription, L"Van");
        saveWindowPng(add, screenshotPath(L"dialog-105-cdpd-add.png").c_str());
        stayedOpen.push_back(!pressOk(add, setup));
        fileAfterFirst = readListFile();

        // Second: duplicates (also one that only narrowing makes equal), then bad addresses.
        clickButton(setup, kAdd);
        add = waitForDialog(kAddCaption);
        if (add == nullptr)
            return;
        typeOctets(add, L"10", L"1", L"2", L"3");
        for (const wchar_t* description : {L"Van", L"\u0156an"}) {
            SetDlgItemTextW(add, kDescription, description);
            stayedOpen.push_back(!pressOk(add, setup));
            messages.push_back(answerMessageBox(IDOK));
        }
        SetDlgItemTextW(add, kDescription, L"van");
        for (const wchar_t* last : {L"256", L"", L"1000000"}) {
            typeOctets(add, L"10", L"1", L"2", last);
            stayedOpen.push_back(!pressOk(add, setup));
            messages.push_back(answerMessageBox(IDOK));
        }
        typeOctets(add, L"10", L"1", L"2", L"3");
        stayedOpen.push_back(!pressOk(add, setup));
        fileAfterSecond = readListFile();
        rowsAfterAdds = rowTexts(listOf(setup));

        // Third: an icon picked, then the dialog closed: nothing is added.
        clickButton(setup, kAdd);
        add = waitForDialog(kAddCaption);
        if (add == nullptr)
            return;
        setSelected(GetDlgItem(add, kIcons), 5, true);
        SetDlgItemTextW(add, kDescription, L"Never");
        typeOctets(add, L"10", L"9", L"9", L"9");
        clickButton(add, IDCANCEL);
        waitForWindowGone(add);
        settle(setup);
        fileAfterCancel = readListFile();
        rowsAfterCancel = rowTexts(listOf(setup));
        clickButton(setup, IDOK);
    });

    EXPECT_EQ(messages, (std::vector<std::wstring>{kNoDescription, kNoDescription,
                                                   kDescriptionExists, kDescriptionExists,
                                                   kNotAnAddress, kNotAnAddress, kNotAnAddress}));
    EXPECT_EQ(stayedOpen,
              (std::vector<bool>{true, true, false, true, true, true, true, true, false}));
    CdpdAddress first = entry(addressOf(10, 1, 8, 3), "Van", 3, 0, 1);
    CdpdAddress second = entry(addressOf(10, 1, 2, 3), "van");
    EXPECT_EQ(fileAfterFirst, listBytes({first}, 0, 0)) << "a list never loaded has header 0, 0";
    EXPECT_EQ(fileAfterSecond, listBytes({first, second}, 0, 0));
    EXPECT_EQ(rowsAfterAdds,
              (std::vector<std::wstring>{L"10.1.8.3, Van, 0.0, 0", L"10.1.2.3, van, 0.0, 0"}));
    EXPECT_EQ(fileAfterCancel, fileAfterSecond);
    EXPECT_EQ(rowsAfterCancel, rowsAfterAdds);
    EXPECT_EQ(readListFile(), fileAfterSecond) << "Exit stores the unticked boxes as 0";
}

TEST_F(CdpdDialogs, AddIsRefusedWhenTheListHoldsFifty) {
    std::vector<CdpdAddress> full;
    for (int i = 0; i < 50; ++i)
        full.push_back(
            entry(addressOf(10, 0, 0, static_cast<uint8_t>(i)), ("E" + std::to_string(i)).c_str()));
    std::string bytes = listBytes(full);
    writeListFile(bytes);
    load();
    std::wstring message;
    bool addOpened = true;
    int shownRows = 0;
    std::string fileAfterAdd;
    runSetup([&](HWND setup) {
        shownRows = static_cast<int>(rowTexts(listOf(setup)).size());
        clickButton(setup, kAdd);
        message = answerMessageBox(IDOK);
        addOpened = waitForDialog(kAddCaption, 500) != nullptr;
        settle(setup);
        fileAfterAdd = readListFile();
        clickButton(setup, IDOK);
    });
    EXPECT_EQ(shownRows, 50);
    EXPECT_EQ(message, kListFull);
    EXPECT_FALSE(addOpened);
    EXPECT_EQ(fileAfterAdd, bytes);
    EXPECT_EQ(readListFile(), bytes);
}

TEST_F(CdpdDialogs, ModifyEditsTheEntryChosenInItsComboBoxAndKeepsPickedIcons) {
    CdpdAddress brim = entry(addressOf(10, 0, 0, 1), "", 1, 1);
    std::memset(brim.description, 'x', sizeof brim.description); // no terminator
    brim.frequency = 2.5f;
    brim.resolution = 100;
    CdpdAddress depot = entry(addressOf(10, 0, 0, 2), "Modem at the depot", 2, 0, 1);
    depot.frequency = 1.0f;
    depot.resolution = 50;
    CdpdAddress odd = entry(addressOf(10, 0, 0, 3), "C", 9); // an icon no picker gives
    writeListFile(listBytes({brim, depot, odd}));
    load();

    std::vector<std::wstring> shownRows, rowsAfterOk, comboTexts;
    std::vector<std::wstring> opened, switched;
    int oddImage = -1;
    bool okClosed = false, cancelClosed = false;
    std::string fileAfterOk, fileAfterCancel;
    auto fields = [](HWND modify) {
        return std::vector<std::wstring>{
            controlText(modify, kDescription), controlText(modify, kFrequency),
            controlText(modify, kResolution),
            IsDlgButtonChecked(modify, kModifyModem) == BST_CHECKED ? L"modem" : L"device"};
    };
    runSetup([&](HWND setup) {
        shownRows = rowTexts(listOf(setup));
        oddImage = rowImage(listOf(setup), 2);
        saveWindowPng(setup, screenshotPath(L"dialog-104-cdpd-setup.png").c_str());

        clickButton(setup, kModify); // row 0 is selected when the dialog opens
        HWND modify = waitForDialog(kModifyCaption);
        if (modify == nullptr)
            return;
        saveWindowPng(modify, screenshotPath(L"dialog-106-cdpd-modify.png").c_str());
        opened = fields(modify);
        for (int i = 0; i < 3; ++i) {
            wchar_t text[32] = {};
            SendDlgItemMessageW(modify, kAddresses, CB_GETLBTEXT, i,
                                reinterpret_cast<LPARAM>(text));
            comboTexts.push_back(text);
        }
        SendDlgItemMessageW(modify, kAddresses, CB_SETCURSEL, 1, 0);
        command(modify, kAddresses, CBN_SELCHANGE);
        switched = fields(modify);
        setSelected(GetDlgItem(modify, kIcons), 4, true);
        setSelected(GetDlgItem(modify, kIcons), -1, false);
        SetDlgItemTextW(modify, kDescription, L"Truck 9");
        SetDlgItemTextW(modify, kFrequency, L"2.25");
        SetDlgItemTextW(modify, kResolution, L"150.9");
        SendDlgItemMessageW(modify, kModifyModem, BM_CLICK, 0, 0);
        okClosed = pressOk(modify, setup);
        fileAfterOk = readListFile();
        rowsAfterOk = rowTexts(listOf(setup));

        // Cancel keeps the icon picked meanwhile and nothing else.
        clickButton(setup, kModify);
        modify = waitForDialog(kModifyCaption);
        if (modify == nullptr)
            return;
        setSelected(GetDlgItem(modify, kIcons), 2, true);
        SetDlgItemTextW(modify, kDescription, L"Gone");
        clickButton(modify, IDCANCEL);
        cancelClosed = waitForWindowGone(modify);
        settle(setup);
        fileAfterCancel = readListFile();
        clickButton(setup, IDOK);
    });

    std::wstring fiftyTwo(52, L'x');
    EXPECT_EQ(shownRows, (std::vector<std::wstring>{L"10.0.0.1, " + fiftyTwo + L", 2.5, 100",
                                                    L"10.0.0.2, Modem at the depot, 1.0, 50",
                                                    L"10.0.0.3, C, 0.0, 0"}));
    EXPECT_EQ(oddImage, 0) << "icon index 9 is shown as icon 0";
    EXPECT_EQ(comboTexts, (std::vector<std::wstring>{L"10.0.0.1", L"10.0.0.2", L"10.0.0.3"}));
    EXPECT_EQ(opened, (std::vector<std::wstring>{fiftyTwo, L"2.5", L"100", L"device"}));
    EXPECT_EQ(switched,
              (std::vector<std::wstring>{L"Modem at the depot", L"1.0", L"50", L"modem"}));
    EXPECT_TRUE(okClosed);
    CdpdAddress modified = entry(addressOf(10, 0, 0, 2), "Truck 9", 4, 0, 0);
    modified.frequency = 2.25f;
    modified.resolution = 150;
    EXPECT_EQ(fileAfterOk, listBytes({brim, modified, odd}))
        << "only entry 1 changes, and nothing of its old description stays behind";
    ASSERT_EQ(rowsAfterOk.size(), 3u);
    EXPECT_EQ(rowsAfterOk[1], L"10.0.0.2, Truck 9, 2.2, 150");
    EXPECT_TRUE(cancelClosed);
    CdpdAddress repainted = brim;
    repainted.iconIndex = 2;
    EXPECT_EQ(fileAfterCancel, listBytes({repainted, modified, odd}));
}

TEST_F(CdpdDialogs, DeleteRemovesTheFirstSelectedRowOnlyAfterYes) {
    CdpdAddress a = entry(addressOf(10, 0, 0, 1), "A"), b = entry(addressOf(10, 0, 0, 2), "B"),
                c = entry(addressOf(10, 0, 0, 3), "C");
    std::string bytes = listBytes({a, b, c});
    writeListFile(bytes);
    load();
    auto imageCount = reinterpret_cast<int(WINAPI*)(HIMAGELIST)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "ImageList_GetImageCount")));
    ASSERT_NE(imageCount, nullptr);

    std::wstring question;
    std::string fileAfterNo, fileAfterYes, fileAfterNoSelection;
    std::vector<std::wstring> rowsAfterYes;
    int oldImages = -1, newImages = -1;
    runSetup([&](HWND setup) {
        setSelected(GetDlgItem(setup, kList), 0, false);
        setSelected(GetDlgItem(setup, kList), 2, true);
        setSelected(GetDlgItem(setup, kList), 1, true);
        clickButton(setup, kDelete);
        question = answerMessageBox(IDNO);
        settle(setup);
        fileAfterNo = readListFile();

        auto replaced = reinterpret_cast<HIMAGELIST>(
            SendDlgItemMessageW(setup, kList, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        clickButton(setup, kDelete);
        answerMessageBox(IDYES);
        settle(setup);
        fileAfterYes = readListFile();
        rowsAfterYes = rowTexts(listOf(setup));
        oldImages = imageCount(replaced);
        newImages = imageCount(reinterpret_cast<HIMAGELIST>(
            SendDlgItemMessageW(setup, kList, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));

        setSelected(GetDlgItem(setup, kList), -1, false);
        clickButton(setup, kDelete);
        answerMessageBox(IDYES);
        settle(setup);
        fileAfterNoSelection = readListFile();
        clickButton(setup, IDOK);
    });
    EXPECT_EQ(question, kDeleteQuestion);
    EXPECT_EQ(fileAfterNo, bytes);
    EXPECT_EQ(fileAfterYes, listBytes({a, c}));
    EXPECT_EQ(rowsAfterYes,
              (std::vector<std::wstring>{L"10.0.0.1, A, 0.0, 0", L"10.0.0.3, C, 0.0, 0"}));
    EXPECT_EQ(oldImages, 0) << "the image list a refill replaces is destroyed";
    EXPECT_EQ(newImages, 6);
    EXPECT_EQ(fileAfterNoSelection, listBytes({a, c}));
}

// Saves that cannot replace \Windows\zqCDPD, its folder read-only: the old file stays whole, no
// box is shown, and the edit stays in memory for the next save once the folder is writable.
TEST_F(CdpdDialogs, SavesIntoAReadOnlyFolderKeepTheOldFileAndTheEditForTheNextSave) {
    if (std::getenv("LORVANE_READ_ONLY_LISTS") == nullptr)
        GTEST_SKIP() << "needs tests/wine/read_only_lists.sh";
    CdpdAddress van = entry(addressOf(10, 0, 0, 1), "Van"),
                truck = entry(addressOf(10, 0, 0, 2), "Truck");
    const std::string before = listBytes({van, truck});
    writeListFile(before);
    load();
    ReadOnlyListSaves saves = deleteWhileTheListFolderIsReadOnly(
        [this](const std::function<void(HWND)>& actions) { runSetup(actions); }, kList, kDelete, 0,
        L"", kListPath);
    ASSERT_TRUE(saves.readOnly && saves.writableAgain) << "the script did not remount the folder";
    EXPECT_EQ(saves.question, kDeleteQuestion);
    EXPECT_EQ(saves.box, kNoBox);
    EXPECT_EQ(saves.afterDelete, before);
    EXPECT_EQ(saves.afterExit, before);
    EXPECT_EQ(saves.leftBeside, "(none)");
    EXPECT_EQ(saves.rowsReopened, std::vector<std::wstring>{L"10.0.0.2, Truck, 0.0, 0"});
    EXPECT_EQ(saves.afterNextExit, listBytes({truck}));
}

TEST_F(CdpdDialogs, TickBoxesAreStoredOnExitAndNotOnSendPosit) {
    std::vector<CdpdAddress> list = {
        entry(addressOf(10, 0, 0, 1), "off", 0, 0), entry(addressOf(10, 0, 0, 2), "five", 0, 5),
        entry(addressOf(10, 0, 0, 3), "minus", 0, -1), entry(addressOf(10, 0, 0, 4), "on", 0, 1)};
    std::string bytes = listBytes(list);
    writeListFile(bytes);
    load();
    auto tickAndLeave = [](HWND setup, int button) {
        setStateImage(listOf(setup), 0, 2);
        setStateImage(listOf(setup), 1, 1);
        setStateImage(listOf(setup), 2, 0); // no box at all
        clickButton(setup, button);
        waitForWindowGone(setup);
    };
    std::vector<int> shown, shownAgain;
    runSetup([&](HWND setup) {
        for (int i = 0; i < 4; ++i)
            shown.push_back(stateImage(listOf(setup), i));
        tickAndLeave(setup, kSendPosit); // no fix: nothing sent, and the dialog closes
    });
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(readListFile(), bytes) << "Send Posit stores no tick box and saves nothing";

    runSetup([&](HWND setup) {
        for (int i = 0; i < 4; ++i)
            shownAgain.push_back(stateImage(listOf(setup), i));
        tickAndLeave(setup, IDOK);
    });
    EXPECT_EQ(shownAgain, shown);
    list[0].enabled = 1;
    list[1].enabled = 0;
    list[2].enabled = 0;
    EXPECT_EQ(readListFile(), listBytes(list));
}

// A UDP socket at 127.0.0.1:6000, where a modem listed at 127.0.0.1 is queried.
SOCKET openModemPort() {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(6000);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s != INVALID_SOCKET && bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

TEST_F(CdpdDialogs, QueryAsksTheSelectedModemAndNothingHappensWithoutAnEntry) {
    std::vector<CdpdAddress> list = {entry(addressOf(10, 0, 0, 1), "device"),
                                     entry(addressOf(127, 0, 0, 1), "modem", 0, 0, 1)};
    std::string bytes = listBytes(list);
    writeListFile(bytes);
    SOCKET modem = openModemPort();
    ASSERT_NE(modem, INVALID_SOCKET) << "port 6000 is taken: error " << WSAGetLastError();
    load();
    char datagram[256];
    sockaddr_in from{};
    int unselectedSent = 0;
    bool stayedOpen = false, modifyOpened = true;
    runSetup([&](HWND setup) {
        setSelected(GetDlgItem(setup, kList), -1, false);
        command(setup, kQuery);
        command(setup, kSendPosit);
        unselectedSent = receiveWithin(modem, datagram, sizeof datagram, 500, &from);
        clickButton(setup, kModify);
        modifyOpened = waitForDialog(kModifyCaption, 500) != nullptr;
        stayedOpen = IsWindow(setup) != FALSE;
        setSelected(GetDlgItem(setup, kList), 1, true);
        clickButton(setup, kQuery);
        waitForWindowGone(setup);
    });
    EXPECT_EQ(unselectedSent, -1);
    EXPECT_FALSE(modifyOpened);
    EXPECT_TRUE(stayedOpen);
    int n = receiveWithin(modem, datagram, sizeof datagram, 2000, &from);
    ASSERT_EQ(n, 24) << "the modem query";
    EXPECT_EQ(std::string(datagram, 24), std::string("U") + std::string(23, '\0'));
    EXPECT_EQ(ntohs(from.sin_port), 28695) << "sent from the module's endpoint";
    EXPECT_EQ(readListFile(), bytes) << "Query saves nothing";
    closesocket(modem);
}

TEST_F(CdpdDialogs, ASelectionLeftBeyondAnEmptyListNamesNoEntry) {
    std::string bytes = listBytes({entry(addressOf(127, 0, 0, 1), "modem", 0, 0, 1)});
    writeListFile(bytes);
    SOCKET modem = openModemPort();
    ASSERT_NE(modem, INVALID_SOCKET) << "port 6000 is taken: error " << WSAGetLastError();
    load();
    char datagram[256];
    sockaddr_in from{};
    int sent = 0;
    bool modifyOpened = true, stayedOpen = false;
    runSetup([&](HWND setup) {
        clickButton(setup, kDelete);
        answerMessageBox(IDYES);
        settle(setup); // the list is empty; the selection may still say 0
        command(setup, kQuery);
        command(setup, kSendPosit);
        sent = receiveWithin(modem, datagram, sizeof datagram, 500, &from);
        clickButton(setup, kModify);
        modifyOpened = waitForDialog(kModifyCaption, 500) != nullptr;
        stayedOpen = IsWindow(setup) != FALSE;
        clickButton(setup, IDOK);
    });
    EXPECT_EQ(sent, -1);
    EXPECT_FALSE(modifyOpened);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(readListFile(), listBytes({}));
    closesocket(modem);
}

} // namespace
