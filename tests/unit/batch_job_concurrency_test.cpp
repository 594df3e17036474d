// The job on a real thread against the window thread's actions: Cancel,
// the next Execute, and the painter's reads. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_job.h"
#include "form/form_table.h"
#include "tests/unit/job_world.h"

namespace {

// A one-shot signal between two threads.
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> guard(lock_);
        open_ = true;
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
};

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

    // A status text as the job writes it: a status word, the counts and,
    // perhaps, one ratio line; or nothing.
    static bool IsWholeResult(const char* text) {
        if (*text == '\0') return true;
        const char* rest = nullptr;
        for (const char* word : {"in progress\n", "done\n", "skipped\n", "error\n"})
            if (std::strncmp(text, word, std::strlen(word)) == 0) rest = text + std::strlen(word);
        int counts[3];
        int used = -1;
        if (rest == nullptr || std::sscanf(rest, "converted:%d, skip:%d, error:%d%n", &counts[0], &counts[1],
                                           &counts[2], &used) != 3 || used < 0)
            return false;
        std::string ratios = rest + used;
        return ratios.empty() || (ratios.rfind(", ratio:", 0) == 0 && ratios.find('\n') == ratios.size() - 1 &&
                                  ratios[ratios.size() - 2] == '%');
    }

    // An output path of this test's files, or nothing.
    static bool IsWholeOutputPath(const char* text) {
        if (*text == '\0') return true;
        const char* prefix = "d:\\out\\f";
        if (std::strncmp(text, prefix, std::strlen(prefix)) != 0) return false;
        const char* digits = text + std::strlen(prefix);
        std::size_t count = std::strspn(digits, "0123456789");
        return count > 0 && digits[0] != '0' && std::strcmp(digits + count, ".flac") == 0;
    }

    // What the Cancel button does on the window thread.
    static void PressCancel() { AbortRequested = 1; }
};

TEST_F(JobThreadTest, CancelDuringABlockedRunFinishesThatFileOnly) {
    AddFiles(3);
    Gate running, released;
    FakeEncoderRun blocked;
    blocked.during = [&](const std::string&) {
        running.Open();
        released.Wait();
    };
    FakeQueueEncoderRun(blocked);

    ASSERT_TRUE(StartBatchJob(TheWindow));
    running.Wait();
    EXPECT_NE(JobHandle, 0u);
    EXPECT_FALSE(FakeIsEnabled(Control(ExecuteRow)));
    EXPECT_FALSE(FakeIsEnabled(Control(ExitRow)));
    EXPECT_TRUE(FakeIsEnabled(Control(CancelRow)));
    PressCancel();
    released.Open();
    FakeJoinThreads();

    EXPECT_EQ(FakeCommandLines().size(), 1u);
    EXPECT_TRUE(FakeExists("d:\\out\\f1.flac"));
    char result[TextSlotSize];
    ReadSlotText(ResultText, result, sizeof result);
    EXPECT_STREQ(result, "done\nconverted:1, skip:0, error:0, ratio:50.0%\n");
    EXPECT_EQ(FakeOpenSearchCount(), 0);
    EXPECT_EQ(JobHandle, 0u);
    EXPECT_EQ(AbortRequested, 0);
    EXPECT_FALSE(FakeIsEnabled(Control(CancelRow)));
}

TEST_F(JobThreadTest, CancelAroundTheEndOfAJobNeverStopsTheNextOne) {
    // A one-file job makes nine window calls. Cancel is clicked just before
    // and just after each of them in turn, whenever the button takes a click.
    const int windowCalls = 9;
    for (bool beforeTheCall : {true, false}) {
        for (int pressAt = 1; pressAt <= windowCalls; ++pressAt) {
            SetUp();
            AddFiles(1);
            std::atomic<int> calls{0};
            FakeSetWindowHook(
                [&calls, pressAt] {
                    if (++calls == pressAt && FakeIsEnabled(Control(CancelRow))) PressCancel();
                },
                beforeTheCall);
            ASSERT_TRUE(StartBatchJob(TheWindow));
            FakeJoinThreads();
            FakeSetWindowHook(nullptr);
            std::string where = std::string(beforeTheCall ? "before" : "after") + " window call " +
                                std::to_string(pressAt);
            EXPECT_GE(calls.load(), 7) << where;  // fewer when Cancel came before the file
            EXPECT_EQ(AbortRequested, 0) << where;

            FakeAddFile("c:\\in\\second.wav", 500);
            std::size_t runsBefore = FakeCommandLines().size();
            ASSERT_TRUE(StartBatchJob(TheWindow));
            FakeJoinThreads();
            EXPECT_EQ(FakeCommandLines().size(), runsBefore + 2) << where;
            EXPECT_EQ(JobHandle, 0u);
            EXPECT_EQ(AbortRequested, 0);
        }
    }

    // A click already under way when the job ended is not the next job's.
    SetUp();
    AddFiles(1);
    PressCancel();
    ASSERT_TRUE(StartBatchJob(TheWindow));
    FakeJoinThreads();
    EXPECT_EQ(FakeCommandLines().size(), 1u);
}

// Execute can be clicked the moment it is enabled again: by then the job
// must be over for the window thread, or the click is lost.
TEST_F(JobThreadTest, ExecuteTakesAClickTheMomentItComesBack) {
    AddFiles(1);
    const std::string executeBack = "enable " + std::to_string(ExecuteRow);
    bool clicked = false;
    bool started = false;
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
    EXPECT_TRUE(FakeIsEnabled(Control(ExecuteRow)));
    EXPECT_TRUE(FakeIsEnabled(Control(ExitRow)));
    EXPECT_FALSE(FakeIsEnabled(Control(CancelRow)));
}

TEST_F(JobThreadTest, PainterOnlyEverSeesWholeTexts) {
    // File names of growing length, so that a torn copy would mix two of
    // them; thousands of status updates with counts of changing width.
    const int files = 3000;
    AddFiles(files);
    std::atomic<bool> jobStarted{false};
    std::atomic<long> reads{0};
    std::vector<std::string> torn;
    std::thread painter([&] {
        char text[TextSlotSize];
        while (!jobStarted || JobHandle != 0 || reads < 5000) {
            ReadSlotText(ResultText, text, sizeof text);
            if (!IsWholeResult(text)) torn.push_back(text);
            ReadSlotText(CurrentFile, text, sizeof text);
            if (!IsWholeOutputPath(text)) torn.push_back(text);
            reads += 1;
        }
    });
    ASSERT_TRUE(StartBatchJob(TheWindow));
    jobStarted = true;
    FakeJoinThreads();
    painter.join();

    EXPECT_TRUE(torn.empty()) << torn.size() << " torn texts, first: " << torn.front();
    EXPECT_EQ(FakeCommandLines().size(), static_cast<std::size_t>(files));
    EXPECT_GE(reads.load(), 5000);
}

}  // namespace
