#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "form/form_table.h"
#include "tests/unit/job_world.h"

namespace {

using Strings = std::vector<std::string>;

void SetSlot(int slot, const std::string& text) { CopyText(TextSlots[slot], TextSlotSize, text.c_str()); }

// The input path of every encoder run, in order: the last quoted argument.
Strings Inputs() {
    Strings inputs;
    for (const std::string& line : FakeCommandLines()) {
        std::size_t close = line.rfind('"');
        std::size_t open = line.rfind('"', close - 1);
        inputs.push_back(line.substr(open + 1, close - open - 1));
    }
    return inputs;
}

class BatchJobTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareJobWorld(); }

    void TearDown() override { FakeJoinThreads(); }

    static std::string Result() { return TextSlots[ResultText]; }
    static std::string Message(int n) { return MessageText(n); }
};

TEST_F(BatchJobTest, LevelIsCheckedAndCutBeforeTheWalk) {
    struct Case {
        const char* typed;
        const char* kept;
        int level;
    } cases[] = {{"3", "3", 3}, {"5x", "5", 5}, {"8", "8", 8}, {"0", "8", 8},
                 {"9", "8", 8}, {"a", "8", 8},  {"", "8", 8},  {"12", "1", 1}};
    for (const Case& c : cases) {
        SetUp();
        FakeAddFile("c:\\in\\a.wav", 1000);
        SetSlot(LevelText, c.typed);
        BatchJob(TheWindow);
        EXPECT_STREQ(TextSlots[LevelText], c.kept) << c.typed;
        EXPECT_EQ(IntSettings[Level], c.level) << c.typed;
        ASSERT_EQ(FakeCommandLines().size(), 1u);
        EXPECT_NE(FakeCommandLines()[0].find(std::string(" -V -") + c.kept + " "), std::string::npos)
            << FakeCommandLines()[0];
    }
}

TEST_F(BatchJobTest, InputPatternMustNameTheModesFiles) {
    FakeAddFolder("c:\\music");
    struct Case {
        int mode;
        const char* input;
        bool accepted;
    } cases[] = {
        {0, "c:\\music\\*.WAV", true},  {0, "c:\\music\\a.Wav", true}, {0, "x.wav", true},
        {0, ".wav", false},             {0, "c:\\music\\*.flac", false}, {0, "c:\\music\\*,wav", false},
        {0, "c:\\music\\*.wa", false},  {0, "c:\\music\\*.wavx", false}, {0, "", false},
        {1, "c:\\x\\*.FLAC", true},     {1, "a.flac", true},           {1, ".flac", false},
        {1, "c:\\x\\*.wav", false},     {1, "c:\\x\\*_flac", false},
    };
    for (int language : {0, 1}) {
        for (const Case& c : cases) {
            IntSettings[Language] = language;
            IntSettings[Mode] = c.mode;
            SetSlot(c.mode == 0 ? LastWavSpec : LastFlacSpec, c.input);
            SetSlot(ResultText, "left from before");
            BatchJob(TheWindow);
            // An accepted input path is walked (and finds nothing here);
            // a rejected one leaves its message alone.
            int expected = !c.accepted ? (c.mode == 0 ? OnlyWavMessage : OnlyFlacMessage) : NoFileMessage;
            EXPECT_EQ(Result(), Message(expected)) << c.input;
        }
    }
    // The form's copy of the input path is not what the job reads.
    IntSettings[Mode] = 0;
    SetSlot(InputSpec, "c:\\in\\*.txt");
    SetSlot(LastWavSpec, "c:\\in\\*.wav");
    FakeAddFile("c:\\in\\a.wav", 10);
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\a.wav"}));

    // An input path that does not fit a job path is refused whole, in the
    // user's language; one that just fits is walked.
    for (int language : {0, 1}) {
        IntSettings[Language] = language;
        std::string longest = "c:\\" + std::string(JobPathSize - 1 - 3 - 6, 'm') + "\\*.wav";
        ASSERT_EQ(longest.size(), JobPathSize - 1);
        SetSlot(LastWavSpec, longest);
        BatchJob(TheWindow);
        EXPECT_EQ(Result(), Message(NoFileMessage));
        SetSlot(LastWavSpec, "c:\\m" + longest.substr(2));
        BatchJob(TheWindow);
        EXPECT_EQ(Result(), Message(InputTooLongMessage));
    }
    EXPECT_EQ(FakeCommandLines().size(), 1u);
}

