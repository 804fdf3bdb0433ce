// The 3G setup dialogs of the real module (108 the target list, 107 add, 109 modify), driven under
// Xvfb from a thread of the test the way a user would: rows read back, rows tapped, texts typed,
// buttons clicked, message boxes answered. The list file is read after each change.
//
// What the module sends is seen at its own call of sendto: the test puts a recorder in the
// module's import table. A socket of the test cannot see it, as the server is 127.0.0.1 and the
// server's port, 28695, is the module's own.
#include <gtest/gtest.h>

#include "tests/wine/module_fixture.h"  // windows.h before commctrl.h
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/window_png.h"
#include "threeg/threeg_target.h"
#include "module/export_names.h"

namespace {

// Dialog 108
constexpr int kAdd = 1006, kList = 1007, kDelete = 1008, kModify = 1009, kQuery = 1010,
              kAccount = 1023, kSendPosit = 1025;
// Dialogs 107 and 109
constexpr int kPreview = 1005, kIcons = 1007, kId = 1010, kDescription = 1016, kIds = 1021,
              kFrequency = 1022, kResolution = 1023, kSuffixHelp = 1008;

const wchar_t kListFile[] = L"L:\\Windows\\zq3GTrack";

// ---- what the module sends

struct Datagram {
    std::string bytes;
    sockaddr_in to;
};

std::mutex sentLock;
std::vector<Datagram> sentByModule;
decltype(&sendto) realSendTo = nullptr;

int WSAAPI recordSendTo(SOCKET s, const char* bytes, int length, int flags, const sockaddr* to,
                        int toLength) {
    {
        std::lock_guard<std::mutex> hold(sentLock);
        Datagram d{std::string(bytes, length), {}};
        if (to != nullptr && toLength >= static_cast<int>(sizeof d.to))
            std::memcpy(&d.to, to, sizeof d.to);
        sentByModule.push_back(d);
    }
    return realSendTo(s, bytes, length, flags, to, toLength);
}

// Puts recordSendTo in the place of ws2_32's sendto in the import table of `module`.
bool recordSendsOf(HMODULE module) {
    realSendTo = reinterpret_cast<decltype(&sendto)>(replaceImport(
        module, "ws2_32.dll", "sendto", reinterpret_cast<void*>(&recordSendTo)));
    return realSendTo != nullptr;
}

std::vector<Datagram> sent() {
    std::lock_guard<std::mutex> hold(sentLock);
    return sentByModule;
}

// ---- the list file

ThreeGTarget target(const wchar_t* id, const char* description, float frequency,
                    int32_t resolution, int32_t icon, int32_t enabled) {
    ThreeGTarget t{};
    std::memcpy(t.targetId, id, std::wcslen(id) * 2);
    std::memcpy(t.description, description, std::strlen(description));
    t.frequency = frequency;
    t.resolution = resolution;
    t.iconIndex = icon;
    t.enabled = enabled;
    return t;
}

std::string recordBytes(const ThreeGTarget& t) {
    return std::string(reinterpret_cast<const char*>(&t), sizeof t);
}

std::string listBytes(const std::vector<ThreeGTarget>& targets) {
    int32_t count = static_cast<int32_t>(targets.size());
    std::string bytes(reinterpret_cast<const char*>(&count), 4);
    for (const ThreeGTarget& t : targets)
        bytes += recordBytes(t);
    return bytes;
}

void writeListFile(const std::string& bytes) { writeFileBytes(kListFile, bytes); }

// The file's bytes, or "(none)" when there is no file.
std::string listFileBytes() { return fileBytes(kListFile); }

// Three targets: the second with an icon index no icon has and an ID that fills its field with
// no terminator, the third with a description that fills its field likewise.
std::vector<ThreeGTarget> threeTargets() {
    ThreeGTarget first = target(L"T100", "Truck 7", 1.5f, 200, 1, 1);
    first.lastLongitude = 11;
    first.lastLatitude = 12;
    ThreeGTarget second = target(L"", "Van", 0.5f, -40, 9, 0);
    for (char16_t& unit : second.targetId)
        unit = u'Q';
    ThreeGTarget third = target(L"T300", "", 2.0f, 5, 5, 0);
    std::memset(third.description, 'W', sizeof third.description);
    return {first, second, third};
}

const std::wstring kRows[] = {L"Truck 7, T100, 1.5, 200",
                              L"Van, " + std::wstring(16, L'Q') + L", 0.5, -40",
                              std::wstring(64, L'W') + L", T300, 2.0, 5"};

// Answers the next "Orlisk GPS" box with `button` and gives its text; kNoBox when none came.
std::wstring answerMessageBox(int button = IDOK, DWORD timeoutMs = 5000) {
    return ::answerMessageBox(L"Orlisk GPS", button, timeoutMs);
}

HICON previewIcon(HWND dialog) {
    return reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, kPreview, STM_GETICON, 0, 0));
}

