#include "threeg/server_link.h"

#include "exchange/position_message.h"
#include "module/module_state.h"
#include "module/number_entry.h"
#include "module/own_fix.h"
#include "module/text.h"
#include "threeg/threeg_setup.h"

namespace {

// Resolves serverName when the address is still unknown. The lookup blocks the host's thread,
// as every send here runs there.
void lookUpServerIfNeeded() {
    if (moduleState.serverAddress != 0)
        return;
    char name[kServerNameChars + 1];
    copyFieldToNarrow(moduleState.serverName, kServerNameChars, name);
    resolveServer(name);
}

// False when there is no socket to send on (a send that fails on the way is not known).
bool sendToServer(const PositionMessage& message, size_t length) {
    if (moduleState.udpSocket == kNoSocket)
        return false;
    platformSendTo(moduleState.udpSocket, destinationFor(moduleState.serverAddress, kDevicePort),
                   &message, length);
    return true;
}

} // namespace

bool resolveServer(const char* name) {
    uint32_t address;
    if (!platformResolveHost(name, &address))
        return false;
    moduleState.serverAddress = address;
    return true;
}

namespace {

// The own report, when the server resolves, an account is set, the endpoint is bound and the
// driver has a fix; false otherwise.
bool prepareOwnReport(PositionMessage* report) {
    lookUpServerIfNeeded();
    if (moduleState.serverAddress == 0)
        return false;
    if (moduleState.accountId[0] == 0)
        return false;
    if (!moduleState.endpointBound)
        return false;
    return buildOwnReportFromOwnFix(moduleState.accountId, report);
}

// The report goes, and the decision learns where and when the server last heard of us.
void sendPreparedReport(const PositionMessage& report, uint64_t nowMs) {
    if (sendToServer(report, kOwnReportLength))
        noteOwnReportSent(&moduleState.reportTrack, report.latitude, report.longitude, nowMs);
}

} // namespace

void sendOwnReport() {
    PositionMessage report;
    if (prepareOwnReport(&report))
        sendPreparedReport(report, moduleMonotonicMs());
}

void ownReportTick() {
    PositionMessage report;
    if (!prepareOwnReport(&report))
        return;
    uint64_t now = moduleMonotonicMs();
    if (ownReportDue(moduleState.reportRules, &moduleState.reportTrack, report.latitude,
                     report.longitude, now))
        sendPreparedReport(report, now);
}

void sendTargetQuery(int32_t index) {
    lookUpServerIfNeeded();
    if (!moduleState.endpointBound)
        return;
    if (moduleState.serverAddress == 0)
        return;
    ThreeGTarget target;
    if (!copyTargetAt(index, &target))
        return;
    PositionMessage query = makeTargetQuery(target.targetId);
    sendToServer(query, kTargetQueryLength);
}

bool trackPeriodForSelection(uint32_t* periodMs) {
    ThreeGTarget target;
    if (!copyTargetAt(moduleState.targetSelection, &target))
        return false;
    if (!(target.frequency > 0.0f))
        return false;
    *periodMs = targetQueryPeriodMs(target.frequency);
    return true;
}

bool startTracking(void* hostWindow) {
    moduleState.hostWindow = hostWindow;
    uint32_t periodMs;
    if (!trackPeriodForSelection(&periodMs))
        return false;
    stopTracking();
    moduleState.trackTimer = platformStartTimer(ModuleTimer::Track, periodMs);
    return moduleState.trackTimer != 0;
}

void stopTracking() {
    if (moduleState.trackTimer == 0)
        return;
    platformStopTimer(moduleState.trackTimer);
    moduleState.trackTimer = 0;
}

bool startSending(void* hostWindow) {
    if (moduleState.accountId[0] == 0)
        return false;
    moduleState.hostWindow = hostWindow;
    stopSending();
    resetReportTrack(&moduleState.reportTrack);
    moduleState.sendTimer = platformStartTimer(ModuleTimer::Send, kOwnReportPeriodMs);
    return moduleState.sendTimer != 0;
}

void stopSending() {
    if (moduleState.sendTimer == 0)
        return;
    platformStopTimer(moduleState.sendTimer);
    moduleState.sendTimer = 0;
}