TEST_F(BatchJobTest, InputPathIsSplitIntoFolderAndPatternAndGivesTheOutputRoot) {
    struct Case {
        const char* input;
        const char* output;
        Strings inputs;
        const char* firstOutput;
    } cases[] = {
        {"c:\\in\\*.wav", "d:\\out\\*.*", {"c:\\in\\b.wav", "c:\\in\\c.wav"}, "d:\\out\\b.flac"},
        {"c:\\in\\c.wav", "d:\\out\\x.wav", {"c:\\in\\c.wav"}, "d:\\out\\c.flac"},
        {"*.wav", "d:\\out\\", {"c:\\a.wav"}, "d:\\out\\a.flac"},
        {"\\*.wav", "", {"c:\\a.wav"}, "c:\\a.flac"},
        {"c:\\in\\*.wav", "out", {"c:\\in\\b.wav", "c:\\in\\c.wav"}, "c:\\b.flac"},
        {"c:\\in\\*.wav", "\\out", {"c:\\in\\b.wav", "c:\\in\\c.wav"}, "c:\\b.flac"},
        {"c:/in/*.wav", "d:\\out\\", {}, nullptr},  // a slash is no separator
        {"c:*.wav", "d:\\out\\", {}, nullptr},      // searches c:\c:*.wav
    };
    for (const Case& c : cases) {
        SetUp();
        IntSettings[Recurse] = 0;
        FakeAddFile("c:\\a.wav", 10);
        FakeAddFile("c:\\in\\b.wav", 10);
        FakeAddFile("c:\\in\\c.wav", 10);
        SetSlot(LastWavSpec, c.input);
        SetSlot(OutputSpec, c.output);
        BatchJob(TheWindow);
        EXPECT_EQ(Inputs(), c.inputs) << c.input << " " << c.output;
        if (c.firstOutput != nullptr)
            EXPECT_TRUE(FakeExists(c.firstOutput)) << c.input << " " << c.output;
        else
            EXPECT_EQ(Result(), Message(NoFileMessage)) << c.input;
    }

    // Same folder: the output root is the start folder, OutputSpec is not used.
    IntSettings[SameFolder] = 1;
    SetSlot(LastWavSpec, "c:\\in\\b.wav");
    SetSlot(OutputSpec, "d:\\elsewhere\\*.*");
    BatchJob(TheWindow);
    EXPECT_TRUE(FakeExists("c:\\in\\b.flac"));

    // An output folder that cannot be a job path is refused before any file.
    SetUp();
    FakeAddFile("c:\\in\\b.wav", 10);
    SetSlot(OutputSpec, "d:\\" + std::string(JobPathSize, 'o') + "\\*.*");
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), Message(OutputTooLongMessage));
    EXPECT_TRUE(FakeCommandLines().empty());
}

