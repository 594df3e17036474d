// The window side of the fake platform. Used from the test's thread only,
// like the real window functions from the window thread.
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <set>

#include "platform/fake/fake_window.h"

namespace {

constexpr std::uintptr_t MainValue = 1;
constexpr std::uintptr_t ControlBase = 100;  // control n is window 100 + n
constexpr int FrameWidth = 16, FrameHeight = 39;

struct QueuedDialog {
    bool confirmed;
    std::string path;
};

struct Ui {
    PlatWindowProcedure procedure = nullptr;
    bool failRegistration = false, failCreation = false;
    bool destroyed = false;
    std::set<int> failingControls;
    std::map<int, FakeControl> controls;
    PlatTextMetrics metrics{7, 16, 0, 0};
    int screenLeft = 0, screenTop = 0, screenWidth = 1280, screenHeight = 1024;
    PlatScrollState bars[2] = {};
    PlatRect rect{0, 0, 0, 0};
    bool rectReadable = true;
    std::vector<std::string> calls;
    std::vector<std::string> drawn;
    std::deque<int> answers;
    std::deque<QueuedDialog> dialogs;
    int quitCode = 0;
};

Ui& TheUi() {
    static Ui ui;
    return ui;
}

void Call(const std::string& call) { TheUi().calls.push_back(call); }

std::string Value(PlatWindow window) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

FakeControl* ControlOf(PlatWindow window) {
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(window);
    if (value < ControlBase) return nullptr;
    auto found = TheUi().controls.find(static_cast<int>(value - ControlBase));
    return found == TheUi().controls.end() ? nullptr : &found->second;
}

std::string Edges(const PlatRect& rect) {
    return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
           std::to_string(rect.right) + " " + std::to_string(rect.bottom);
}

// Win32's clamp: from the minimum to maximum - (page - 1), or to the
// maximum itself for a page of 0.
void Clamp(PlatScrollState* bar) {
    int top = bar->page > 0 ? bar->maximum - (bar->page - 1) : bar->maximum;
    bar->position = std::max(bar->minimum, std::min(bar->position, std::max(bar->minimum, top)));
}

void SendSize() {
    Ui& ui = TheUi();
    int width = std::max(0, ui.rect.right - ui.rect.left - FrameWidth);
    int height = std::max(0, ui.rect.bottom - ui.rect.top - FrameHeight);
    if (ui.procedure != nullptr)
        ui.procedure(reinterpret_cast<PlatWindow>(MainValue), PlatMsgSize, 0,
                     static_cast<std::intptr_t>((static_cast<std::uint32_t>(height) << 16) |
                                                static_cast<std::uint32_t>(width)));
}

}  // namespace

void FakeResetWindows() { TheUi() = Ui(); }

const FakeControl* FakeControlById(int id) {
    auto found = TheUi().controls.find(id);
    return found == TheUi().controls.end() ? nullptr : &found->second;
}

PlatWindow FakeControlHandle(int id) {
    if (FakeControlById(id) == nullptr) return nullptr;
    return reinterpret_cast<PlatWindow>(ControlBase + static_cast<std::uintptr_t>(id));
}

void FakeFailControl(int id) { TheUi().failingControls.insert(id); }

void FakeFailMainWindow(bool registration, bool creation) {
    TheUi().failRegistration = registration;
    TheUi().failCreation = creation;
}

PlatWindow FakeMainWindow() { return reinterpret_cast<PlatWindow>(MainValue); }

void FakeSetTextMetrics(const PlatTextMetrics& metrics) { TheUi().metrics = metrics; }

void FakeSetVirtualScreen(int left, int top, int width, int height) {
    TheUi().screenLeft = left;
    TheUi().screenTop = top;
    TheUi().screenWidth = width;
    TheUi().screenHeight = height;
}

PlatScrollState FakeScrollState(int bar) { return TheUi().bars[bar]; }

void FakeSetTrackPosition(int bar, int position) { TheUi().bars[bar].trackPosition = position; }

void FakeSetWindowRect(const PlatRect& rect, bool readable) {
    TheUi().rect = rect;
    TheUi().rectReadable = readable;
}

