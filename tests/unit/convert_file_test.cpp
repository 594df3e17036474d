#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "platform/fake/fake_platform.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

namespace {

using Strings = std::vector<std::string>;

PlatWindow const TheWindow = reinterpret_cast<PlatWindow>(1);

class ConvertFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeReset();
        ClearSettingsStore();
        ApplySettingDefaults();
        CopyText(EncoderPath, sizeof EncoderPath, "c:\\tools\\flac");
        FakeAddFile("c:\\tools\\flac.exe", 100000);
        FakeAddFolder("c:\\in");
        FakeAddFolder("d:\\out");
        stats = BatchStats{};
        folderReady = false;
        seenDuringRun.clear();
    }

    void Convert(const char* name, const char* inputDir = "c:\\in\\",
                 const char* outputDir = "d:\\out\\") {
        ConvertFile(name, inputDir, outputDir, &folderReady, &stats, TheWindow);
    }

    // The in-progress text as the painter would have seen it during the run.
    void CaptureDuringRun(std::int64_t outputSize = -1) {
        FakeEncoderRun run;
        run.outputSize = outputSize;
        run.during = [this](const std::string&) { seenDuringRun.push_back(TextSlots[ResultText]); };
        FakeQueueEncoderRun(run);
    }

    BatchStats stats;
    bool folderReady = false;
    Strings seenDuringRun;
};

TEST_F(ConvertFileTest, OutputNameSwapsTheExtensionInPlace) {
    struct Case {
        int mode;
        const char* name;
        const char* output;
    } cases[] = {
        {0, "a.wav", "d:\\out\\a.flac"},      {0, "B.WAV", "d:\\out\\B.flac"},
        {0, "Mix.Wav", "d:\\out\\Mix.flac"},  {0, "odd.mp3", "d:\\out\\odd.flac"},
        {1, "x.FLAC", "d:\\out\\x.wav"},      {1, "a.flac", "d:\\out\\a.wav"},
        {1, "Ab.Flac", "d:\\out\\Ab.wav"},
    };
    for (const Case& c : cases) {
        SetUp();
        IntSettings[Mode] = c.mode;
        FakeAddFile(std::string("c:\\in\\") + c.name, 1000);
        Convert(c.name);
        EXPECT_STREQ(TextSlots[CurrentFile], c.output) << c.name;
        EXPECT_TRUE(FakeExists(c.output)) << c.name;
        EXPECT_EQ(stats.ConvertedCount, 1) << c.name;
    }

    // A name shorter than the part the swap replaces would reach into the
    // folder and write beside it: refused, nothing run.
    for (int mode : {0, 1}) {
        SetUp();
        IntSettings[Mode] = mode;
        FakeAddFile("c:\\in\\ab", 1000);
        Convert(mode == 0 ? "ab" : "abc");
        EXPECT_EQ(stats.ErrorCount, 1);
        EXPECT_TRUE(FakeCommandLines().empty());
        EXPECT_TRUE(FakeDirectoryCalls().empty());
    }
}