TEST_F(BatchJobTest, AQuoteInAStoredSpecRunsAndMakesNothing) {
    struct Case {
        int sameFolder;
        const char* input;
        const char* output;
    } cases[] = {
        {0, "c:\\in\\*.wav", "c:\\o\" --delete-input-file -o \"d:\\out\\x"},
        {0, "c:\\in\\x\" --delete-input-file \"\\..\\*.wav", "d:\\out\\*.*"},
        {1, "c:\\in\\x\"\\..\\*.wav", "d:\\out\\*.*"},
        {0, "\"c:\\in\\*.wav", "d:\\out\\*.*"},
    };
    for (int language : {0, 1}) {
        for (const Case& c : cases) {
            SetUp();
            FakeAddFile("c:\\in\\a.wav", 1000);
            IntSettings[Language] = language;
            IntSettings[SameFolder] = c.sameFolder;
            SetSlot(LastWavSpec, c.input);
            SetSlot(OutputSpec, c.output);
            BatchJob(TheWindow);
            EXPECT_EQ(Result(), Message(QuoteInPathMessage)) << c.input << " " << c.output;
            EXPECT_TRUE(FakeCommandLines().empty()) << c.input << " " << c.output;
            EXPECT_TRUE(FakeDirectoryCalls().empty());
            EXPECT_EQ(FakeListUnder("c:\\in"), Strings{"c:\\in\\a.wav"});
        }
    }

    // An output spec the job does not use is no danger.
    SetUp();
    FakeAddFile("c:\\in\\a.wav", 1000);
    IntSettings[SameFolder] = 1;
    SetSlot(OutputSpec, "c:\\o\" -f \"\\*.*");
    BatchJob(TheWindow);
    EXPECT_EQ(FakeCommandLines(), Strings{"\"c:\\tools\\flac\" -V -8 \"c:\\in\\a.wav\""});
}

