// Whole jobs over the fake world, most as tables of cases on one fixture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <tuple>

#include "tests/unit/job_world.h"

namespace {

// A file of the job and its encoder run's output size: a number, or one of these.
constexpr std::int64_t Whole = -1, Skipped = -2, Fails = -3;  // half the input; output there; exit 1
struct JobFile { const char* name; std::uint64_t size; std::int64_t outputSize; };

// A status text as the job shows it, written short: "WORD CONVERTED SKIPPED ERRORS [RATIO [MIN MAX
// AVERAGE]]", the ratios in percent as shown. WORD "progress" stands for "in progress", whose RATIO
// is "--.-". Status("done 2 0 0 70.0 50.0 70.0 60.0") is "done\nconverted:2, skip:0, error:0,
// ratio:70.0%, min:50.0%, max:70.0%, average:60.0%\n".
std::string Status(const std::string& parts) {
    std::istringstream in(parts);
    std::string status, converted, skipped, errors, ratio, low, high, average;
    in >> status >> converted >> skipped >> errors >> ratio >> low >> high >> average;
    std::string text = (status == "progress" ? "in progress" : status) + "\nconverted:" + converted +
                       ", skip:" + skipped + ", error:" + errors;
    if (!ratio.empty()) text += ", ratio:" + ratio + "%";
    if (!low.empty()) text += ", min:" + low + "%, max:" + high + "%, average:" + average + "%";
    return ratio.empty() ? text : text + "\n";
}

// The command line for c:\in\a.wav (a.flac) into d:\out, with these options after -V (-d).
std::string LineForA(int mode, const std::string& options) {
    const std::string in = mode == 0 ? "a.wav" : "a.flac", out = mode == 0 ? "a.flac" : "a.wav";
    return "\"c:\\tools\\flac\" " + std::string(mode == 0 ? "-V" : "-d") + options + " -o \"d:\\out\\" +
           out + ".kestrelia-tmp\" \"c:\\in\\" + in + "\"";
}

// A command line split at blanks outside double quotes, the quotes dropped. Windows' rules differ only
// for backslashes before a quote, which a line of paths that hold no quote and end in a name never has.
Strings SplitArguments(const std::string& line) {
    Strings arguments;
    bool quoted = false, within = false;
    for (char c : line) {
        if (!quoted && (c == ' ' || c == '\t')) {
            within = false;
            continue;
        }
        if (!within) arguments.emplace_back();
        within = true;
        if (c == '"') quoted = !quoted;
        else arguments.back() += c;
    }
    return arguments;
}

void AddInputs(std::initializer_list<const char*> names, std::uint64_t size = 1000) {
    for (const char* name : names) FakeAddFile(std::string("c:\\in\\") + name, size);
}

class JobTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareJobWorld(); }
    void TearDown() override { FakeJoinThreads(); }

    static std::string Result() { return TextSlots[ResultText]; }
    static std::string Shown() { return TextSlots[CurrentFile]; }

    // The input path of every encoder run, in order: its last argument.
    static Strings Inputs() {
        Strings inputs;
        for (const std::string& line : FakeCommandLines())
            inputs.push_back(SplitArguments(line).back());
        return inputs;
    }

    // Files in c:\in, in search order, and their runs queued in turn.
    static void AddFiles(const std::vector<JobFile>& files) {
        for (const JobFile& file : files) {
            std::string name = file.name;
            FakeAddFile("c:\\in\\" + name, file.size);
            std::string output = "d:\\out\\" + name.substr(0, name.rfind('.'));
            if (file.outputSize == Skipped) FakeAddFile(output + (IntSettings[Mode] ? ".wav" : ".flac"), 77);
            else FakeQueueEncoderRun(file.outputSize == Fails ? RunFails(1) : RunSucceeds(file.outputSize));
        }
    }
};

