// Reading gpsd's JSON watch stream. gpsd sends one JSON object per line (VERSION, DEVICES, WATCH,
// SKY, TPV ...); only TPV reports carry a position. Each complete line goes through
// nlohmann-json's event parser: the members of the top-level object that a TPV report uses are
// noted as they pass, nested objects and arrays (the device list, SKY's satellites) are passed
// over, and no tree is built. A line that is not well-formed JSON, is nested deeper than
// kMaxDepth or is longer than kGpsdMaxLine is ignored whole: half a report is never turned into a
// fix. The parser reports a bad line through the handler's return values; nothing here throws.
#include "gpsdriver/gpsd_stream.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include <nlohmann/json.hpp>

const char kGpsdWatchCommand[] = "?WATCH={\"enable\":true,\"json\":true};\n";

namespace {

using Json = nlohmann::json;

// gpsd nests three deep at most, the line's own object counted; a line nested deeper is none of
// its reports.
constexpr int kMaxDepth = 32;

// The longest time text read; no ISO timestamp of gpsd's comes near it.
constexpr size_t kLongestTime = 47;

// Absent, null, not a number, or beyond the range of a double.
constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

// nlohmann-json's error for a number beyond the range of a double.
constexpr int kNumberOverflow = 406;

// The members of a TPV report that the record is made from; kNoNumber where absent.
struct TpvReport {
    bool isTpv = false;
    double mode = kNoNumber;
    double lat = kNoNumber;
    double lon = kNoNumber;
    double altMsl = kNoNumber;
    double alt = kNoNumber;
    double altHae = kNoNumber;
    double track = kNoNumber;
    double speed = kNoNumber;
    std::string time;  // empty when absent or not a string
};

// The numeric members of a TPV report that the record uses.
struct NumberMember {
    const char* name;
    double TpvReport::*field;
};
const NumberMember kNumberMembers[] = {
    {"mode", &TpvReport::mode},     {"lat", &TpvReport::lat},     {"lon", &TpvReport::lon},
    {"altMSL", &TpvReport::altMsl}, {"alt", &TpvReport::alt},     {"altHAE", &TpvReport::altHae},
    {"track", &TpvReport::track},   {"speed", &TpvReport::speed},
};

double* numberMember(TpvReport* r, const std::string& key) {
    for (const NumberMember& m : kNumberMembers)
        if (key == m.name)
            return &(r->*m.field);
    return nullptr;
}

// A member of the top-level object: `text` is its value when that is a string, `number` when it
// is a number (kNoNumber otherwise). A later duplicate replaces the earlier member.
void noteMember(TpvReport* r, const std::string& key, double number, const std::string* text) {
    if (key == "class")
        r->isTpv = text != nullptr && *text == "TPV";
    else if (key == "time")
        r->time = text != nullptr ? *text : std::string();
    else if (double* member = numberMember(r, key))
        *member = number;
}

// The handler of nlohmann-json's event parser for one line: only an object is a report, and only
// its own members (depth 1) are noted. Returning false ends the parse and drops the line.
struct LineReader {
    TpvReport report;
    int depth;                // objects and arrays open around the next value
    std::string member;       // the name of the top-level member whose value comes next
    std::string overflowed;   // a number beyond the range of a double, as written
    size_t overflowEnd;       // the offset just past it

    bool value(double number, const std::string* text) {
        if (depth == 1)
            noteMember(&report, member, number, text);
        return depth > 0;
    }
    bool open(bool isObject) {
        if (depth == 0 && !isObject)
            return false;
        if (depth == 1)
            noteMember(&report, member, kNoNumber, nullptr);
        return ++depth <= kMaxDepth;
    }
    bool close() {
        --depth;
        return true;
    }

