// Text is UTF-8 in the program and UTF-16 for Windows: these conversions,
// at the calls, refuse what they cannot convert whole (bytes that are not
// UTF-8, an unpaired surrogate, a text too long for the buffer).
#pragma once

#include <windows.h>

#include <cstddef>

// Wide buffers for a path: a path of the program has at most 780 bytes, so
// never more UTF-16 units than that.
constexpr std::size_t WidePathSize = 1024;

inline bool ToWide(const char* text, wchar_t* wide, std::size_t size) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, static_cast<int>(size)) > 0;
}

inline bool FromWide(const wchar_t* wide, char* text, std::size_t size) {
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, text, static_cast<int>(size), nullptr,
                            nullptr) > 0)
        return true;
    if (size > 0) text[0] = '\0';
    return false;
}