TEST_F(JobTest, TheStartChecksAndTheSplitOfTheInputPath) {
    const int walked = -1;
    const std::string a = "c:\\a.wav", b = "c:\\in\\b.wav", c = "c:\\in\\c.wav";
    struct Case {
        int mode, sameFolder;
        std::string input, output;
        int message;  // walked: the job walks and runs these inputs
        Strings inputs = {};
        const char* firstOutput = nullptr;
    } cases[] = {
        {0, 0, "c:\\in\\*.WAV", "d:\\out\\*.*", walked, {b, c}, "d:\\out\\b.flac"},
        {0, 0, "c:\\in\\C.Wav", "d:\\out\\x.wav", walked, {c}, "d:\\out\\c.flac"},
        {0, 0, "a.wav", "d:\\out\\", walked, {a}, "d:\\out\\a.flac"},
        {0, 0, "\\*.wav", "", walked, {a}, "c:\\a.flac"},
        {0, 0, "c:\\in\\*.wav", "out", walked, {b, c}, "c:\\b.flac"},
        {0, 0, "c:\\in\\*.wav", "\\out", walked, {b, c}, "c:\\b.flac"},
        {0, 1, "c:\\in\\b.wav", "d:\\elsewhere\\*.*", walked, {b}, "c:\\in\\b.flac"},
        // A slash separates as Windows takes it; without any, c:*.wav searches c:\c:*.wav.
        {0, 0, "c:/in/*.wav", "d:/out/x", walked, {b, c}, "d:\\out\\b.flac"},
        {0, 0, "c:\\in/C.wav", "d:\\out/", walked, {c}, "d:\\out\\c.flac"},
        {0, 0, "c:*.wav", "d:\\out\\", walked},
        {1, 0, "c:\\in\\*.FLAC", "d:\\out\\*.*", walked, {"c:\\in\\d.flac"}, "d:\\out\\d.wav"},
        {0, 0, ".wav", "", OnlyWavMessage}, {0, 0, "c:\\in\\*.flac", "", OnlyWavMessage},
        {0, 0, "c:\\in\\*,wav", "", OnlyWavMessage}, {0, 0, "c:\\in\\*.wa", "", OnlyWavMessage},
        {0, 0, "c:\\in\\*.wavx", "", OnlyWavMessage}, {0, 0, "", "", OnlyWavMessage},
        {1, 0, ".flac", "", OnlyFlacMessage}, {1, 0, "c:\\in\\*.wav", "", OnlyFlacMessage},
        {1, 0, "c:\\in\\*_flac", "", OnlyFlacMessage},
        // 779 bytes fit a job path, 780 do not, a 3- or a 4-byte character at the edge; so a folder part.
        {0, 0, "c:\\" + Repeat("表", 256) + "ab\\*.wav", "", walked},
        {0, 0, "c:\\" + Repeat("表", 255) + "ab🎵\\*.wav", "", InputTooLongMessage},
        {0, 0, "c:\\in\\*.wav", "d:\\o" + Repeat("表", 258) + "\\*.*", walked},
        {0, 0, "c:\\in\\*.wav", "d:\\o" + Repeat("表", 257) + "🎵\\*.*", OutputTooLongMessage},
    };
    for (int language : {0, 1}) {
        for (const Case& c : cases) {
            SetUp();
            IntSettings[Recurse] = 0;  // so c:\ is searched without c:\in
            AddInputs({"b.wav", "c.wav", "d.flac"}, 10);
            FakeAddFile(a, 10);
            FakeAddFolder("c:\\" + Repeat("表", 256) + "ab");
            IntSettings[Language] = language;
            IntSettings[Mode] = c.mode;
            IntSettings[SameFolder] = c.sameFolder;
            SetSlot(c.mode == 0 ? LastWavSpec : LastFlacSpec, c.input);
            SetSlot(InputSpec, "c:\\in\\*.txt");  // the form's copy is not what the job reads
            SetSlot(OutputSpec, c.output);
            for (int slot : {ResultText, CurrentFile}) SetSlot(slot, "left from before");
            BatchJob(TheWindow);
            SCOPED_TRACE(c.input + " | " + c.output);
            EXPECT_EQ(Inputs(), c.inputs);
            if (c.inputs.empty() && c.output.size() < 700) { EXPECT_EQ(Shown(), ""); }
            if (c.message != walked) {
                EXPECT_EQ(Result(), MessageText(c.message));
                EXPECT_TRUE(FakeDirectoryCalls().empty());
            } else if (c.firstOutput != nullptr) {
                EXPECT_TRUE(FakeExists(c.firstOutput));
            } else {  // when no output path fits, both files fail
                const bool fits = c.output.size() < 700;
                EXPECT_EQ(Result(), fits ? MessageText(NoFileMessage) : Status("error 0 0 2"));
            }
        }
    }
}

// The typed level, repaired to one digit 1 to 8 in either mode; the rest of the line: the random test.
TEST_F(JobTest, TheCommandLineFollowsTheSettings) {
    const char* levels[][2] = {{"5x", "5"}, {"3", "3"}, {"8", "8"}, {"12", "1"}, {" 4", "8"},
                               {"x8", "8"}, {"0", "8"}, {"9", "8"}, {"", "8"}, {"1", "1"}};
    for (int mode : {0, 1}) {
        for (auto [typed, kept] : levels) {
            SetUp();
            IntSettings[Mode] = mode;
            SetSlot(LevelText, typed);
            AddInputs({mode == 0 ? "a.wav" : "a.flac"});
            BatchJob(TheWindow);
            const std::string options = mode == 0 ? " -" + std::string(kept) : "";
            EXPECT_EQ(FakeCommandLines(), Strings{LineForA(mode, options)}) << typed;
            EXPECT_STREQ(TextSlots[LevelText], kept) << typed;
            EXPECT_EQ(IntSettings[Level], kept[0] - '0') << typed;
        }
    }

    // A quote in any path of the line is refused, and nothing is made.
    const char* quoted[][2] = {{"c:\\tools\\flac", "c:\\in\\a\" -f \".wav"},
                               {"c:\\to\"ols\\flac", "c:\\in\\a.wav"}};
    for (auto [encoder, input] : quoted) {
        SetUp();
        SetEncoder(encoder);
        FakeAddFile(input, 1000);
        BatchJob(TheWindow);
        EXPECT_EQ(Result(), Status("error 0 0 1")) << encoder;
        EXPECT_TRUE(FakeCommandLines().empty() && FakeDirectoryCalls().empty()) << encoder;
    }
}

