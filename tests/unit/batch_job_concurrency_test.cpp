// The job's thread against the window thread's Cancel, Execute and painting; run under ThreadSanitizer too.
#include <atomic>
#include <regex>
#include <thread>

#include "form/form_window.h"
#include "platform/fake/fake_window.h"
#include <gtest/gtest.h>

#include "tests/unit/job_world.h"

namespace {

class JobThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareJobWorld();
        IntSettings[Overwrite] = 1;
    }

    void TearDown() override { FakeJoinThreads(); }

    static void AddFiles(int count) {
        for (int i = 1; i <= count; ++i) FakeAddFile("c:\\in\\f" + std::to_string(i) + ".wav", 1000 + i);
    }

    // A whole status text, an output path of this test's files, or nothing.
    static bool IsWhole(const char* text) {
        static const std::regex whole(
            "|((in progress|done|skipped|error)\nconverted:\\d+, skip:0, error:0(, ratio:[^\n]*%\n)?)"
            "|d:\\\\out\\\\f[1-9]\\d*\\.flac");
        return std::regex_match(text, whole);
    }
};

TEST_F(JobThreadTest, CancelAroundTheEndOfAJobNeverStopsTheNextOne) {
    // Cancel clicked just before and after each of a one-file job's nine window calls.
    for (bool beforeTheCall : {true, false}) {
        for (int pressAt = 1; pressAt <= 9; ++pressAt) {
            SetUp();
            AddFiles(1);
            std::atomic<int> calls{0};
            auto press = [&calls, pressAt] {
                if (++calls == pressAt && FakeIsEnabled(Control(CancelRow))) AbortRequested = 1;
            };
            FakeSetWindowHook(press, beforeTheCall);
            ASSERT_TRUE(StartBatchJob(TheWindow));
            FakeJoinThreads();
            FakeSetWindowHook(nullptr);
            SCOPED_TRACE((beforeTheCall ? "before call " : "after call ") + std::to_string(pressAt));
            EXPECT_GE(calls.load(), 7);  // fewer when Cancel came before the file
            EXPECT_EQ(AbortRequested, 0);

            FakeAddFile("c:\\in\\second.wav", 500);
            std::size_t runsBefore = FakeCommandLines().size();
            ASSERT_TRUE(StartBatchJob(TheWindow));
            FakeJoinThreads();
            EXPECT_EQ(FakeCommandLines().size(), runsBefore + 2);
        }
    }

    // A click already under way when the job ended is not the next job's.
    SetUp();
    AddFiles(1);
    AbortRequested = 1;
    ASSERT_TRUE(StartBatchJob(TheWindow));
    FakeJoinThreads();
    EXPECT_EQ(FakeCommandLines().size(), 1u);
}

// By the time Execute is enabled again the job must be over, or the click is lost.
TEST_F(JobThreadTest, ExecuteTakesAClickTheMomentItComesBack) {
    AddFiles(1);
    const std::string executeBack = "enable " + std::to_string(ExecuteRow);
    bool clicked = false, started = false;
    FakeSetWindowHook([&] {
        if (clicked || FakeWindowCalls().back() != executeBack) return;
        clicked = true;
        EXPECT_EQ(AbortRequested, 0);
        EXPECT_TRUE(FakeIsEnabled(Control(ExitRow)));
        EXPECT_FALSE(FakeIsEnabled(Control(CancelRow)));
        started = StartBatchJob(TheWindow);
    });
    ASSERT_TRUE(StartBatchJob(TheWindow));
    FakeJoinThreads();
    FakeJoinThreads();
    EXPECT_TRUE(started);
    EXPECT_EQ(FakeCommandLines().size(), 2u);
    EXPECT_EQ(JobHandle, 0u);
}

// Names growing in length and counts in width: a torn copy would mix two texts.
TEST_F(JobThreadTest, ThePainterOnlyEverDrawsWholeTexts) {
    const int files = 3000;
    AddFiles(files);
    CharWidth = 7;
    LineHeight = 16;
    ScrollCol = ScrollRow = 0;
    std::atomic<bool> jobStarted{false};
    std::atomic<long> paints{0};
    Strings torn;
    std::thread painter([&] {
        while (!jobStarted || JobHandle != 0 || paints < 2000) {
            PaintForm(TheWindow);
            Strings drawn = FakeDrawn();  // the job's two texts come last
            for (std::size_t i = drawn.size() - 2; i < drawn.size(); ++i) {
                std::string text = drawn[i].substr(drawn[i].find('|') + 1);
                if (!IsWhole(text.c_str())) torn.push_back(text);
            }
            paints += 1;
        }
    });
    ASSERT_TRUE(StartBatchJob(TheWindow));
    jobStarted = true;
    FakeJoinThreads();
    painter.join();

    EXPECT_TRUE(torn.empty()) << torn.size() << " torn texts, first: " << torn.front();
    EXPECT_EQ(FakeCommandLines().size(), static_cast<std::size_t>(files));
}

}  // namespace
