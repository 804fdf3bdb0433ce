#include "exchange/answer_limit.h"

#include <cstring>

namespace {

uint64_t elapsed(uint64_t since, uint64_t now) { return now > since ? now - since : 0; }

bool withinInterval(const AnsweredSender& s, uint64_t now) {
    return s.used && elapsed(s.answeredAt, now) < kAnswerIntervalMs;
}

// The sender's entry, or the one to give it: an unused entry, else the oldest.
AnsweredSender* entryFor(AnswerLimit* limit, uint32_t address, bool* known) {
    AnsweredSender* oldest = &limit->senders[0];
    for (AnsweredSender& s : limit->senders) {
        if (s.used && s.address == address) {
            *known = true;
            return &s;
        }
        if (oldest->used && (!s.used || s.answeredAt < oldest->answeredAt))
            oldest = &s;
    }
    *known = false;
    return oldest;
}

int answersInLastInterval(const AnswerLimit& limit, uint64_t now) {
    int n = 0;
    for (const AnsweredSender& s : limit.senders)
        n += withinInterval(s, now) ? 1 : 0;
    return n;
}

} // namespace

void resetAnswerLimit(AnswerLimit* limit) { std::memset(limit, 0, sizeof *limit); }

bool admitAnswer(AnswerLimit* limit, uint32_t address, uint64_t nowMs) {
    bool known = false;
    AnsweredSender* entry = entryFor(limit, address, &known);
    if (known && withinInterval(*entry, nowMs))
        return false;
    // Every answer of the last interval went to a different sender, each of which still holds
    // its entry: counting the entries counts the answers.
    if (answersInLastInterval(*limit, nowMs) >= kAnswersPerSecond)
        return false;
    *entry = {address, nowMs, true};
    return true;
}