TEST_F(ConvertFileTest, ExistingOutputIsSkippedUnlessOverwriting) {
    FakeAddFolder("d:\\out\\new");
    FakeAddFile("c:\\in\\a.wav", 1000);
    FakeAddFile("d:\\out\\new\\a.flac", 77);
    Convert("a.wav", "c:\\in\\", "d:\\out\\new\\");
    EXPECT_STREQ(TextSlots[ResultText], "skipped\nconverted:0, skip:1, error:0");
    EXPECT_STREQ(TextSlots[CurrentFile], "d:\\out\\new\\a.flac");
    EXPECT_TRUE(FakeCommandLines().empty());
    EXPECT_TRUE(FakeDirectoryCalls().empty());
    EXPECT_FALSE(folderReady);
    EXPECT_EQ(FakeRepaintCount(), 1);
    EXPECT_EQ(FakeSizeOf("d:\\out\\new\\a.flac"), 77u);

    // An output that exists but cannot be read is no reason to skip: the
    // encoder is asked, and refuses to write over it without "-f".
    FakeSetReadable("d:\\out\\new\\a.flac", false);
    Convert("a.wav", "c:\\in\\", "d:\\out\\new\\");
    ASSERT_EQ(FakeCommandLines().size(), 1u);
    EXPECT_EQ(FakeCommandLines()[0].find("-f "), std::string::npos);
    EXPECT_EQ(stats.ErrorCount, 1);

    FakeSetReadable("d:\\out\\new\\a.flac", true);
    IntSettings[Overwrite] = 1;
    Convert("a.wav", "c:\\in\\", "d:\\out\\new\\");
    ASSERT_EQ(FakeCommandLines().size(), 2u);
    EXPECT_NE(FakeCommandLines()[1].find(" -f -o "), std::string::npos);
    EXPECT_EQ(FakeSizeOf("d:\\out\\new\\a.flac"), 500u);
    EXPECT_EQ(stats.ConvertedCount, 1);
    EXPECT_EQ(stats.SkippedCount, 1);
}

TEST_F(ConvertFileTest, OutputFolderIsMadeOnceBeforeTheFirstConversion) {
    FakeAddFile("c:\\in\\a.wav", 1000);
    FakeAddFile("c:\\in\\b.wav", 1000);
    FakeAddFile("d:\\out\\a\\b\\a.flac", 1);  // its folders come with it
    IntSettings[Overwrite] = 0;
    Convert("a.wav", "c:\\in\\", "d:\\out\\a\\b\\");  // skipped: no folder yet
    EXPECT_TRUE(FakeDirectoryCalls().empty());
    Convert("b.wav", "c:\\in\\", "d:\\out\\a\\b\\");
    EXPECT_EQ(FakeDirectoryCalls(), (Strings{"d:\\out\\a\\b", "d:", "d:\\out", "d:\\out\\a", "d:\\out\\a\\b"}));
    EXPECT_TRUE(FakeIsFolder("d:\\out\\a\\b"));
    EXPECT_TRUE(folderReady);
    EXPECT_EQ(stats.ConvertedCount, 1);

    IntSettings[Overwrite] = 1;
    Convert("a.wav", "c:\\in\\", "d:\\out\\a\\b\\");
    EXPECT_EQ(FakeDirectoryCalls().size(), 5u);
    EXPECT_EQ(stats.ConvertedCount, 2);

    // The flag is set before the attempt: a folder that cannot be made is
    // tried once, and its files fail in the encoder.
    folderReady = false;
    Convert("a.wav", "c:\\in\\", "e:\\gone\\");  // no drive e:
    Convert("b.wav", "c:\\in\\", "e:\\gone\\");
    EXPECT_EQ(FakeDirectoryCalls().size(), 5u + 3u);
    EXPECT_EQ(stats.ErrorCount, 2);
    EXPECT_EQ(stats.ConvertedCount, 2);
}

TEST(MakeOutputFolder, CreatesMissingParentsShortestFirst) {
    FakeReset();
    FakeAddFolder("d:\\out");
    EXPECT_TRUE(MakeOutputFolder("d:\\out\\new\\"));
    EXPECT_EQ(FakeDirectoryCalls(), (Strings{"d:\\out\\new"}));

    // Same-folder mode: the folder exists, every call fails without harm.
    FakeReset();
    FakeAddFolder("c:\\music\\in");
    EXPECT_TRUE(MakeOutputFolder("c:\\music\\in\\"));
    EXPECT_EQ(FakeDirectoryCalls(), (Strings{"c:\\music\\in", "c:", "c:\\music", "c:\\music\\in"}));

    // A leading backslash is never a cut point.
    FakeReset();
    FakeAddFolder("\\\\srv");
    MakeOutputFolder("\\\\srv\\x\\");
    EXPECT_EQ(FakeDirectoryCalls(), (Strings{"\\\\srv\\x"}));

    // Japanese folder names whose trail byte is 0x5C stay whole.
    FakeReset();
    FakeSetCodePage(932);
    FakeAddFolder("d:");
    MakeOutputFolder("d:\\表\\ソ\\");
    EXPECT_EQ(FakeDirectoryCalls(), (Strings{"d:\\表\\ソ", "d:", "d:\\表", "d:\\表\\ソ"}));
    EXPECT_TRUE(FakeIsFolder("d:\\表\\ソ"));

    FakeReset();
    std::string tooLong = "d:\\" + std::string(FolderCreateSize - 4, 'x') + "\\";
    EXPECT_FALSE(MakeOutputFolder(tooLong.c_str()));
    EXPECT_TRUE(FakeDirectoryCalls().empty());
}

