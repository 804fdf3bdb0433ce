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

TEST(OwnerSettings, PolicyWords) {
    struct {
        const char16_t* text;
        bool answerKnown, logKnown;
        AnswerPolicy answer;
        LogPolicy log;
    } cases[] = {
        {u"all", true, true, AnswerPolicy::All, LogPolicy::All},
        {u"listed", true, true, AnswerPolicy::Listed, LogPolicy::Listed},
        {u" Listed\t", true, true, AnswerPolicy::Listed, LogPolicy::Listed},
        {u"NONE", true, false, AnswerPolicy::None, LogPolicy::All},
        {u"", false, false, AnswerPolicy::All, LogPolicy::All},
        {u"list", false, false, AnswerPolicy::All, LogPolicy::All},
        {u"listed2", false, false, AnswerPolicy::All, LogPolicy::All},
        {u"all listed", false, false, AnswerPolicy::All, LogPolicy::All},
        {u"\x0131isted", false, false, AnswerPolicy::All, LogPolicy::All},  // not ASCII
    };
    for (auto c : cases) {
        AnswerPolicy answer = AnswerPolicy::All;
        LogPolicy log = LogPolicy::All;
        EXPECT_EQ(parseAnswerPolicy(c.text, &answer), c.answerKnown);
        EXPECT_EQ(parseLogPolicy(c.text, &log), c.logKnown);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(log, c.log);
    }
}

TEST(OwnerSettings, ThresholdsReadAsTheDialogsReadNumbers) {
    struct {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"50", 50},         {u"12.5", 12.5},  {u" 30 degrees", 30}, {u"abc120", 120},
        {u"1e+2", 100},      {u"", 0},         {u"none", 0},         {u"0", 0},
        {u"-5", 0},          {u"1e+999", 0},   {u".5", 0.5},
    };
    for (auto c : cases)
        EXPECT_EQ(parseReportThreshold(c.text), c.value);
}

TEST_F(Settings, OwnerSettingsAbsentLeaveTheSeedsBehaviour) {
    moduleState.answerPolicy = AnswerPolicy::None;
    moduleState.reportRules = {1, 2, 3};
    readOwnerSettings();
    EXPECT_EQ(moduleState.answerPolicy, AnswerPolicy::All);
    EXPECT_EQ(moduleState.logPolicy, LogPolicy::All);
    EXPECT_FALSE(anyReportRule(moduleState.reportRules));
    EXPECT_TRUE(fake.registryWrites.empty()) << "the owner's values are never written";
}

TEST_F(Settings, OwnerSettingsAreRead) {
    fake.registry["QVAnswer"] = wideBytes(u"listed", 14);
    fake.registry["QVLog"] = wideBytes(u"listed", 14);
    fake.registry["QVReportMetres"] = wideBytes(u"50", 64);
    fake.registry["QVReportTurn"] = wideBytes(u"30", 6);
    fake.registry["QVReportMaxSeconds"] = wideBytes(u"120", 8);
    readOwnerSettings();
    EXPECT_EQ(moduleState.answerPolicy, AnswerPolicy::Listed);
    EXPECT_EQ(moduleState.logPolicy, LogPolicy::Listed);
    EXPECT_EQ(moduleState.reportRules.metres, 50);
    EXPECT_EQ(moduleState.reportRules.turnDegrees, 30);
    EXPECT_EQ(moduleState.reportRules.maxSeconds, 120);
}

// A value that fills the buffer to its end may be the head of a longer one: not understood.
TEST_F(Settings, AnOwnerValueTooLongForItsBufferIsNotUnderstood) {
    fake.registry["QVAnswer"] = wideBytes(u"none" + std::u16string(28, u' '), 64);
    fake.registry["QVReportMetres"] = wideBytes(std::u16string(31, u' ') + u"5", 64);
    readOwnerSettings();
    EXPECT_EQ(moduleState.answerPolicy, AnswerPolicy::All);
    EXPECT_EQ(moduleState.reportRules.metres, 0);
}

} // namespace
