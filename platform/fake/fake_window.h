// The window side of the fake platform: a main window whose procedure the
// logic supplies, recorded controls, scroll bars that clamp like Win32's,
// scripted message boxes and open-file dialogs, recorded painting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform_window.h"

// Forgets every window, call, answer and setting of the window side:
// metrics 7 wide and 16 high, a virtual screen of 1280 x 1024, a frame that
// takes 16 x 39 pixels of the outer size from the client area.
void FakeResetWindows();

struct FakeControl {
    std::string className;
    std::string text;
    std::uint32_t style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    int id = 0;
    bool checked = false;
};

// The control made with that id, or null.
const FakeControl* FakeControlById(int id);
PlatWindow FakeControlHandle(int id);
// The next creation of a control with that id fails.
void FakeFailControl(int id);
// Registering the class, or creating the main window, fails.
void FakeFailMainWindow(bool registration, bool creation);
PlatWindow FakeMainWindow();

void FakeSetTextMetrics(const PlatTextMetrics& metrics);
void FakeSetVirtualScreen(int left, int top, int width, int height);
PlatScrollState FakeScrollState(int bar);
// Where the user drags the bar's thumb to.
void FakeSetTrackPosition(int bar, int position);

// The outer rectangle: set by a move or resize and by the test. Unreadable
// when `readable` is false.
void FakeSetWindowRect(const PlatRect& rect, bool readable = true);
PlatRect FakeWindowRect();

// Every window call of the logic in order, such as "settext 101 English",
// "check 106 1", "scroll 0 16", "invalidate L T R B", "update", "move 0 0 374 544",
// "resize 374 544", "range 1 0 30 20", "box Exit|Really exit?|4",
// "dialog *.wav|c:\*.wav", "destroy", "send destroy", "quit 0",
// "timer 1 100", "stop timer 1", "default 16". Window-thread calls only;
// the job thread's calls are in FakeWindowCalls.
std::vector<std::string> FakeUiCalls();
void FakeClearUiCalls();

// What the last paint drew, one line per text: "text L T R B FORMAT|TEXT".
std::vector<std::string> FakeDrawn();

// Answers of the next message boxes, in order; IDOK when none is queued.
void FakeQueueBoxAnswer(int answer);

// The next open-file dialog: confirmed with this path, or cancelled.
void FakeQueueDialog(bool confirmed, const std::string& path);

// Sends a message to the main window's procedure, as the system would.
std::intptr_t FakeSend(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
bool FakeMainWindowDestroyed();
