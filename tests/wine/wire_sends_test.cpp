// What the module's dialogs send, as a receiver at the far end gets it: every byte of the
// datagram, the address and the port it reached, and the address and port it came from.
//
// Runs only inside wire_sends.sh: this program and the real module are a device in a network
// namespace of its own (10.77.0.2), and a listener in another one records every datagram that
// reaches the server (10.77.0.1, "lorvane-server" in the device's hosts file), a dotted server
// address (10.77.0.5), a CDPD peer (10.77.0.3) or a CDPD modem (10.77.0.4), at port 28695 or
// 6000, one line each in the file LORVANE_WIRE_LOG names. The module's endpoint is port 28695 on
// all of the device's addresses, so nothing on the device itself could receive there.
//
// The fix comes from the real driver, gpsdriver.dll, reading a gpsd that replays a parked fix
// whose values the test knows (tests/data/parked-west.nmea).
#include <gtest/gtest.h>

#include "tests/wine/module_fixture.h"  // winsock2.h before windows.h

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cdpd/cdpd_address.h"
#include "gpsdriver/zqgps_record.h"
#include "module/bytes.h"
#include "module/export_names.h"

namespace {

// ---- The fix the driver gives

// 52 deg 22.227408' N and 4 deg 53.474082' W are 52.3704568 and -4.8912347 degrees exactly;
// 27 knots are 13.890 m/s as gpsd reports them, 500.04 tenths of km/h; course 287.4 degrees;
// altitude -12 m above the sea (the GGA sentence's, not the ellipsoid's).
constexpr int32_t kFixLatitude = 523704568, kFixLongitude = -48912347;
constexpr uint16_t kFixSpeed = 500, kFixCourse = 2874;
constexpr int16_t kFixAltitude = -12;
// In a message the coordinates are the fix's divided by 10, truncating toward zero: -4891234,
// where rounding down would give -4891235.
constexpr int32_t kMessageLatitude = 52370456, kMessageLongitude = -4891234;

bool isParkedFix(const ZQGPS_POSITIONALDATA& fix) {
    return fix.latitude == kFixLatitude && fix.longitude == kFixLongitude &&
           fix.speed == kFixSpeed && fix.course == kFixCourse && fix.altitude == kFixAltitude;
}

std::string describe(const ZQGPS_POSITIONALDATA& fix) {
    std::ostringstream out;
    out << "latitude " << fix.latitude << ", longitude " << fix.longitude << ", speed "
        << fix.speed << ", course " << fix.course << ", altitude " << fix.altitude;
    return out.str();
}

// ---- What a receiver must get

// A position ('U') or an own report ('o') carrying the parked fix: the kind, the narrow ID at 8,
// the body from 24, every other byte zero, 152 bytes.
std::string messageWithFix(char kind, const std::string& id) {
    uint8_t m[152] = {};
    m[0] = static_cast<uint8_t>(kind);
    std::memcpy(m + 8, id.data(), id.size());
    putLe32(m + 24, static_cast<uint32_t>(kMessageLatitude));
    putLe32(m + 28, static_cast<uint32_t>(kMessageLongitude));
    putLe16(m + 32, kFixSpeed);
    putLe16(m + 34, kFixCourse);
    m[36] = 'A';
    m[37] = 4;
    putLe16(m + 40, static_cast<uint16_t>(kFixAltitude));
    return std::string(reinterpret_cast<const char*>(m), sizeof m);
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// ---- What reached the far end

const char kDevice[] = "10.77.0.2:28695";  // the module's endpoint, as receivers see it
const char kServerByName[] = "10.77.0.1:28695";
const char kServerByAddress[] = "10.77.0.5:28695";

// One datagram as the listener got it.
struct Arrival {
    std::string to;    // the address and port it reached, "10.77.0.5:28695"
    std::string from;  // the sender's
    std::string bytes;
};

std::wstring wireLogPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"LORVANE_WIRE_LOG", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? path : L"";
}

std::string unhex(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    return bytes;
}

// Every datagram recorded so far: the log's complete lines, "TO FROM HEX".
std::vector<Arrival> allArrivals() {
    std::string log = fileBytes(wireLogPath().c_str());
    std::vector<Arrival> arrivals;
    if (log == "(none)")
        return arrivals;
    std::istringstream lines(log.substr(0, log.rfind('\n') + 1));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Arrival a;
        std::string bytes;
        if (fields >> a.to >> a.from >> bytes) {
            a.bytes = unhex(bytes);
            arrivals.push_back(a);
        }
    }
    return arrivals;
}

