// The window side of the platform layer on Windows: USER32, GDI32 and
// COMDLG32, all in their wide forms, the program's UTF-8 converted at each
// call.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>

#include "platform/platform_window.h"
#include "platform/win32/wide_win32.h"

static_assert(PlatMsgJobTexts == WM_APP + 1, "the program's own message lies in the application range");
static_assert(PlatMsgJobEnded == WM_APP + 2 && PlatMsgQueryEndSession == WM_QUERYENDSESSION &&
                  PlatMsgEndSession == WM_ENDSESSION,
              "the values Windows gives");

namespace {

HWND Hwnd(PlatWindow window) { return reinterpret_cast<HWND>(window); }

PlatWindowProcedure mainProcedure = nullptr;

LRESULT CALLBACK MainProcedureThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return mainProcedure(reinterpret_cast<PlatWindow>(window), message, wParam, lParam);
}

RECT ToRect(const PlatRect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }
PlatRect FromRect(const RECT& rect) { return PlatRect{rect.left, rect.top, rect.right, rect.bottom}; }

// A text of the form or a slot (at most 10000 bytes) in UTF-16, into a
// buffer of WideTextSize units; one that is not UTF-8 shows as nothing
// rather than as something else. All on the window thread.
constexpr std::size_t WideTextSize = 10000;
const wchar_t* WideText(const char* utf8, wchar_t* wide) {
    if (!ToWide(utf8, wide, WideTextSize)) wide[0] = L'\0';
    return wide;
}
wchar_t firstText[WideTextSize];

}  // namespace

bool PlatRegisterMainClass(PlatInstance instance, const char* className,
                           PlatWindowProcedure procedure) {
    mainProcedure = procedure;
    static wchar_t name[64];  // the class keeps pointing at it
    if (!ToWide(className, name, 64)) return false;
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainProcedureThunk;
    windowClass.hInstance = reinterpret_cast<HINSTANCE>(instance);
    windowClass.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = name;
    return RegisterClassW(&windowClass) != 0;
}

PlatWindow PlatCreateMainWindow(PlatInstance instance, const char* className,
                                const char* caption) {
    // Not the shared buffers: the form's creation fills them meanwhile.
    wchar_t name[64], title[128];
    if (!ToWide(className, name, 64) || !ToWide(caption, title, 128)) return nullptr;
    HWND window = CreateWindowExW(0, name, title, WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                  nullptr, reinterpret_cast<HINSTANCE>(instance), nullptr);
    return reinterpret_cast<PlatWindow>(window);
}

PlatInstance PlatCreationInstance(std::intptr_t creationData) {
    const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(creationData);
    return create == nullptr ? nullptr : reinterpret_cast<PlatInstance>(create->hInstance);
}

void PlatShowWindow(PlatWindow window, int showCommand) { ShowWindow(Hwnd(window), showCommand); }

void PlatUpdateWindow(PlatWindow window) { UpdateWindow(Hwnd(window)); }

void PlatInvalidateRect(PlatWindow window, const PlatRect& rect) {
    RECT area = ToRect(rect);
    InvalidateRect(Hwnd(window), &area, TRUE);
}

int PlatRunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void PlatPostQuit(int exitCode) { PostQuitMessage(exitCode); }

std::intptr_t PlatDefaultProcedure(PlatWindow window, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
    return DefWindowProcW(Hwnd(window), message, wParam, lParam);
}

void PlatDestroyWindow(PlatWindow window) { DestroyWindow(Hwnd(window)); }

void PlatSendDestroy(PlatWindow window) { SendMessageW(Hwnd(window), WM_DESTROY, 0, 0); }

void PlatStartTimer(PlatWindow window, std::uintptr_t id, std::uint32_t milliseconds) {
    SetTimer(Hwnd(window), id, milliseconds, nullptr);
}

void PlatStopTimer(PlatWindow window, std::uintptr_t id) { KillTimer(Hwnd(window), id); }

PlatWindow PlatCreateControl(PlatWindow parent, PlatInstance instance, const char* className,
                             std::uint32_t style, int x, int y, int width, int height, int id) {
    wchar_t name[16];
    if (!ToWide(className, name, 16)) return nullptr;
    HWND control = CreateWindowExW(0, name, L" ", style, x, y, width, height, Hwnd(parent),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(instance), nullptr);
    return reinterpret_cast<PlatWindow>(control);
}

void PlatSetText(PlatWindow control, const char* text) {
    SendMessageW(Hwnd(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WideText(text, firstText)));
}

void PlatGetText(PlatWindow control, char* text, std::size_t size) {
    if (size == 0) return;
    text[0] = '\0';
    if (control == nullptr) return;
    // A text too long for `text` is refused whole: the caller gets none.
    if (GetWindowTextW(Hwnd(control), firstText, WideTextSize) >= 0) FromWide(firstText, text, size);
}

void PlatSetCheck(PlatWindow control, bool checked) {
    SendMessageW(Hwnd(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void PlatMeasureText(PlatWindow window, PlatTextMetrics* metrics) {
    TEXTMETRICW text = {};
    HDC context = GetDC(Hwnd(window));
    GetTextMetricsW(context, &text);
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
    DrawTextW(reinterpret_cast<Paint*>(paint)->context, WideText(text, firstText), -1, &area, format);
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
        if (GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTOPRIMARY), &monitor))
            OffsetRect(&area, monitor.rcWork.left - monitor.rcMonitor.left,
                       monitor.rcWork.top - monitor.rcMonitor.top);
    }
    *rect = FromRect(area);
    return true;
}

int PlatMessageBox(PlatWindow owner, const char* text, const char* caption, std::uint32_t type) {
    // Its own buffers: a box's texts must outlive the paints it lets happen.
    static wchar_t wideText[WideTextSize], wideCaption[WideTextSize];
    return MessageBoxW(Hwnd(owner), WideText(text, wideText), WideText(caption, wideCaption), type);
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
    UINT code = reinterpret_cast<const OFNOTIFYW*>(lParam)->hdr.code;
    if (code != CDN_INITDONE && code != CDN_FOLDERCHANGE) return 0;
    HWND dialog = GetParent(hook);
    wchar_t folder[MAX_PATH];
    LRESULT folderLength = SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
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
    if (edit != nullptr) SendMessageW(edit, EM_LIMITTEXT, room, 0);
    return 0;
}

bool PlatOpenFileDialog(PlatWindow owner, const char* filter, char* path, std::size_t pathSize) {
    // As many wide characters as the dialog's path had bytes before: a
    // path whose UTF-8 the program's buffer cannot hold is refused.
    constexpr std::size_t DialogWideSize = 3000;
    static wchar_t widePath[DialogWideSize];
    // The filter is pairs of NUL-ended texts, ended by one more NUL.
    wchar_t wideFilter[256];
    std::size_t filterLength = 0;
    while (filter[filterLength] != '\0' || filter[filterLength + 1] != '\0') ++filterLength;
    if (filterLength + 2 > 256 ||
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, filter, static_cast<int>(filterLength + 2), wideFilter,
                            256) == 0)
        return false;
    if (!ToWide(path, widePath, DialogWideSize)) widePath[0] = L'\0';
    OPENFILENAMEW dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Hwnd(owner);
    dialog.lpstrFilter = wideFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = widePath;
    dialog.nMaxFile = static_cast<DWORD>(DialogWideSize);
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOVALIDATE | OFN_EXPLORER | OFN_ENABLEHOOK;
    dialog.lpfnHook = LimitTypedName;
    return GetOpenFileNameW(&dialog) != 0 && FromWide(widePath, path, pathSize);
}
