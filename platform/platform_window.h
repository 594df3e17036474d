// The window side of the platform layer: the main window and its message
// loop, child controls, painting, scroll bars, placement and the two kinds
// of dialog. The program's window procedure is plain logic over these calls;
// platform/win32 forwards the real messages to it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// The program's instance, opaque to the logic (an HINSTANCE on Windows).
typedef struct PlatInstanceTag* PlatInstance;

// The messages the program handles, with their Win32 values.
constexpr std::uint32_t PlatMsgCreate = 0x0001;
constexpr std::uint32_t PlatMsgDestroy = 0x0002;
constexpr std::uint32_t PlatMsgSize = 0x0005;
constexpr std::uint32_t PlatMsgPaint = 0x000F;
constexpr std::uint32_t PlatMsgClose = 0x0010;
constexpr std::uint32_t PlatMsgQueryEndSession = 0x0011;
constexpr std::uint32_t PlatMsgEndSession = 0x0016;
constexpr std::uint32_t PlatMsgCommand = 0x0111;
constexpr std::uint32_t PlatMsgTimer = 0x0113;
constexpr std::uint32_t PlatMsgHScroll = 0x0114;
constexpr std::uint32_t PlatMsgVScroll = 0x0115;
constexpr std::uint32_t PlatMsgJobTexts = 0x8001;  // the program's own, see PlatRequestJobRepaint
constexpr std::uint32_t PlatMsgJobEnded = 0x8002;  // the program's own, see PlatNotifyJobEnded

typedef std::intptr_t (*PlatWindowProcedure)(PlatWindow window, std::uint32_t message,
                                             std::uintptr_t wParam, std::intptr_t lParam);

struct PlatRect {
    std::int32_t left, top, right, bottom;
};

// --- Main window and message loop --------------------------------------------

// Registers the main window's class: redrawn whole on any size change, the
// application icon, the arrow cursor, the button-face background, no menu.
bool PlatRegisterMainClass(PlatInstance instance, const char* className,
                           PlatWindowProcedure procedure);

// Creates the overlapped main window with both scroll bars at the default
// place; the creation message reaches the procedure during this call.
// Null when the window could not be made.
PlatWindow PlatCreateMainWindow(PlatInstance instance, const char* className,
                                const char* caption);

// The instance handed on with the creation message's data.
PlatInstance PlatCreationInstance(std::intptr_t creationData);

void PlatShowWindow(PlatWindow window, int showCommand);
void PlatUpdateWindow(PlatWindow window);

// Runs the message loop until the quit message; gives its exit code.
int PlatRunMessageLoop();
void PlatPostQuit(int exitCode);
std::intptr_t PlatDefaultProcedure(PlatWindow window, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam);
void PlatDestroyWindow(PlatWindow window);
void PlatSendDestroy(PlatWindow window);  // the destroy message, sent, the window kept

// A timer message every `milliseconds` to the window, until stopped.
void PlatStartTimer(PlatWindow window, std::uintptr_t id, std::uint32_t milliseconds);
void PlatStopTimer(PlatWindow window, std::uintptr_t id);

// --- Child controls ----------------------------------------------------------

// A control of the class ("button", "static", "edit") with the complete
// window style, at x, y with the size, text " " and the control id. Null
// when it could not be made.
PlatWindow PlatCreateControl(PlatWindow parent, PlatInstance instance, const char* className,
                             std::uint32_t style, int x, int y, int width, int height, int id);
// The style bits the form's controls are made with, Win32's values.
constexpr std::uint32_t PlatStyleChild = 0x40000000;         // WS_CHILD
constexpr std::uint32_t PlatStyleVisible = 0x10000000;       // WS_VISIBLE
constexpr std::uint32_t PlatStyleBorder = 0x00800000;        // WS_BORDER
constexpr std::uint32_t PlatButtonCheckBox = 0x2;            // BS_CHECKBOX: no mark of its own
constexpr std::uint32_t PlatButtonRadio = 0x4;               // BS_RADIOBUTTON: likewise
constexpr std::uint32_t PlatButtonGroupBox = 0x7;            // BS_GROUPBOX
constexpr std::uint32_t PlatButtonLeft = 0x100;              // BS_LEFT
constexpr std::uint32_t PlatEditAutoHScroll = 0x80;          // ES_AUTOHSCROLL
void PlatSetText(PlatWindow control, const char* text);
// The control's text, at most size - 1 bytes, always ended by a NUL.
void PlatGetText(PlatWindow control, char* text, std::size_t size);
void PlatSetCheck(PlatWindow control, bool checked);