TEST_F(ConvertFileTest, CommandLineFollowsModeOverwriteAndSameFolder) {
    struct Case {
        int mode, overwrite, sameFolder;
        const char* expected;
    } cases[] = {
        {0, 0, 0, "\"c:\\tools\\flac\" -V -5 -o \"d:\\o\\a.flac\" \"c:\\i\\a.wav\""},
        {0, 1, 0, "\"c:\\tools\\flac\" -V -5 -f -o \"d:\\o\\a.flac\" \"c:\\i\\a.wav\""},
        {0, 0, 1, "\"c:\\tools\\flac\" -V -5 \"c:\\i\\a.wav\""},
        {0, 1, 1, "\"c:\\tools\\flac\" -V -5 -f \"c:\\i\\a.wav\""},
        {1, 0, 0, "\"c:\\tools\\flac\" -d -o \"d:\\o\\a.flac\" \"c:\\i\\a.wav\""},
        {1, 1, 0, "\"c:\\tools\\flac\" -d -f -o \"d:\\o\\a.flac\" \"c:\\i\\a.wav\""},
        {1, 0, 1, "\"c:\\tools\\flac\" -d \"c:\\i\\a.wav\""},
        {1, 1, 1, "\"c:\\tools\\flac\" -d -f \"c:\\i\\a.wav\""},
    };
    CopyText(TextSlots[LevelText], TextSlotSize, "5");
    for (const Case& c : cases) {
        IntSettings[Mode] = c.mode;
        IntSettings[Overwrite] = c.overwrite;
        IntSettings[SameFolder] = c.sameFolder;
        char line[CommandLineSize];
        ASSERT_TRUE(BuildEncoderCommand("c:\\i\\a.wav", "d:\\o\\a.flac", line));
        EXPECT_STREQ(line, c.expected) << c.mode << c.overwrite << c.sameFolder;
    }

    // A quote in any path would end its quoting and make the rest options.
    char line[CommandLineSize];
    EXPECT_FALSE(BuildEncoderCommand("c:\\i\\a\" -f \".wav", "d:\\o\\a.flac", line));
    EXPECT_FALSE(BuildEncoderCommand("c:\\i\\a.wav", "d:\\o\" --delete-input-file \"a.flac", line));
    CopyText(EncoderPath, sizeof EncoderPath, "c:\\to\"ols\\flac");
    EXPECT_FALSE(BuildEncoderCommand("c:\\i\\a.wav", "d:\\o\\a.flac", line));
    EXPECT_STREQ(line, "");
    FakeAddFile("c:\\in\\a.wav", 1000);
    Convert("a.wav");
    EXPECT_EQ(stats.ErrorCount, 1);
    EXPECT_TRUE(FakeCommandLines().empty());
    EXPECT_TRUE(FakeDirectoryCalls().empty());
    CopyText(EncoderPath, sizeof EncoderPath, "c:\\tools\\flac");

    // The program file itself is named, so a blank in its folder cannot make
    // the platform start "C:\Program.exe" instead.
    IntSettings[Mode] = 0;
    IntSettings[Overwrite] = 0;
    IntSettings[SameFolder] = 1;
    CopyText(EncoderPath, sizeof EncoderPath, "C:\\Program Files\\K\\flac");
    FakeAddFile("C:\\Program Files\\K\\flac.exe", 1);
    FakeAddFile("C:\\Program.exe", 1);
    FakeAddFile("c:\\in\\a.wav", 1000);
    Convert("a.wav", "c:\\in\\", "c:\\in\\");
    EXPECT_EQ(FakeApplications(), (Strings{"C:\\Program Files\\K\\flac.exe"}));
    EXPECT_EQ(FakeCommandLines(), (Strings{"\"C:\\Program Files\\K\\flac\" -V -5 \"c:\\in\\a.wav\""}));
    EXPECT_TRUE(FakeExists("c:\\in\\a.flac"));
    EXPECT_EQ(stats.ConvertedCount, 1);
}

