// Reading gpsd's JSON watch stream. gpsd sends one JSON object per line (VERSION, DEVICES, WATCH,
// SKY, TPV ...); only TPV reports carry a position. Each complete line goes through a small strict
// JSON reader of our own: the members of the top-level object are checked and the few TPV members
// we use are kept; nested objects and arrays (the device list, SKY's satellites) are checked and
// skipped. A line that is not well-formed JSON, or is longer than kGpsdMaxLine, is ignored whole:
// half a report is never turned into a fix.
#include "gpsdriver/gpsd_stream.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

const char kGpsdWatchCommand[] = "?WATCH={\"enable\":true,\"json\":true};\n";

namespace {

// gpsd nests three deep at most; the bound keeps the recursive walk off the end of the stack.
constexpr int kMaxDepth = 32;

// Strings longer than this ("device" paths, long keys) are checked but not kept: none of the keys
// or string values we use comes near it.
constexpr size_t kShortText = 47;

// Absent, null, not a number, or beyond the range of a double.
constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

// One line, a position and a sticky error: once the error is set every peek yields '\0', which
// no rule of the grammar accepts, so each walk stops and the line is dropped.
struct Cursor {
    const char* text;
    size_t length;
    size_t pos;
    bool error;
};

char peek(const Cursor& c) {
    return !c.error && c.pos < c.length ? c.text[c.pos] : '\0';
}

void fail(Cursor* c) {
    c->error = true;
}

bool accept(Cursor* c, char wanted) {
    if (peek(*c) != wanted)
        return false;
    ++c->pos;
    return true;
}

void expect(Cursor* c, char wanted) {
    if (!accept(c, wanted))
        fail(c);
}

void skipSpace(Cursor* c) {
    for (;;) {
        char ch = peek(*c);
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n')
            return;
        ++c->pos;
    }
}

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// A decoded string, kept only while it fits.
struct ShortText {
    char text[kShortText];
    size_t length;
    bool fits;
};

void keepChar(ShortText* s, char ch) {
    if (s->length < kShortText)
        s->text[s->length++] = ch;
    else
        s->fits = false;
}

bool textIs(const ShortText& s, const char* wanted) {
    size_t n = std::strlen(wanted);
    return s.fits && s.length == n && std::memcmp(s.text, wanted, n) == 0;
}

int hexValue(char ch) {
    if (isDigit(ch))
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// \uXXXX. A character beyond ASCII is kept as 0x80, which matches none of our keys or values.
void readUnicodeEscape(Cursor* c, ShortText* out) {
    unsigned code = 0;
    for (int i = 0; i < 4; ++i) {
        int h = hexValue(peek(*c));
        if (h < 0) {
            fail(c);
            return;
        }
        code = code * 16 + static_cast<unsigned>(h);
        ++c->pos;
    }
    keepChar(out, code < 0x80 ? static_cast<char>(code) : '\x80');
}

void readEscape(Cursor* c, ShortText* out) {
    char ch = peek(*c);
    ++c->pos;
    switch (ch) {
    case '"': keepChar(out, '"'); break;
    case '\\': keepChar(out, '\\'); break;
    case '/': keepChar(out, '/'); break;
    case 'b': keepChar(out, '\b'); break;
    case 'f': keepChar(out, '\f'); break;
    case 'n': keepChar(out, '\n'); break;
    case 'r': keepChar(out, '\r'); break;
    case 't': keepChar(out, '\t'); break;
    case 'u': readUnicodeEscape(c, out); break;
    default: fail(c); break;
    }
}

// A string; raw control characters (and the end of the line) make it malformed. Bytes from 0x80
// up pass unchecked: none of them can end the string or form an escape.
void readString(Cursor* c, ShortText* out) {
    out->length = 0;
    out->fits = true;
    expect(c, '"');
    while (!c->error) {
        char ch = peek(*c);
        if (static_cast<unsigned char>(ch) < 0x20) {
            fail(c);
        } else if (ch == '"') {
            ++c->pos;
            return;
        } else if (ch == '\\') {
            ++c->pos;
            readEscape(c, out);
        } else {
            keepChar(out, ch);
            ++c->pos;
        }
    }
}

void readDigits(Cursor* c) {
    if (!isDigit(peek(*c)))
        fail(c);
    while (isDigit(peek(*c)))
        ++c->pos;
}

// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)? and its value. from_chars does not depend on the
// locale a host may have set; a number beyond the range of a double comes back as kNoNumber.
double readNumber(Cursor* c) {
    size_t start = c->pos;
    accept(c, '-');
    if (!accept(c, '0'))
        readDigits(c);
    if (accept(c, '.'))
        readDigits(c);
    if (accept(c, 'e') || accept(c, 'E')) {
        if (!accept(c, '+'))
            accept(c, '-');
        readDigits(c);
    }
    if (c->error)
        return kNoNumber;
    double value = 0;
    const char* first = c->text + start;
    const char* last = c->text + c->pos;
    std::from_chars_result r = std::from_chars(first, last, value);
    if (r.ptr != last)
        fail(c);
    if (r.ec != std::errc())
        return kNoNumber;
    return value;
}

void readWord(Cursor* c, const char* word) {
    for (const char* w = word; *w != '\0'; ++w)
        expect(c, *w);
}

// The members of a TPV report that the record is made from; kNoNumber where absent.
struct TpvReport {
    bool isTpv;
    double mode;
    double lat;
    double lon;
    double altMsl;
    double alt;
    double altHae;
    double track;
    double speed;
    ShortText time;  // length 0 when absent or not a string
};

enum class ValueKind { Other, String, Number };

struct Value {
    ValueKind kind;
    double number;
    ShortText text;
};

void readValue(Cursor* c, int depth, Value* v);

void noteMember(TpvReport* r, const ShortText& key, const Value& v) {
    double number = v.kind == ValueKind::Number ? v.number : kNoNumber;
    if (textIs(key, "class"))
        r->isTpv = v.kind == ValueKind::String && textIs(v.text, "TPV");
    else if (textIs(key, "mode"))
        r->mode = number;
    else if (textIs(key, "lat"))
        r->lat = number;
    else if (textIs(key, "lon"))
        r->lon = number;
    else if (textIs(key, "altMSL"))
        r->altMsl = number;
    else if (textIs(key, "alt"))
        r->alt = number;
    else if (textIs(key, "altHAE"))
        r->altHae = number;
    else if (textIs(key, "track"))
        r->track = number;
    else if (textIs(key, "speed"))
        r->speed = number;
    else if (textIs(key, "time"))
        r->time = v.kind == ValueKind::String ? v.text : ShortText{};
}

// An object; its members are noted in *report when there is one (the top level), else skipped.
void readObject(Cursor* c, int depth, TpvReport* report) {
    if (depth > kMaxDepth) {
        fail(c);
        return;
    }
    expect(c, '{');
    skipSpace(c);
    if (accept(c, '}'))
        return;
    do {
        skipSpace(c);
        ShortText key;
        readString(c, &key);
        skipSpace(c);
        expect(c, ':');
        skipSpace(c);
        Value v;
        readValue(c, depth, &v);
        if (report != nullptr && !c->error)
            noteMember(report, key, v);
        skipSpace(c);
    } while (accept(c, ','));
    expect(c, '}');
}

void skipArray(Cursor* c, int depth) {
    if (depth > kMaxDepth) {
        fail(c);
        return;
    }
    expect(c, '[');
    skipSpace(c);
    if (accept(c, ']'))
        return;
    do {
        skipSpace(c);
        Value v;
        readValue(c, depth, &v);
        skipSpace(c);
    } while (accept(c, ','));
    expect(c, ']');
}

void readValue(Cursor* c, int depth, Value* v) {
    v->kind = ValueKind::Other;
    v->number = kNoNumber;
    char ch = peek(*c);
    if (ch == '"') {
        v->kind = ValueKind::String;
        readString(c, &v->text);
    } else if (ch == '-' || isDigit(ch)) {
        v->kind = ValueKind::Number;
        v->number = readNumber(c);
    } else if (ch == '{') {
        readObject(c, depth + 1, nullptr);
    } else if (ch == '[') {
        skipArray(c, depth + 1);
    } else if (ch == 't') {
        readWord(c, "true");
    } else if (ch == 'f') {
        readWord(c, "false");
    } else if (ch == 'n') {
        readWord(c, "null");
    } else {
        fail(c);
    }
}

// One line: exactly one object, with white space around it at most.
bool readReport(const char* text, size_t length, TpvReport* r) {
    *r = TpvReport{};
    r->mode = r->lat = r->lon = kNoNumber;
    r->altMsl = r->alt = r->altHae = kNoNumber;
    r->track = r->speed = kNoNumber;
    Cursor c{text, length, 0, false};
    skipSpace(&c);
    readObject(&c, 1, r);
    skipSpace(&c);
    if (c.pos != c.length)
        fail(&c);
    return !c.error;
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

// Reads `count` digits at text[*pos]; -1 when one of them is not a digit.
int readField(const ShortText& t, size_t* pos, size_t count) {
    int value = 0;
    for (size_t i = 0; i < count; ++i, ++*pos) {
        if (*pos >= t.length || !isDigit(t.text[*pos]))
            return -1;
        value = value * 10 + (t.text[*pos] - '0');
    }
    return value;
}

bool readSeparator(const ShortText& t, size_t* pos, char wanted) {
    if (*pos >= t.length || t.text[*pos] != wanted)
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
void fillTime(const ShortText& t, ZQGPS_POSITIONALDATA* fix) {
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
        ok = pos < t.length && isDigit(t.text[pos]) && ok;
        while (pos < t.length && isDigit(t.text[pos]))
            ++pos;
    }
    ok = readSeparator(t, &pos, 'Z') && pos == t.length && t.fits && ok;
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
void noteLine(const char* text, size_t length, GpsdNews* news, ZQGPS_POSITIONALDATA* fix) {
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
