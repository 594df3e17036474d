#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"
#include "settings/text_util.h"

namespace {

TEST(TextUtil, TextsThatDoNotFitAreRefusedNotCut) {
    char buffer[8] = "abc";
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "12345678"));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "1234567"));
    EXPECT_STREQ(buffer, "1234567");

    CopyText(buffer, sizeof buffer, "abc");
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "defgh"));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "defg"));
    EXPECT_STREQ(buffer, "abcdefg");

    EXPECT_FALSE(FormatText(buffer, sizeof buffer, "%s\\%d", "abcd", 123));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(FormatText(buffer, sizeof buffer, "%s\\%d", "abcd", 12));
    EXPECT_STREQ(buffer, "abcd\\12");
}

// In code page 932 the second byte of 表 and ソ is the byte of the
// backslash; only a backslash of its own separates path parts.
TEST(TextUtil, BackslashSearchKeepsTwoByteCharactersWhole) {
    FakeReset();
    struct Case {
        int codePage;
        const char* text;
        long expected;
    } cases[] = {
        {932, "c:\\表", 2},
        {932, "c:\\表\\*.wav", 5},
        {932, "ソ", -1},
        {932, "\\ソ表", 0},
        {932, "c:\\music\\*.wav", 8},
        {1252, "c:\\表", 4},  // a single-byte code page sees the 0x5C
        {932, "", -1},
    };
    for (const Case& c : cases) {
        FakeSetCodePage(c.codePage);
        EXPECT_EQ(FindLastBackslash(c.text), c.expected) << c.codePage << " " << c.text;
    }

    // A lead byte at the very end has no trail byte to take with it.
    FakeSetCodePage(932);
    const char dangling[] = {'a', '\x95', '\0'};
    EXPECT_EQ(NextCharIndex(dangling, 1), 2u);
    EXPECT_EQ(NextCharIndex(dangling, 2), 2u);
}

}  // namespace
