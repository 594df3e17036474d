#include <gtest/gtest.h>

#include "tests/unit/job_world.h"

// Callers rely on a refusal, never a cut text: 7 bytes fit 8, 8 do not.
TEST(TextUtil, TextsThatDoNotFitAreRefusedNotCut) {
    char buffer[8] = "abc";
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "12345678"));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "defgh"));
    EXPECT_STREQ(buffer, "abc");
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "defg"));
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_FALSE(FormatText(buffer, sizeof buffer, "%s\\%d", "abcd", 123));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(FormatText(buffer, sizeof buffer, "%s\\%d", "abcd", 12));
    EXPECT_STREQ(buffer, "abcd\\12");
}