bool iconAlive(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

// The number of images of an image list, 0 once it is destroyed.
int imageCount(HIMAGELIST images) {
    using Count = int(WINAPI*)(HIMAGELIST);
    auto count = reinterpret_cast<Count>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "ImageList_GetImageCount")));
    return count(images);
}

class ThreeGSetupDialogs : public ModuleFixture {
  protected:
    void SetUp() override {
        ModuleFixture::SetUp();
        writeSettingText(L"QVServerName", L"localhost", 512);  // the server is 127.0.0.1
        DeleteFileW(kListFile);
        std::lock_guard<std::mutex> hold(sentLock);
        sentByModule.clear();
    }
    void load(const std::vector<ThreeGTarget>& targets) {
        writeListFile(listBytes(targets));
        loadModule();
        ASSERT_TRUE(recordSendsOf(module));
    }
    // Runs ThreeGIni on this thread while `actions` play the user on another. Whatever the
    // actions leave open is closed, so a failed step cannot hang the test.
    void runSetup(std::function<void(HWND dialog, HWND list)> actions) {
        auto threeGIni = exported<void (*)(void*)>(kExportThreeGIni);
        ASSERT_NE(threeGIni, nullptr);
        meanwhile([actions] {
            HWND dialog = waitForDialog(L"Lorvane Setup");
            if (dialog != nullptr)
                actions(dialog, GetDlgItem(dialog, kList));
            for (const std::wstring& left :
                 cancelLeftOpen({L"Orlisk GPS", L"Lorvane ID Setup", L"Modify Trackee Info",
                                 L"Lorvane Account Setup", L"Lorvane Setup"}))
                ADD_FAILURE() << "left open: " << testing::PrintToString(left);
        });
        threeGIni(nullptr);
        user.join();
    }
};

TEST_F(ThreeGSetupDialogs, ListsTheTargetsAndQueriesTheTappedOneWithoutSaving) {
    load(threeTargets());
    std::vector<std::wstring> rows;
    std::vector<int> images, stateImages;
    int selectedAtOpening = -2;
    runSetup([&](HWND dialog, HWND list) {
        saveWindowPng(dialog, screenshotPath(L"dialog-108-3g-setup.png").c_str());
        rows = rowTexts(list);
        images = rowImages(list);
        for (int i = 0; i < 3; ++i)
            stateImages.push_back(stateImage(list, i));
        selectedAtOpening = firstSelected(list);
        DeleteFileW(kListFile);  // a save would bring it back
        tapRow(list, 2);
        clickButton(dialog, kQuery);
        EXPECT_TRUE(waitForWindowGone(dialog)) << "Query closes the dialog";
    });
    EXPECT_EQ(rows, std::vector<std::wstring>(std::begin(kRows), std::end(kRows)));
    EXPECT_EQ(images, (std::vector<int>{1, 0, 5})) << "icon 9 is no icon: shown as the first";
    EXPECT_EQ(stateImages, (std::vector<int>{2, 1, 1})) << "`enabled` as the rows' state images";
    EXPECT_EQ(selectedAtOpening, 0);

    std::vector<Datagram> queries = sent();
    ASSERT_EQ(queries.size(), 1u);
    std::string expected(24, '\0');
    expected[0] = 'm';
    expected.replace(8, 4, "T300");
    EXPECT_EQ(queries[0].bytes, expected);
    EXPECT_EQ(queries[0].to.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ntohs(queries[0].to.sin_port), 28695);
    EXPECT_EQ(listFileBytes(), "(none)") << "Query does not save";
}