// Asked once a job; an answer it cannot read, or none, gives the plain line.
TEST_F(JobTest, TheEncoderIsAskedWhatItIsAndItsOptionsFollowTheAnswer) {
    const std::string keep = " --keep-foreign-metadata", j2 = keep + " -j 2";
    // What follows -V -8 in `compress`; restore adds "-if-present" where it keeps chunks.
    const struct { FakeEncoderAnswer answer; int processors; std::string compress; } cases[] = {
        {EncoderSays("flac 1.5.0\r\n"), 2, j2}, {EncoderSays("flac 1.5.0"), 3, keep + " -j 3"},
        {EncoderSays("flac 1.5.0\n"), 1, keep}, {EncoderSays("flac 1.5.0\n"), 4, keep + " -j 4"},
        {EncoderSays("flac 1.5.0\n"), 64, keep + " -j 4"}, {EncoderSays("flac 1.4.2\n"), 8, keep},
        {EncoderSays("flac 1.4.0 (beta)\n"), 2, keep}, {EncoderSays("flac 1.3.4\n"), 2, ""},
        {EncoderSays("flac 1.10.1\n"), 2, j2}, {EncoderSays("flac 2.0.0\n"), 2, j2},
        {EncoderSays("flac 0.5.0\n"), 2, ""}, {EncoderSays("flac git-1a2b3c4 20250101\n"), 2, ""},
        {EncoderSays("flac 1.5\n"), 2, ""}, {EncoderSays("flac 1.5.0-rc1\n"), 2, ""},
        {EncoderSays("flac 99999.0.0\n"), 2, ""}, {EncoderSays(""), 2, ""},
        {EncoderSays("\x89PNG\r\n\x1a"), 2, ""}, {EncoderSays("sox 14.4.2\n"), 2, ""},
        // 255 bytes fit the answer's buffer with its NUL, 256 do not.
        {EncoderSays("flac 1.5.0\n" + std::string(244, 'x')), 2, j2},
        {EncoderSays("flac 1.5.0\n" + std::string(245, 'x')), 2, ""},
        {FakeEncoderAnswer{true, false, 0, "flac 1.5.0\n"}, 2, ""},  // still running when its time is up
        {EncoderSays("flac 1.5.0\n", 1), 2, ""}, {FakeEncoderAnswer{false, true, 0, ""}, 2, ""},
    };
    for (int mode : {0, 1}) {
        for (const auto& c : cases) {
            SetUp();
            IntSettings[Mode] = mode;
            FakeSetEncoderAnswer(c.answer);
            FakeSetProcessorCount(c.processors);
            AddInputs({mode == 0 ? "a.wav" : "a.flac", mode == 0 ? "b.wav" : "b.flac"});
            BatchJob(TheWindow);
            const std::string restore = c.compress.empty() ? "" : " --keep-foreign-metadata-if-present";
            EXPECT_EQ(FakeCommandLines().at(0), LineForA(mode, mode == 0 ? " -8" + c.compress : restore));
            EXPECT_EQ(FakeCaptures(), Strings{"c:\\tools\\flac.exe|\"c:\\tools\\flac\" --version|256|5000"});
            EXPECT_EQ(Result().substr(0, 33), "done\nconverted:2, skip:0, error:0") << c.answer.output;
        }
    }
}