// The arguments of a command line as the C runtime and CommandLineToArgvW
// split them: the program up to its closing quote; then blanks separate
// arguments outside quotes, 2n backslashes before a quote give n and the
// quote toggles quoting, 2n+1 give n and a literal quote, "" inside quotes
// is a literal quote.
Strings SplitWindowsArguments(const std::string& line) {
    Strings arguments;
    std::size_t i = 0, n = line.size();
    std::string program;
    if (i < n && line[i] == '"') {
        for (++i; i < n && line[i] != '"'; ++i) program += line[i];
        if (i < n) ++i;
    }
    for (; i < n && line[i] != ' ' && line[i] != '\t'; ++i) program += line[i];
    arguments.push_back(program);
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            std::size_t slashes = 0;
            while (i < n && line[i] == '\\') ++slashes, ++i;
            if (i < n && line[i] == '"') {
                argument.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    argument += '"';
                    ++i;
                } else if (quoted && i + 1 < n && line[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument.append(slashes, '\\');
                if (slashes == 0) argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

TEST_F(BatchJobTest, EveryCommandLineSplitsIntoTheEncoderItsOptionsAndTheDerivedPaths) {
    std::mt19937 random(20261207);
    auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
    // A name a file system could hold: blanks and bytes of 0x80 and up among
    // its bytes, none of  " * / : < > ? \ |.
    auto name = [&] {
        std::string text;
        for (int k = 1 + pick(10); k > 0; --k) {
            char byte = static_cast<char>(0x20 + pick(0xE0));
            if (std::strchr("\"*/:<>?\\|", byte) == nullptr) text += byte;
        }
        return text.empty() || text[0] == '.' ? "n" + text : text;
    };
    // Any bytes but NUL, at least one a quote, with quotes, backslashes and
    // blanks made common.
    auto garbage = [&] {
        std::string text = "\"";
        for (int k = pick(12); k > 0; --k)
            text.insert(static_cast<std::size_t>(pick(static_cast<int>(text.size()) + 1)), 1,
                        pick(2) ? "\"\\ "[pick(3)] : static_cast<char>(1 + pick(255)));
        return text;
    };
    int refused = 0, converted = 0;
    for (int round = 0; round < 3000; ++round) {
        SetUp();
        IntSettings[Recurse] = 0;
        IntSettings[Mode] = pick(2);
        IntSettings[Overwrite] = pick(2);
        IntSettings[SameFolder] = pick(2);
        CopyText(EncoderPath, sizeof EncoderPath, "c:\\my tools\\flac");
        FakeAddFile("c:\\my tools\\flac.exe", 1);
        const bool compress = IntSettings[Mode] == 0;
        const std::string extension = compress ? ".wav" : ".flac";
        const std::string inputDir = "c:\\" + name() + "\\" + name() + "\\";
        const std::string outputDir = "d:\\" + name() + "\\";
        const std::string stem = name();
        FakeAddFile(inputDir + stem + extension, 1000);
        FakeAddFolder(outputDir);
        std::string input = inputDir + "*" + extension;
        std::string output = outputDir + name();
        // Now and then a stored spec is planted with quotes and other bytes.
        if (pick(3) == 0) input.insert(static_cast<std::size_t>(pick(static_cast<int>(input.size()))), garbage());
        if (pick(3) == 0) output.insert(static_cast<std::size_t>(pick(static_cast<int>(output.size()) + 1)), garbage());
        SetSlot(compress ? LastWavSpec : LastFlacSpec, input);
        SetSlot(OutputSpec, output);
        BatchJob(TheWindow);

        const bool outputUsed = IntSettings[SameFolder] == 0;
        if (input.find('"') != std::string::npos || (outputUsed && output.find('"') != std::string::npos)) {
            EXPECT_EQ(Result(), Message(QuoteInPathMessage)) << input << " | " << output;
            EXPECT_TRUE(FakeCommandLines().empty()) << input << " | " << output;
            ++refused;
            continue;
        }
        Strings expected = {"c:\\my tools\\flac"};
        if (compress) expected.insert(expected.end(), {"-V", "-8"});
        else expected.push_back("-d");
        if (IntSettings[Overwrite] == 1) expected.push_back("-f");
        const std::string outputName = stem + (compress ? ".flac" : ".wav");
        if (outputUsed) expected.insert(expected.end(), {"-o", outputDir + outputName});
        expected.push_back(inputDir + stem + extension);
        for (const std::string& line : FakeCommandLines()) {
            EXPECT_EQ(SplitWindowsArguments(line), expected) << line;
            ++converted;
        }
    }
    // Both kinds of round were met often enough to mean something.
    EXPECT_GT(refused, 500);
    EXPECT_GT(converted, 500);
}

TEST_F(BatchJobTest, JapaneseNamesAreSplitAtRealBackslashesOnly) {
    // In code page 932 the trail byte of 表 and ソ is 0x5C, the backslash.
    FakeSetCodePage(932);
    IntSettings[Recurse] = 1;
    FakeAddFile("c:\\in\\表.wav", 100);
    FakeAddFile("c:\\in\\ソ\\能.wav", 100);
    SetSlot(LastWavSpec, "c:\\in\\表.wav");
    SetSlot(OutputSpec, "d:\\ソ");
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\表.wav"}));
    EXPECT_TRUE(FakeExists("d:\\表.flac"));

    SetSlot(LastWavSpec, "c:\\in\\*.wav");
    SetSlot(OutputSpec, "d:\\out\\表\\ソ");
    BatchJob(TheWindow);
    EXPECT_TRUE(FakeExists("d:\\out\\表\\表.flac"));
    EXPECT_TRUE(FakeExists("d:\\out\\表\\ソ\\能.flac"));
    EXPECT_EQ(Inputs().back(), "c:\\in\\ソ\\能.wav");
}

TEST_F(BatchJobTest, WalkIsDepthFirstWithFilesBeforeSubfoldersAndSiblingsReversed) {
    FakeAddFile("c:\\in\\1.wav", 10);
    FakeAddFolder("c:\\in\\x");
    FakeAddFile("c:\\in\\x\\x1.wav", 10);
    FakeAddFolder("c:\\in\\x\\deep");
    FakeAddFile("c:\\in\\x\\deep\\d1.wav", 10);
    FakeAddFile("c:\\in\\x\\x2.wav", 10);
    FakeAddFile("c:\\in\\2.wav", 10);
    FakeAddFolder("c:\\in\\y");
    FakeAddFile("c:\\in\\y\\y1.wav", 10);
    FakeAddFile("c:\\in\\notes.txt", 10);

    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\1.wav", "c:\\in\\2.wav", "c:\\in\\y\\y1.wav", "c:\\in\\x\\x1.wav",
                                 "c:\\in\\x\\x2.wav", "c:\\in\\x\\deep\\d1.wav"}));
    EXPECT_TRUE(FakeExists("d:\\out\\x\\deep\\d1.flac"));
    EXPECT_TRUE(FakeExists("d:\\out\\y\\y1.flac"));
    EXPECT_EQ(StackTop, -1);

    // Same folder: every output beside its input, in every folder.
    IntSettings[SameFolder] = 1;
    IntSettings[Overwrite] = 1;
    BatchJob(TheWindow);
    EXPECT_TRUE(FakeExists("c:\\in\\x\\deep\\d1.flac"));
    EXPECT_TRUE(FakeExists("c:\\in\\y\\y1.flac"));

    // The order is the search's, reversed, not that of the names.
    SetUp();
    for (const char* folder : {"z", "a", "m"}) FakeAddFile(std::string("c:\\in\\") + folder + "\\t.wav", 10);
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\m\\t.wav", "c:\\in\\a\\t.wav", "c:\\in\\z\\t.wav"}));

    // Without recursion the subfolders are never looked at.
    SetUp();
    IntSettings[Recurse] = 0;
    FakeAddFile("c:\\in\\1.wav", 10);
    FakeAddFile("c:\\in\\x\\x1.wav", 10);
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\1.wav"}));
}

