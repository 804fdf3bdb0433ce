#include "tests/core/fake_platform.h"

#include <cstring>

#include "module/module_state.h"

FakePlatform fake;

namespace {

std::string narrowName(const char16_t* name) {
    std::string s;
    for (; *name; ++name)
        s.push_back(static_cast<char>(*name));
    return s;
}

} // namespace

void resetFakePlatform() {
    fake.hasFix = false;
    fake.fix = {};
    fake.fixRequests = 0;
    fake.duringFill = nullptr;
    fake.registry.clear();
    fake.registryWrites.clear();
    fake.sent.clear();
    fake.duringSend = nullptr;
    fake.hosts.clear();
    fake.lookups.clear();
    fake.messageBoxes.clear();
    fake.messageBoxAnswer = 1;
    fake.timers.clear();
    fake.nextTimer = 1;
    fake.timersFail = false;
    fake.tickMs = 0;

    // The module state as at load: all zero, but the socket invalid and the receiver stopped.
    ModuleState& m = moduleState;
    m.moduleInstance = nullptr;
    m.hostWindow = nullptr;
    m.udpSocket = kNoSocket;
    m.endpointBound = false;
    m.receiverStop = true;
    std::memset(&m.ownFix, 0, sizeof m.ownFix);
    std::memset(m.documentsFolder, 0, sizeof m.documentsFolder);
    std::memset(m.windowsFolder, 0, sizeof m.windowsFolder);
    std::memset(m.lastTrackFileName, 0, sizeof m.lastTrackFileName);
    std::memset(m.serverName, 0, sizeof m.serverName);
    m.serverAddress = 0;
    std::memset(m.accountId, 0, sizeof m.accountId);
    std::memset(m.cdpdList, 0, sizeof m.cdpdList);
    m.cdpdCount = m.serialPortIndex = m.modemModelIndex = m.cdpdSelection = 0;
    std::memset(m.targetList, 0, sizeof m.targetList);
    m.targetCount = m.targetSelection = 0;
    for (auto& counter : m.pollCounters)
        counter = 0;
    m.pollActive = false;
    m.tickTimer = 0;
    m.trackTimer = 0;
    m.sendTimer = 0;
    m.answerPolicy = AnswerPolicy::All;
    m.logPolicy = LogPolicy::All;
    m.reportRules = {};
    resetReportTrack(&m.reportTrack);
    resetAnswerLimit(&m.answerLimit);
    resetTickClock(&m.tickClock);
}

bool platformGetPositionalData(ZQGPS_POSITIONALDATA* record) {
    {
        std::lock_guard<std::mutex> hold(fake.lock);
        ++fake.fixRequests;
    }
    if (fake.duringFill != nullptr)
        fake.duringFill(record);
    else if (fake.hasFix)
        *record = fake.fix;
    return fake.hasFix;
}

void platformRegGetAppVal(const char16_t* key, const char16_t* valueName, uint32_t,
                          void* buffer, uint32_t size) {
    (void)key;
    auto it = fake.registry.find(narrowName(valueName));
    if (it == fake.registry.end() || it->second.size() > size)
        return;
    std::memcpy(buffer, it->second.data(), it->second.size());
}

void platformRegSetAppVal(const char16_t* key, const char16_t* valueName, uint32_t,
                          const void* data, uint32_t size) {
    (void)key;
    const auto* bytes = static_cast<const uint8_t*>(data);
    fake.registry[narrowName(valueName)].assign(bytes, bytes + size);
    fake.registryWrites.emplace_back(narrowName(valueName), size);
}

void platformSendTo(SocketHandle socket, const SocketAddress& to, const void* bytes,
                    size_t length) {
    const auto* b = static_cast<const uint8_t*>(bytes);
    {
        std::lock_guard<std::mutex> hold(fake.lock);
        fake.sent.push_back({socket, to, std::vector<uint8_t>(b, b + length)});
    }
    if (fake.duringSend != nullptr)
        fake.duringSend();
}

bool platformResolveHost(const char* name, uint32_t* address) {
    fake.lookups.push_back(name);
    auto it = fake.hosts.find(name);
    if (it == fake.hosts.end())
        return false;
    *address = it->second;
    return true;
}

int platformMessageBox(const char16_t* text, const char16_t* caption, uint32_t type) {
    std::lock_guard<std::mutex> hold(fake.lock);
    fake.messageBoxes.push_back({text, caption, type});
    return fake.messageBoxAnswer;
}

uintptr_t platformStartTimer(ModuleTimer which, uint32_t periodMs) {
    if (fake.timersFail)
        return 0;
    fake.timers[fake.nextTimer] = {which, periodMs};
    return fake.nextTimer++;
}

void platformStopTimer(uintptr_t timer) { fake.timers.erase(timer); }

uint32_t platformTickMs() { return fake.tickMs; }