// No row selected: Query and Modify do nothing; Delete still asks, and a Yes saves and refills,
// destroying the image list the refill replaces.
TEST_F(ThreeGSetupDialogs, WithNoRowSelectedQueryAndModifyDoNothing) {
    load(threeTargets());
    bool stayedOpen = false, modifyShown = true, oldImagesGone = false;
    int newImages = 0, selectedAfterRefill = -2;
    std::wstring question;
    std::string savedByDelete;
    runSetup([&](HWND dialog, HWND list) {
        setSelected(list, -1, false);
        clickButton(dialog, kQuery);
        settle(dialog);
        clickButton(dialog, kModify);
        modifyShown = waitForDialog(L"Modify Trackee Info", 500) != nullptr;
        stayedOpen = IsWindow(dialog) != FALSE;

        DeleteFileW(kListFile);
        auto before = reinterpret_cast<HIMAGELIST>(
            SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        clickButton(dialog, kDelete);
        question = answerMessageBox(IDYES);
        settle(dialog);
        savedByDelete = listFileBytes();
        auto after = reinterpret_cast<HIMAGELIST>(
            SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        oldImagesGone = after != before && imageCount(before) == 0;
        newImages = imageCount(after);
        selectedAfterRefill = firstSelected(list);
        clickButton(dialog, IDOK);
        waitForWindowGone(dialog);
    });
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(modifyShown);
    EXPECT_EQ(question, L"Remove this target?");
    EXPECT_EQ(savedByDelete, listBytes(threeTargets())) << "nothing removed, but saved";
    EXPECT_TRUE(oldImagesGone) << "the replaced image list was not destroyed";
    EXPECT_EQ(newImages, 6);
    EXPECT_EQ(selectedAfterRefill, 0);
    EXPECT_EQ(listFileBytes(), listBytes(threeTargets())) << "Exit saves";
}

TEST_F(ThreeGSetupDialogs, DeleteRemovesTheFirstSelectedRowOnYesDownToAnEmptyList) {
    std::vector<ThreeGTarget> targets = threeTargets();
    load(targets);
    std::wstring answeredNo;
    std::string afterNo, afterMiddle, afterAll;
    std::vector<std::wstring> rows;
    int selected = -2;
    bool queriedEmpty = true;
    runSetup([&](HWND dialog, HWND list) {
        DeleteFileW(kListFile);
        tapRow(list, 1);
        clickButton(dialog, kDelete);
        answeredNo = answerMessageBox(IDNO);
        settle(dialog);
        afterNo = listFileBytes();

        clickButton(dialog, kDelete);
        answerMessageBox(IDYES);
        settle(dialog);
        afterMiddle = listFileBytes();
        rows = rowTexts(list);
        selected = firstSelected(list);

        for (int i = 0; i < 2; ++i) {
            clickButton(dialog, kDelete);
            answerMessageBox(IDYES);
            settle(dialog);
        }
        afterAll = listFileBytes();
        clickButton(dialog, kQuery);  // the selection names no target now
        settle(dialog);
        queriedEmpty = !IsWindow(dialog) || !sent().empty();
        clickButton(dialog, IDOK);
        waitForWindowGone(dialog);
    });
    EXPECT_EQ(answeredNo, L"Remove this target?");
    EXPECT_EQ(afterNo, "(none)") << "No changes and saves nothing";
    EXPECT_EQ(afterMiddle.size(), 244u);
    EXPECT_EQ(afterMiddle, listBytes({targets[0], targets[2]}));
    EXPECT_EQ(rows, (std::vector<std::wstring>{kRows[0], kRows[2]}));
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(afterAll, std::string(4, '\0'));
    EXPECT_FALSE(queriedEmpty) << "Query on an empty list sent something or closed the dialog";
}

// Saves that cannot replace \Windows\zq3GTrack, its folder read-only: the old file stays whole,
// no box is shown, and the edit stays in memory for the next save once the folder is writable.
TEST_F(ThreeGSetupDialogs, SavesIntoAReadOnlyFolderKeepTheOldFileAndTheEditForTheNextSave) {
    if (std::getenv("LORVANE_READ_ONLY_LISTS") == nullptr)
        GTEST_SKIP() << "needs tests/wine/read_only_lists.sh";
    std::vector<ThreeGTarget> targets = threeTargets();
    load(targets);
    ReadOnlyListSaves saves = deleteWhileTheListFolderIsReadOnly(
        [this](const std::function<void(HWND)>& actions) {
            runSetup([&](HWND dialog, HWND) { actions(dialog); });
        },
        kList, kDelete, 1, L"Orlisk GPS", kListFile);
    ASSERT_TRUE(saves.readOnly && saves.writableAgain) << "the script did not remount the folder";
    EXPECT_EQ(saves.question, L"Remove this target?");
    EXPECT_EQ(saves.box, kNoBox);
    EXPECT_EQ(saves.afterDelete, listBytes(targets));
    EXPECT_EQ(saves.afterExit, listBytes(targets));
    EXPECT_EQ(saves.leftBeside, "(none)");
    EXPECT_EQ(saves.rowsReopened, (std::vector<std::wstring>{kRows[0], kRows[2]}));
    EXPECT_EQ(saves.afterNextExit, listBytes({targets[0], targets[2]}));
}

TEST_F(ThreeGSetupDialogs, AddRefusesDescriptionsStoredEmptyOrTakenAndAppendsAZeroedRecord) {
    std::vector<ThreeGTarget> targets = threeTargets();
    load(targets);
    std::vector<std::wstring> refusals;
    bool firstPreviewDestroyed = false, clearedPickKept = false, previewChanged = false;
    std::vector<std::wstring> rows;
    std::vector<int> images;
    runSetup([&](HWND dialog, HWND list) {
        clickButton(dialog, kAdd);
        HWND add = waitForDialog(L"Lorvane ID Setup");
        if (add == nullptr)
            return;
        saveWindowPng(add, screenshotPath(L"dialog-107-3g-add-target.png").c_str());
        SetDlgItemTextW(add, kId, L"T9");
        for (const wchar_t* description : {L"", L"\x0100" L"abc", L"Va\x016E"}) {
            SetDlgItemTextW(add, kDescription, description);  // "", "" and "Van" as stored
            clickButton(add, IDOK);
            refusals.push_back(answerMessageBox());
        }
        HICON first = previewIcon(add);
        HWND icons = GetDlgItem(add, kIcons);
        tapRow(icons, 3);
        HICON picked = previewIcon(add);
        previewChanged = picked != nullptr && picked != first;
        firstPreviewDestroyed = !iconAlive(first);
        setSelected(icons, -1, false);  // a tap beside the icons
        clearedPickKept = previewIcon(add) == picked && iconAlive(picked);
        SetDlgItemTextW(add, kDescription, L"van");  // differs from "Van" in case only
        clickButton(add, IDOK);
        EXPECT_TRUE(waitForWindowGone(add));
        settle(dialog);
        rows = rowTexts(list);
        images = rowImages(list);
        clickButton(dialog, IDOK);
        waitForWindowGone(dialog);
    });
    EXPECT_EQ(refusals, (std::vector<std::wstring>{
                            L"Please give the target a description.",
                            L"Please give the target a description.",
                            L"Description already exists. Try another one please"}));
    EXPECT_TRUE(previewChanged);
    EXPECT_TRUE(firstPreviewDestroyed) << "the replaced preview icon was not destroyed";
    EXPECT_TRUE(clearedPickKept);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3], L"van, T9, 0.0, 0");
    EXPECT_EQ(images[3], 3);
    targets.push_back(target(L"T9", "van", 0.0f, 0, 3, 0));
    EXPECT_EQ(listFileBytes(), listBytes(targets));
}