TEST_F(BatchJobTest, WhichEntriesAreFoldersAndWhichFoldersAreEntered) {
    const std::uint32_t readOnly = 1, hidden = 2, system = 4, archive = 32, reparse = 1024;
    FakeAddFolder("c:\\in\\.cache");
    FakeAddFile("c:\\in\\.cache\\dot.wav", 10);
    FakeAddFolder("c:\\in\\secret", 16 | hidden);
    FakeAddFile("c:\\in\\secret\\hidden.wav", 10);
    FakeAddFolder("c:\\in\\sys", 16 | system);
    FakeAddFile("c:\\in\\sys\\system.wav", 10);
    FakeAddFolder("c:\\in\\loop", 16 | reparse);
    FakeAddFile("c:\\in\\loop\\junction.wav", 10);
    FakeAddFolder("c:\\in\\locked", 16 | readOnly);
    FakeAddFile("c:\\in\\locked\\readonly.wav", 10);
    FakeAddFolder("c:\\in\\custom", 16 | readOnly | archive);
    FakeAddFile("c:\\in\\custom\\archive.wav", 10);
    // Folders whose names match the pattern: never handed to the encoder,
    // entered like any other folder.
    FakeAddFolder("c:\\in\\album.wav");
    FakeAddFile("c:\\in\\album.wav\\track.wav", 10);
    FakeAddFolder("c:\\in\\ro.wav", 16 | readOnly);
    FakeAddFile("c:\\in\\ro.wav\\track.wav", 10);
    FakeAddFile("c:\\in\\plain.wav", 10, readOnly | archive);

    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\plain.wav", "c:\\in\\ro.wav\\track.wav", "c:\\in\\album.wav\\track.wav",
                                 "c:\\in\\custom\\archive.wav", "c:\\in\\locked\\readonly.wav"}));
    EXPECT_EQ(FakeOpenSearchCount(), 0);
}

TEST_F(BatchJobTest, FolderLimitEndsTheJobWithItsMessage) {
    FakeAddFile("c:\\in\\first.wav", 1000);
    for (int i = 0; i < FolderStackSize; ++i) {
        FakeAddFolder("c:\\in\\f" + std::to_string(i));
        FakeAddFile("c:\\in\\f" + std::to_string(i) + "\\inner.wav", 10);
    }
    BatchJob(TheWindow);
    // The start folder's file is done; the pending folders are not searched.
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\first.wav"}));
    EXPECT_EQ(Result(), "done\nconverted:1, skip:0, error:0, ratio:50.0%\n" + Message(TooManyFoldersMessage));
    EXPECT_EQ(FakeOpenSearchCount(), 0);
    EXPECT_EQ(StackTop, FolderStackSize);

    // One folder less fits, and all of them are walked.
    SetUp();
    for (int i = 0; i < FolderStackSize - 1; ++i) FakeAddFile("c:\\in\\f" + std::to_string(i) + "\\inner.wav", 10);
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs().size(), static_cast<std::size_t>(FolderStackSize - 1));
    EXPECT_EQ(Result().find(Message(TooManyFoldersMessage)), std::string::npos);

    // Before any file the message stands alone, in the user's language.
    SetUp();
    IntSettings[Language] = 0;
    for (int i = 0; i < FolderStackSize; ++i) FakeAddFolder("c:\\in\\f" + std::to_string(i));
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), Message(TooManyFoldersMessage));
    EXPECT_EQ(FakeOpenSearchCount(), 0);
}

