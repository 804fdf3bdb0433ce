#include "module/own_fix.h"

#include "module/module_state.h"

bool buildPositionFromOwnFix(PositionMessage* out) {
    std::lock_guard<std::mutex> hold(moduleState.ownFixLock);
    if (!platformGetPositionalData(&moduleState.ownFix))
        return false;
    *out = makePosition(moduleState.ownFix);
    return true;
}

bool buildOwnReportFromOwnFix(const char16_t* accountId, PositionMessage* out) {
    std::lock_guard<std::mutex> hold(moduleState.ownFixLock);
    if (!platformGetPositionalData(&moduleState.ownFix))
        return false;
    *out = makeOwnReport(moduleState.ownFix, accountId);
    return true;
}