PlatRect FakeWindowRect() { return TheUi().rect; }

std::vector<std::string> FakeUiCalls() { return TheUi().calls; }

void FakeClearUiCalls() { TheUi().calls.clear(); }

std::vector<std::string> FakeDrawn() { return TheUi().drawn; }

void FakeQueueBoxAnswer(int answer) { TheUi().answers.push_back(answer); }

void FakeQueueDialog(bool confirmed, const std::string& path) {
    TheUi().dialogs.push_back(QueuedDialog{confirmed, path});
}

std::intptr_t FakeSend(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return TheUi().procedure(FakeMainWindow(), message, wParam, lParam);
}

bool FakeMainWindowDestroyed() { return TheUi().destroyed; }

// --- The platform calls -------------------------------------------------------

bool PlatRegisterMainClass(PlatInstance, const char* className, PlatWindowProcedure procedure) {
    Call(std::string("register ") + className);
    if (TheUi().failRegistration) return false;
    TheUi().procedure = procedure;
    return true;
}

PlatWindow PlatCreateMainWindow(PlatInstance instance, const char* className, const char* caption) {
    Call(std::string("create ") + className + "|" + caption);
    if (TheUi().failCreation || TheUi().procedure == nullptr) return nullptr;
    TheUi().procedure(FakeMainWindow(), PlatMsgCreate, 0, reinterpret_cast<std::intptr_t>(instance));
    return FakeMainWindow();
}

PlatInstance PlatCreationInstance(std::intptr_t creationData) {
    return reinterpret_cast<PlatInstance>(creationData);
}

void PlatShowWindow(PlatWindow, int showCommand) { Call("show " + std::to_string(showCommand)); }

void PlatUpdateWindow(PlatWindow) { Call("update"); }

void PlatInvalidateRect(PlatWindow, const PlatRect& rect) {
    Call("invalidate " + Edges(rect));
}

int PlatRunMessageLoop() {
    Call("loop");
    return TheUi().quitCode;
}

void PlatPostQuit(int exitCode) {
    TheUi().quitCode = exitCode;
    Call("quit " + std::to_string(exitCode));
}

std::intptr_t PlatDefaultProcedure(PlatWindow window, std::uint32_t message, std::uintptr_t,
                                   std::intptr_t) {
    Call("default " + std::to_string(message));
    if (message == PlatMsgClose) PlatDestroyWindow(window);
    return 0;
}

void PlatDestroyWindow(PlatWindow window) {
    Call("destroy");
    TheUi().destroyed = true;
    TheUi().procedure(window, PlatMsgDestroy, 0, 0);
}

void PlatSendDestroy(PlatWindow window) {
    Call("send destroy");
    TheUi().procedure(window, PlatMsgDestroy, 0, 0);
}

void PlatStartTimer(PlatWindow, std::uintptr_t id, std::uint32_t milliseconds) {
    Call("timer " + std::to_string(id) + " " + std::to_string(milliseconds));
}

void PlatStopTimer(PlatWindow, std::uintptr_t id) { Call("stop timer " + std::to_string(id)); }

PlatWindow PlatCreateControl(PlatWindow, PlatInstance, const char* className, std::uint32_t style,
                             int x, int y, int width, int height, int id) {
    Ui& ui = TheUi();
    if (ui.failingControls.erase(id) > 0) return nullptr;
    ui.controls[id] = FakeControl{className, " ", style, x, y, width, height, id, false};
    return FakeControlHandle(id);
}

void PlatSetText(PlatWindow control, const char* text) {
    Call("settext " + Value(control) + " " + text);
    if (FakeControl* found = ControlOf(control)) found->text = text;
}

void PlatGetText(PlatWindow control, char* text, std::size_t size) {
    if (size == 0) return;
    const FakeControl* found = ControlOf(control);
    std::string whole = found == nullptr ? std::string() : found->text;
    std::size_t count = std::min(whole.size(), size - 1);
    std::memcpy(text, whole.data(), count);
    text[count] = '\0';
}

