// The modem stand-in's answers, built with the module's own builder so that a modem's position
// and a device's cannot drift apart.
#include "modem/modem_answer.h"

PositionMessage modemPosition(const RoutePoint& point) {
    ZQGPS_POSITIONALDATA fix{};
    fix.mode = 3;
    fix.latitude = point.latitude;
    fix.longitude = point.longitude;
    return makePosition(fix);
}

ModemOutcome answerModemDatagram(ModemState* state, const uint8_t* bytes, size_t length,
                                 PositionMessage* reply, size_t* replyLength) {
    *replyLength = 0;
    if (length == 0 || bytes[0] != static_cast<uint8_t>(kPosition))
        return ModemOutcome::NotAQuery;
    if (length != kModemQueryLength)
        return ModemOutcome::WrongLength;
    if (state->route.empty())
        return ModemOutcome::NoRoute;
    *reply = modemPosition(state->route[state->answered % state->route.size()]);
    *replyLength = kPositionLength;
    ++state->answered;
    return ModemOutcome::Answered;
}

const char* modemOutcomeText(ModemOutcome outcome) {
    switch (outcome) {
    case ModemOutcome::Answered: return "answered";
    case ModemOutcome::WrongLength: return "dropped: 'U' but not 24 bytes";
    case ModemOutcome::NotAQuery: return "dropped: not a modem query";
    case ModemOutcome::NoRoute: return "dropped: no route";
    }
    return "?";
}
