// Scrolling the form by whole cells when the client area is smaller than
// it, and the window's size and place.
#include "app/window_size.h"

#include <cstdint>

#include "form/form_window.h"
#include "settings/settings_store.h"

namespace {

// The form's virtual area in cells: the scroll ranges.
constexpr int FormColumns = 52;
constexpr int FormLines = 30;

std::int32_t& Offset(int bar) { return bar == PlatBarVertical ? ScrollRow : ScrollCol; }

// Moves the client area's pixels and the form's offset by `d` cells.
void ShiftForm(PlatWindow window, int bar, int d) {
    if (bar == PlatBarVertical)
        PlatScrollWindow(window, 0, LineHeight * d);
    else
        PlatScrollWindow(window, CharWidth * d, 0);
    Offset(bar) += d;
}

// Scrolls the form back toward its origin when the client area shows more
// than what lies beyond the offset, so that no empty band opens at the
// bottom or right. True when it scrolled.
bool ScrollBack(PlatWindow window, int bar, int visible, int extent) {
    const std::int32_t offset = Offset(bar);
    if (offset >= 0 || visible <= offset + extent) return false;
    int d = visible - (offset + extent);
    if (d > -offset) d = -offset;
    ShiftForm(window, bar, d);
    return true;
}

// The scroll request codes of both bars.
enum ScrollRequest {
    LineBack = 0,
    LineOn = 1,
    PageBack = 2,
    PageOn = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    ToStart = 6,
    ToEnd = 7,
};

// Moves a bar as the request says; the change of its position, clamped
// so that the offset never becomes positive: 0 when nothing moves.
int ScrollBy(PlatWindow window, int bar, int request, std::int32_t offset) {
    PlatScrollState state;
    PlatGetScrollState(window, bar, &state);
    int old = state.position;
    int wanted = old;
    switch (request) {
    case LineBack: wanted = old - 1; break;
    case LineOn: wanted = old + 1; break;
    case PageBack: wanted = old - state.page; break;
    case PageOn: wanted = old + state.page; break;
    case ThumbTrack: wanted = state.trackPosition; break;
    case ToStart: wanted = state.minimum; break;
    case ToEnd: wanted = state.maximum; break;
    default: break;  // ThumbPosition, the end of a scroll, anything else
    }
    int now = PlatSetScrollPosition(window, bar, wanted);
    if (now == old) return 0;
    int d = old - now;
    if (d > -offset) d = -offset;
    return d;
}

}  // namespace

WindowSize DefaultWindowSize() { return WindowSize{(CharWidth * 540) / 10 + 10, (LineHeight * 340) / 10}; }

void HandleSize(PlatWindow window, std::intptr_t size) {
    const std::uint32_t packed = static_cast<std::uint32_t>(size);
    const std::uint32_t width = packed & 0xFFFF, height = packed >> 16;
    const int cols = CharWidth > 0 ? static_cast<int>(width / static_cast<std::uint32_t>(CharWidth)) : 0;
    const int rows = LineHeight > 0 ? static_cast<int>(height / static_cast<std::uint32_t>(LineHeight)) : 0;
    bool scrolled = ScrollBack(window, PlatBarVertical, rows, FormLines);
    scrolled = ScrollBack(window, PlatBarHorizontal, cols, FormColumns) || scrolled;
    if (scrolled) PlatRequestRepaint(window);
    PlatSetScrollRange(window, PlatBarVertical, 0, FormLines, rows);
    PlatSetScrollRange(window, PlatBarHorizontal, 0, FormColumns, cols);
}

void HandleScroll(PlatWindow window, int bar, int request) {
    int d = ScrollBy(window, bar, request, Offset(bar));
    if (d == 0) return;
    ShiftForm(window, bar, d);
    // Up or down only the uncovered strip is painted, at once; sideways the
    // whole area, the texts cut at the left edge among them.
    if (bar == PlatBarVertical)
        PlatUpdateWindow(window);
    else
        PlatRequestRepaint(window);
}

void StoreWindowRect(PlatWindow window) {
    PlatRect rect;
    if (!PlatRestoredWindowRect(window, &rect)) return;
    IntSettings[WindowLeft] = rect.left;
    IntSettings[WindowTop] = rect.top;
    IntSettings[WindowRight] = rect.right;
    IntSettings[WindowBottom] = rect.bottom;
}

void PlaceMainWindow(PlatWindow window) {
    // In 64 bits: the stored edges come from a file and may be anything.
    const std::int64_t w = std::int64_t{IntSettings[WindowRight]} - IntSettings[WindowLeft];
    const std::int64_t h = std::int64_t{IntSettings[WindowBottom]} - IntSettings[WindowTop];
    const bool fits = w <= INT32_MAX && h <= INT32_MAX;
    const bool storedSize = fits && w > 5 && h > 5;
    const WindowSize size =
        storedSize ? WindowSize{static_cast<int>(w), static_cast<int>(h)} : DefaultWindowSize();
    int screenLeft = 0, screenTop = 0, screenWidth = 0, screenHeight = 0;
    PlatVirtualScreen(&screenLeft, &screenTop, &screenWidth, &screenHeight);
    // Too far right or down; or so far left or up that too little of the
    // window is left on the screen: a monitor it was on may be gone. The
    // virtual screen need not start at 0: a monitor may lie left of or
    // above the primary one.
    const std::int64_t left = IntSettings[WindowLeft], top = IntSettings[WindowTop];
    const std::int64_t right = std::int64_t{screenLeft} + screenWidth;
    const std::int64_t bottom = std::int64_t{screenTop} + screenHeight;
    if (left + 200 > right || (left < screenLeft && left + size.width - screenLeft < 200)) {
        IntSettings[WindowLeft] = 0;
        IntSettings[WindowRight] = fits ? static_cast<std::int32_t>(w) : 0;
    }
    if (top + 150 > bottom || (top < screenTop && top + size.height - screenTop < 150)) {
        IntSettings[WindowTop] = 0;
        IntSettings[WindowBottom] = fits ? static_cast<std::int32_t>(h) : 0;
    }
    PlatMoveWindow(window, IntSettings[WindowLeft], IntSettings[WindowTop], size.width, size.height);
}
