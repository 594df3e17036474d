#include "tests/unit/ui_world.h"

namespace {

void FreshWorld() {
    PrepareUiWorld();
    DeriveSettingsPaths();
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\r\n";
    return all;
}

TEST(SettingsPaths, FollowTheCurrentFolderAndRefuseWhatDoesNotFit) {
    // 999 bytes in all, a 3-byte or a 4-byte character last; one byte more is no path, never a cut one.
    const std::string three = "c:\\" + std::string(979, 'a') + "表";
    const std::string four = "c:\\" + std::string(978, 'a') + "🎵";
    const struct { std::string folder; bool fails; std::string settings, encoder; } cases[] = {
        {"c:\\work", false, "c:\\work\\Kestrelia.ini", "c:\\work\\flac"},
        {"C:\\", false, "C:\\Kestrelia.ini", "C:\\flac"},
        {"d:\\音楽 Björk", false, "d:\\音楽 Björk\\Kestrelia.ini", "d:\\音楽 Björk\\flac"},
        {"c:\\work", true, "", ""},
        {three, false, three + "\\Kestrelia.ini", three + "\\flac"},
        {four, false, four + "\\Kestrelia.ini", four + "\\flac"},
        {"c:\\" + std::string(980, 'a') + "表", false, "", ""},
        {"c:\\" + std::string(979, 'a') + "🎵", false, "", ""},
    };
    for (const auto& c : cases) {
        FakeReset();
        FakeSetCurrentFolder(c.folder);
        if (c.fails) FakeFailNth(FakeOp::FullPath, 1);
        DeriveSettingsPaths();
        EXPECT_EQ(std::string(SettingsPath), c.settings) << c.folder;
        EXPECT_EQ(std::string(EncoderPath), c.encoder) << c.folder;
    }
}

TEST(SettingsFile, LoadReadsTheCountedLinesWhateverTheFileHolds) {
    std::string oneTo25;
    for (int i = 1; i <= 25; ++i) oneTo25 += std::to_string(i) + "\r\n";
    using S = std::string;
    const std::string oddTexts = "a\x07" "b\n\nc:\\x\\*.flac\n";
    struct Case { std::string file; IntValues integers; TextValues texts; } cases[] = {
        {Lines({"3", "1", "2", "3", "2", "first text", "second"}), {{0, 1}, {2, 3}, {3, 0}},
         {{0, "first text"}, {1, "second"}, {2, ""}}},
        {"25\r\n" + oneTo25 + "1\r\ntext\r\n", {{19, 20}}, {{0, "text"}}},
        // No number: no integer lines; line 2 is the text count.
        {Lines({"none", "2", "a", "b", "c"}), {{0, 0}}, {{1, "b"}, {2, ""}}},
        // An early end keeps what came before it.
        {Lines({"20", "1", "10", "20", "300", "400", "0", "0", "0", "7"}), {{0, 1}, {8, 7}, {9, 0}}, {}},
        // Counts that lie, either way.
        {Lines({"-4", "0", "x"}), {}, {{0, ""}}},
        {Lines({"2", "1", "1", "99", "a"}), {{0, 1}}, {{0, "a"}, {1, ""}}},
        // A line ends with LF or CR LF; byte 7 stands for a line feed.
        {"0\n3\n" + oddTexts, {}, {{0, "a\nb"}, {1, ""}, {2, "c:\\x\\*.flac"}}},
        {"0\r\n3\r\n" + Lines({"a\x07" "b", "", "c:\\x\\*.flac"}), {}, {{0, "a\nb"}, {2, "c:\\x\\*.flac"}}},
        // A line longer than a slot keeps 9999 bytes; the next line is the next slot.
        {Lines({"0", "4", S(10000, 'x'), S(15000, 'z'), "after", S(9999, 'y')}), {},
         {{0, S(9999, 'x')}, {1, S(9999, 'z')}, {2, "after"}, {3, S(9999, 'y')}}},
        // The last line needs no line end; a lone CR is a byte of the text, as in text mode.
        {"0\r\n2\r\nfirst\r\nlast", {}, {{1, "last"}}},
        {"0\r\n1\r\na\rb\r\r\n", {}, {{0, "a\rb\r"}}},
        {"", {{0, 0}}, {{0, ""}}},
    };
    for (const Case& c : cases) {
        FreshWorld();
        FakePutBytes(Ini, c.file);
        ReloadSettings();
        for (auto [index, value] : c.integers) EXPECT_EQ(IntSettings[index], value) << c.file.substr(0, 40);
        for (auto& [slot, text] : c.texts) EXPECT_EQ(TextSlots[slot], text) << c.file.substr(0, 40);
    }
}

// An earlier version wrote the ANSI code page: its texts are read in it and saved in UTF-8.
TEST(SettingsFile, AFileInTheAnsiCodePageIsReadInItAndSavedInUtf8) {
    const std::string cp932 = "d:\\\x95\x5C\x83\x5C\\*.wav";  // 表ソ, each with the trail byte 0x5C
    const struct { int codePage; std::string stored, loaded; } cases[] = {
        {932, cp932, "d:\\表ソ\\*.wav"},
        {932, "d:\\表ソ\\*.wav", "d:\\表ソ\\*.wav"},  // UTF-8 is never taken for code page 932
        {932, "c:\\plain\\*.wav", "c:\\plain\\*.wav"},
        {1252, "d:\\Bj\xF6rk\\*.wav", "d:\\Björk\\*.wav"},
    };
    for (const auto& c : cases) {
        FreshWorld();
        FakeSetCodePage(c.codePage);
        FakePutBytes(Ini, SettingsFile({{Language, 1}}, {{LastWavSpec, c.stored}, {ResultText, "done\ax"}}));
        ReloadSettings();
        EXPECT_EQ(Slots({LastWavSpec, ResultText}), (Strings{c.loaded, "done\nx"})) << c.loaded;
        SaveSettingsFile();
        EXPECT_NE(FakeBytesOf(Ini).find("\r\n" + c.loaded + "\r\n"), std::string::npos) << c.loaded;
    }

    // 9998 bytes of code page 932 need 14997 of UTF-8: not loaded, and the file is never replaced.
    FreshWorld();
    FakeSetCodePage(932);
    std::string long932;
    for (int i = 0; i < 4999; ++i) long932 += "\x95\x5C";
    const std::string stored = SettingsFile({{Language, 1}}, {{LastWavSpec, long932}});
    FakePutBytes(Ini, stored);
    ReloadSettings();
    EXPECT_STREQ(TextSlots[LastWavSpec], "");
    SaveSettingsFile();
    EXPECT_EQ(FakeBytesOf(Ini), stored);

    // With no file at all, the form speaks the user's language (a stored one wins: every other test).
    for (bool japanese : {true, false}) {
        FreshWorld();
        FakeSetJapaneseUser(japanese);
        ReloadSettings();
        EXPECT_EQ(IntSettings[Language], japanese ? 0 : 1);
    }
}

TEST(SettingsFile, NumbersAreReadLikeTheRuntimeDoesWithoutOverflow) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {" 12xyz", 12}, {"\t-5", -5}, {"+7", 7}, {"abc", 0}, {"- 5", 0}, {"", 0},
        {"2147483647", 2147483647}, {"2147483648", 2147483647}, {"99999999999", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"-2147483649", -2147483647 - 1},
        {"-99999999999999999999999999", -2147483647 - 1},
    };
    for (auto [text, value] : cases) EXPECT_EQ(ParseSettingNumber(text), value) << text;
}

