#include "module/settings.h"

#include <cmath>
#include <cstring>

#include "lorvane.h"
#include "module/module_state.h"
#include "module/number_entry.h"
#include "module/text.h"

const char kDefaultServerHostName[] = "lorvane-tracker";

namespace {
// The value names as the published header gives them to hosts.
const char16_t kServerNameValue[] = u"" LORVANE_VALUE_SERVER_NAME;
const char16_t kAccountIdValue[] = u"" LORVANE_VALUE_ACCOUNT_ID;
constexpr uint32_t kServerNameBytes = kServerNameChars * 2;
constexpr uint32_t kAccountIdBytes = kAccountIdChars * 2;

const char16_t kAnswerValue[] = u"" LORVANE_VALUE_ANSWER;
const char16_t kLogValue[] = u"" LORVANE_VALUE_LOG;
const char16_t kReportMetresValue[] = u"" LORVANE_VALUE_REPORT_METRES;
const char16_t kReportTurnValue[] = u"" LORVANE_VALUE_REPORT_TURN;
const char16_t kReportMaxSecondsValue[] = u"" LORVANE_VALUE_REPORT_MAX_SECONDS;

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

// `text`, blanks around it ignored, is `word` (lower case) in any ASCII case.
bool isWord(const char16_t* text, const char* word) {
    while (isBlank(*text))
        ++text;
    for (; *word != 0; ++word, ++text) {
        if (lowerAscii(*text) != char16_t(*word))
            return false;
    }
    while (isBlank(*text))
        ++text;
    return *text == 0;
}

// One owner's value, always terminated: empty when missing. The driver may leave anything in the
// buffer when the value is longer than it, so a text that reaches the buffer's end is taken as
// not understood (empty).
struct OwnerValue {
    char16_t text[kOwnerValueChars + 1];
};

OwnerValue readOwnerValue(const char16_t* name) {
    OwnerValue v;
    std::memset(v.text, 0, sizeof v.text);
    platformRegGetAppVal(kSettingsKey, name, kRegTypeText, v.text, kOwnerValueChars * 2);
    if (fieldLength(v.text, kOwnerValueChars) == kOwnerValueChars)
        v.text[0] = 0;
    return v;
}

} // namespace

void readSettings() {
    ModuleState& m = moduleState;

    std::memset(m.serverName, 0, sizeof m.serverName);
    platformRegGetAppVal(kSettingsKey, kServerNameValue, kRegTypeText, m.serverName,
                         kServerNameBytes);
    if (m.serverName[0] == 0) {
        copyToWide(kDefaultServerHostName, m.serverName);
        writeServerNameSetting();
    }

    std::memset(m.accountId, 0, sizeof m.accountId);
    platformRegGetAppVal(kSettingsKey, kAccountIdValue, kRegTypeText, m.accountId,
                         kAccountIdBytes);
}

bool parseAnswerPolicy(const char16_t* text, AnswerPolicy* policy) {
    if (isWord(text, "all"))
        *policy = AnswerPolicy::All;
    else if (isWord(text, "listed"))
        *policy = AnswerPolicy::Listed;
    else if (isWord(text, "none"))
        *policy = AnswerPolicy::None;
    else
        return false;
    return true;
}

bool parseLogPolicy(const char16_t* text, LogPolicy* policy) {
    if (isWord(text, "all"))
        *policy = LogPolicy::All;
    else if (isWord(text, "listed"))
        *policy = LogPolicy::Listed;
    else
        return false;
    return true;
}

double parseReportThreshold(const char16_t* text) {
    char narrow[kOwnerValueChars + 1];
    copyFieldToNarrow(text, kOwnerValueChars, narrow);
    double value = parseDecimal(narrow);
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

void readOwnerSettings() {
    ModuleState& m = moduleState;
    AnswerPolicy answer = AnswerPolicy::All;
    parseAnswerPolicy(readOwnerValue(kAnswerValue).text, &answer);
    m.answerPolicy = answer;
    LogPolicy log = LogPolicy::All;
    parseLogPolicy(readOwnerValue(kLogValue).text, &log);
    m.logPolicy = log;
    m.reportRules.metres = parseReportThreshold(readOwnerValue(kReportMetresValue).text);
    m.reportRules.turnDegrees = parseReportThreshold(readOwnerValue(kReportTurnValue).text);
    m.reportRules.maxSeconds = parseReportThreshold(readOwnerValue(kReportMaxSecondsValue).text);
}

void writeServerNameSetting() {
    platformRegSetAppVal(kSettingsKey, kServerNameValue, kRegTypeText, moduleState.serverName,
                         kServerNameBytes);
}

void writeAccountIdSetting() {
    platformRegSetAppVal(kSettingsKey, kAccountIdValue, kRegTypeText, moduleState.accountId,
                         kAccountIdBytes);
}
