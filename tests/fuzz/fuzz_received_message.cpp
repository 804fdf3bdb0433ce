// Any bytes a datagram can carry, read the way the receiver reads them: never more than a
// message, and every classification defined for every input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "exchange/position_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PositionMessage m = decodeReceived(data, size);
    char id[kMessageIdSize + 1];
    messageIdText(m, id);
    if (std::strlen(id) > kMessageIdSize)
        std::abort();
    bool server = isServerKind(m.kind);
    bool valid = isValidPosition(m);
    TargetReportContent content = classifyTargetReport(m);
    // A valid position is never "not located yet" when read as a report.
    if (valid && content == TargetReportContent::NotLocatedYet)
        std::abort();
    (void)server;
    return 0;
}