// A store with something in every kind of place, saved.
void FillAndSave() {
    ClearSettingsStore();
    ApplySettingDefaults();
    IntSettings[Language] = 1;
    IntSettings[Recurse] = 1;
    IntSettings[19] = -42;
    SetSlot(ResultText, "done\nconverted:1");
    SetSlot(19, std::string(9999, 'z'));
    for (auto [index, value] : {std::pair{WindowLeft, 104}, {WindowTop, 78}, 
                                {WindowRight, 668}, {WindowBottom, 448}})
        IntSettings[index] = value;
    SetSlot(LevelText, "8");
    SaveSettingsFile();
}

std::string SavedFile() {
    std::string file = Lines({"20", "1", "104", "78", "668", "448", "0", "0", "0", "0", "0", "0", "8", "0",
                              "1", "0", "0", "0", "0", "0", "-42", "20", "c:\\*.wav", "c:\\*.wav",
                              "c:\\*.flac", "", "c:\\*.*", "", "8", "done\aconverted:1"});
    for (int k = 8; k < 19; ++k) file += "\r\n";
    return file + std::string(9999, 'z') + "\r\n";
}

// The nth operation of each kind fails, once or from then on, until the save no longer reaches it: only
// a whole file replaces the old one.
TEST(SettingsFile, AFaultAtAnyOperationOfTheSaveLeavesTheOldFileAsItWas) {
    const std::string previous = Lines({"1", "1"});
    int faults = 0;
    for (int round = 0; round < 2 * FakeOpCount; ++round) {
        const FakeOp op = static_cast<FakeOp>(round % FakeOpCount);
        for (int n = 1;; ++n) {
            FreshWorld();
            FakePutBytes(Ini, previous);
            FakeFailNth(op, n, round < FakeOpCount ? FakeFault::Once : FakeFault::FromThenOn);
            FillAndSave();
            SCOPED_TRACE("round " + std::to_string(round) + " n " + std::to_string(n));
            EXPECT_EQ(FakeListUnder("c:\\work").size(), 1u);
            if (!FakeFaultReached(op)) {
                EXPECT_EQ(FakeBytesOf(Ini), SavedFile());
                EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1");  // the store keeps its line feed
                break;
            }
            ++faults;
            EXPECT_EQ(FakeBytesOf(Ini), previous);
        }
    }
    EXPECT_GE(faults, 8);  // the open, a write, the close and the replace at least, in either mode
}

}  // namespace
