// The own report of the real module under the owner's report rules, on the real 6-second timer.
// (The answer and log settings are tested from outside, owner_settings_udp.sh: Wine sockets of
// a test bound to 127.0.0.2, .3 and so on all reached the module as one sender, so native
// senders stand for the many addresses there.)
//
// The driver's fix comes from the test: the module's import of ZQGPS_GetPositionalData is
// replaced, which also counts the timer's ticks (one driver call each). Own reports are seen at
// the module's own call of sendto, as the server's port is the module's.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "exchange/position_message.h"
#include "gpsdriver/zqgps_record.h"
#include "tests/wine/wine_support.h"
#include "module/export_names.h"

namespace {

constexpr int32_t kLatitude = 523700000, kLongitude = 48900000;  // driver units, 52.37 N 4.89 E
constexpr int32_t kDriverUnitsPerMetre = 90;                     // northwards, near enough

// ---- the driver, as the test drives it

std::atomic<int> fixCalls{0};
std::atomic<int32_t> fixNorthMetres[8];  // where the device is at the n-th call (the last after)

BOOL scriptedFix(ZQGPS_POSITIONALDATA* fix) {
    int n = fixCalls++;
    std::memset(fix, 0, sizeof *fix);
    fix->latitude = kLatitude + fixNorthMetres[n < 8 ? n : 7] * kDriverUnitsPerMetre;
    fix->longitude = kLongitude;
    return TRUE;
}

// ---- what the module sends

std::mutex sentLock;
std::vector<std::string> sentByModule;
decltype(&sendto) realSendTo = nullptr;

int WSAAPI recordSendTo(SOCKET s, const char* bytes, int length, int flags, const sockaddr* to,
                        int toLength) {
    {
        std::lock_guard<std::mutex> hold(sentLock);
        sentByModule.emplace_back(bytes, length);
    }
    return realSendTo(s, bytes, length, flags, to, toLength);
}

std::vector<std::string> ownReports() {
    std::lock_guard<std::mutex> hold(sentLock);
    std::vector<std::string> reports;
    for (const std::string& d : sentByModule)
        if (!d.empty() && d[0] == 'o')
            reports.push_back(d);
    return reports;
}

class OwnerSettings : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(enterDeviceRoot()) << "no L: drive: run the tests through `make test`";
        clearSettings();
        fixCalls = 0;
        for (auto& m : fixNorthMetres)
            m = 0;
        std::lock_guard<std::mutex> hold(sentLock);
        sentByModule.clear();
    }
    void TearDown() override {
        if (module != nullptr)
            FreeLibrary(module);
        clearSettings();
    }
    void setting(const wchar_t* name, const std::wstring& value) {
        writeSettingText(name, value, static_cast<DWORD>((value.size() + 1) * 2));
    }
    void load() {
        module = LoadLibraryW(L"lorvane.dll");
        ASSERT_NE(module, nullptr) << "LoadLibraryW failed, error " << GetLastError();
        ASSERT_NE(replaceImport(module, "gpsdriver.dll", "ZQGPS_GetPositionalData",
                                reinterpret_cast<void*>(&scriptedFix)),
                  nullptr);
        realSendTo = reinterpret_cast<decltype(&sendto)>(replaceImport(
            module, "ws2_32.dll", "sendto", reinterpret_cast<void*>(&recordSendTo)));
        ASSERT_NE(realSendTo, nullptr);
    }
    HMODULE module = nullptr;
};

// Four ticks of the 6-second timer: standing (the first: sends), standing (nothing), 60 m on
// (50 m rule: sends), standing there (nothing). The timer runs on this thread's messages.
TEST_F(OwnerSettings, TheOwnReportGoesOnTheFirstTickAndThenOnlyAsTheRulesSay) {
    setting(L"QVID", L"abc");
    setting(L"QVServerName", L"127.0.0.9");
    setting(L"QVReportMetres", L"50");
    setting(L"QVReportTurn", L"30");
    setting(L"QVReportMaxSeconds", L"600");
    fixNorthMetres[2] = fixNorthMetres[3] = fixNorthMetres[4] = fixNorthMetres[5] =
        fixNorthMetres[6] = fixNorthMetres[7] = 60;
    load();
    auto start = reinterpret_cast<bool (*)(void*)>(
        reinterpret_cast<void*>(GetProcAddress(module, kExportThreeGStartSend)));
    auto stop = reinterpret_cast<void (*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, kExportThreeGStopSend)));
    ASSERT_TRUE(start && stop);
    ASSERT_TRUE(start(nullptr));

    std::vector<size_t> reportsAfterTick;
    DWORD started = GetTickCount();
    while (reportsAfterTick.size() < 4 && GetTickCount() - started < 60000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            int before = fixCalls;
            DispatchMessageW(&message);
            if (fixCalls != before)  // a tick ran, and its report (if any) has gone
                reportsAfterTick.push_back(ownReports().size());
        }
    }
    stop();
    EXPECT_EQ(reportsAfterTick, (std::vector<size_t>{1, 1, 2, 2}));
    std::vector<std::string> reports = ownReports();
    ASSERT_EQ(reports.size(), 2u);
    PositionMessage first = decodeReceived(reinterpret_cast<const uint8_t*>(reports[0].data()),
                                           reports[0].size());
    PositionMessage second = decodeReceived(reinterpret_cast<const uint8_t*>(reports[1].data()),
                                            reports[1].size());
    EXPECT_EQ(first.latitude, kLatitude / 10);
    EXPECT_EQ(second.latitude, (kLatitude + 60 * kDriverUnitsPerMetre) / 10);
    EXPECT_STREQ(first.id, "abc");
}

} // namespace