// Random stored paths, some with quotes and any other bytes planted in them.
TEST_F(JobTest, EveryCommandLineSplitsIntoTheEncoderItsOptionsAndTheDerivedPaths) {
    std::mt19937 random(20261207);
    auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
    auto name = [&] {  // what a file system holds: no " * / : < > ? \ |
        std::string text = "n";
        for (int k = pick(10); k > 0; --k) {
            char byte = static_cast<char>(0x20 + pick(0xE0));
            if (std::strchr("\"*/:<>?\\|", byte) == nullptr) text += byte;
        }
        return text;
    };
    auto plant = [&](std::string& path) {  // at least one quote among any bytes
        std::string bytes = "\"";
        for (int k = pick(12); k > 0; --k)
            bytes.insert(static_cast<std::size_t>(pick(static_cast<int>(bytes.size()) + 1)), 1,
                         pick(2) ? "\"\\ "[pick(3)] : static_cast<char>(1 + pick(255)));
        path.insert(static_cast<std::size_t>(pick(static_cast<int>(path.size()) + 1)), bytes);
    };
    int refused = 0, converted = 0;
    for (int round = 0; round < 3000; ++round) {
        SetUp();
        IntSettings[Recurse] = 0;
        for (int setting : {Mode, Overwrite, SameFolder}) IntSettings[setting] = pick(2);
        SetEncoder("c:\\my tools\\flac");
        FakeAddFile("c:\\my tools\\flac.exe", 1);
        const int version = pick(3);  // none that it can read, 1.4, 1.5
        FakeSetEncoderAnswer(
            EncoderSays(version == 0 ? "flac 1.x" : version == 1 ? "flac 1.4.2" : "flac 1.5.0"));
        const bool compress = IntSettings[Mode] == 0, outputUsed = IntSettings[SameFolder] == 0;
        const std::string in = compress ? ".wav" : ".flac", out = compress ? ".flac" : ".wav";
        // Relative folders beginning with "-" name a file the encoder would read as options.
        const std::string inputDir = (pick(4) ? "c:\\" : "-") + name() + "\\" + name() + "\\";
        const std::string outputDir = (pick(4) ? "d:\\" : "-") + name() + "\\";
        const std::string stem = name();
        FakeAddFile(inputDir + stem + in, 1000);
        FakeAddFolder(outputDir);
        std::string input = inputDir + "*" + in, output = outputDir + name();
        if (pick(3) == 0) plant(input);
        if (pick(3) == 0) plant(output);
        SetSlot(compress ? LastWavSpec : LastFlacSpec, input);
        SetSlot(OutputSpec, output);
        BatchJob(TheWindow);
        SCOPED_TRACE(input + " | " + output);
        if (input.find('"') != std::string::npos || (outputUsed && output.find('"') != std::string::npos)) {
            EXPECT_TRUE(Result() == MessageText(QuoteInPathMessage) && FakeCommandLines().empty());
            ++refused;
            continue;
        }
        Strings expected{"c:\\my tools\\flac"};
        if (compress) expected.insert(expected.end(), {"-V", "-8"});
        else expected.push_back("-d");
        if (version > 0)
            expected.push_back(compress ? "--keep-foreign-metadata" : "--keep-foreign-metadata-if-present");
        if (version > 1 && compress) expected.insert(expected.end(), {"-j", "2"});
        if (IntSettings[Overwrite] == 1) expected.push_back("-f");
        auto named = [](const std::string& path) { return path[0] == '-' ? ".\\" + path : path; };
        // Always the temporary output, beside the final one.
        const std::string temporary = (outputUsed ? outputDir : inputDir) + stem + out + ".kestrelia-tmp";
        expected.insert(expected.end(), {"-o", named(temporary), named(inputDir + stem + in)});
        ASSERT_EQ(FakeCommandLines().size(), 1u);
        EXPECT_EQ(SplitArguments(FakeCommandLines()[0]), expected) << FakeCommandLines()[0];
        // The program named exactly, so that the blank cannot start "c:\my.exe".
        EXPECT_EQ(FakeApplications(), Strings{"c:\\my tools\\flac.exe"});
        ++converted;
    }
    EXPECT_GT(refused, 500);
    EXPECT_GT(converted, 500);
}

// The last three bytes become "flac", or four "wav"; a shorter name would eat into the folder.
TEST_F(JobTest, TheOutputNameSwapsTheExtensionInPlace) {
    // The mode, the name, the output or null: refused.
    const std::tuple<int, const char*, const char*> cases[] = {
        {0, "B.WAV", "d:\\out\\B.flac"}, {0, "odd.mp3", "d:\\out\\odd.flac"}, {0, "abc", "d:\\out\\flac"},
        {0, "ab", nullptr}, {1, "Ab.Flac", "d:\\out\\Ab.wav"}, {1, "abcd", "d:\\out\\wav"},
        {1, "abc", nullptr},
    };
    for (auto [mode, name, output] : cases) {
        SetUp();
        IntSettings[Mode] = mode;
        AddInputs({name});
        BatchStats stats;
        bool folderReady = false, made = output != nullptr;
        ConvertFile(name, "c:\\in\\", "d:\\out\\", &folderReady, &stats, TheWindow);
        EXPECT_TRUE(stats.ConvertedCount == (made ? 1 : 0) && stats.ErrorCount == (made ? 0 : 1)) << name;
        EXPECT_TRUE(made ? output == Shown() && FakeExists(output)
                         : FakeCommandLines().empty() && FakeDirectoryCalls().empty()) << name;
    }
}

