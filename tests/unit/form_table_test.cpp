#include <gtest/gtest.h>

#include <string>

#include "form/form_table.h"

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
        for (int language : {0, 1}) EXPECT_EQ(std::string(MessageTable[n + language]).back(), '\n') << n;
}