TEST_F(ThreeGSetupDialogs, AddOnAFullListIsRefusedAndChangesNothing) {
    std::vector<ThreeGTarget> targets;
    for (int i = 0; i < 25; ++i) {
        std::string description = "Target " + std::to_string(i);
        targets.push_back(target(L"T", description.c_str(), 1.0f, i, i % 6, 0));
    }
    load(targets);
    std::wstring refusal;
    bool addShown = true;
    std::string afterRefusal;
    size_t rowCount = 0;
    runSetup([&](HWND dialog, HWND list) {
        DeleteFileW(kListFile);
        clickButton(dialog, kAdd);
        refusal = answerMessageBox();
        addShown = waitForDialog(L"Lorvane ID Setup", 300) != nullptr;
        settle(dialog);
        afterRefusal = listFileBytes();
        rowCount = rowTexts(list).size();
        clickButton(dialog, IDOK);
        waitForWindowGone(dialog);
    });
    EXPECT_EQ(refusal, L"The list holds 25 targets, as many as it can. Delete one first.");
    EXPECT_FALSE(addShown);
    EXPECT_EQ(afterRefusal, "(none)") << "the refusal saved";
    EXPECT_EQ(rowCount, 25u);
    EXPECT_EQ(listFileBytes(), listBytes(targets));
}

