// The core's UTF-16 texts as the platform's wide ones and back: both are 2-byte units on Windows,
// the same bytes under two names.
#pragma once

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* utf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}
