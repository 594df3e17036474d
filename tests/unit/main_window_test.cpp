#include <future>

#include "tests/unit/ui_world.h"

namespace {

TEST(MainWindow, StartsFromTheSettingsFileOrSaysWhyItCannot) {
    for (bool classFails : {true, false}) {  // the window class, or else the window, cannot be made
        PrepareUiWorld();
        FakeFailMainWindow(classFails, !classFails);
        EXPECT_EQ(StartProgram(), 0);
        EXPECT_EQ(FakeUiCalls().back(), "box Kestrelia|Few resource or Wrong coding|16");
        EXPECT_EQ(FakeUiCalls().size() == 2u, classFails);  // registered, then the box
        EXPECT_FALSE(Has(FakeUiCalls(), "loop"));
    }

    // The stored place after the controls, then shown and into the loop.
    PrepareUiWorld();
    FakeSetTextMetrics(PlatTextMetrics{8, 16, 0, 0});
    const std::string place = SettingsFile(
        {{Language, 9}, {WindowLeft, 30}, {WindowTop, 40}, {WindowRight, 530}, {WindowBottom, 440}},
        {{LevelText, "0"}});
    EXPECT_EQ(StartProgram(place), 0);
    Strings calls = FakeUiCalls();
    EXPECT_EQ(calls[1], "create Kestrelia|Kestrelia : FLAC file converter R1.20");
    // Ranges: (400 - 39) / 16 lines, (500 - 16) / 8 columns.
    const Strings shown{"move 30 40 500 400", "range 1 0 30 22", "range 0 0 52 60",
                        "show 1", "update", "loop"};
    EXPECT_EQ(Strings(calls.end() - 6, calls.end()), shown);
    EXPECT_EQ(IntSettings[Language], 0);
    EXPECT_STREQ(TextSlots[LevelText], "8");
    EXPECT_EQ(FakeSend(PlatMsgCreate - 1 + 0x200), 0);  // other messages: the default
    EXPECT_TRUE(Has(FakeUiCalls(), "default 512"));
}

TEST(MainWindow, ClosingSavesOnceAndEndsTheLoop) {
    PrepareUiWorld();
    StartProgram();
    FakeSetWindowRect(PlatRect{11, 22, 411, 522});
    PlatSetText(FakeControlHandle(LevelRow), "7");
    FakeClearUiCalls();
    FakeSend(PlatMsgClose);
    EXPECT_EQ(FakeUiCalls(), (Strings{"default 16", "destroy", "quit 0"}));
    // What the form shows and where the window was are what is saved.
    ReloadSettings();
    EXPECT_EQ(std::vector<int>(IntSettings + WindowLeft, IntSettings + WindowBottom + 1),
              (std::vector<int>{11, 22, 411, 522}));
    EXPECT_STREQ(TextSlots[LevelText], "7");
    // A rectangle that cannot be read keeps the stored one.
    StartProgram();
    FakeSetWindowRect(PlatRect{1, 2, 3, 4}, false);
    FakeSend(PlatMsgClose);
    ReloadSettings();
    EXPECT_EQ(IntSettings[WindowLeft], 11);

    // A session that ends takes the process without a destroy: saved then, and only then.
    PrepareUiWorld();
    StartProgram();
    FakeSend(PlatMsgEndSession, 0);
    EXPECT_FALSE(FakeExists(Ini));
    FakeSend(PlatMsgEndSession, 1);
    EXPECT_TRUE(FakeExists(Ini) && Has(FakeUiCalls(), "quit 0"));

    // No settings path: nothing is written, and the loop still ends.
    PrepareUiWorld();
    FakeFailNth(FakeOp::FullPath, 1);
    StartProgram();
    FakeSend(PlatMsgClose);
    EXPECT_TRUE(Has(FakeUiCalls(), "quit 0"));
    EXPECT_TRUE(FakeListUnder("c:\\work").empty());
}

TEST(MainWindow, ASettingsFileThatCouldNotBeReadIsNeverReplaced) {
    // Long enough to be read in three pieces.
    const std::string stored =
        SettingsFile({{Language, 1}}, {{LastWavSpec, "d:\\mine\\*.wav"}, {19, std::string(9000, 'x')}});
    // 0: the file cannot be opened; n: its nth read fails, once or from then on, until the load no
    // longer reaches it.
    for (int round = 0; round < 2; ++round) {
        for (int n = 0;; ++n) {
            PrepareUiWorld();
            FakePutBytes(Ini, stored);
            if (n == 0) FakeSetReadable(Ini, false);
            else FakeFailNth(FakeOp::ReadFile, n, round == 0 ? FakeFault::Once : FakeFault::FromThenOn);
            StartProgram();
            FakeSetWindowRect(PlatRect{11, 22, 411, 522});
            FakeSend(PlatMsgClose);
            SCOPED_TRACE("round " + std::to_string(round) + " n " + std::to_string(n));
            EXPECT_TRUE(Has(FakeUiCalls(), "quit 0"));
            EXPECT_EQ(FakeListUnder("c:\\work").size(), 1u);
            if (n == 0 || FakeFaultReached(FakeOp::ReadFile)) {
                EXPECT_EQ(FakeBytesOf(Ini), stored);
                continue;
            }
            EXPECT_EQ(FakeBytesOf(Ini).substr(0, 20), "20\r\n1\r\n11\r\n22\r\n411\r\n");
            EXPECT_NE(FakeBytesOf(Ini).find("d:\\mine\\*.wav"), std::string::npos);
            EXPECT_GT(n, 3);  // three reads, each of them failed once
            break;
        }
    }
}

TEST(MainWindow, ACloseDuringAJobCancelsItAndClosesWhenTheJobHasEnded) {
    PrepareUiWorld();
    StartProgram();
    // The job is held inside its one encoder run until the test lets it go.
    std::promise<void> inRun, release;
    std::shared_future<void> released = release.get_future().share();
    for (const char* path : {"c:\\work\\flac.exe", "c:\\music\\a.wav", "c:\\music\\b.wav"})
        FakeAddFile(path, 1000);
    SetSlot(LastWavSpec, "c:\\music\\*.wav");
    SetSlot(OutputSpec, "c:\\out\\*.*");
    FakeQueueEncoderRun(RunDuring([&] { inRun.set_value(), released.wait(); }));
    PlatSetText(ControlHandles[LevelRow], "3");  // Execute copies the edit box first
    FakeSend(PlatMsgCommand, ExecuteRow);
    inRun.get_future().wait();
    FakeClearUiCalls();
    FakeSend(PlatMsgQueryEndSession);  // a log-off is refused, not passed on
    FakeSend(PlatMsgEndSession, 1);    // and if it comes all the same, nothing is saved mid-job
    FakeSend(PlatMsgClose);
    FakeSend(PlatMsgClose);
    EXPECT_EQ(FakeUiCalls(), (Strings{"timer 1 100"}));
    EXPECT_EQ(AbortRequested.load(), 1);
    EXPECT_FALSE(FakeIsEnabled(ControlHandles[CancelRow]));
    FakeSend(PlatMsgTimer, 1);  // still running: the window stays
    EXPECT_FALSE(FakeMainWindowDestroyed());

    release.set_value();
    FakeJoinThreads();
    // The reason Windows showed for the wait, in the form's language, goes when the window hears of the end.
    FakeSend(PlatMsgJobEnded);
    EXPECT_TRUE(Has(FakeWindowCalls(), "reason 変換中です。中止を押し、処理中のファイルが終わるまでお待ちください"));
    EXPECT_EQ(FakeWindowCalls().back(), "reason withdrawn");
    // Job over, timer not yet come: no command starts a job or opens a box or a dialog.
    FakeClearUiCalls();
    for (int id : {ExecuteRow, FileSelectRow, FolderSelectRow, ExitRow, LanguageRow})
        FakeSend(PlatMsgCommand, static_cast<std::uintptr_t>(id));
    FakeJoinThreads();
    EXPECT_EQ(JobHandle.load(), 0u);
    EXPECT_EQ(IntSettings[Language], 0);
    for (const std::string& call : FakeUiCalls())
        EXPECT_TRUE(call.rfind("box", 0) != 0 && call.rfind("dialog", 0) != 0) << call;
    FakeSend(PlatMsgQueryEndSession);
    EXPECT_TRUE(Has(FakeUiCalls(), "default 17"));
    FakeSend(PlatMsgTimer, 1);
    Strings calls = FakeUiCalls();
    EXPECT_TRUE(FakeMainWindowDestroyed());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "quit 0"), 1);
    EXPECT_TRUE(Has(calls, "stop timer 1"));
    // The running file was finished and counted; the second never started.
    ASSERT_EQ(FakeCommandLines().size(), 1u);
    EXPECT_NE(FakeCommandLines()[0].find(" -3 "), std::string::npos);
    ReloadSettings();
    EXPECT_EQ(Slots({CurrentFile, LevelText}), (Strings{"c:\\out\\a.flac", "3"}));
    EXPECT_NE(std::string(TextSlots[ResultText]).find("converted:1, skip:0, error:0"), std::string::npos);
}

}  // namespace
