#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "form/form_table.h"

extern const FormRow FormTableUtf8[FormRowCount];
extern const char* const MessageTableUtf8[MessageCount];

namespace {

// The text decoded from code page 932 to UTF-8; false when it is not valid
// code page 932.
bool DecodeCp932(const char* text, std::string* decoded) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string input = text;
    char out[1024];
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* outPointer = out;
    std::size_t outLeft = sizeof out;
    bool ok = iconv(converter, &in, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(converter);
    decoded->assign(out, sizeof out - outLeft);
    return ok;
}

bool IsAscii(const char* text) {
    for (; *text != '\0'; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80) return false;
    return true;
}

// Each Japanese text must be valid code page 932 and decode to exactly the
// text of the source; the English ones are plain ASCII, unchanged.
void ExpectPair(const char* japanese, const char* japaneseSource, const char* english,
                const char* englishSource, const std::string& where) {
    std::string decoded;
    EXPECT_TRUE(DecodeCp932(japanese, &decoded)) << where;
    EXPECT_EQ(decoded, japaneseSource) << where;
    EXPECT_TRUE(IsAscii(english)) << where;
    EXPECT_STREQ(english, englishSource) << where;
}

TEST(FormTexts, JapaneseTextsAreStoredInCodePage932) {
    int japaneseTexts = 0;
    for (int row = 0; row < FormRowCount; ++row) {
        const FormRow& entry = FormTable[row];
        if (entry.labelJapanese == nullptr) continue;
        ExpectPair(entry.labelJapanese, FormTableUtf8[row].labelJapanese, entry.labelEnglish,
                   FormTableUtf8[row].labelEnglish, "row " + std::to_string(row));
        japaneseTexts += IsAscii(entry.labelJapanese) ? 0 : 1;
    }
    for (int n = 0; n < MessageCount; n += 2) {
        ExpectPair(MessageTable[n], MessageTableUtf8[n], MessageTable[n + 1], MessageTableUtf8[n + 1],
                   "message " + std::to_string(n));
        japaneseTexts += IsAscii(MessageTable[n]) ? 0 : 1;
    }
    // The comparison means something only if the two builds differ at all.
    EXPECT_GT(japaneseTexts, 20);
    EXPECT_STRNE(FormTable[ExecuteRow].labelJapanese, FormTableUtf8[ExecuteRow].labelJapanese);
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