TEST_F(ConvertFileTest, FailuresAreCountedAndTheNextFileStillConverts) {
    for (const char* name : {"1.wav", "2.wav", "3.wav", "4.wav", "5.wav"})
        FakeAddFile(std::string("c:\\in\\") + name, 1000);

    FakeEncoderRun notStarted;
    notStarted.starts = false;
    FakeQueueEncoderRun(notStarted);
    Convert("1.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:0, skip:0, error:1");

    FakeEncoderRun failing;
    failing.exitCode = 1;
    failing.writesOutput = false;
    FakeQueueEncoderRun(failing);
    Convert("2.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:0, skip:0, error:2");

    FakeEncoderRun silent;  // reports success, writes nothing
    silent.writesOutput = false;
    FakeQueueEncoderRun(silent);
    Convert("3.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:0, skip:0, error:3");

    FakeFailNth(FakeOp::FileSize, 1);  // the input cannot be opened afterwards
    Convert("4.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:0, skip:0, error:4");

    Convert("5.wav");
    EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1, skip:0, error:4, ratio:50.0%\n");
    EXPECT_EQ(FakeCommandLines().size(), 5u);
    EXPECT_EQ(FakeRepaintCount(), 2 * 5);

    // No encoder at all: one error per file, each run asked for.
    SetUp();
    CopyText(EncoderPath, sizeof EncoderPath, "c:\\missing\\flac");
    FakeAddFile("c:\\in\\a.wav", 1000);
    Convert("a.wav");
    Convert("a.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:0, skip:0, error:2");
    EXPECT_FALSE(FakeExists("d:\\out\\a.flac"));
}

// A run that fails after writing part of its output would otherwise leave a
// file that the next run skips as converted.
TEST_F(ConvertFileTest, AFailedRunLeavesNoOutputThatLooksConverted) {
    FakeAddFile("c:\\in\\a.wav", 1000);
    FakeEncoderRun broken;
    broken.exitCode = 1;
    FakeQueueEncoderRun(broken);
    Convert("a.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:0, skip:0, error:1");
    EXPECT_FALSE(FakeExists("d:\\out\\a.flac"));
    Convert("a.wav");
    EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1, skip:0, error:1, ratio:50.0%\n");

    // An output that was there before the run is never removed: one that
    // cannot be read (so it is not skipped), and one the run was to replace.
    FakeAddFile("c:\\in\\b.wav", 1000);
    FakeAddFile("d:\\out\\b.flac", 77);
    FakeSetReadable("d:\\out\\b.flac", false);
    Convert("b.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:1, skip:0, error:2, ratio:50.0%\n");
    EXPECT_TRUE(FakeExists("d:\\out\\b.flac"));
    IntSettings[Overwrite] = 1;
    FakeQueueEncoderRun(broken);
    Convert("a.wav");
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:1, skip:0, error:3, ratio:50.0%\n");
    EXPECT_TRUE(FakeExists("d:\\out\\a.flac"));
}

