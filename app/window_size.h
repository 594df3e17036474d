// The main window's scroll bars, size and placement.
#pragma once

#include <cstdint>

#include "platform/platform_window.h"

// The form's virtual area in cells: the scroll ranges.
constexpr int FormColumns = 52;
constexpr int FormLines = 30;

struct WindowSize {
    int width, height;
};

// The outer size that shows the whole form.
WindowSize DefaultWindowSize();

void HandleSize(PlatWindow window, std::intptr_t size);
void HandleVScroll(PlatWindow window, int request);
void HandleHScroll(PlatWindow window, int request);
// Moves the window to the stored rectangle, corrected against the virtual
// screen, or gives it the default size.
void PlaceMainWindow(PlatWindow window);