// No failed output looks converted (the next job would skip it); one that was there stays byte for byte.
TEST_F(JobTest, EveryFormOfFailureIsCountedAndLeavesNoOutputThatLooksConverted) {
    enum { None, Readable, Unreadable, ReadOnly, Leftover };
    // What d:\out\a.flac is before the job, and after it: "" not there, "new" converted.
    auto check = [this](const std::string& what, const FakeEncoderRun& run, int before, int overwrite,
                        const std::string& result, const std::string& after) {
        SCOPED_TRACE(what);
        SetUp();
        AddInputs({"a.wav", "b.wav"});
        if (before == Leftover) FakePutBytes("d:\\out\\a.flac.kestrelia-tmp", "part");
        else if (before != None) FakePutBytes("d:\\out\\a.flac", "old", before == ReadOnly ? 33 : 32);
        if (before == Unreadable) FakeSetReadable("d:\\out\\a.flac", false);
        IntSettings[Overwrite] = overwrite;
        if (overwrite == 1 || before != Readable) FakeQueueEncoderRun(run);
        BatchJob(TheWindow);
        const std::string a = "d:\\out\\a.flac";
        EXPECT_EQ(!FakeExists(a) ? "" : FakeSizeOf(a) == 500 ? "new" : FakeBytesOf(a), after);
        EXPECT_EQ(Result(), Status(result));
        EXPECT_EQ(FakeSizeOf("d:\\out\\b.flac"), 500u);
        for (const std::string& path : FakeListUnder("d:\\out"))
            EXPECT_EQ(path.find(".kestrelia-tmp"), std::string::npos);
    };
    const std::string failed = "done 1 0 1 50.0", both = "done 2 0 0 50.0 50.0 50.0 50.0";
    const std::pair<const char*, FakeEncoderRun> failures[] = {
        {"exit 1", RunFails(1)}, {"exit 2", RunFails(2)}, {"crash", RunCrashes()},
        {"cut short", RunCutShort()}, {"no start", RunDoesNotStart()}, {"no output", RunWritesNothing()}};
    for (const auto& [what, run] : failures) {
        check(what, run, None, 0, failed, "");
        // The real encoder empties an output it replaces and deletes it when it fails.
        check(what + std::string(" over it"), run, Readable, 1, failed, "old");
    }
    check("output there", RunSucceeds(), Readable, 0, "done 1 1 0 50.0", "old");
    check("unreadable there", RunSucceeds(), Unreadable, 0, failed, "old");
    auto appears = RunDuring([] { FakePutBytes("d:\\out\\a.flac", "theirs"); });
    check("appeared during the run", appears, None, 0, failed, "theirs");
    check("replaced", RunSucceeds(), Readable, 1, both, "new");
    check("read-only, not replaced", RunSucceeds(), ReadOnly, 1, failed, "old");
    check("left over from a run cut short", RunSucceeds(), Leftover, 0, both, "new");
}

// The nth operation of each kind fails, n = 1, 2, ... until the job no longer reaches it: once, or
// from then on (a full disk).
TEST_F(JobTest, AFaultAtAnyOperationLosesNothing) {
    int faults = 0;
    for (int round = 0; round < 4 * FakeOpCount; ++round) {
        const FakeOp op = static_cast<FakeOp>(round % FakeOpCount);
        const int overwrite = round / FakeOpCount % 2;
        const FakeFault mode = round < 2 * FakeOpCount ? FakeFault::Once : FakeFault::FromThenOn;
        const bool search = op == FakeOp::FindFirst || op == FakeOp::FindNext;
        for (int n = 1;; ++n) {
            SetUp();
            IntSettings[Overwrite] = overwrite;
            AddInputs({"a.wav", "b.wav", "c.wav", "x\\s.wav", "sub\\d.wav"});
            for (const char* old : {"d:\\out\\b.flac", "d:\\out\\x\\s.flac"}) FakePutBytes(old, "old");
            FakeFailNth(op, n, mode);
            BatchJob(TheWindow);
            SCOPED_TRACE("round " + std::to_string(round) + " n " + std::to_string(n));
            int converted = -1, skipped = -1, errors = -1;
            const char* counts = std::strstr(TextSlots[ResultText], "converted:");
            ASSERT_NE(counts, nullptr);
            std::sscanf(counts, "converted:%d, skip:%d, error:%d", &converted, &skipped, &errors);
            // A search that fails is one error in place of what it would have found (each of them, when
            // every later search fails too).
            const bool reached = FakeFaultReached(op), once = mode == FakeFault::Once;
            const int sum = converted + skipped + errors;
            EXPECT_TRUE(search && reached ? (sum <= 6 || !once) && sum - errors <= 5 && errors >= 1
                                          : sum == 5);
            int whole = 0;
            for (const std::string& path : FakeListUnder("d:\\out")) {
                if (FakeIsFolder(path)) continue;
                const bool mine = path == "d:\\out\\b.flac" || path == "d:\\out\\x\\s.flac";
                const bool old = mine && FakeBytesOf(path) == "old";
                EXPECT_TRUE(old || FakeSizeOf(path) == 500) << path;
                whole += old ? 0 : 1;
            }
            EXPECT_GE(whole, converted);
            if (!reached) {
                EXPECT_EQ(Result(), Status(overwrite ? "done 5 0 0 50.0 50.0 50.0 50.0"
                                                     : "skipped 3 2 0 50.0 50.0 50.0 50.0"));
                // Each output folder once, before its first conversion: x's file is skipped.
                const Strings folders{"d:\\out", "d:", "d:\\out", "d:\\out\\sub"};
                if (!overwrite) { EXPECT_EQ(FakeDirectoryCalls(), folders); }
                break;
            }
            ++faults;
            // A skip is never turned into a run (a name that is not itself is an error).
            if (!search && op != FakeOp::FullPath) { EXPECT_EQ(skipped, overwrite ? 0 : 2); }
        }
    }
    EXPECT_GT(faults, 80);  // every kind of operation the job uses, each time it uses it, in either mode
}