// Handles this thread's messages, where the module's timers run, until `done` or `ms` passed.
void pumpMessages(DWORD ms, const std::function<bool()>& done) {
    for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < ms;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
}

// The datagrams that arrived after the first `seen`, once one did (or a bound passed), and a
// moment more for any that should not have come.
std::vector<Arrival> arrivalsAfter(size_t seen) {
    pumpMessages(15000, [&] { return allArrivals().size() > seen; });
    pumpMessages(500, [] { return false; });
    std::vector<Arrival> all = allArrivals();
    return std::vector<Arrival>(all.begin() + static_cast<ptrdiff_t>(std::min(seen, all.size())),
                                all.end());
}

void expectOneArrival(const std::vector<Arrival>& got, const char* to, const std::string& bytes) {
    ASSERT_EQ(got.size(), 1u) << "datagrams at the far end";
    EXPECT_EQ(got[0].to, to);
    EXPECT_EQ(got[0].from, kDevice);
    EXPECT_EQ(hex(got[0].bytes), hex(bytes));
}

// ---- The device

using GetFix = BOOL (*)(ZQGPS_POSITIONALDATA*);

const wchar_t kSetupCaption[] = L"Lorvane Setup";  // both setup dialogs
const wchar_t kAccountCaption[] = L"Lorvane Account Setup";
const wchar_t kServerCaption[] = L"Lorvane Server IP Setup";
const wchar_t kCdpdList[] = L"L:\\Windows\\zqCDPD";
const wchar_t kThreeGList[] = L"L:\\Windows\\zq3GTrack";
constexpr int kSetupList = 1007, kSendPosit = 1025, kAccountButton = 1023;
constexpr int kAccountId = 1010, kServerAddress = 1013, kIsAddress = 1016;

CdpdAddress cdpdEntry(const char* dotted, const char* description, int32_t modem) {
    CdpdAddress e{};
    e.address = inet_addr(dotted);
    std::memcpy(e.description, description, std::strlen(description));
    e.modemFlag = modem;
    return e;
}

// The CDPD list: a device at 10.77.0.3 and a modem at 10.77.0.4.
void writeCdpdList() {
    int32_t head[3] = {0, 0, 2};
    CdpdAddress entries[2] = {cdpdEntry("10.77.0.3", "Peer", 0),
                              cdpdEntry("10.77.0.4", "Modem", 1)};
    std::string bytes(reinterpret_cast<const char*>(head), sizeof head);
    bytes.append(reinterpret_cast<const char*>(entries), sizeof entries);
    writeFileBytes(kCdpdList, bytes);
}

class WireSends : public ModuleFixture {
  protected:
    // The driver stays loaded for the whole run, so its fix is there before the module loads.
    static void SetUpTestSuite() {
        driver = LoadLibraryW(L"gpsdriver.dll");
        auto getFix = driver == nullptr ? nullptr
                                        : reinterpret_cast<GetFix>(reinterpret_cast<void*>(
                                              GetProcAddress(driver, "ZQGPS_GetPositionalData")));
        for (DWORD start = GetTickCount(); getFix != nullptr && GetTickCount() - start < 60000;
             Sleep(100)) {
            if (getFix(&lastFix) && isParkedFix(lastFix)) {
                parked = true;
                return;
            }
        }
    }
    static void TearDownTestSuite() { FreeLibrary(driver); }

