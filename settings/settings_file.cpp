#include "settings/settings_file.h"

#include <cstring>

#include "settings/settings_store.h"
#include "settings/text_util.h"

namespace {

constexpr char SettingsName[] = "Kestrelia";
constexpr char StoredLineFeed = 7;
constexpr std::size_t ReadChunk = 4096;

// Reads the file's lines. A line's bytes come without the line end (a line
// feed, or CR LF); a line longer than a slot keeps its first 9999 bytes and
// the rest of it is skipped, so the lines after it keep their places.
struct LineReader {
    PlatFile file;
    char chunk[ReadChunk];
    std::size_t next;
    std::size_t filled;
    bool ended;
    bool failed;  // a read error, not the file's end
};

// The file is there but could not be read whole: the store holds defaults
// or a part of it, and saving that would destroy the user's file.
bool keepFileAtExit = false;

bool NextByte(LineReader* reader, char* byte) {
    if (reader->next == reader->filled) {
        if (reader->ended) return false;
        long count = PlatReadFile(reader->file, reader->chunk, sizeof reader->chunk);
        if (count <= 0) {
            reader->ended = true;
            reader->failed = count < 0;
            return false;
        }
        reader->next = 0;
        reader->filled = static_cast<std::size_t>(count);
    }
    *byte = reader->chunk[reader->next++];
    return true;
}

// False at the end of the file. `line` gets at most TextSlotSize - 1 bytes
// and a NUL; `length` the bytes kept.
bool ReadLine(LineReader* reader, char* line, std::size_t* length) {
    constexpr std::size_t cap = TextSlotSize - 1;
    std::size_t kept = 0, seen = 0;
    char byte = 0, previous = 0;
    bool any = false;
    while (NextByte(reader, &byte)) {
        any = true;
        if (byte == '\n') {
            // CR LF ends a line too; its CR was kept only when all was kept.
            if (previous == '\r' && seen <= cap) --kept;
            break;
        }
        if (kept < cap) line[kept++] = byte;
        ++seen;
        previous = byte;
    }
    line[kept] = '\0';
    *length = kept;
    return any;
}

// One line of the file being written; false when it was not written whole.
bool WriteLine(PlatFile file, const char* text) {
    return PlatWriteFile(file, text, std::strlen(text)) && PlatWriteFile(file, "\r\n", 2);
}

bool WriteNumberLine(PlatFile file, std::int32_t value) {
    char line[16];
    FormatText(line, sizeof line, "%d", static_cast<int>(value));
    return WriteLine(file, line);
}

}  // namespace

