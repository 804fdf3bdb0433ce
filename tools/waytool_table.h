// Plain-text tables for the lists, and the texts of their cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Columns padded to their widest cell (in code points), two blanks apart.
std::string table(const std::vector<std::vector<std::string>>& rows);

std::string floatText(float value);
// "2 yellow", or "7 (no such icon)".
std::string iconText(int32_t index);
// A flag the module tests for non-zero, with its raw value when that is not 0 or 1.
std::string flagText(int32_t value, const char* set, const char* clear);
// Network byte order as the record lies: the first number is the lowest-addressed byte.
std::string dottedAddress(uint32_t address);
// The ID as the module sends it: the narrow copy of the UTF-16 units.
std::string targetIdText(const char16_t* id);
