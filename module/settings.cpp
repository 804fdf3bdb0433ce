#include "module/settings.h"

#include <cstring>

#include "module/module_state.h"
#include "module/text.h"

const char kDefaultServerHostName[] = "lorvane-tracker";

namespace {
const char16_t kServerNameValue[] = u"QVServerName";
const char16_t kAccountIdValue[] = u"QVID";
constexpr uint32_t kServerNameBytes = kServerNameChars * 2;
constexpr uint32_t kAccountIdBytes = kAccountIdChars * 2;
} // namespace

void readSettings() {
    ModuleState& m = moduleState;

    std::memset(m.serverName, 0, sizeof m.serverName);
    platformRegGetAppVal(kSettingsKey, kServerNameValue, kRegTypeText, m.serverName,
                         kServerNameBytes);
    if (m.serverName[0] == 0) {
        copyToWide(kDefaultServerHostName, m.serverName);
        platformRegSetAppVal(kSettingsKey, kServerNameValue, kRegTypeText, m.serverName,
                             kServerNameBytes);
    }

    std::memset(m.accountId, 0, sizeof m.accountId);
    platformRegGetAppVal(kSettingsKey, kAccountIdValue, kRegTypeText, m.accountId,
                         kAccountIdBytes);
}