// Every status text in turn, as the user is shown it at each repaint.
TEST_F(JobTest, StatusTextsCountsAndRatios) {
    struct Case { int mode; std::vector<JobFile> files; Strings shown; } cases[] = {
        // An empty input (e.wav) is converted but moves no ratio.
        {0,
         {{"a.wav", 1000, 500}, {"b.wav", 1000, 700}, {"c.wav", 4000, 2200}, {"e.wav", 0, 86},
          {"s.wav", 1000, Skipped}, {"f.wav", 1000, Fails}},
         {"progress 0 0 0", "done 1 0 0 50.0", "progress 1 0 0 --.- 50.0 50.0 50.0",
          "done 2 0 0 70.0 50.0 70.0 60.0", "progress 2 0 0 --.- 50.0 70.0 60.0",
          "done 3 0 0 55.0 50.0 70.0 56.7", "progress 3 0 0 --.- 50.0 70.0 56.7",
          "done 4 0 0 55.0 50.0 70.0 56.7", "skipped 4 1 0 55.0 50.0 70.0 56.7",
          "progress 4 1 0 --.- 50.0 70.0 56.7", "error 4 1 1 55.0 50.0 70.0 56.7"}},
        {1, {{"a.flac", 500, Whole}, {"s.flac", 500, Skipped}, {"b.flac", 500, Whole}},
         {"progress 0 0 0", "done 1 0 0", "skipped 1 1 0", "progress 1 1 0", "done 2 1 0"}},
        {0, {{"e.wav", 0, Whole}}, {"progress 0 0 0", "done 1 0 0 0.0"}},  // nothing to divide by
        // Sizes beyond 4 GiB count whole, not by their low 32 bits.
        {0, {{"big.wav", 6ull << 30, std::int64_t{3} << 30}, {"t.wav", 10, 10000}},
         {"progress 0 0 0", "done 1 0 0 50.0", "progress 1 0 0 --.- 50.0 50.0 50.0",
          "done 2 0 0 100000.0 50.0 100000.0 50.0"}},
        // A ratio above 999% leaves the minimum where it started.
        {0, {{"t.wav", 10, 1000}, {"u.wav", 10, 1000}},
         {"progress 0 0 0", "done 1 0 0 10000.0", "progress 1 0 0 --.- 999.0 10000.0 10000.0",
          "done 2 0 0 10000.0 999.0 10000.0 10000.0"}},
    };
    for (const Case& c : cases) {
        SetUp();
        IntSettings[Mode] = c.mode;
        AddFiles(c.files);
        Strings shown, expected;
        FakeSetWindowHook([&shown] { shown.push_back(Result()); });
        BatchJob(TheWindow);
        for (const std::string& parts : c.shown) expected.push_back(Status(parts));
        EXPECT_EQ(shown, expected) << c.files[0].name;
    }
}