    bool null() { return value(kNoNumber, nullptr); }
    bool boolean(bool) { return value(kNoNumber, nullptr); }
    bool number_integer(Json::number_integer_t n) { return value(static_cast<double>(n), nullptr); }
    bool number_unsigned(Json::number_unsigned_t n) {
        return value(static_cast<double>(n), nullptr);
    }
    // A nonzero number too small for a double (1e-400) comes as 0. It counts as absent, as one
    // too large does; only its digits before the exponent tell it from a true zero.
    bool number_float(Json::number_float_t n, const Json::string_t& text) {
        bool underflow = n == 0 && text.find_first_of("123456789") < text.find_first_of("eE");
        return value(underflow ? kNoNumber : n, nullptr);
    }
    bool string(Json::string_t& s) { return value(kNoNumber, &s); }
    bool binary(Json::binary_t&) { return false; }  // only binary formats have these
    bool start_object(std::size_t) { return open(true); }
    bool key(Json::string_t& k) {
        if (depth == 1)
            member = k;
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(false); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t at, const std::string& token, const Json::exception& error) {
        if (error.id == kNumberOverflow) {
            overflowed = token;
            overflowEnd = at;
        }
        return false;
    }
};

// nlohmann-json ends the parse at a number beyond the range of a double (1e999). Such a member
// counts as absent, as null does, and the rest of the report stands: so the number is overwritten
// in place with null and blanks, and the line read again, once for each such number. The
// shortest of them has five characters ("2e308").
bool blankOverflowedNumber(char* text, size_t length, const LineReader& reader) {
    size_t n = reader.overflowed.size();
    if (n < 4 || reader.overflowEnd > length || reader.overflowEnd < n)
        return false;
    char* number = text + (reader.overflowEnd - n);
    if (std::memcmp(number, reader.overflowed.data(), n) != 0)
        return false;
    std::memset(number, ' ', n);
    std::memcpy(number, "null", 4);
    return true;
}

// One line: exactly one object, with white space around it at most. Numbers beyond the range of
// a double are blanked in `text` on the way.
bool readReport(char* text, size_t length, TpvReport* r) {
    // JSON has no place for a NUL byte, yet the parser takes one for the end of the text and
    // would read no further; it also skips a byte order mark at the start, which gpsd never
    // writes. Neither line is a report.
    if (std::memchr(text, '\0', length) != nullptr || (length > 0 && text[0] == '\xEF'))
        return false;
    try {
        for (;;) {
            LineReader reader{};
            if (Json::sax_parse(text, text + length, &reader)) {
                *r = std::move(reader.report);
                return true;
            }
            if (!blankOverflowedNumber(text, length, reader))
                return false;
        }
    } catch (const std::bad_alloc&) {
        // The parser allocates as it reads; a line it had no memory for is dropped like any
        // other it could not read.
        return false;
    }
}

// Every double-to-integer conversion goes through here: NaN gives 0, anything outside [lo, hi]
// (infinities included) gives the nearer bound, so llround only ever sees values it can hold.
long long roundClamped(double v, long long lo, long long hi) {
    if (std::isnan(v))
        return 0;
    if (v <= static_cast<double>(lo))
        return lo;
    if (v >= static_cast<double>(hi))
        return hi;
    return std::llround(v);
}

// Course in tenths of a degree, 0 to 3599: any finite track is wrapped into [0, 360), and a
// value that rounds up to 360.0 is north again.
uint16_t courseTenths(double track) {
    if (!std::isfinite(track))
        return 0;
    double degrees = std::fmod(track, 360.0);
    if (degrees < 0)
        degrees += 360.0;
    long long tenths = roundClamped(degrees * 10.0, 0, 3600);
    return static_cast<uint16_t>(tenths == 3600 ? 0 : tenths);
}

double firstNumber(double a, double b, double c) {
    if (!std::isnan(a))
        return a;
    if (!std::isnan(b))
        return b;
    return c;
}

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Reads `count` digits at text[*pos]; -1 when one of them is not a digit.
int readField(const std::string& t, size_t* pos, size_t count) {
    int value = 0;
    for (size_t i = 0; i < count; ++i, ++*pos) {
        if (*pos >= t.size() || !isDigit(t[*pos]))
            return -1;
        value = value * 10 + (t[*pos] - '0');
    }
    return value;
}

bool readSeparator(const std::string& t, size_t* pos, char wanted) {
    if (*pos >= t.size() || t[*pos] != wanted)
        return false;
    ++*pos;
    return true;
}

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "YYYY-MM-DDTHH:MM:SS[.fff...]Z", UTC; the fraction of the second is dropped. Anything else
// leaves the date and time 0. Second 60 is a leap second.
void fillTime(const std::string& t, ZQGPS_POSITIONALDATA* fix) {
    size_t pos = 0;
    int year = readField(t, &pos, 4);
    bool ok = readSeparator(t, &pos, '-');
    int month = readField(t, &pos, 2);
    ok = readSeparator(t, &pos, '-') && ok;
    int day = readField(t, &pos, 2);
    ok = readSeparator(t, &pos, 'T') && ok;
    int hour = readField(t, &pos, 2);
    ok = readSeparator(t, &pos, ':') && ok;
    int minute = readField(t, &pos, 2);
    ok = readSeparator(t, &pos, ':') && ok;
    int second = readField(t, &pos, 2);
    if (readSeparator(t, &pos, '.')) {
        ok = pos < t.size() && isDigit(t[pos]) && ok;
        while (pos < t.size() && isDigit(t[pos]))
            ++pos;
    }
    ok = readSeparator(t, &pos, 'Z') && pos == t.size() && t.size() <= kLongestTime && ok;
    ok = ok && year >= 0 && month >= 1 && month <= 12 && day >= 1;
    ok = ok && day <= daysInMonth(year, month) && hour >= 0 && hour <= 23;
    ok = ok && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
    if (!ok)
        return;
    fix->year = static_cast<uint16_t>(year);
    fix->month = static_cast<uint16_t>(month);
    fix->day = static_cast<uint16_t>(day);
    fix->hour = static_cast<uint16_t>(hour);
    fix->minute = static_cast<uint16_t>(minute);
    fix->second = static_cast<uint16_t>(second);
}

// A TPV report with a 2D or 3D fix and usable coordinates becomes a record; everything else is
// no fix. The comparisons are false for NaN, so an absent member fails them.
GpsdNews readTpv(const TpvReport& r, ZQGPS_POSITIONALDATA* fix) {
    if (!(r.mode == 2 || r.mode == 3))
        return GpsdNews::NoFix;
    if (!(std::fabs(r.lat) <= 90.0) || !(std::fabs(r.lon) <= 180.0))
        return GpsdNews::NoFix;
    *fix = ZQGPS_POSITIONALDATA{};
    fillTime(r.time, fix);
    fix->mode = r.mode == 3 ? 3 : 2;
    fix->latitude = static_cast<int32_t>(roundClamped(r.lat * 1e7, -900000000, 900000000));
    fix->longitude = static_cast<int32_t>(roundClamped(r.lon * 1e7, -1800000000, 1800000000));
    double altitude = firstNumber(r.altMsl, r.alt, r.altHae);
    fix->altitude = static_cast<int16_t>(roundClamped(altitude, -32767, 32767));
    fix->course = courseTenths(r.track);
    // m/s to tenths of km/h: x 3.6 x 10.
    fix->speed = static_cast<uint16_t>(roundClamped(r.speed * 36.0, 0, 65535));
    return GpsdNews::Fix;
}

// One complete line: a TPV report updates the news, anything else leaves it alone.
void noteLine(char* text, size_t length, GpsdNews* news, ZQGPS_POSITIONALDATA* fix) {
    TpvReport report;
    if (!readReport(text, length, &report) || !report.isTpv)
        return;
    ZQGPS_POSITIONALDATA candidate;
    *news = readTpv(report, &candidate);
    if (*news == GpsdNews::Fix)
        *fix = candidate;
}

// Adds part of a line; once the line outgrows the buffer, the rest of it up to '\n' is skipped.
void appendToLine(GpsdStream* stream, const char* bytes, size_t count) {
    if (stream->discarding)
        return;
    if (count > kGpsdMaxLine - stream->used) {
        stream->discarding = true;
        stream->used = 0;
        return;
    }
    std::memcpy(stream->line + stream->used, bytes, count);
    stream->used += count;
}

} // namespace

void resetGpsdStream(GpsdStream* stream) {
    stream->used = 0;
    stream->discarding = false;
}

GpsdNews feedGpsdStream(GpsdStream* stream, const char* bytes, size_t length,
                        ZQGPS_POSITIONALDATA* latest) {
    GpsdNews news = GpsdNews::None;
    ZQGPS_POSITIONALDATA fix{};
    size_t at = 0;
    while (at < length) {
        const void* found = std::memchr(bytes + at, '\n', length - at);
        size_t end = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - bytes)
                                      : length;
        appendToLine(stream, bytes + at, end - at);
        if (found == nullptr)
            break;
        if (!stream->discarding)
            noteLine(stream->line, stream->used, &news, &fix);
        resetGpsdStream(stream);
        at = end + 1;
    }
    if (news == GpsdNews::Fix)
        *latest = fix;
    return news;
}
