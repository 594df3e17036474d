#include "tests/unit/ui_world.h"

TEST(FormLayout, TheCellIsMeasuredFromTheFont) {
    PrepareUiWorld();
    FakeSetTextMetrics(PlatTextMetrics{7, 13, 3, 0});
    MeasureLayoutUnits(FakeMainWindow());
    EXPECT_EQ(CharWidth, 7);
    EXPECT_EQ(LineHeight, 16);
    // Bit 0 marks a variable-pitch font, whose average is too narrow.
    FakeSetTextMetrics(PlatTextMetrics{7, 16, 0, 0x31});
    MeasureLayoutUnits(FakeMainWindow());
    EXPECT_EQ(CharWidth, 10);
}

TEST(FormCreation, ControlsStartFromTheStoredSettings) {
    PrepareUiWorld();
    StartProgram(SettingsFile({{Language, 1}, {Mode, 1}, {Overwrite, 1}, {Recurse, 0}, {SameFolder, 0}},
                              {{LevelText, "5x"}}));
    for (int r = 0; r < FormRowCount; ++r)
        EXPECT_EQ(ControlHandles[r] == nullptr, FormTable[r].kind == Empty || FormTable[r].kind == PaintSlot)
            << r;
    // Execute at 100, 210 to 160, 222 tenths of a 7 x 16 cell.
    const FakeControl* execute = FakeControlById(ExecuteRow);
    EXPECT_EQ(execute->className, "button");
    EXPECT_EQ((std::vector<int>{execute->x, execute->y, execute->width, execute->height}),
              (std::vector<int>{70, 336, 42, 19}));
    EXPECT_EQ(FakeControlById(LevelRow)->className, "edit");
    EXPECT_EQ(FakeControlById(0)->className, "static");

    for (int row : {ModeRowFirst, ModeRowLast, OverwriteRow, RecurseRow})
        EXPECT_EQ(FakeControlById(row)->checked, row == ModeRowLast || row == OverwriteRow) << row;
    for (auto [row, text] : {std::pair<int, const char*>{LevelRow, "5x"}, {LanguageRow, "Japanese"},
                             {ExecuteRow, "Execute"}})
        EXPECT_EQ(FakeControlById(row)->text, text);
    for (int row : {FolderSelectRow, CancelRow, ExecuteRow})
        EXPECT_EQ(FakeIsEnabled(ControlHandles[row]), row != CancelRow);

    // Folder Select is off while outputs go beside inputs; any setting but 0 is checked.
    PrepareUiWorld();
    StartProgram(SettingsFile({{SameFolder, 1}}, {}));
    EXPECT_FALSE(FakeIsEnabled(ControlHandles[FolderSelectRow]));
    EXPECT_TRUE(FakeControlById(ModeRowFirst)->checked);
    EXPECT_EQ(FakeControlById(LanguageRow)->text, "English");
    IntSettings[Recurse] = 5;
    CreateForm(FakeMainWindow(), 0);
    EXPECT_TRUE(FakeControlById(RecurseRow)->checked);

    // A control that cannot be made leaves its row without one; the rest works.
    PrepareUiWorld();
    FakeFailControl(LanguageRow);
    StartProgram();
    EXPECT_EQ(ControlHandles[LanguageRow], nullptr);
    HandleCommand(FakeMainWindow(), LanguageRow, 0);
    EXPECT_EQ(FakeControlById(ExitRow)->text, "Exit");
}

TEST(FormPaint, PaintedRowsShowTheirTextsClippedAndLeaveOutRowsScrolledOutOfView) {
    PrepareUiWorld();
    StartProgram(SettingsFile({}, {{InputSpec, "d:\\music\\*.wav"}, {CurrentFile, "d:\\out\\a.flac"},
                                   {ResultText, "done\x07" "converted:1"}}));
    PaintForm(FakeMainWindow());
    Strings drawn = FakeDrawn();
    ASSERT_EQ(drawn.size(), 4u);
    // Each edge is mapped by itself: row 43 is 347 pixels wide, not 346.
    EXPECT_EQ(drawn[0], "text 91 168 357 187 16384|d:\\music\\*.wav");
    EXPECT_EQ(drawn[1], "text 91 256 357 275 16384|c:\\*.*");
    EXPECT_EQ(drawn[2], "text 10 408 357 427 16384|d:\\out\\a.flac");
    EXPECT_EQ(drawn[3], "text 10 432 357 475 16|done\nconverted:1");

    // Partly out of view: drawn, cut by the edge; wholly: not. Row 43: tenths 15-510, 255-267.
    CharWidth = 8;
    auto drawnRow = [](int scrollCol, int scrollRow) {
        ScrollCol = scrollCol;
        ScrollRow = scrollRow;
        PaintForm(FakeMainWindow());
        for (const std::string& item : FakeDrawn())
            if (item.find("a.flac") != std::string::npos) return item;
        return std::string();
    };
    EXPECT_EQ(drawnRow(-2, 0), "text -4 408 392 427 16384|d:\\out\\a.flac");
    EXPECT_EQ(drawnRow(-50, 0), "text -388 408 8 427 16384|d:\\out\\a.flac");
    EXPECT_EQ(drawnRow(-51, 0), "");
    EXPECT_EQ(drawnRow(0, -26), "text 12 -8 408 11 16384|d:\\out\\a.flac");
    EXPECT_EQ(drawnRow(0, -27), "");

    // The job's repaint request marks just its two rows, where they are now.
    drawnRow(-2, -1);
    FakeClearUiCalls();
    FakeSend(PlatMsgJobTexts);
    EXPECT_EQ(FakeUiCalls(), Strings{"invalidate -4 392 392 459"});
}

TEST(FormEditTexts, TheEditBoxIsCopiedIntoItsSlotWhole) {
    PrepareUiWorld();
    StartProgram();
    for (const std::string& typed : {std::string(), std::string(12000, '7')}) {
        PlatSetText(ControlHandles[LevelRow], typed.c_str());
        CopyEditTexts();
        EXPECT_EQ(std::string(TextSlots[LevelText]), typed.substr(0, 9999));
    }
}
