// Reading route files. Every read goes through a Text (pointer and length), so no line, however
// long or short, is read past its end, and numbers are built in 64 bits from a bounded count of
// digits, so no input overflows them.
#include "modem/route.h"

#include <cstring>

namespace {

constexpr int64_t kUnitsPerDegree = 10000000;  // degrees x 10^7
constexpr int kDecimalsKept = 7;

struct Text {
    const char* p;
    size_t n;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

Text trimmed(Text t) {
    while (t.n > 0 && isBlank(t.p[0])) {
        ++t.p;
        --t.n;
    }
    while (t.n > 0 && isBlank(t.p[t.n - 1]))
        --t.n;
    return t;
}

// The value of `count` digits at the start of t (the caller checked they are digits).
int64_t digitsValue(const char* p, size_t count) {
    int64_t v = 0;
    for (size_t i = 0; i < count; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

// The decimals after a point, as a count of 10^-7: "5" is 5000000, "12345678" is 1234567.
// False unless there is at least one and all are digits.
bool decimalsValue(Text t, int64_t* value) {
    if (t.n == 0)
        return false;
    int64_t v = 0;
    for (size_t i = 0; i < t.n; ++i) {
        if (!isDigit(t.p[i]))
            return false;
        if (i < kDecimalsKept)
            v = v * 10 + (t.p[i] - '0');
    }
    for (size_t i = t.n; i < kDecimalsKept; ++i)
        v *= 10;
    *value = v;
    return true;
}

// Splits t at the first `separator`: *head before it, *rest after it (empty when there is none).
// False when t holds no separator.
bool splitAt(Text t, char separator, Text* head, Text* rest) {
    const void* at = t.n > 0 ? std::memchr(t.p, separator, t.n) : nullptr;
    if (at == nullptr) {
        *head = t;
        *rest = Text{t.p + t.n, 0};
        return false;
    }
    size_t k = static_cast<size_t>(static_cast<const char*>(at) - t.p);
    *head = Text{t.p, k};
    *rest = Text{t.p + k + 1, t.n - k - 1};
    return true;
}

// ---- NMEA ----

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The sentence between '$' and '*' when its checksum (if any) is right.
bool checkedBody(Text sentence, Text* body) {
    Text after = Text{sentence.p + 1, sentence.n - 1};
    Text sum;
    if (!splitAt(after, '*', body, &sum))
        return true;  // no checksum: taken as it is
    if (sum.n != 2 || hexValue(sum.p[0]) < 0 || hexValue(sum.p[1]) < 0)
        return false;
    unsigned x = 0;
    for (size_t i = 0; i < body->n; ++i)
        x ^= static_cast<unsigned char>(body->p[i]);
    return x == static_cast<unsigned>(hexValue(sum.p[0]) * 16 + hexValue(sum.p[1]));
}

// d...[.ddd...]: the digits before the point, all of them digits, and the fraction after it in
// units of 10^-7 (0 without a point). False when either part holds anything but digits.
bool wholeAndFraction(Text t, Text* whole, int64_t* fraction) {
    Text decimals;
    bool point = splitAt(t, '.', whole, &decimals);
    for (size_t i = 0; i < whole->n; ++i)
        if (!isDigit(whole->p[i]))
            return false;
    *fraction = 0;
    return !point || decimalsValue(decimals, fraction);
}

// ddmm.mmmm (degreeDigits 2) or dddmm.mmmm (3) as degrees x 10^7, rounded to the nearest unit.
bool nmeaAngle(Text t, size_t degreeDigits, int64_t maxDegrees, int64_t* value) {
    Text whole;
    int64_t fraction;
    if (!wholeAndFraction(t, &whole, &fraction) || whole.n != degreeDigits + 2)
        return false;
    int64_t degrees = digitsValue(whole.p, degreeDigits);
    int64_t minutes = digitsValue(whole.p + degreeDigits, 2);
    if (minutes >= 60)
        return false;
    int64_t minuteUnits = minutes * kUnitsPerDegree + fraction;  // minutes x 10^7
    *value = degrees * kUnitsPerDegree + (minuteUnits + 30) / 60;
    return *value <= maxDegrees * kUnitsPerDegree;
}

// +1 or -1 for the hemisphere letter, 0 for anything else.
int hemisphere(Text t, char positive, char negative) {
    if (t.n != 1)
        return 0;
    return t.p[0] == positive ? 1 : t.p[0] == negative ? -1 : 0;
}

bool isRmc(Text tag) {
    return tag.n == 5 && std::memcmp(tag.p + 2, "RMC", 3) == 0;
}

// Fields 1 to 6 of an RMC: time, status, latitude, N/S, longitude, E/W.
RouteLine parseSentence(Text sentence, int64_t* latitude, int64_t* longitude) {
    Text body;
    if (!checkedBody(sentence, &body))
        return RouteLine::Bad;
    Text field[7], rest = body;
    for (int i = 0; i < 7; ++i) {
        bool more = splitAt(rest, ',', &field[i], &rest);
        if (i == 0 && field[0].n == 0)
            return RouteLine::Bad;
        if (i == 0 && !isRmc(field[0]))
            return RouteLine::Skipped;
        if (!more && i < 6)
            return RouteLine::Bad;
    }
    if (field[2].n != 1 || (field[2].p[0] != 'A' && field[2].p[0] != 'V'))
        return RouteLine::Bad;
    if (field[2].p[0] == 'V')
        return RouteLine::Skipped;
    int north = hemisphere(field[4], 'N', 'S');
    int east = hemisphere(field[6], 'E', 'W');
    if (north == 0 || east == 0 || !nmeaAngle(field[3], 2, 90, latitude) ||
        !nmeaAngle(field[5], 3, 180, longitude))
        return RouteLine::Bad;
    *latitude *= north;
    *longitude *= east;
    return RouteLine::Point;
}

// ---- The modem's own lines ----

// [+|-]d[dd][.ddd...] in degrees, as degrees x 10^7.
bool decimalDegrees(Text t, int64_t maxDegrees, int64_t* value) {
    int sign = 1;
    if (t.n > 0 && (t.p[0] == '-' || t.p[0] == '+')) {
        sign = t.p[0] == '-' ? -1 : 1;
        ++t.p;
        --t.n;
    }
    Text whole;
    int64_t fraction;
    if (!wholeAndFraction(t, &whole, &fraction) || whole.n == 0 || whole.n > 3)
        return false;
    int64_t v = digitsValue(whole.p, whole.n) * kUnitsPerDegree + fraction;
    if (v > maxDegrees * kUnitsPerDegree)
        return false;
    *value = sign * v;
    return true;
}

RouteLine parsePointLine(Text line, int64_t* latitude, int64_t* longitude) {
    size_t k = 0;
    while (k < line.n && !isBlank(line.p[k]))
        ++k;
    Text first{line.p, k};
    Text second = trimmed(Text{line.p + k, line.n - k});
    if (!decimalDegrees(first, 90, latitude) || !decimalDegrees(second, 180, longitude))
        return RouteLine::Bad;
    return RouteLine::Point;
}

} // namespace

RouteLine parseRouteLine(const char* line, size_t length, RoutePoint* point) {
    Text t = trimmed(Text{line, length});
    if (t.n == 0 || t.p[0] == '#')
        return RouteLine::Skipped;
    int64_t latitude = 0, longitude = 0;
    RouteLine result = t.p[0] == '$' ? parseSentence(t, &latitude, &longitude)
                                     : parsePointLine(t, &latitude, &longitude);
    if (result != RouteLine::Point)
        return result;
    // The message carries the fix's coordinates / 10: both 0 there reads as no position.
    if (latitude / 10 == 0 && longitude / 10 == 0)
        return RouteLine::Bad;
    *point = RoutePoint{static_cast<int32_t>(latitude), static_cast<int32_t>(longitude)};
    return RouteLine::Point;
}

Route readRoute(const char* text, size_t length) {
    Route route{{}, 0, 0};
    Text rest{text, length};
    size_t number = 0;
    while (rest.n > 0) {
        Text line;
        splitAt(rest, '\n', &line, &rest);
        ++number;
        RoutePoint point;
        switch (parseRouteLine(line.p, line.n, &point)) {
        case RouteLine::Point: route.points.push_back(point); break;
        case RouteLine::Skipped: break;
        case RouteLine::Bad:
            if (route.badLines++ == 0)
                route.firstBadLine = number;
            break;
        }
    }
    return route;
}
