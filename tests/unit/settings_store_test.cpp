#include <gtest/gtest.h>

#include "tests/unit/job_world.h"

TEST(SettingsStore, DefaultsFillWhatIsEmptyAndRepairOnlyWhatTheFormCannotShow) {
    ClearSettingsStore();
    ApplySettingDefaults();  // the default texts: SettingsFile.ASavedFileLoadsBackTheSame
    for (int i = 0; i < IntSettingCount; ++i) EXPECT_EQ(IntSettings[i], i == Level ? 8 : 0) << i;

    const int cases[][3] = {  // the index, the value loaded, the value kept
        {Language, 2, 0},   {Language, 7, 0},    {Language, -1, 0},  {Language, 1, 1},
        {Mode, 5, 1},       {Mode, -3, 1},       {Mode, 1, 1},       {Mode, 0, 0},
        {Overwrite, 2, 1},  {Recurse, -1, 1},    {SameFolder, 9, 1}, {SameFolder, 0, 0},
        {WindowLeft, -32000, -32000},            {5, 77, 77},        {19, -4, -4},
    };
    for (const auto& [index, loaded, expected] : cases) {
        ClearSettingsStore();
        IntSettings[index] = loaded;
        ApplySettingDefaults();
        EXPECT_EQ(IntSettings[index], expected) << "index " << index << " loaded " << loaded;
    }

    // The shown spec follows the mode only when it is empty.
    ClearSettingsStore();
    IntSettings[Mode] = 1;
    SetSlot(LastFlacSpec, "d:\\music\\*.flac");
    ApplySettingDefaults();
    EXPECT_EQ(Slots({InputSpec, LastWavSpec}), (Strings{"d:\\music\\*.flac", "c:\\*.wav"}));
    for (int slot : {InputSpec, OutputSpec, ResultText}) SetSlot(slot, "kept " + std::to_string(slot));
    ApplySettingDefaults();
    for (int slot : {InputSpec, OutputSpec, ResultText})
        EXPECT_EQ(TextSlots[slot], "kept " + std::to_string(slot));
}

// The painter's copy of a slot (whole under the lock: JobThreadTest.ThePainterOnlyEverDrawsWholeTexts)
// fits the buffer it is given.
TEST(SettingsStore, ASlotIsReadIntoABufferThatFits) {
    ClearSettingsStore();
    PublishSlotText(ResultText, "bbbbbbbb");
    char small[8];
    ReadSlotText(ResultText, small, sizeof small);
    EXPECT_STREQ(small, "bbbbbbb");
}
