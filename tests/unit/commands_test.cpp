#include "tests/unit/ui_world.h"

namespace {

void Click(int id, int code = 0) { FakeSend(PlatMsgCommand, static_cast<std::uintptr_t>(code << 16 | id)); }

// What the window was asked to do for a click of this row.
Strings CallsFor(int id) {
    FakeClearUiCalls();
    Click(id);
    return FakeUiCalls();
}

void StartIdle() {
    PrepareUiWorld();
    StartProgram(SettingsFile({{Language, 1}}, {{LastWavSpec, "d:\\wav\\*.wav"},
                                                {LastFlacSpec, "d:\\flac\\*.flac"},
                                                {CurrentFile, "old"}, {ResultText, "old result"}}));
    FakeClearUiCalls();
}

TEST(Commands, ModeAndOptionsChangeTheStoreAndTheirControls) {
    StartIdle();
    EXPECT_EQ(CallsFor(ModeRowLast), (Strings{"check 106 0", "check 107 1"}));
    EXPECT_EQ(IntSettings[Mode], 1);
    EXPECT_EQ(Slots({InputSpec, CurrentFile, ResultText}), (Strings{"d:\\flac\\*.flac", "", ""}));
    EXPECT_EQ(FakeRepaintCount(), 1);
    // The selected one again runs the same steps.
    SetSlot(ResultText, "x");
    Click(ModeRowLast);
    EXPECT_EQ(IntSettings[Mode], 1);
    EXPECT_STREQ(TextSlots[ResultText], "");
    Click(ModeRowFirst);
    EXPECT_STREQ(TextSlots[InputSpec], "d:\\wav\\*.wav");

    // Each check box toggles its setting and mark; Folder Select follows SameFolder.
    const int steps[][5] = {  // the row clicked; SameFolder, Overwrite, Recurse, Folder Select enabled
        {SameFolderRow, 1, 0, 0, 0}, {OverwriteRow, 1, 1, 0, 0}, {RecurseRow, 1, 1, 1, 0},
        {SameFolderRow, 0, 1, 1, 1}, {RecurseRow, 0, 1, 0, 1}};
    for (const auto& s : steps) {
        Click(s[0]);
        EXPECT_EQ((std::vector<int>{IntSettings[SameFolder], IntSettings[Overwrite], IntSettings[Recurse],
                                    FakeIsEnabled(ControlHandles[FolderSelectRow])}),
                  std::vector<int>(s + 1, s + 5)) << s[0];
        EXPECT_EQ(FakeControlById(s[0])->checked, IntSettings[FormTable[s[0]].index]) << s[0];
    }

    // The language button relabels the form in the other language.
    Click(LanguageRow);
    EXPECT_EQ(IntSettings[Language], 0);
    EXPECT_EQ(FakeControlById(LanguageRow)->text, "English");
    EXPECT_NE(FakeControlById(ExitRow)->text, "Exit");
    Click(LanguageRow);
    EXPECT_EQ(FakeControlById(ExitRow)->text, "Exit");

    // The "#" button gives the default size, in place.
    EXPECT_EQ(CallsFor(DefaultSizeRow)[0], "resize 388 544");
}

TEST(Commands, TheOpenFileDialogChoosesEachModesSpecAndTheOutputFolder) {
    StartIdle();
    FakeQueueDialog(true, "e:\\new\\*.wav");
    EXPECT_EQ(CallsFor(FileSelectRow)[0], "dialog *.wav|d:\\wav\\*.wav");
    EXPECT_EQ(Slots({InputSpec, LastWavSpec, LastFlacSpec}),
              (Strings{"e:\\new\\*.wav", "e:\\new\\*.wav", "d:\\flac\\*.flac"}));

    Click(ModeRowLast);
    FakeQueueDialog(false, "");
    EXPECT_EQ(CallsFor(FileSelectRow)[0], "dialog *.flac|d:\\flac\\*.flac");
    EXPECT_STREQ(TextSlots[InputSpec], "d:\\flac\\*.flac");
    EXPECT_EQ(FakeRepaintCount(), 3);  // a cancelled dialog still repaints

    FakeQueueDialog(true, "f:\\archive\\x.flac");
    EXPECT_EQ(CallsFor(FolderSelectRow)[0], "dialog *.*|c:\\*.*");
    EXPECT_EQ(Slots({OutputSpec, InputSpec}), (Strings{"f:\\archive\\x.flac", "d:\\flac\\*.flac"}));

    // The dialog holds 2999 UTF-16 units and a NUL: a spec of more opens it with no name, never a cut one.
    const std::pair<std::string, bool> specs[] = {
        {Repeat("a", 2996), true}, {Repeat("a", 2997), false}, {Repeat("表", 2996), true},
        {Repeat("表", 2997), false}, {Repeat("🎵", 1498), true}, {Repeat("🎵", 1497) + "表", true},
        {Repeat("🎵", 1498) + "a", false}};
    for (const auto& [name, shown] : specs) {
        const std::string spec = "c:\\" + name;
        SetSlot(OutputSpec, spec);
        EXPECT_EQ(CallsFor(FolderSelectRow)[0], "dialog *.*|" + (shown ? spec : "")) << name.size();
    }
}

TEST(Commands, ExitAsksFirstAndNotificationsAreNoCommands) {
    StartIdle();
    FakeQueueBoxAnswer(7);
    EXPECT_EQ(CallsFor(ExitRow), (Strings{"box Exit|Really exit?|4"}));
    FakeQueueBoxAnswer(PlatAnswerYes);
    Strings calls = CallsFor(ExitRow);
    EXPECT_TRUE(Has(calls, "send destroy"));
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "quit 0"), 1);
    EXPECT_FALSE(Has(calls, "destroy"));  // the window goes with the process

    StartIdle();
    int repaints = FakeRepaintCount();
    Click(ModeRowLast, 1);
    Click(LevelRow, 0x300);  // the edit box changed
    EXPECT_EQ(IntSettings[Mode], 0);
    EXPECT_EQ(FakeRepaintCount(), repaints);
    for (int id : {0, 3, 39, 45, 49, 0xFFFF}) Click(id);
    EXPECT_TRUE(FakeUiCalls().empty());
    EXPECT_EQ(FakeRepaintCount(), repaints + 6);
}