TEST_F(BatchJobTest, EveryWayAJobEnds) {
    FakeAddFile("c:\\in\\a.wav", 1000);
    FakeAddFile("c:\\in\\b.wav", 1000);

    // Normal end: the last status text stays.
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), "done\nconverted:2, skip:0, error:0, ratio:50.0%, min:50.0%, max:50.0%, average:50.0%\n");
    EXPECT_STREQ(TextSlots[CurrentFile], "d:\\out\\b.flac");

    // Everything skipped is not "nothing there".
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), "skipped\nconverted:0, skip:2, error:0");

    // Every file failed: the failures stay visible instead of "There is no
    // file there", which would hide them.
    IntSettings[Overwrite] = 1;
    FakeEncoderRun failing;
    failing.exitCode = 1;
    FakeQueueEncoderRun(failing);
    FakeQueueEncoderRun(failing);
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), "error\nconverted:0, skip:0, error:2");

    // Nothing found at all.
    SetSlot(LastWavSpec, "c:\\in\\*.none.wav");
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), Message(NoFileMessage));
    EXPECT_STREQ(TextSlots[CurrentFile], "");
    SetSlot(LastWavSpec, "c:\\missing\\*.wav");
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), Message(NoFileMessage));

    // Cancelled during the first run: that file is accounted for, no
    // further file, no closing message.
    SetSlot(LastWavSpec, "c:\\in\\*.wav");
    std::size_t runsBefore = FakeCommandLines().size();
    FakeEncoderRun cancelled;
    cancelled.during = [](const std::string&) { AbortRequested = 1; };
    FakeQueueEncoderRun(cancelled);
    BatchJob(TheWindow);
    EXPECT_EQ(FakeCommandLines().size(), runsBefore + 1);
    EXPECT_EQ(Result(), "done\nconverted:1, skip:0, error:0, ratio:50.0%\n");
    EXPECT_EQ(FakeOpenSearchCount(), 0);

    // Cancelled before the first file: nothing is written at all.
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), "");
    EXPECT_EQ(FakeCommandLines().size(), runsBefore + 1);
    AbortRequested = 0;
}

TEST_F(BatchJobTest, FoldersThatDoNotFitAreLeftOutAndCounted) {
    // A folder path must fit 519 bytes with its backslash: under the 408
    // bytes of c:\in\A\B\ a name of 110 bytes fits, one of 111 does not.
    std::string deep = "c:\\in\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + "\\";
    ASSERT_EQ(deep.size(), 408u);
    std::string fits = deep + std::string(110, 'f');
    std::string tooLong = deep + std::string(111, 't');
    FakeAddFile(tooLong + "\\lost.wav", 10);
    FakeAddFolder(fits);
    FakeAddFile(deep + "kept.wav", 10);
    FakeAddFile("c:\\in\\short\\kept.wav", 10);
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\short\\kept.wav", deep + "kept.wav"}));
    // The fitting folder is entered, but its search text ("*.wav" added)
    // does not fit: left out too, never searched with a cut text.
    EXPECT_EQ(Result(), "error\nconverted:2, skip:0, error:2, ratio:50.0%, min:50.0%, max:50.0%, average:50.0%\n");

    SetUp();
    FakeAddFolder(tooLong);
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), "error\nconverted:0, skip:0, error:1");
    EXPECT_EQ(std::string(TextSlots[CurrentFile]), tooLong + "\\");
}

