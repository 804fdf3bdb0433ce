// Plain-text tables for the lists, and the texts of their cells.
#include "tools/waytool_table.h"

#include <algorithm>
#include <cstdio>

#include "exchange/socket_address.h"
#include "tools/waytool_text.h"

size_t displayWidth(const std::string& utf8) {
    size_t width = 0;
    for (char c : utf8)
        width += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
    return width;
}

std::string table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(row[i]));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - displayWidth(row[i]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

std::string floatText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string iconText(int32_t index) {
    if (index >= 0 && index < 6)
        return number(index) + " " + kIconColours[index];
    return number(index) + " (no such icon)";
}

// A flag the module tests for non-zero, with its raw value when that is not 0 or 1.
std::string flagText(int32_t value, const char* set, const char* clear) {
    std::string text = value != 0 ? set : clear;
    if (value != 0 && value != 1)
        text += " (" + number(value) + ")";
    return text;
}

std::string dottedAddress(uint32_t address) {
    char text[kDottedAddressSize];
    formatDottedAddress(address, text);  // as the module shows it
    return text;
}

// The ID as the module sends it: the narrow copy of the UTF-16 units, which keeps each unit's low
// byte and stops at a zero one.
std::string targetIdText(const char16_t* id) {
    std::string narrow;
    for (size_t i = 0; i < 16 && (id[i] & 0xFF) != 0; ++i)
        narrow.push_back(static_cast<char>(id[i] & 0xFF));
    return latin1Text(narrow.data(), narrow.size());
}