void PlatSetCheck(PlatWindow control, bool checked) {
    Call("check " + Value(control) + (checked ? " 1" : " 0"));
    if (FakeControl* found = ControlOf(control)) found->checked = checked;
}

void PlatMeasureText(PlatWindow, PlatTextMetrics* metrics) { *metrics = TheUi().metrics; }

PlatPaint PlatBeginPaint(PlatWindow) {
    Call("paint");
    TheUi().drawn.clear();
    return reinterpret_cast<PlatPaint>(&TheUi());
}

void PlatDrawText(PlatPaint, const char* text, const PlatRect& rect, std::uint32_t format) {
    TheUi().drawn.push_back("text " + Edges(rect) + " " + std::to_string(format) + "|" + text);
}

void PlatEndPaint(PlatWindow, PlatPaint) { Call("end paint"); }

void PlatSetScrollRange(PlatWindow, int bar, int minimum, int maximum, int page) {
    Call("range " + std::to_string(bar) + " " + std::to_string(minimum) + " " +
         std::to_string(maximum) + " " + std::to_string(page));
    PlatScrollState& state = TheUi().bars[bar];
    state.minimum = minimum;
    state.maximum = maximum;
    state.page = page;
    Clamp(&state);
}

void PlatGetScrollState(PlatWindow, int bar, PlatScrollState* state) { *state = TheUi().bars[bar]; }

int PlatSetScrollPosition(PlatWindow, int bar, int position) {
    PlatScrollState& state = TheUi().bars[bar];
    state.position = position;
    Clamp(&state);
    state.trackPosition = state.position;
    Call("position " + std::to_string(bar) + " " + std::to_string(state.position));
    return state.position;
}

void PlatScrollWindow(PlatWindow, int dx, int dy) {
    Call("scroll " + std::to_string(dx) + " " + std::to_string(dy));
    for (auto& [id, control] : TheUi().controls) {
        control.x += dx;
        control.y += dy;
    }
}

void PlatVirtualScreen(int* left, int* top, int* width, int* height) {
    *left = TheUi().screenLeft;
    *top = TheUi().screenTop;
    *width = TheUi().screenWidth;
    *height = TheUi().screenHeight;
}

void PlatMoveWindow(PlatWindow, int x, int y, int width, int height) {
    Call("move " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
         std::to_string(height));
    TheUi().rect = PlatRect{x, y, x + width, y + height};
    SendSize();
}

void PlatResizeWindow(PlatWindow, int width, int height) {
    Call("resize " + std::to_string(width) + " " + std::to_string(height));
    PlatRect& rect = TheUi().rect;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    SendSize();
}

bool PlatRestoredWindowRect(PlatWindow, PlatRect* rect) {
    if (!TheUi().rectReadable) return false;
    *rect = TheUi().rect;
    return true;
}

int PlatMessageBox(PlatWindow, const char* text, const char* caption, std::uint32_t type) {
    Call(std::string("box ") + caption + "|" + text + "|" + std::to_string(type));
    Ui& ui = TheUi();
    if (ui.answers.empty()) return 1;
    int answer = ui.answers.front();
    ui.answers.pop_front();
    return answer;
}

// UTF-16 units of a UTF-8 text: one a character, two for one of 4 bytes.
static std::size_t Utf16Units(const std::string& text) {
    std::size_t units = 0;
    for (unsigned char byte : text) units += ((byte & 0xC0) != 0x80 ? 1 : 0) + (byte >= 0xF0 ? 1 : 0);
    return units;
}

// As on Windows, the dialog holds 3000 UTF-16 units with the NUL.
bool PlatOpenFileDialog(PlatWindow, const char* filter, char* path, std::size_t pathSize) {
    Call(std::string("dialog ") + filter + "|" + (Utf16Units(path) < 3000 ? path : ""));
    Ui& ui = TheUi();
    if (ui.dialogs.empty()) return false;
    QueuedDialog next = ui.dialogs.front();
    ui.dialogs.pop_front();
    if (!next.confirmed || next.path.size() >= pathSize || Utf16Units(next.path) >= 3000) return false;
    std::memcpy(path, next.path.c_str(), next.path.size() + 1);
    return true;
}