std::int32_t ParseSettingNumber(const char* line) {
    const char* at = line;
    while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
    bool negative = *at == '-';
    if (*at == '-' || *at == '+') ++at;
    std::int64_t value = 0;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; *at >= '0' && *at <= '9'; ++at) {
        value = value * 10 + (*at - '0');
        if (value > limit) value = limit;  // stays saturated, never overflows
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

void DeriveSettingsPaths() {
    keepFileAtExit = false;
    SettingsPath[0] = '\0';
    EncoderPath[0] = '\0';
    char name[sizeof SettingsName + 4];
    FormatText(name, sizeof name, "%s.exe", SettingsName);
    std::size_t length = PlatFullPathName(name, SettingsPath, sizeof SettingsPath);
    if (length < 3) {
        SettingsPath[0] = '\0';
        return;
    }
    std::memcpy(SettingsPath + length - 3, "ini", 4);
    long slash = FindLastBackslash(SettingsPath);
    std::size_t keep = slash < 0 ? 1 : static_cast<std::size_t>(slash) + 1;
    std::memcpy(EncoderPath, SettingsPath, keep);
    std::memcpy(EncoderPath + keep, "flac", 5);
}

// True when `text` is UTF-8: every sequence whole, none longer than it
// must be, no surrogate, nothing past U+10FFFF.
static bool IsUtf8(const char* text, std::size_t length) {
    const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = at + length;
    while (at < end) {
        const unsigned char lead = *at++;
        if (lead < 0x80) continue;
        const int more = lead >= 0xC2 && lead <= 0xDF   ? 1
                         : lead >= 0xE0 && lead <= 0xEF ? 2
                         : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                        : -1;
        if (more < 0 || end - at < more) return false;
        const unsigned char second = at[0];
        const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (second < low || second > high) return false;
        for (int i = 1; i < more; ++i)
            if ((at[i] & 0xC0) != 0x80) return false;
        at += more;
    }
    return true;
}

// The counted integer lines, then the counted text lines; an early end of
// the file stops the reading wherever it comes. The texts are UTF-8, or,
// when any of them is not, all in the ANSI code page of an earlier version:
// then they are converted, and a text that does not fit its slot so keeps
// the file from being replaced.
static void ReadSettings(LineReader* reader) {
    static char line[TextSlotSize];
    static char texts[TextSlotCount][TextSlotSize];
    std::size_t length = 0;
    if (!ReadLine(reader, line, &length)) return;
    const std::int32_t integerCount = ParseSettingNumber(line);
    for (std::int32_t j = 0; j < integerCount; ++j) {
        if (!ReadLine(reader, line, &length)) return;
        if (j < IntSettingCount) IntSettings[j] = ParseSettingNumber(line);
    }
    if (!ReadLine(reader, line, &length)) return;
    const std::int32_t textCount = ParseSettingNumber(line);
    int read = 0;
    bool utf8 = true;
    for (std::int32_t k = 0; k < textCount && ReadLine(reader, line, &length); ++k) {
        if (k >= TextSlotCount) continue;
        for (std::size_t i = 0; i < length; ++i)
            if (line[i] == StoredLineFeed) line[i] = '\n';
        std::memcpy(texts[k], line, length + 1);
        utf8 = utf8 && IsUtf8(line, length);
        read = k + 1;
    }
    for (int k = 0; k < read; ++k) {
        if (utf8)
            std::memcpy(TextSlots[k], texts[k], std::strlen(texts[k]) + 1);
        else if (!PlatAnsiToUtf8(texts[k], TextSlots[k], TextSlotSize))
            keepFileAtExit = true;
    }
}

void LoadSettingsFile() {
    keepFileAtExit = false;
    if (SettingsPath[0] == '\0') return;
    static LineReader reader;
    reader = LineReader{};
    reader.file = PlatOpenFileRead(SettingsPath);
    if (reader.file == nullptr) {
        keepFileAtExit = PlatPathExists(SettingsPath);
        // The first start speaks the user's language; a stored one wins.
        if (!keepFileAtExit) IntSettings[Language] = PlatUserLanguageJapanese() ? 0 : 1;
        return;
    }
    ReadSettings(&reader);
    PlatCloseFile(reader.file);
    keepFileAtExit = keepFileAtExit || reader.failed;
}

void SaveSettingsFile() {
    char temporary[RunPathSize + 8];
    if (keepFileAtExit || !FormatText(temporary, sizeof temporary, "%s.new", SettingsPath)) return;
    PlatFile file = PlatCreateFileWrite(temporary);
    if (file == nullptr) return;
    static char line[TextSlotSize];
    bool written = WriteNumberLine(file, IntSettingCount);
    for (int i = 0; i < IntSettingCount; ++i) written = written && WriteNumberLine(file, IntSettings[i]);
    written = written && WriteNumberLine(file, TextSlotCount);
    for (int k = 0; k < TextSlotCount; ++k) {
        // A line feed inside a text would end its line.
        std::size_t n = 0;
        for (const char* at = TextSlots[k]; *at != '\0'; ++at) line[n++] = *at == '\n' ? StoredLineFeed : *at;
        line[n] = '\0';
        written = written && WriteLine(file, line);
    }
    written = PlatCloseFile(file) && written;
    // Only a whole file may take the old one's place.
    if (!written || !PlatReplaceFile(temporary, SettingsPath)) PlatDeleteFile(temporary);
}
