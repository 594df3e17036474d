// The window side of the platform layer on Windows: USER32, GDI32 and
// COMDLG32, all in their ANSI forms.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>

#include "platform/platform_window.h"

static_assert(PlatMsgJobTexts == WM_APP + 1, "the program's own message lies in the application range");
static_assert(PlatMsgJobEnded == WM_APP + 2 && PlatMsgQueryEndSession == WM_QUERYENDSESSION, "the values Windows gives");

namespace {

HWND Hwnd(PlatWindow window) { return reinterpret_cast<HWND>(window); }

PlatWindowProcedure mainProcedure = nullptr;

LRESULT CALLBACK MainProcedureThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return mainProcedure(reinterpret_cast<PlatWindow>(window), message, wParam, lParam);
}

RECT ToRect(const PlatRect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

bool PlatRegisterMainClass(PlatInstance instance, const char* className,
                           PlatWindowProcedure procedure) {
    mainProcedure = procedure;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainProcedureThunk;
    windowClass.hInstance = reinterpret_cast<HINSTANCE>(instance);
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = className;
    return RegisterClassA(&windowClass) != 0;
}

PlatWindow PlatCreateMainWindow(PlatInstance instance, const char* className,
                                const char* caption) {
    HWND window = CreateWindowExA(0, className, caption, WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                  nullptr, reinterpret_cast<HINSTANCE>(instance), nullptr);
    return reinterpret_cast<PlatWindow>(window);
}

PlatInstance PlatCreationInstance(std::intptr_t creationData) {
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(creationData);
    return create == nullptr ? nullptr : reinterpret_cast<PlatInstance>(create->hInstance);
}

void PlatShowWindow(PlatWindow window, int showCommand) { ShowWindow(Hwnd(window), showCommand); }

void PlatUpdateWindow(PlatWindow window) { UpdateWindow(Hwnd(window)); }

void PlatInvalidateRect(PlatWindow window, const PlatRect& rect) {
    RECT area = {rect.left, rect.top, rect.right, rect.bottom};
    InvalidateRect(Hwnd(window), &area, TRUE);
}

int PlatRunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

void PlatPostQuit(int exitCode) { PostQuitMessage(exitCode); }

std::intptr_t PlatDefaultProcedure(PlatWindow window, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
    return DefWindowProcA(Hwnd(window), message, wParam, lParam);
}

void PlatDestroyWindow(PlatWindow window) { DestroyWindow(Hwnd(window)); }

void PlatSendDestroy(PlatWindow window) { SendMessageA(Hwnd(window), WM_DESTROY, 0, 0); }

void PlatStartTimer(PlatWindow window, std::uintptr_t id, std::uint32_t milliseconds) {
    SetTimer(Hwnd(window), id, milliseconds, nullptr);
}

void PlatStopTimer(PlatWindow window, std::uintptr_t id) { KillTimer(Hwnd(window), id); }

PlatWindow PlatCreateControl(PlatWindow parent, PlatInstance instance, const char* className,
                             std::uint32_t style, int x, int y, int width, int height, int id) {
    HWND control = CreateWindowExA(0, className, " ", style, x, y, width, height, Hwnd(parent),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(instance), nullptr);
    return reinterpret_cast<PlatWindow>(control);
}

void PlatSetText(PlatWindow control, const char* text) {
    SendMessageA(Hwnd(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void PlatGetText(PlatWindow control, char* text, std::size_t size) {
    if (size == 0) return;
    text[0] = '\0';
    if (control == nullptr) return;
    int count = GetWindowTextA(Hwnd(control), text, size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size));
    text[count < 0 ? 0 : count] = '\0';
}

void PlatSetCheck(PlatWindow control, bool checked) {
    SendMessageA(Hwnd(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void PlatMeasureText(PlatWindow window, PlatTextMetrics* metrics) {
    TEXTMETRICA text = {};
    HDC context = GetDC(Hwnd(window));
    GetTextMetricsA(context, &text);
    ReleaseDC(Hwnd(window), context);
    metrics->averageCharWidth = text.tmAveCharWidth;
    metrics->height = text.tmHeight;
    metrics->externalLeading = text.tmExternalLeading;
    metrics->pitchAndFamily = text.tmPitchAndFamily;
}

namespace {

struct Paint {
    PAINTSTRUCT paint;
    HDC context;
};

// One paint at a time, on the window thread: a fixed place for its state.
Paint currentPaint;

}  // namespace

PlatPaint PlatBeginPaint(PlatWindow window) {
    currentPaint.context = BeginPaint(Hwnd(window), &currentPaint.paint);
    SetTextColor(currentPaint.context, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(currentPaint.context, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<PlatPaint>(&currentPaint);
}

void PlatDrawText(PlatPaint paint, const char* text, const PlatRect& rect, std::uint32_t format) {
    RECT area = ToRect(rect);
    DrawTextA(reinterpret_cast<Paint*>(paint)->context, text, -1, &area, format);
}

void PlatDrawEdge(PlatPaint paint, const PlatRect& rect, std::uint32_t edge, std::uint32_t flags) {
    RECT area = ToRect(rect);
    DrawEdge(reinterpret_cast<Paint*>(paint)->context, &area, edge, flags);
}

void PlatEndPaint(PlatWindow window, PlatPaint paint) {
    EndPaint(Hwnd(window), &reinterpret_cast<Paint*>(paint)->paint);
}

void PlatSetScrollRange(PlatWindow window, int bar, int minimum, int maximum, int page) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = minimum;
    info.nMax = maximum;
    info.nPage = static_cast<UINT>(page);
    SetScrollInfo(Hwnd(window), bar, &info, TRUE);
}

void PlatGetScrollState(PlatWindow window, int bar, PlatScrollState* state) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(Hwnd(window), bar, &info);
    state->minimum = info.nMin;
    state->maximum = info.nMax;
    state->page = static_cast<int>(info.nPage);
    state->position = info.nPos;
    state->trackPosition = info.nTrackPos;
}

int PlatSetScrollPosition(PlatWindow window, int bar, int position) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(Hwnd(window), bar, &info, TRUE);
    info.fMask = SIF_POS;
    GetScrollInfo(Hwnd(window), bar, &info);
    return info.nPos;
}

void PlatScrollWindow(PlatWindow window, int dx, int dy) {
    ScrollWindow(Hwnd(window), dx, dy, nullptr, nullptr);
}

void PlatVirtualScreen(int* left, int* top, int* width, int* height) {
    *left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    *top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    *width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    *height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

void PlatMoveWindow(PlatWindow window, int x, int y, int width, int height) {
    MoveWindow(Hwnd(window), x, y, width, height, TRUE);
}

void PlatResizeWindow(PlatWindow window, int width, int height) {
    SetWindowPos(Hwnd(window), HWND_TOP, 0, 0, width, height, SWP_NOMOVE | SWP_NOOWNERZORDER);
}

bool PlatRestoredWindowRect(PlatWindow window, PlatRect* rect) {
    RECT area;
    if (!IsIconic(Hwnd(window)) && !IsZoomed(Hwnd(window))) {
        if (!GetWindowRect(Hwnd(window), &area)) return false;
    } else {
        // The restored place is kept in work-area coordinates: shift it by
        // the work area's corner to get screen pixels.
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(Hwnd(window), &placement)) return false;
        area = placement.rcNormalPosition;
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTOPRIMARY), &monitor))
            OffsetRect(&area, monitor.rcWork.left - monitor.rcMonitor.left,
                       monitor.rcWork.top - monitor.rcMonitor.top);
    }
    *rect = PlatRect{area.left, area.top, area.right, area.bottom};
    return true;
}

int PlatMessageBox(PlatWindow owner, const char* text, const char* caption, std::uint32_t type) {
    return MessageBoxA(Hwnd(owner), text, caption, type);
}

// Wine's open-file dialog overruns a buffer of MAX_PATH characters when its
// folder and the typed name together are longer: the program crashed on a
// name of 260 characters typed in a folder of 34. So the name box takes
// only what fits beside the folder shown, and follows it when it changes.
static BOOL CALLBACK FindEdit(HWND window, LPARAM found) {
    char name[8];
    if (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpiA(name, "Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

static UINT_PTR CALLBACK LimitTypedName(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) return 0;
    UINT code = reinterpret_cast<const OFNOTIFYA*>(lParam)->hdr.code;
    if (code != CDN_INITDONE && code != CDN_FOLDERCHANGE) return 0;
    HWND dialog = GetParent(hook);
    char folder[MAX_PATH];
    LRESULT folderLength = SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    // The folder, a backslash and the NUL come first; at least one character.
    LRESULT room = folderLength > 0 ? MAX_PATH - 2 - folderLength : MAX_PATH - 1;
    if (room < 1) room = 1;
    // Wine's name box is an edit inside a combo box inside the box cmb13;
    // the old-style dialog has the edit edt1.
    HWND edit = GetDlgItem(dialog, edt1);
    if (HWND box = GetDlgItem(dialog, cmb13)) {
        edit = box;
        EnumChildWindows(box, FindEdit, reinterpret_cast<LPARAM>(&edit));
    }
    if (edit != nullptr) SendMessageA(edit, EM_LIMITTEXT, room, 0);
    return 0;
}

bool PlatOpenFileDialog(PlatWindow owner, const char* filter, char* path, std::size_t pathSize,
                        char* title, std::size_t titleSize) {
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Hwnd(owner);
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = static_cast<DWORD>(pathSize);
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = static_cast<DWORD>(titleSize);
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOVALIDATE | OFN_EXPLORER | OFN_ENABLEHOOK;
    dialog.lpfnHook = LimitTypedName;
    return GetOpenFileNameA(&dialog) != 0;
}
