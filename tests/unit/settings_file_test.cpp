#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"
#include "form/form_table.h"
#include "platform/fake/fake_window.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

namespace {

const std::string Ini = "c:\\work\\Kestrelia.ini";

// The current folder c:\work, with the settings paths derived from it.
void FreshWorld() {
    FakeReset();
    FakeAddFolder("c:\\work");
    DeriveSettingsPaths();
}

// A store loaded from these bytes.
void LoadFrom(const std::string& bytes) {
    FreshWorld();
    ClearSettingsStore();
    FakePutBytes(Ini, bytes);
    LoadSettingsFile();
}

std::string Lines(std::initializer_list<std::string> lines, const char* end = "\r\n") {
    std::string all;
    for (const std::string& line : lines) all += line + end;
    return all;
}

TEST(SettingsPaths, FollowTheCurrentFolderAndRefuseWhatDoesNotFit) {
    FakeReset();
    DeriveSettingsPaths();
    EXPECT_STREQ(SettingsPath, "c:\\work\\Kestrelia.ini");
    EXPECT_STREQ(EncoderPath, "c:\\work\\flac");

    FakeSetCurrentFolder("C:\\");
    DeriveSettingsPaths();
    EXPECT_STREQ(SettingsPath, "C:\\Kestrelia.ini");
    EXPECT_STREQ(EncoderPath, "C:\\flac");

    // 表 is 0x95 0x5C: its trail byte is no folder boundary.
    FakeSetCodePage(932);
    FakeSetCurrentFolder("d:\\\x95\x5C");
    DeriveSettingsPaths();
    EXPECT_STREQ(EncoderPath, "d:\\\x95\x5C\\flac");

    FakeFailNth(FakeOp::FullPath, 1);
    DeriveSettingsPaths();
    EXPECT_STREQ(SettingsPath, "");
    EXPECT_STREQ(EncoderPath, "");

    // 999 bytes in all fit; one more is no path at all, never a cut one.
    const std::string tail = "\\Kestrelia.exe";
    FakeSetCurrentFolder("c:\\" + std::string(999 - 3 - tail.size(), 'a'));
    DeriveSettingsPaths();
    EXPECT_EQ(std::string(SettingsPath).size(), 999u);
    FakeSetCurrentFolder("c:\\" + std::string(1000 - 3 - tail.size(), 'a'));
    DeriveSettingsPaths();
    EXPECT_STREQ(SettingsPath, "");
    EXPECT_STREQ(EncoderPath, "");

    // With no path nothing is read.
    FakePutBytes("c:\\Kestrelia.ini", Lines({"1", "1"}));
    ClearSettingsStore();
    LoadSettingsFile();
    EXPECT_EQ(IntSettings[Language], 0);
}

TEST(SettingsFile, CountsDecideWhichLinesAreRead) {
    LoadFrom(Lines({"3", "1", "2", "3", "2", "first text", "second"}));
    EXPECT_EQ(IntSettings[0], 1);
    EXPECT_EQ(IntSettings[2], 3);
    EXPECT_EQ(IntSettings[3], 0);
    EXPECT_STREQ(TextSlots[0], "first text");
    EXPECT_STREQ(TextSlots[1], "second");

    std::initializer_list<std::string> ints25 = {"25", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
                                                 "11", "12", "13", "14", "15", "16", "17", "18", "19", "20",
                                                 "21", "22", "23", "24", "25", "1", "text"};
    LoadFrom(Lines(ints25));
    EXPECT_EQ(IntSettings[19], 20);
    EXPECT_STREQ(TextSlots[0], "text");

    // No number: no integer lines; line 2 is the text count.
    LoadFrom(Lines({"none", "2", "a", "b", "c"}));
    EXPECT_EQ(IntSettings[0], 0);
    EXPECT_STREQ(TextSlots[1], "b");
    EXPECT_STREQ(TextSlots[2], "");

    // A file that ends early keeps what it gave; the defaults do the rest.
    LoadFrom(Lines({"20", "1", "10", "20", "300", "400", "0", "0", "0", "7"}));
    EXPECT_EQ(IntSettings[Language], 1);
    EXPECT_EQ(IntSettings[8], 7);
    ApplySettingDefaults();
    EXPECT_STREQ(TextSlots[InputSpec], "c:\\*.wav");
    EXPECT_STREQ(TextSlots[LevelText], "8");

    // Counts that lie, either way.
    LoadFrom(Lines({"-4", "0", "x"}));
    EXPECT_STREQ(TextSlots[0], "");
    LoadFrom(Lines({"2", "1", "1", "99", "a"}));
    EXPECT_STREQ(TextSlots[0], "a");
    EXPECT_STREQ(TextSlots[1], "");
}

TEST(SettingsFile, NumbersAreReadLikeTheRuntimeDoesWithoutOverflow) {
    EXPECT_EQ(ParseSettingNumber(" 12xyz"), 12);
    EXPECT_EQ(ParseSettingNumber("\t-5"), -5);
    EXPECT_EQ(ParseSettingNumber("+7"), 7);
    EXPECT_EQ(ParseSettingNumber("abc"), 0);
    EXPECT_EQ(ParseSettingNumber("- 5"), 0);
    EXPECT_EQ(ParseSettingNumber(""), 0);
    EXPECT_EQ(ParseSettingNumber("99999999999"), 2147483647);
    EXPECT_EQ(ParseSettingNumber("2147483648"), 2147483647);
    EXPECT_EQ(ParseSettingNumber("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseSettingNumber("-99999999999999999999999999"), -2147483647 - 1);
}

TEST(SettingsFile, LineEndsLongLinesAndOddBytes) {
    std::initializer_list<std::string> lines = {"2", "1", "0", "3", "a\x07" "b", "", "c:\\x\\*.flac"};
    LoadFrom(Lines(lines, "\n"));
    std::string bare = TextSlots[0];
    EXPECT_EQ(bare, "a\nb");
    LoadFrom(Lines(lines));
    EXPECT_EQ(std::string(TextSlots[0]), bare);
    EXPECT_STREQ(TextSlots[2], "c:\\x\\*.flac");

    // A line longer than a slot keeps 9999 bytes; the line after it is
    // still the next slot.
    LoadFrom(Lines({"0", "3", std::string(15000, 'x'), "after", std::string(9999, 'y')}));
    EXPECT_EQ(std::string(TextSlots[0]), std::string(9999, 'x'));
    EXPECT_STREQ(TextSlots[1], "after");
    EXPECT_EQ(std::string(TextSlots[2]), std::string(9999, 'y'));

    // The last line without a line end keeps every byte.
    LoadFrom("0\r\n2\r\nfirst\r\nlast");
    EXPECT_STREQ(TextSlots[1], "last");
    // A lone CR is a byte of the text, as in text mode.
    LoadFrom("0\r\n1\r\na\rb\r\r\n");
    EXPECT_STREQ(TextSlots[0], "a\rb\r");

    // Garbage loads without harm and is repaired afterwards.
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    LoadFrom(garbage);
    ApplySettingDefaults();
    EXPECT_TRUE(IntSettings[Language] == 0 || IntSettings[Language] == 1);
    EXPECT_STRNE(TextSlots[LastWavSpec], "");

    // An empty file and a folder in the file's place load nothing.
    LoadFrom("");
    EXPECT_EQ(IntSettings[0], 0);
    FreshWorld();
    ClearSettingsStore();
    FakeAddFolder(Ini);
    LoadSettingsFile();
    EXPECT_EQ(IntSettings[0], 0);
}

// A store with something in every kind of place, saved.
void FillAndSave() {
    ClearSettingsStore();
    ApplySettingDefaults();
    IntSettings[Language] = 1;
    IntSettings[Recurse] = 1;
    IntSettings[19] = -42;
    CopyText(TextSlots[ResultText], TextSlotSize, "done\nconverted:1");
    CopyText(TextSlots[19], TextSlotSize, std::string(9999, 'z').c_str());
    FakeSetWindowRect(PlatRect{104, 78, 668, 448});
    ControlHandles[LevelRow] = PlatCreateControl(FakeMainWindow(), nullptr, "edit", 0, 0, 0, 1, 1, LevelRow);
    PlatSetText(ControlHandles[LevelRow], "8");
    SaveSettingsFile(FakeMainWindow());
}

TEST(SettingsFile, SaveWritesTheWholeFileAndLoadsBackTheSame) {
    FreshWorld();
    FillAndSave();
    std::string expected = "20\r\n1\r\n104\r\n78\r\n668\r\n448\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n8\r\n0\r\n1\r\n0\r\n"
                           "0\r\n0\r\n0\r\n0\r\n-42\r\n20\r\nc:\\*.wav\r\nc:\\*.wav\r\nc:\\*.flac\r\n\r\nc:\\*.*\r\n"
                           "\r\n8\r\ndone\x07" "converted:1\r\n";
    for (int k = 8; k < 19; ++k) expected += "\r\n";
    expected += std::string(9999, 'z') + "\r\n";
    EXPECT_EQ(FakeBytesOf(Ini), expected);
    EXPECT_STREQ(TextSlots[ResultText], "done\x07" "converted:1");  // changed in the store as well
    EXPECT_EQ(FakeListUnder("c:\\work"), std::vector<std::string>{Ini});
    EXPECT_EQ(FakeUiCalls().back(), "quit 0");

    ClearSettingsStore();
    LoadSettingsFile();
    EXPECT_EQ(IntSettings[WindowRight], 668);
    EXPECT_EQ(IntSettings[19], -42);
    EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1");
    EXPECT_EQ(std::string(TextSlots[19]), std::string(9999, 'z'));
    SaveSettingsFile(FakeMainWindow());
    EXPECT_EQ(FakeBytesOf(Ini), expected);
}

TEST(SettingsFile, AFailedSaveLeavesThePreviousFileAsItWas) {
    const std::string previous = Lines({"1", "1"});
    // The file is written in 84 pieces: each of the 42 lines, then its end.
    const std::pair<FakeOp, int> faults[] = {{FakeOp::OpenWrite, 1}, {FakeOp::WriteFile, 1},
                                             {FakeOp::WriteFile, 30}, {FakeOp::WriteFile, 84},
                                             {FakeOp::CloseFile, 1}, {FakeOp::ReplaceFile, 1}};
    for (auto [fault, nth] : faults) {
        FreshWorld();
        FakePutBytes(Ini, previous);
        FakeFailNth(fault, nth);
        FillAndSave();
        EXPECT_EQ(FakeUiCalls().back(), "quit 0");
        EXPECT_EQ(FakeBytesOf(Ini), previous) << static_cast<int>(fault) << " " << nth;
        EXPECT_EQ(FakeListUnder("c:\\work").size(), 1u) << "no half-written file is left";
    }
    // A read-only file is not replaced; an unreadable rectangle keeps the
    // stored one.
    FreshWorld();
    FakePutBytes(Ini, previous, FakeFileAttributes | 1);
    FillAndSave();
    EXPECT_EQ(FakeBytesOf(Ini), previous);
    FreshWorld();
    ClearSettingsStore();
    IntSettings[WindowLeft] = 5;
    FakeSetWindowRect(PlatRect{1, 2, 3, 4}, false);
    SaveSettingsFile(FakeMainWindow());
    ClearSettingsStore();
    LoadSettingsFile();
    EXPECT_EQ(IntSettings[WindowLeft], 5);
}

}  // namespace