TEST_F(JobTest, PathsThatDoNotFitAreRefusedWholeAndCounted) {
    // The temporary path beside its input, 20 bytes longer than the name: 779 bytes fit, 780 do not,
    // a 3-byte or a 4-byte character at the edge; an output path of 780 does not either.
    const std::string t251 = Repeat("表", 251);
    for (const std::string& name : {t251 + "ff", t251.substr(3) + "ff🎵", t251 + std::string(17, 'f')}) {
        SetUp();
        IntSettings[SameFolder] = 1;
        const std::string folder = "c:\\" + name + "\\";
        const bool fits = folder.size() == 759, temporaryLong = folder.size() == 760;
        FakeAddFile(folder + "a.wav", 1000);
        SetSlot(LastWavSpec, folder + "*.wav");
        BatchJob(TheWindow);
        EXPECT_EQ(Shown(), folder + (temporaryLong ? "a.flac.kestrelia-tmp" : "a.flac"));
        EXPECT_EQ(FakeExists(folder + "a.flac"), fits);
        EXPECT_EQ(Result(), Status(fits ? "done 1 0 0 50.0" : "error 0 0 1"));
    }

    // The longest line there can be runs: 999 bytes of encoder path, every option, two paths of
    // 779 bytes, relative ones beginning with "-" and so named from ".\".
    SetUp();
    IntSettings[Overwrite] = 1;
    FakeSetEncoderAnswer(EncoderSays("flac 1.5.0\n"));
    FakeSetProcessorCount(4);
    const std::string in = "-" + std::string(772, 'i') + "\\", out = "-" + std::string(757, 'o') + "\\";
    const std::string encoder = "c:\\" + std::string(991, 'e') + "\\flac";
    SetEncoder(encoder);
    FakeAddFile(encoder + ".exe", 1);
    FakeAddFile(in + "a.wav", 1000);
    FakeAddFolder(out);
    SetSlot(LastWavSpec, in + "*.wav");
    SetSlot(OutputSpec, out + "*.*");
    BatchJob(TheWindow);
    ASSERT_EQ(FakeCommandLines().size(), 1u);
    EXPECT_EQ(FakeCommandLines()[0].size(), 2610u);
    EXPECT_TRUE(FakeExists(out + "a.flac"));

    // A folder path with its backslash: under c:\in\A\B\ (408 bytes) 370 fit, 371 do not.
    SetUp();
    const std::string f122 = Repeat("表", 122);
    const std::string deep = "c:\\in\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + "\\";
    const std::string tooLong = deep + f122 + "t🎵";
    FakeAddFile(tooLong + "\\lost.wav", 10);
    FakeAddFolder(deep + f122 + "🎵");
    FakeAddFile(deep + "kept.wav", 10);
    FakeAddFile("c:\\in\\short\\kept.wav", 10);
    BatchJob(TheWindow);
    EXPECT_EQ(Inputs(), (Strings{"c:\\in\\short\\kept.wav", deep + "kept.wav"}));
    // The fitting folder's search text ("*.wav" added) does not fit: never searched cut.
    EXPECT_EQ(Result(), Status("error 2 0 2 50.0 50.0 50.0 50.0"));
    SetUp();
    FakeAddFolder(tooLong);
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), Status("error 0 0 1"));
    EXPECT_EQ(Shown(), tooLong + "\\");
}

// Depth first, files first, subfolders in reverse; a junction could loop; an inexact name is an error.
TEST_F(JobTest, WhatTheWalkMeetsAndInWhichOrder) {
    const std::uint32_t folder = 16, readOnly = 1, hidden = 2, system = 4, archive = 32, reparse = 1024;
    const std::pair<const char*, std::uint32_t> folders[] = {
        {"z", folder}, {"a", folder}, {"m", folder}, {"m?sica", folder}, {"??", folder | hidden},
        {".cache", folder}, {"secret", folder | hidden}, {"sys", folder | system},
        {"loop", folder | reparse}, {"locked", folder | readOnly}, {"custom", folder | readOnly | archive},
        {"album.wav", folder}, {"ro.wav", folder | readOnly}, {"dot.", folder}, {"blank ", folder},
        {"com10", folder}, {"aux", folder}};
    FakeAddFile("c:\\in\\1.wav", 10);
    for (auto [name, attributes] : folders) {
        FakeAddFolder(std::string("c:\\in\\") + name, attributes);
        FakeAddFile(std::string("c:\\in\\") + name + "\\t.wav", 10);
    }
    AddInputs({"z\\deep\\t.wav", "z\\u.wav", "2.wav", "notes.txt", "cafe.wav"}, 10);
    FakeAddFile("c:\\in\\plain.wav", 10, readOnly | archive);
    // Names Windows takes for devices, or strips of a trailing dot or blank, reach other files.
    AddInputs({"nul.wav", "CON.wav", "con1.wav", "aux\\u.wav"}, 10);
    for (const char* name : {"m?sica", "??", "cafe.wav"}) FakeSetNameInexact(std::string("c:\\in\\") + name);
    BatchJob(TheWindow);
    Strings walked;
    for (const char* name : {"1.wav", "2.wav", "plain.wav", "con1.wav", "com10\\t.wav", "ro.wav\\t.wav",
                             "album.wav\\t.wav", "custom\\t.wav", "locked\\t.wav", "m\\t.wav", "a\\t.wav",
                             "z\\t.wav", "z\\u.wav", "z\\deep\\t.wav"})
        walked.push_back(std::string("c:\\in\\") + name);
    EXPECT_EQ(Inputs(), walked);
    EXPECT_EQ(Result().substr(0, 36), "done\nconverted:14, skip:0, error:7, ");
    EXPECT_TRUE(FakeExists("d:\\out\\z\\deep\\t.flac"));
    EXPECT_FALSE(FakeExists("d:\\out\\cafe.flac"));
    EXPECT_EQ(FakeOpenSearchCount(), 0);
    EXPECT_EQ(StackTop, -1);

    // Every output beside its input, in every folder.
    IntSettings[SameFolder] = 1;
    BatchJob(TheWindow);
    EXPECT_TRUE(FakeExists("c:\\in\\z\\deep\\t.flac"));
    EXPECT_TRUE(FakeExists("c:\\in\\album.wav\\t.flac"));
}

