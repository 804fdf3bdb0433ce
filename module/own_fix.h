// The own fix. The driver fills ownFix on request, from the receiver thread (answers to locate
// requests) and from the host's thread (own reports, one-off positions). Each function here holds
// ownFixLock from the driver's fill until the message is built, so a message is always built
// from one complete fill, never from a record another thread is filling.
#pragma once

#include "exchange/position_message.h"

// A position ('U') from the current fix; false, and *out untouched, when the driver has none.
bool buildPositionFromOwnFix(PositionMessage* out);

// An own report ('o') under accountId from the current fix; false when the driver has none.
bool buildOwnReportFromOwnFix(const char16_t* accountId, PositionMessage* out);
