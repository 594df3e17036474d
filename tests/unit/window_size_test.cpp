#include "app/window_size.h"
#include "tests/unit/ui_world.h"

namespace {

constexpr std::intptr_t ClientSize(int width, int height) {
    return static_cast<std::intptr_t>(std::uint32_t(height) << 16 | std::uint32_t(width));
}

void PrepareCell() {
    PrepareUiWorld();
    PlatRegisterMainClass(nullptr, "Kestrelia", MainWindowProc);
    FakeClearUiCalls();
    CharWidth = 7;
    LineHeight = 16;
}

TEST(WindowSize, GrowingTheWindowScrollsTheFormBackAndSetsTheBars) {
    PrepareCell();
    // Back to the origin, and never past it, however large the window.
    ScrollRow = -5;
    ScrollCol = -3;
    HandleSize(FakeMainWindow(), ClientSize(60 * 7, 40 * 16));
    EXPECT_TRUE(ScrollRow == 0 && ScrollCol == 0);
    EXPECT_EQ(FakeUiCalls(), (Strings{"scroll 0 80", "scroll 21 0", "range 1 0 30 40", "range 0 0 52 60"}));
    EXPECT_EQ(FakeRepaintCount(), 1);

    // Only as far as the last line meets the bottom edge.
    ScrollRow = -5;
    FakeClearUiCalls();
    HandleSize(FakeMainWindow(), ClientSize(100, 27 * 16 + 15));
    EXPECT_EQ(ScrollRow, -3);
    EXPECT_EQ(FakeUiCalls()[0], "scroll 0 32");
    // Nothing to scroll back: no scroll and no repaint.
    FakeClearUiCalls();
    HandleSize(FakeMainWindow(), ClientSize(100, 100));
    EXPECT_EQ(ScrollRow, -3);
    EXPECT_EQ(FakeUiCalls(), (Strings{"range 1 0 30 6", "range 0 0 52 14"}));
    EXPECT_EQ(FakeRepaintCount(), 2);

    // The bar allows one line more than the form needs: a width change alone moves it one line.
    ScrollRow = 0;
    HandleSize(FakeMainWindow(), ClientSize(100, 20 * 16));
    HandleVScroll(FakeMainWindow(), 7);
    EXPECT_EQ(ScrollRow, -11);
    HandleSize(FakeMainWindow(), ClientSize(120, 20 * 16));
    EXPECT_EQ(ScrollRow, -10);
    EXPECT_EQ(FakeScrollState(PlatBarVertical).position, 11);
}

TEST(WindowSize, ScrollRequestsMoveByLinesPagesAndTheThumb) {
    PrepareCell();
    HandleSize(FakeMainWindow(), ClientSize(20 * 7, 10 * 16));
    FakeClearUiCalls();
    // A line up at the top, thumb released, end of scroll, unknown: no move.
    for (int request : {0, 4, 8, 99}) HandleVScroll(FakeMainWindow(), request);
    EXPECT_EQ(ScrollRow, 0);
    for (const std::string& call : FakeUiCalls())
        EXPECT_TRUE(call.rfind("scroll", 0) != 0 && call != "update") << call;

    // A line on, a page on, to the thumb, to the end (31 - 10), to the start.
    const std::pair<int, int> steps[] = {{1, -1}, {3, -11}, {5, -4}, {7, -21}, {6, 0}};
    for (auto [request, row] : steps) {
        if (request == 5) FakeSetTrackPosition(PlatBarVertical, 4);
        HandleVScroll(FakeMainWindow(), request);
        EXPECT_EQ(ScrollRow, row) << request;
    }
    EXPECT_TRUE(Has(FakeUiCalls(), "scroll 0 -16"));
    EXPECT_TRUE(Has(FakeUiCalls(), "update"));  // the uncovered strip only

    int repaints = FakeRepaintCount();
    HandleHScroll(FakeMainWindow(), 3);
    EXPECT_EQ(ScrollCol, -20);
    EXPECT_TRUE(Has(FakeUiCalls(), "scroll -140 0"));
    EXPECT_EQ(FakeRepaintCount(), repaints + 1);  // the whole client area
    HandleHScroll(FakeMainWindow(), 2);
    EXPECT_EQ(ScrollCol, 0);

    // The offset never becomes positive, whatever the bar says.
    HandleVScroll(FakeMainWindow(), 3);
    ScrollRow = -2;
    HandleVScroll(FakeMainWindow(), 6);
    EXPECT_EQ(ScrollRow, 0);
}

TEST(WindowSize, TheStoredPlaceIsCorrectedWhenTooLittleOfItWouldBeOnTheScreen) {
    // The place: left, top, right, bottom; the screen: left, top, width, height.
    struct Case { int place[4]; const char* move; int screen[4] = {0, 0, 1280, 1024}; } cases[] = {
        // 200 pixels of it would not be on screen, then would; 150 lines.
        {{104, 78, 668, 448}, "move 104 78 564 370"},
        {{1081, 10, 1481, 310}, "move 0 10 400 300"}, {{1080, 10, 1480, 310}, "move 1080 10 400 300"},
        {{10, 875, 410, 1175}, "move 10 0 400 300"}, {{10, 874, 410, 1174}, "move 10 874 400 300"},
        // Left of or above: moved when less than 200 wide or 150 high would stay on screen.
        {{-50, -20, 350, 280}, "move -50 -20 400 300"}, {{-201, 10, 199, 310}, "move 0 10 400 300"},
        {{-200, 10, 200, 310}, "move -200 10 400 300"}, {{-199, 10, 201, 310}, "move -199 10 400 300"},
        {{10, -151, 410, 149}, "move 10 0 400 300"}, {{10, -150, 410, 150}, "move 10 -150 400 300"},
        {{-5000, -5000, -4600, -4700}, "move 0 0 400 300"},
        // A 1920-pixel monitor left of the primary: the right edge is still 1280.
        {{-2120, 10, -1720, 310}, "move -2120 10 400 300", {-1920, 0, 3200, 1024}},
        {{-2121, 10, -1721, 310}, "move 0 10 400 300", {-1920, 0, 3200, 1024}},
        {{1080, 10, 1480, 310}, "move 1080 10 400 300", {-1920, 0, 3200, 1024}},
        {{1081, 10, 1481, 310}, "move 0 10 400 300", {-1920, 0, 3200, 1024}},
        {{2000, 10, 2400, 310}, "move 0 10 400 300", {-1920, 0, 3200, 1024}},
        // A 1080-line monitor above: the bottom edge is still 1024.
        {{10, -1230, 410, -930}, "move 10 -1230 400 300", {0, -1080, 1280, 2104}},
        {{10, -1231, 410, -931}, "move 10 0 400 300", {0, -1080, 1280, 2104}},
        {{10, 874, 410, 1174}, "move 10 874 400 300", {0, -1080, 1280, 2104}},
        {{10, 875, 410, 1175}, "move 10 0 400 300", {0, -1080, 1280, 2104}},
        // The width it gets counts; a size of 5 or less is none.
        {{-150, 10, -147, 400}, "move -150 10 388 544"}, {{0, 0, 0, 0}, "move 0 0 388 544"},
        {{20, 20, 25, 400}, "move 20 20 388 544"}, {{20, 20, 400, 26}, "move 20 20 380 6"},
        {{-2147483647 - 1, 0, 2147483647, 300}, "move 0 0 388 544"},
    };
    for (const Case& c : cases) {
        PrepareCell();
        FakeSetVirtualScreen(c.screen[0], c.screen[1], c.screen[2], c.screen[3]);
        for (int i : {0, 1, 2, 3}) IntSettings[WindowLeft + i] = c.place[i];
        PlaceMainWindow(FakeMainWindow());
        EXPECT_EQ(FakeUiCalls()[0], c.move) << c.place[0] << " " << c.place[1] << " on " << c.screen[0];
    }
}

}  // namespace
