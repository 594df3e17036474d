#include "settings/text_util.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>


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

long FindLastBackslash(const char* text) {
    const char* last = std::strrchr(text, '\\');
    return last == nullptr ? -1 : static_cast<long>(last - text);
}