TEST(Commands, WhileAJobRunsChangesAreRefusedAndCancelStopsIt) {
    StartIdle();
    JobHandle = 1;
    for (int id : {LanguageRow, ModeRowFirst, ModeRowLast, OverwriteRow, FileSelectRow, RecurseRow}) {
        FakeQueueDialog(true, "z:\\x.wav");
        EXPECT_EQ(CallsFor(id), (Strings{"box Parameter|Can't change it while execution|0"})) << id;
    }
    EXPECT_EQ((std::vector<int>{IntSettings[Language], IntSettings[Mode], IntSettings[Overwrite]}),
              (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Slots({LastWavSpec, ResultText}), (Strings{"d:\\wav\\*.wav", "old result"}));

    FakeClearUiCalls();
    int repaints = FakeRepaintCount();
    for (int id : {DefaultSizeRow, FolderSelectRow, SameFolderRow, ExecuteRow}) Click(id);
    EXPECT_TRUE(FakeUiCalls().empty());
    EXPECT_EQ(FakeRepaintCount(), repaints + 4);
    EXPECT_EQ(IntSettings[SameFolder], 0);
    EXPECT_TRUE(FakeCommandLines().empty());

    EXPECT_EQ(CallsFor(ExitRow), (Strings{"box Parameter|BUG|0"}));
    IntSettings[Language] = 0;
    const std::string refused = std::string("box Parameter|") + MessageText(ChangeRefusedMessage) + "|0";
    EXPECT_EQ(CallsFor(LanguageRow)[0], refused);

    PlatEnableWindow(ControlHandles[CancelRow], true);
    Click(CancelRow);
    EXPECT_EQ(AbortRequested.load(), 1);
    EXPECT_FALSE(FakeIsEnabled(ControlHandles[CancelRow]));
    JobHandle = 0;
    AbortRequested = 0;
    Click(CancelRow);  // idle: nothing
    EXPECT_EQ(AbortRequested.load(), 0);
}

}  // namespace
