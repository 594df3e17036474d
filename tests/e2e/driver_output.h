// Output of the Wine test drivers: a label, a colon and the text, each line
// feed of the text written as \n, so that every text is one line to grep.
#pragma once

#include <cstdio>

inline void PrintEscaped(const char* label, const char* text) {
    std::printf("%s:", label);
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') std::fputs("\\n", stdout);
        else std::putchar(*p);
    }
    std::putchar('\n');
}
