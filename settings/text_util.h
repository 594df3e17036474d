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

// Index of the character after the one at `index`: two bytes on for a lead
// byte of the ANSI code page, one otherwise. Never steps over the NUL.
std::size_t NextCharIndex(const char* text, std::size_t index);

// Index of the last backslash of `text` that is a character of its own (not
// the trail byte of a two-byte character), or -1 when there is none.
long FindLastBackslash(const char* text);