// The system shows a name the code page lacks as a likeness ("cafe.wav" for
// "café.wav", or question marks); converting or entering that name would
// reach another file or none, and a folder left out silently would hide its
// files from the counts.
TEST_F(BatchJobTest, NamesTheCodePageCannotExpressAreCountedAsErrors) {
    FakeAddFile("c:\\in\\ok.wav", 10);
    FakeAddFile("c:\\in\\cafe.wav", 10);
    FakeSetNameInexact("c:\\in\\cafe.wav");
    FakeAddFile("c:\\in\\m?sica\\x.wav", 10);
    FakeSetNameInexact("c:\\in\\m?sica");
    FakeAddFolder("c:\\in\\??", FakeFolderAttributes | PlatAttrHidden);
    FakeSetNameInexact("c:\\in\\??");
    FakeAddFile("c:\\in\\??\\y.wav", 10);
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), Strings{"c:\\in\\ok.wav"});
    EXPECT_EQ(Result(), "error\nconverted:1, skip:0, error:2, ratio:50.0%\n");
    EXPECT_EQ(FakeListUnder("d:\\out"), Strings{"d:\\out\\ok.flac"});
}

TEST_F(BatchJobTest, ThreadLeavesTheIdleStateAfterEveryKindOfJob) {
    FakeAddFile("c:\\in\\a.wav", 1000);
    struct Kind {
        const char* name;
        std::function<void()> prepare;
    } kinds[] = {
        {"normal", [] {}},
        {"rejected", [] { SetSlot(LastWavSpec, "c:\\in\\*.mp3"); }},
        {"nothing there", [] { SetSlot(LastWavSpec, "c:\\none\\*.wav"); }},
        {"cancelled", [] {
             FakeEncoderRun run;
             run.during = [](const std::string&) { AbortRequested = 1; };
             FakeQueueEncoderRun(run);
         }},
        {"encoder missing", [] { FakeFailNth(FakeOp::RunProcess, 1); }},
    };
    for (const Kind& kind : kinds) {
        SetUp();
        FakeAddFile("c:\\in\\a.wav", 1000);
        IntSettings[Overwrite] = 1;
        kind.prepare();
        bool runningSeen = false;
        FakeSetWindowHook([&runningSeen] { runningSeen = runningSeen || JobHandle != 0; });
        ASSERT_TRUE(StartBatchJob(TheWindow)) << kind.name;
        FakeJoinThreads();
        Strings calls = FakeWindowCalls();
        ASSERT_GE(calls.size(), 7u) << kind.name;
        EXPECT_EQ(Strings(calls.begin(), calls.begin() + 3), (Strings{"disable 36", "disable 37", "enable 38"}))
            << kind.name;
        EXPECT_EQ(Strings(calls.end() - 4, calls.end()), (Strings{"repaint", "disable 38", "enable 37", "enable 36"}))
            << kind.name;
        EXPECT_TRUE(FakeIsEnabled(Control(ExecuteRow)) && FakeIsEnabled(Control(ExitRow))) << kind.name;
        EXPECT_FALSE(FakeIsEnabled(Control(CancelRow))) << kind.name;
        EXPECT_EQ(AbortRequested, 0) << kind.name;
        EXPECT_EQ(JobHandle, 0u) << kind.name;
        EXPECT_TRUE(runningSeen) << kind.name;
    }

    // No thread: the flag goes down again, the user is told, and the
    // buttons stay as they were.
    SetUp();
    FakeFailNth(FakeOp::ThreadStart, 1);
    EXPECT_FALSE(StartBatchJob(TheWindow));
    EXPECT_EQ(JobHandle, 0u);
    EXPECT_EQ(Result(), "error: the job could not be started\n");
    EXPECT_EQ(FakeWindowCalls(), (Strings{"repaint"}));
    EXPECT_TRUE(StartBatchJob(TheWindow));
    FakeJoinThreads();
    EXPECT_EQ(JobHandle, 0u);

    // Never a second job beside a running one.
    JobHandle = 1;
    EXPECT_FALSE(StartBatchJob(TheWindow));
    FakeJoinThreads();
    EXPECT_EQ(FakeWindowCalls().size(), 1u + 7u);
    JobHandle = 0;
}

}  // namespace