TEST_F(ConvertFileTest, RatiosAndStatusTextsInCompressMode) {
    FakeAddFile("c:\\in\\a.wav", 1000);
    FakeAddFile("c:\\in\\b.wav", 1000);
    FakeAddFile("c:\\in\\c.wav", 4000);
    FakeAddFile("c:\\in\\empty.wav", 0);

    CaptureDuringRun(500);
    Convert("a.wav");
    EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1, skip:0, error:0, ratio:50.0%\n");
    CaptureDuringRun(700);
    Convert("b.wav");
    EXPECT_STREQ(TextSlots[ResultText],
                 "done\nconverted:2, skip:0, error:0, ratio:70.0%, min:50.0%, max:70.0%, average:60.0%\n");
    CaptureDuringRun(2200);  // 55%: neither a new minimum nor a new maximum
    Convert("c.wav");
    EXPECT_STREQ(TextSlots[ResultText],
                 "done\nconverted:3, skip:0, error:0, ratio:55.0%, min:50.0%, max:70.0%, average:56.7%\n");
    EXPECT_EQ(seenDuringRun,
              (Strings{"in progress\nconverted:0, skip:0, error:0",
                       "in progress\nconverted:1, skip:0, error:0, ratio:--.-%, min:50.0%, max:50.0%, average:50.0%\n",
                       "in progress\nconverted:2, skip:0, error:0, ratio:--.-%, min:50.0%, max:70.0%, average:60.0%\n"}));

    // An empty input is converted but moves no ratio.
    CaptureDuringRun(86);
    Convert("empty.wav");
    EXPECT_STREQ(TextSlots[ResultText],
                 "done\nconverted:4, skip:0, error:0, ratio:55.0%, min:50.0%, max:70.0%, average:56.7%\n");
    EXPECT_DOUBLE_EQ(stats.TotalOutputBytes, 500 + 700 + 2200 + 86);

    // After a skip or an error the ratio shown is still the latest one.
    Convert("a.wav");
    EXPECT_STREQ(TextSlots[ResultText],
                 "skipped\nconverted:4, skip:1, error:0, ratio:55.0%, min:50.0%, max:70.0%, average:56.7%\n");
    FakeAddFile("c:\\in\\gone.wav", 10);
    FakeSetReadable("c:\\in\\gone.wav", false);
    Convert("gone.wav");
    EXPECT_STREQ(TextSlots[ResultText],
                 "error\nconverted:4, skip:1, error:1, ratio:55.0%, min:50.0%, max:70.0%, average:56.7%\n");
    EXPECT_EQ(FakeRepaintCount(), 2 * 4 + 1 + 2);
}

TEST_F(ConvertFileTest, RatioEdgeCases) {
    // Only an empty input converted: nothing to divide by.
    FakeAddFile("c:\\in\\empty.wav", 0);
    Convert("empty.wav");
    EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1, skip:0, error:0, ratio:0.0%\n");

    // Sizes beyond 4 GiB count whole: 3 GiB of 6 GiB is 50%, not the 150%
    // of their low 32 bits.
    SetUp();
    FakeAddFile("c:\\in\\big.wav", 6ull << 30);
    CaptureDuringRun(std::int64_t{3} << 30);
    Convert("big.wav");
    EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1, skip:0, error:0, ratio:50.0%\n");

    // A ratio above the start value of the minimum leaves the minimum at 999.
    SetUp();
    FakeAddFile("c:\\in\\tiny.wav", 10);
    FakeAddFile("c:\\in\\more.wav", 10);
    CaptureDuringRun(1000);
    Convert("tiny.wav");
    CaptureDuringRun(1000);
    Convert("more.wav");
    EXPECT_STREQ(TextSlots[ResultText],
                 "done\nconverted:2, skip:0, error:0, ratio:10000.0%, min:999.0%, max:10000.0%, average:10000.0%\n");
}

TEST_F(ConvertFileTest, RestoreModeShowsCountsWithoutRatios) {
    IntSettings[Mode] = 1;
    FakeAddFile("c:\\in\\a.flac", 500);
    FakeAddFile("c:\\in\\b.flac", 500);
    CaptureDuringRun();
    Convert("a.flac");
    EXPECT_STREQ(TextSlots[ResultText], "done\nconverted:1, skip:0, error:0");
    CaptureDuringRun();
    Convert("b.flac");
    EXPECT_EQ(seenDuringRun, (Strings{"in progress\nconverted:0, skip:0, error:0",
                                      "in progress\nconverted:1, skip:0, error:0"}));
    Convert("a.flac");
    EXPECT_STREQ(TextSlots[ResultText], "skipped\nconverted:2, skip:1, error:0");
    EXPECT_DOUBLE_EQ(stats.AverageRatio, 200.0);
    EXPECT_EQ(FakeSizeOf("d:\\out\\a.wav"), 1000u);
}

