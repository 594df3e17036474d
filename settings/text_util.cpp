#include "settings/text_util.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

bool CopyText(char* target, std::size_t size, const char* source) {
    std::size_t length = std::strlen(source);
    if (length >= size) return false;
    std::memcpy(target, source, length + 1);
    return true;
}

bool AppendText(char* target, std::size_t size, const char* source) {
    std::size_t used = std::strlen(target);
    if (used >= size) return false;
    return CopyText(target + used, size - used, source);
}

bool FormatText(char* target, std::size_t size, const char* format, ...) {
    if (size == 0) return false;
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(target, size, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<std::size_t>(length) >= size) {
        target[0] = '\0';
        return false;
    }
    return true;
}

std::size_t NextCharIndex(const char* text, std::size_t index) {
    if (text[index] == '\0') return index;
    if (PlatIsLeadByte(static_cast<unsigned char>(text[index])) && text[index + 1] != '\0')
        return index + 2;
    return index + 1;
}

long FindLastBackslash(const char* text) {
    long last = -1;
    for (std::size_t i = 0; text[i] != '\0'; i = NextCharIndex(text, i))
        if (text[i] == '\\') last = static_cast<long>(i);
    return last;
}
