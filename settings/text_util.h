// Bounded text and path helpers shared by every subsystem. Nothing here ever
// cuts a text silently: a text that does not fit is refused, and the caller
// decides what a refusal means.
#pragma once

#include <cstddef>

// Copies `source` into `target` (`size` bytes with the NUL). False, with
// `target` unchanged, when it does not fit.
bool CopyText(char* target, std::size_t size, const char* source);

// Appends `source` to the text in `target`. False, with `target` unchanged,
// when the whole does not fit.
bool AppendText(char* target, std::size_t size, const char* source);

// printf into `target`. False, with `target` empty, when the result would not
// fit.
bool FormatText(char* target, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// ASCII letters in lower case, every other byte as it is: how Windows
// compares names and extensions, UTF-8 bytes of other letters untouched.
inline char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Index of the last backslash of `text`, or -1 when there is none. Texts
// are UTF-8: no byte of a longer character is ever a backslash.
long FindLastBackslash(const char* text);