TEST_F(ConvertFileTest, PathsAndCommandLinesThatDoNotFitAreRefusedWhole) {
    // Same-folder compress: the output path is one byte longer than the
    // input path, so an input that fits can still give an output that does not.
    IntSettings[SameFolder] = 1;
    IntSettings[Overwrite] = 1;
    CopyText(EncoderPath, sizeof EncoderPath, "c:\\t\\flac");
    FakeAddFile("c:\\t\\flac.exe", 1);
    auto folderOfLength = [](std::size_t length) {
        return "c:\\" + std::string(length - 4, 'f') + "\\";
    };
    std::string fits = folderOfLength(JobPathSize - 1 - 6);       // output of 519 bytes
    std::string overflows = folderOfLength(JobPathSize - 6);       // output of 520 bytes
    FakeAddFolder(fits);
    FakeAddFile(fits + "a.wav", 1000);
    FakeAddFolder(overflows);
    FakeAddFile(overflows + "a.wav", 1000);

    Convert("a.wav", fits.c_str(), fits.c_str());
    EXPECT_EQ(stats.ConvertedCount, 1);
    EXPECT_EQ(std::strlen(TextSlots[CurrentFile]), JobPathSize - 1);

    Convert("a.wav", overflows.c_str(), overflows.c_str());
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:1, skip:0, error:1, ratio:50.0%\n");
    EXPECT_EQ(std::string(TextSlots[CurrentFile]), overflows + "a.flac");  // shown whole
    EXPECT_EQ(FakeCommandLines().size(), 1u);
    EXPECT_FALSE(FakeExists(overflows + "a.flac"));

    // A command line of 1519 bytes runs; one of 1520 is refused before any
    // folder is made.
    SetUp();
    IntSettings[Overwrite] = 1;
    std::string in = "c:\\" + std::string(300, 'i') + "\\";
    std::string out = "d:\\" + std::string(300, 'o') + "\\";
    FakeAddFolder(in);
    FakeAddFile(in + "a.wav", 1000);
    auto encoderFor = [&](std::size_t lineLength) {
        std::string rest = "\"\" -V -8 -f -o \"" + out + "a.flac\" \"" + in + "a.wav\"";
        return "c:\\" + std::string(lineLength - rest.size() - 8, 'e') + "\\flac";
    };
    std::string longest = encoderFor(CommandLineSize - 1);
    ASSERT_TRUE(CopyText(EncoderPath, sizeof EncoderPath, longest.c_str()));
    FakeAddFile(longest + ".exe", 1);
    Convert("a.wav", in.c_str(), out.c_str());
    ASSERT_EQ(FakeCommandLines().size(), 1u);
    EXPECT_EQ(FakeCommandLines()[0].size(), CommandLineSize - 1);
    EXPECT_EQ(stats.ConvertedCount, 1);

    std::string tooLong = encoderFor(CommandLineSize);
    ASSERT_TRUE(CopyText(EncoderPath, sizeof EncoderPath, tooLong.c_str()));
    FakeAddFile(tooLong + ".exe", 1);
    std::string otherOut = "d:\\" + std::string(300, 'p') + "\\";
    folderReady = false;
    std::size_t callsBefore = FakeDirectoryCalls().size();
    Convert("a.wav", in.c_str(), otherOut.c_str());
    EXPECT_EQ(FakeCommandLines().size(), 1u);
    EXPECT_EQ(FakeDirectoryCalls().size(), callsBefore);
    EXPECT_FALSE(FakeExists(otherOut));
    EXPECT_STREQ(TextSlots[ResultText], "error\nconverted:1, skip:0, error:1, ratio:50.0%\n");
}

}  // namespace
