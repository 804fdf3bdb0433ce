#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "module/module_state.h"
#include "module/settings.h"
#include "tests/core/fake_platform.h"

namespace {

std::vector<uint8_t> wideBytes(const std::u16string& text, size_t size) {
    std::vector<uint8_t> bytes(size, 0);
    std::memcpy(bytes.data(), text.data(), std::min(size, text.size() * 2));
    return bytes;
}

class Settings : public testing::Test {
  protected:
    void SetUp() override { resetFakePlatform(); }
};

TEST_F(Settings, MissingServerNameFallsBackToTheDefaultAndIsWrittenBackWhole) {
    readSettings();
    EXPECT_EQ(std::u16string(moduleState.serverName), u"lorvane-tracker");
    ASSERT_EQ(fake.registryWrites.size(), 1u);
    EXPECT_EQ(fake.registryWrites[0].first, "QVServerName");
    EXPECT_EQ(fake.registryWrites[0].second, 512u);
    // The whole buffer goes back: the name, then zeros, no stale bytes.
    EXPECT_EQ(fake.registry["QVServerName"], wideBytes(u"lorvane-tracker", 512));
    EXPECT_EQ(moduleState.accountId[0], 0);
}

TEST_F(Settings, StaleBytesInTheBuffersNeverReachTheRegistry) {
    std::memset(moduleState.serverName, 0x5A, sizeof moduleState.serverName);
    std::memset(moduleState.accountId, 0x5A, sizeof moduleState.accountId);
    readSettings();
    EXPECT_EQ(fake.registry["QVServerName"], wideBytes(u"lorvane-tracker", 512));
    EXPECT_EQ(std::u16string(moduleState.accountId), u"");
}

TEST_F(Settings, StoredValuesAreKeptAndNotWritten) {
    fake.registry["QVServerName"] = wideBytes(u"tracker.example", 512);
    fake.registry["QVID"] = wideBytes(u"abc", 32);
    readSettings();
    EXPECT_EQ(std::u16string(moduleState.serverName), u"tracker.example");
    EXPECT_EQ(std::u16string(moduleState.accountId), u"abc");
    EXPECT_TRUE(fake.registryWrites.empty());
}

TEST_F(Settings, ValuesThatFillTheirBuffersStillReadAsTerminatedText) {
    fake.registry["QVServerName"] = wideBytes(std::u16string(256, u'n'), 512);
    fake.registry["QVID"] = wideBytes(std::u16string(16, u'i'), 32);
    readSettings();
    EXPECT_EQ(std::u16string(moduleState.serverName), std::u16string(256, u'n'));
    EXPECT_EQ(std::u16string(moduleState.accountId), std::u16string(16, u'i'));
}

TEST_F(Settings, AnEmptyServerNameCountsAsMissing) {
    fake.registry["QVServerName"] = wideBytes(u"", 512);
    readSettings();
    EXPECT_EQ(std::u16string(moduleState.serverName), u"lorvane-tracker");
    EXPECT_EQ(fake.registryWrites.size(), 1u);
}

} // namespace