    void SetUp() override {
        ModuleFixture::SetUp();
        ASSERT_FALSE(wireLogPath().empty()) << "LORVANE_WIRE_LOG is not set: run wire_sends.sh";
        ASSERT_TRUE(parked) << "the driver never gave the parked fix; last seen: "
                            << describe(lastFix);
        writeSettingText(L"QVServerName", L"lorvane-server", 512);
        seen = allArrivals().size();
    }

    // What reached the far end since the test began, once something did.
    std::vector<Arrival> arrivals() { return arrivalsAfter(seen); }

    // Runs the dialog export `name` on this thread while `actions` play the user on the dialog
    // titled `caption`; whatever they leave open is cancelled, so a failed step cannot hang.
    void runDialog(const char* name, const wchar_t* caption, std::function<void(HWND)> actions) {
        auto run = exported<void (*)(void*)>(name);
        ASSERT_NE(run, nullptr);
        meanwhile([caption, actions] {
            if (HWND dialog = waitForDialog(caption))
                actions(dialog);
            for (const std::wstring& left :
                 cancelLeftOpen({kAccountCaption, kServerCaption, kSetupCaption}))
                ADD_FAILURE() << "left open: " << testing::PrintToString(left);
        });
        run(nullptr);
        user.join();
    }

    // The own reports of one tick of the sending timer: sending runs until something arrived.
    std::vector<Arrival> ownReportsOfOneTick() {
        auto start = exported<bool (*)(void*)>(kExportThreeGStartSend);
        auto stop = exported<void (*)()>(kExportThreeGStopSend);
        if (start == nullptr || stop == nullptr || !start(nullptr)) {
            ADD_FAILURE() << "sending did not start";
            return {};
        }
        size_t before = allArrivals().size();
        pumpMessages(15000, [&] { return allArrivals().size() > before; });
        stop();
        std::vector<Arrival> got = arrivalsAfter(seen);
        seen = allArrivals().size();
        return got;
    }

    static HMODULE driver;
    static bool parked;
    static ZQGPS_POSITIONALDATA lastFix;
    size_t seen = 0;
};

HMODULE WireSends::driver = nullptr;
bool WireSends::parked = false;
ZQGPS_POSITIONALDATA WireSends::lastFix{};

// A dotted address given with the box ticked takes the own reports and leaves the stored name
// alone; the next opening of the dialog looks the name up again, and the reports go there.
TEST_F(WireSends, ADottedServerAddressHoldsUntilTheServerDialogOpensAgain) {
    writeSettingText(L"QVID", L"wire", 32);
    std::string storedName = readSettingBytes(L"QVServerName");
    loadModule();
    runDialog(kExportThreeGServerSetup, kServerCaption, [](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, kIsAddress), BM_CLICK, 0, 0);
        SetDlgItemTextW(dialog, kServerAddress, L"10.77.0.5");
        clickButton(dialog, IDOK);
        waitForWindowGone(dialog);
    });
    EXPECT_EQ(hex(readSettingBytes(L"QVServerName")), hex(storedName));
    expectOneArrival(ownReportsOfOneTick(), kServerByAddress, messageWithFix('o', "wire"));

    runDialog(kExportThreeGServerSetup, kServerCaption, [](HWND dialog) {
        clickButton(dialog, IDCANCEL);
        waitForWindowGone(dialog);
    });
    expectOneArrival(ownReportsOfOneTick(), kServerByName, messageWithFix('o', "wire"));
    EXPECT_EQ(hex(readSettingBytes(L"QVServerName")), hex(storedName));
}

// The account dialog's OK sends one own report at once, under the ID as typed: at most 15
// characters, each narrowed to its low byte.
struct AccountCase {
    const char* name;
    bool fromSetupDialog;  // its "ID" button; otherwise ThreeGStartSend without an account
    const wchar_t* typed;
    std::string id;
};