TEST_F(ThreeGSetupDialogs, ModifyChangesTheTargetChosenInTheComboBoxAndKeepsIconPicks) {
    std::vector<ThreeGTarget> targets = threeTargets();
    load(targets);
    std::vector<std::wstring> ids, shownAtOpening, shownAfterSwitch;
    int chosenAtOpening = -2;
    HICON previewBeforeSwitch = nullptr, previewAfterSwitch = nullptr;
    std::wstring suffixHelp;
    std::string afterOk;
    std::vector<std::wstring> rows;
    std::vector<int> images;
    int selected = -2;
    auto fields = [](HWND modify) {
        return std::vector<std::wstring>{controlText(modify, kDescription),
                                         controlText(modify, kFrequency),
                                         controlText(modify, kResolution)};
    };
    runSetup([&](HWND dialog, HWND list) {
        clickButton(dialog, kModify);
        HWND modify = waitForDialog(L"Modify Trackee Info");
        if (modify == nullptr)
            return;
        saveWindowPng(modify, screenshotPath(L"dialog-109-3g-modify-target.png").c_str());
        HWND box = GetDlgItem(modify, kIds);
        for (int i = 0; i < static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0)); ++i) {
            wchar_t id[64] = {};
            SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(id));
            ids.push_back(id);
        }
        chosenAtOpening = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
        shownAtOpening = fields(modify);
        PostMessageW(modify, WM_COMMAND, kSuffixHelp, 0);
        suffixHelp = answerMessageBox();

        previewBeforeSwitch = previewIcon(modify);
        SendMessageW(box, CB_SETCURSEL, 1, 0);
        SendMessageW(modify, WM_COMMAND, MAKEWPARAM(kIds, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
        shownAfterSwitch = fields(modify);
        previewAfterSwitch = previewIcon(modify);
        HWND icons = GetDlgItem(modify, kIcons);
        tapRow(icons, 4);
        setSelected(icons, -1, false);  // cleared: icon 4 stays
        SetDlgItemTextW(modify, kDescription, std::wstring(40, L'n').c_str());
        SetDlgItemTextW(modify, kFrequency, L"2.55");
        SetDlgItemTextW(modify, kResolution, L"-12.9");
        clickButton(modify, IDOK);
        EXPECT_TRUE(waitForWindowGone(modify));
        settle(dialog);
        afterOk = listFileBytes();
        rows = rowTexts(list);
        images = rowImages(list);
        selected = firstSelected(list);

        clickButton(dialog, kModify);  // on row 0 again: an icon pick, then Cancel
        modify = waitForDialog(L"Modify Trackee Info");
        if (modify == nullptr)
            return;
        tapRow(GetDlgItem(modify, kIcons), 2);
        clickButton(modify, IDCANCEL);
        EXPECT_TRUE(waitForWindowGone(modify));
        settle(dialog);
        clickButton(dialog, IDOK);
        waitForWindowGone(dialog);
    });
    EXPECT_EQ(ids, (std::vector<std::wstring>{L"T100", std::wstring(16, L'Q'), L"T300"}));
    EXPECT_EQ(chosenAtOpening, 0);
    EXPECT_EQ(shownAtOpening, (std::vector<std::wstring>{L"Truck 7", L"1.5", L"200"}));
    EXPECT_EQ(suffixHelp, L"/t is for Time,\n/s is for Speed\n/a is for Altitude.");
    EXPECT_EQ(shownAfterSwitch, (std::vector<std::wstring>{L"Van", L"0.5", L"-40"}));
    // Another target chosen leaves the preview as it was: the first target's icon.
    EXPECT_NE(previewBeforeSwitch, nullptr);
    EXPECT_EQ(previewAfterSwitch, previewBeforeSwitch);

    ThreeGTarget& changed = targets[1];
    std::memset(changed.description, 0, sizeof changed.description);
    std::memset(changed.description, 'n', 29);
    changed.frequency = 2.55f;
    changed.resolution = -12;
    changed.iconIndex = 4;
    EXPECT_EQ(afterOk, listBytes(targets));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], std::wstring(29, L'n') + L", " + std::wstring(16, L'Q') + L", 2.5, -12");
    EXPECT_EQ(images[1], 4);
    EXPECT_EQ(selected, 0);

    targets[0].iconIndex = 2;  // a pick is kept by a Cancel
    EXPECT_EQ(listFileBytes(), listBytes(targets));
}