// --- Layout and painting -----------------------------------------------------

// The text metrics of the window's default font.
struct PlatTextMetrics {
    std::int32_t averageCharWidth;
    std::int32_t height;
    std::int32_t externalLeading;
    std::uint32_t pitchAndFamily;
};
void PlatMeasureText(PlatWindow window, PlatTextMetrics* metrics);

// One paint of the window, opaque to the logic. Texts are drawn in the
// button text colour on the button face colour.
typedef struct PlatPaintTag* PlatPaint;
PlatPaint PlatBeginPaint(PlatWindow window);
void PlatDrawText(PlatPaint paint, const char* text, const PlatRect& rect, std::uint32_t format);
// Text formats, Win32's values.
constexpr std::uint32_t PlatTextWordBreak = 0x10;            // DT_WORDBREAK
constexpr std::uint32_t PlatTextPathEllipsis = 0x4000;       // DT_PATH_ELLIPSIS: a path cut in the middle
void PlatEndPaint(PlatWindow window, PlatPaint paint);
// A part of the client area to be painted again, background erased.
void PlatInvalidateRect(PlatWindow window, const PlatRect& rect);

// --- Scroll bars, size and placement ----------------------------------------

constexpr int PlatBarHorizontal = 0;
constexpr int PlatBarVertical = 1;

struct PlatScrollState {
    int minimum, maximum, page, position, trackPosition;
};

// Range and page, redrawn; a bar whose page covers its range is hidden.
void PlatSetScrollRange(PlatWindow window, int bar, int minimum, int maximum, int page);
void PlatGetScrollState(PlatWindow window, int bar, PlatScrollState* state);
// Sets the position, which the platform clamps into the range, redrawn, and
// gives the position as it then stands.
int PlatSetScrollPosition(PlatWindow window, int bar, int position);
// Moves the client area's contents and the child controls by dx, dy pixels.
void PlatScrollWindow(PlatWindow window, int dx, int dy);

// The virtual screen, all monitors together: its left and top edges (negative
// with a monitor left of or above the primary one) and its size.
void PlatVirtualScreen(int* left, int* top, int* width, int* height);
void PlatMoveWindow(PlatWindow window, int x, int y, int width, int height);
// The new outer size, the position kept, the window brought to the top.
void PlatResizeWindow(PlatWindow window, int width, int height);
// The outer rectangle in screen pixels the window has when neither
// minimised nor maximised. False when it could not be read.
bool PlatRestoredWindowRect(PlatWindow window, PlatRect* rect);

// --- Dialogs -----------------------------------------------------------------

constexpr std::uint32_t PlatBoxOk = 0x0;
constexpr std::uint32_t PlatBoxYesNo = 0x4;
constexpr std::uint32_t PlatBoxIconError = 0x10;
constexpr int PlatAnswerYes = 6;

// A modal message box; gives the button the user chose.
int PlatMessageBox(PlatWindow owner, const char* text, const char* caption, std::uint32_t type);

// The open-file dialog, modal to the owner: `filter` is a filter list (pairs
// of strings, ended by an empty one), `path` holds the name it opens with
// and receives the chosen one.
// The read-only box is hidden and the name not validated. True when the
// user confirmed.
bool PlatOpenFileDialog(PlatWindow owner, const char* filter, char* path, std::size_t pathSize);

// --- The program -------------------------------------------------------------

// The program itself, which the platform's process entry runs: registers
// the class, makes the main window and runs the message loop. Gives the
// process exit code.
int KestreliaMain(PlatInstance instance, int showCommand);