// A folder that is missing or cannot be read (as Windows without long paths fails a search text of 260
// characters) is one error, and the status names it. A listing that breaks off: the fault loop.
TEST_F(JobTest, AFolderThatCannotBeSearchedIsAnErrorTheUserSees) {
    AddInputs({"a.wav", "b.wav", "later\\c.wav"});
    FakeSetReadable("c:\\in\\later", false);
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), Status("error 2 0 1 50.0 50.0 50.0 50.0"));
    EXPECT_EQ(Shown(), "c:\\in\\later\\");
    SetUp();
    SetSlot(LastWavSpec, "c:\\gone\\*.wav");
    BatchJob(TheWindow);
    EXPECT_EQ(Result(), Status("error 0 0 1"));
    EXPECT_EQ(Shown(), "c:\\gone\\");
}

TEST_F(JobTest, TheFolderLimitEndsTheJobWithItsMessage) {
    // 5999 pending folders are walked; of 6000 none, but the start folder's file is done.
    for (int folders : {6000, 5999}) {
        SetUp();
        AddInputs({"first.wav"});
        for (int i = 0; i < folders; ++i) FakeAddFile("c:\\in\\f" + std::to_string(i) + "\\inner.wav", 10);
        BatchJob(TheWindow);
        EXPECT_EQ(Inputs().size(), folders == 6000 ? 1u : 6000u);
        EXPECT_EQ(Inputs().front(), "c:\\in\\first.wav");
        EXPECT_EQ(Result(), folders == 6000 ? Status("done 1 0 0 50.0") + MessageText(TooManyFoldersMessage)
                                            : Status("done 6000 0 0 50.0 50.0 50.0 50.0"));
        EXPECT_EQ(FakeOpenSearchCount(), 0);
    }
}

// Whichever way the job ends, its thread leaves the buttons idle, Execute last.
TEST_F(JobTest, EveryWayAJobEndsAndTheThreadLeavesTheIdleState) {
    const std::string execute = std::to_string(ExecuteRow), exit = std::to_string(ExitRow);
    const std::string cancel = std::to_string(CancelRow);
    const std::string reason =
        "reason Converting files: press Cancel and wait for the file in work to finish";
    // All done; cancelled in the first run (that file is accounted for; no further file, no closing
    // message); cancelled at the job's first window call.
    const std::string results[] = {Status("done 2 0 0 50.0 50.0 50.0 50.0"), Status("done 1 0 0 50.0"), ""};
    for (int way : {0, 1, 2}) {
        SetUp();
        AddInputs({"a.wav", "b.wav"});
        if (way == 1) FakeQueueEncoderRun(RunDuring([] { AbortRequested = 1; }));
        bool runningSeen = false, cancelFirst = way == 2;
        FakeSetWindowHook([&] {
            runningSeen = runningSeen || JobHandle != 0;
            if (cancelFirst) AbortRequested = 1;
            cancelFirst = false;
        });
        SCOPED_TRACE(way);
        ASSERT_TRUE(StartBatchJob(TheWindow));
        FakeJoinThreads();
        EXPECT_EQ(FakeCommandLines().size(), 2u - way);
        EXPECT_EQ(Result(), results[way]);
        EXPECT_EQ(FakeOpenSearchCount(), 0);
        Strings calls = FakeWindowCalls();
        ASSERT_GE(calls.size(), 9u);
        // A log-off is held, with the reason in the user's language, until the window hears of the end.
        const Strings busy{reason, "disable " + execute, "disable " + exit, "enable " + cancel};
        EXPECT_EQ(Strings(calls.begin(), calls.begin() + 4), busy);
        const Strings idle{"repaint", "disable " + cancel, "enable " + exit, "enable " + execute,
                           "job ended"};
        EXPECT_EQ(Strings(calls.end() - 5, calls.end()), idle);
        EXPECT_TRUE(AbortRequested == 0 && JobHandle == 0 && runningSeen);
    }

    // No thread: the user is told, and the buttons stay as they were.
    SetUp();
    FakeFailNth(FakeOp::ThreadStart, 1);
    EXPECT_FALSE(StartBatchJob(TheWindow));
    EXPECT_EQ(JobHandle, 0u);
    EXPECT_EQ(Result(), "error: the job could not be started\n");
    EXPECT_EQ(FakeWindowCalls(), (Strings{reason, "reason withdrawn", "repaint"}));

    // Never a second job beside a running one.
    JobHandle = 1;
    EXPECT_FALSE(StartBatchJob(TheWindow));
    FakeJoinThreads();
    EXPECT_EQ(FakeWindowCalls().size(), 3u);
    JobHandle = 0;
}

}  // namespace
