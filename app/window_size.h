// The main window's scroll bars, size and placement.
#pragma once

#include <cstdint>

#include "platform/platform_window.h"

struct WindowSize {
    int width, height;
};

// The outer size that shows the whole form.
WindowSize DefaultWindowSize();

void HandleSize(PlatWindow window, std::intptr_t size);
// WM_VSCROLL and WM_HSCROLL on their bar: the request is the low 16 bits
// of wParam; the thumb is taken from the bar's tracking position.
void HandleScroll(PlatWindow window, int bar, int request);
inline void HandleVScroll(PlatWindow window, int request) {
    HandleScroll(window, PlatBarVertical, request);
}
inline void HandleHScroll(PlatWindow window, int request) {
    HandleScroll(window, PlatBarHorizontal, request);
}
// The window's restored rectangle (not its minimized or maximized one)
// into the store, for the next start; nothing when it cannot be read.
void StoreWindowRect(PlatWindow window);
// Moves the window to the stored rectangle, corrected against the virtual
// screen, or gives it the default size.
void PlaceMainWindow(PlatWindow window);