// The account dialog runs over the setup dialog, from "ID" and from "&Send Posit" without an
// account; "&Send Posit" then ends the setup dialog without a save. The driver has no fix here,
// so no own report goes out.
TEST_F(ThreeGSetupDialogs, IdAndSendPositOpenTheAccountDialogOverTheSetupDialog) {
    load(threeTargets());
    HWND ownerFromId = nullptr, ownerFromSendPosit = nullptr, setup = nullptr;
    bool stayedOpen = false, closedBySendPosit = false;
    runSetup([&](HWND dialog, HWND) {
        setup = dialog;
        DeleteFileW(kListFile);
        clickButton(dialog, kAccount);
        if (HWND account = waitForDialog(L"Lorvane Account Setup")) {
            ownerFromId = GetWindow(account, GW_OWNER);
            clickButton(account, IDCANCEL);
            waitForWindowGone(account);
        }
        settle(dialog);
        stayedOpen = IsWindow(dialog) != FALSE;
        clickButton(dialog, kSendPosit);
        if (HWND account = waitForDialog(L"Lorvane Account Setup")) {
            ownerFromSendPosit = GetWindow(account, GW_OWNER);
            SetDlgItemTextW(account, 1010, L"abc");
            clickButton(account, IDOK);
            waitForWindowGone(account);
        }
        closedBySendPosit = waitForWindowGone(dialog);
    });
    EXPECT_EQ(ownerFromId, setup);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(ownerFromSendPosit, setup);
    EXPECT_TRUE(closedBySendPosit);
    EXPECT_EQ(readSettingBytes(L"QVID").substr(0, 8), std::string("a\0b\0c\0\0\0", 8));
    EXPECT_EQ(listFileBytes(), "(none)") << "Send Posit does not save";

    bool accountShown = true;  // with an account now: no dialog, and the setup dialog ends
    runSetup([&](HWND dialog, HWND) {
        clickButton(dialog, kSendPosit);
        accountShown = waitForDialog(L"Lorvane Account Setup", 500) != nullptr;
        waitForWindowGone(dialog);
    });
    EXPECT_FALSE(accountShown);
    EXPECT_TRUE(sent().empty()) << "an own report without a fix";
}

} // namespace
