#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "form/form_table.h"

extern const FormRow FormTableUtf8[FormRowCount];
extern const char* const MessageTableUtf8[MessageCount];

namespace {

// The text decoded from code page 932 to UTF-8; "?" when it is not valid.
std::string DecodeCp932(const char* text) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return "?";
    std::string input = text, out(1024, '\0');
    char *in = input.data(), *outPointer = out.data();
    std::size_t inLeft = input.size(), outLeft = out.size();
    bool ok = iconv(converter, &in, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(converter);
    return ok ? out.substr(0, out.size() - outLeft) : "?";
}

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Every text decodes to the source's UTF-8 text; the English ones are ASCII, alike in any code page.
TEST(FormTexts, TheTextsAreStoredInCodePage932) {
    int changed = 0;
    auto expectSame = [&changed](const char* stored, const char* source, bool english, const std::string& where) {
        EXPECT_EQ(DecodeCp932(stored), source) << where;
        EXPECT_TRUE(!english || IsAscii(stored)) << where;
        changed += std::strcmp(stored, source) != 0;
    };
    for (int row = 0; row < FormRowCount; ++row) {
        if (FormTable[row].labelJapanese == nullptr) continue;
        expectSame(FormTable[row].labelJapanese, FormTableUtf8[row].labelJapanese, false, "row " + std::to_string(row));
        expectSame(FormTable[row].labelEnglish, FormTableUtf8[row].labelEnglish, true, "row " + std::to_string(row));
    }
    for (int n = 0; n < MessageCount; ++n)
        expectSame(MessageTable[n], MessageTableUtf8[n], n % 2 == 1, "message " + std::to_string(n));
    // The comparison means something only if the two builds differ at all.
    EXPECT_GT(changed, 20);
}

TEST(FormTexts, LabelledRowsHaveBothLabelsAndNoOtherRowHasAny) {
    for (int row = 0; row < FormRowCount; ++row) {
        const FormRow& entry = FormTable[row];
        bool labelled = (entry.kind >= PushButton && entry.kind <= GroupBox) || entry.kind == StaticLabel;
        EXPECT_EQ(entry.labelJapanese != nullptr, labelled) << row;
        EXPECT_EQ(entry.labelEnglish != nullptr, labelled) << row;
        if (entry.kind == Empty) continue;
        // Inside the form's scroll range of 52 cells by 30 lines.
        EXPECT_TRUE(entry.left < entry.right && entry.right <= 520) << row;
        EXPECT_TRUE(entry.top < entry.bottom && entry.bottom <= 300) << row;
    }
    // The messages a job ends with start a new line where a status follows.
    for (int n : {OnlyWavMessage, OnlyFlacMessage, InputTooLongMessage, OutputTooLongMessage})
        for (int language : {0, 1}) EXPECT_EQ(MessageTable[n + language][std::strlen(MessageTable[n + language]) - 1], '\n') << n;
}

}  // namespace