const AccountCase kAccountCases[] = {
    {"StartSendWithoutAnAccount", false, L"abcdefghijklmnopqrs", "abcdefghijklmno"},
    {"TheSetupDialogsIdButton", true, L"Zo\u00eb 7", "Zo\xeb 7"},
};

void PrintTo(const AccountCase& c, std::ostream* out) { *out << c.name; }

class AccountDialogOk : public WireSends, public testing::WithParamInterface<AccountCase> {};

TEST_P(AccountDialogOk, SendsOneOwnReportAtOnce) {
    const AccountCase& c = GetParam();
    loadModule();
    auto typeAccount = [typed = c.typed] {
        if (HWND account = waitForDialog(kAccountCaption)) {
            SetDlgItemTextW(account, kAccountId, typed);
            clickButton(account, IDOK);
            waitForWindowGone(account);
        }
    };
    if (c.fromSetupDialog) {
        runDialog(kExportThreeGIni, kSetupCaption, [&](HWND setup) {
            clickButton(setup, kAccountButton);
            typeAccount();
            settle(setup);
            clickButton(setup, IDOK);
            waitForWindowGone(setup);
        });
    } else {
        auto startSend = exported<bool (*)(void*)>(kExportThreeGStartSend);
        auto stopSend = exported<void (*)()>(kExportThreeGStopSend);
        ASSERT_TRUE(startSend && stopSend);
        meanwhile(typeAccount);
        EXPECT_TRUE(startSend(nullptr));
        stopSend();  // before its first tick: what arrives is the dialog's
        user.join();
    }
    expectOneArrival(arrivals(), kServerByName, messageWithFix('o', c.id));
}

INSTANTIATE_TEST_SUITE_P(Openers, AccountDialogOk, testing::ValuesIn(kAccountCases),
                         [](const auto& info) { return std::string(info.param.name); });

// "&Send Posit" sends once and closes its dialog without saving the list: the list file, removed
// while the dialog is open, stays missing. The CDPD dialog sends the position to port 28695 of
// the selected entry, a modem too; the 3G dialog sends the own report to the server.
struct SendPositCase {
    const char* name;
    const char* dialog;  // the export that opens it
    const wchar_t* listFile;
    int row;             // selected before the click
    const char* to;
    char kind;
    const char* id;
};

const SendPositCase kSendPositCases[] = {
    {"CdpdPeer", kExportCdpdIni, kCdpdList, 0, "10.77.0.3:28695", 'U', ""},
    {"CdpdModem", kExportCdpdIni, kCdpdList, 1, "10.77.0.4:28695", 'U', ""},
    {"ThreeG", kExportThreeGIni, kThreeGList, 0, kServerByName, 'o', "posit"},
};

void PrintTo(const SendPositCase& c, std::ostream* out) { *out << c.name; }

class SendPosit : public WireSends, public testing::WithParamInterface<SendPositCase> {};

TEST_P(SendPosit, SendsOnceAndSavesNothing) {
    const SendPositCase& c = GetParam();
    writeSettingText(L"QVID", L"posit", 32);
    writeCdpdList();
    writeOneTargetList(1.0f);
    loadModule();
    bool closed = false;
    runDialog(c.dialog, kSetupCaption, [&](HWND setup) {
        tapRow(GetDlgItem(setup, kSetupList), c.row);
        DeleteFileW(c.listFile);  // a save would bring it back
        clickButton(setup, kSendPosit);
        closed = waitForWindowGone(setup);
    });
    EXPECT_TRUE(closed);
    expectOneArrival(arrivals(), c.to, messageWithFix(c.kind, c.id));
    EXPECT_EQ(fileBytes(c.listFile), "(none)");
}

INSTANTIATE_TEST_SUITE_P(Dialogs, SendPosit, testing::ValuesIn(kSendPositCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
