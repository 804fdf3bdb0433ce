// The texts waytool writes: numbers, offsets in messages, 8-bit file texts and file names as
// UTF-8, and the escaping of XML and JSON.
#include "tools/waytool_text.h"

#include <cstdio>
#include <cstring>

const char* const kIconColours[6] = {"red", "green", "yellow", "blue", "cyan", "magenta"};

namespace {

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | code >> 18));
        out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool isControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// One code point of well-formed UTF-8 at `at` (no overlong forms, surrogates or values past
// U+10FFFF); 0 bytes when there is none.
size_t decodeUtf8(const std::string& text, size_t at, uint32_t* code) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(at);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                                    : lead >= 0xE0 && lead <= 0xEF ? 3
                                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                   : 0;
    if (length == 0 || text.size() - at < length)
        return 0;
    uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (byte(at + i) & 0x3F);
    }
    static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

// A file name as the host's file system gave it: kept when it is well-formed UTF-8, else taken as
// Latin-1 (a narrow name on Windows is in the ANSI code page); controls and the two code points

}  // namespace

std::string number(int64_t value) {
    return std::to_string(value);
}

std::string atOffset(const std::string& path, size_t offset, const std::string& what) {
    return path + ": offset " + number(static_cast<int64_t>(offset)) + ": " + what;
}

// The part of a path after its last '/' or '\' (a track file may come from either side).
std::string lastPathPart(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
std::string fileNameText(const std::string& name) {
    std::string out;
    for (size_t at = 0; at < name.size();) {
        uint32_t code;
        size_t length = decodeUtf8(name, at, &code);
        if (length == 0)
            return latin1Text(name.data(), name.size());
        if (!isControl(code) && code != 0xFFFE && code != 0xFFFF)
            appendUtf8(out, code);
        at += length;
    }
    return out;
}

// A fixed-size text field of a list record: up to its first zero, or all of it.
std::string fieldText(const char* field, size_t size) {
    const void* zero = std::memchr(field, 0, size);
    size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : size;
    return latin1Text(field, length);
}
std::string fixedDegrees(int32_t value, int digits) {
    int64_t scale = 1;
    for (int i = 0; i < digits; ++i)
        scale *= 10;
    int64_t magnitude = value < 0 ? -int64_t(value) : int64_t(value);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%0*lld", value < 0 ? "-" : "",
                  static_cast<long long>(magnitude / scale), digits,
                  static_cast<long long>(magnitude % scale));
    return text;
}

std::string latin1Text(const char* bytes, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        uint8_t byte = static_cast<uint8_t>(bytes[i]);
        if (!isControl(byte))
            appendUtf8(out, byte);
    }
    return out;
}

std::string xmlEscaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string jsonEscaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<uint8_t>(c) < 0x20) {
            // Our texts have none left; escaped all the same, as JSON requires.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string jsonString(const std::string& utf8) {
    return "\"" + jsonEscaped(utf8) + "\"";
}
