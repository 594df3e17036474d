// Works Kestrelia's window as a user would, for the tests under Wine. Reads
// steps from stdin, one a line (blank lines and lines beginning with # are
// left out), runs them in order and prints "ok  STEP" or "FAIL STEP: WHY",
// with "info ..." lines for what a step shows. Exits 0 when every step
// passed. Nothing runs after a failed `find`.
//
// Arguments are separated by blanks; one in double quotes may hold blanks,
// and a backslash in it is written \\.
// Numbers are decimal or 0x hexadecimal; times (T) are in ms.
//   find [T]                   the window of class "Kestrelia", shown
//   click ID                   BM_CLICK, waited for until handled or a box opens
//   command ID                 WM_COMMAND to the control's parent: reaches the
//                              program even when the control is disabled
//   enabled|checked|text ID VALUE [T]
//                              the control's state (0|1, BM_GETCHECK) or text
//                              is (or becomes) VALUE
//   settext ID "TEXT"          WM_SETTEXT; the control must keep it whole
//   box "CAPTION" "TEXT" ok|yes|no|cancel [T]   a message box: check, answer
//   nobox [T]                  no box or dialog of the window appears
//   dialog [typed] "NAME"|cancel [T]
//                              the open-file dialog: NAME into its name box
//                              (typed: a character at a time), Open; or Cancel
//   close | gone [T] | alive | sleep T | size W H | show minimize|maximize
//   scroll v|h CODE            WM_VSCROLL or WM_HSCROLL
//   rect [ID]                  the window's rectangle; or the control's corner
//                              and size in client coordinates, and the client
//                              area's corner on the screen
//   hold PATH all|none         opens the file for writing, sharing everything
//                              or nothing, until the end
//   ended [T]                  the job's end: the idle state held for 500 ms
//   encoders                   no flac.exe runs; the program's handle count
//   lines PATH                 the count of lines of a file
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/program_window.h"

namespace {

const int PollMs = 20;
const int NameComboId = 1148;  // cmb13: the name box of the (Explorer-style) open-file dialog

HWND Main = nullptr;
std::vector<std::string> Args;
char Text[65536];

struct Failure { std::string why; };

[[noreturn]] void Fail(const char* format, ...) {
    char why[8192];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(why, sizeof why, format, arguments);
    va_end(arguments);
    throw Failure{why};
}

const char* Arg(size_t i) { return Args[i].c_str(); }

// Argument i as a number, or `fallback` when it is not given.
long Number(size_t i, long fallback = 0) {
    if (i >= Args.size()) return fallback;
    char* end = nullptr;
    long value = std::strtol(Arg(i), &end, 0);
    if (end == Arg(i) || *end != '\0' || value < 0) Fail("\"%s\" is not a number", Arg(i));
    return value;
}

HWND Control(size_t i) {
    HWND control = FindDescendant(Main, static_cast<int>(Number(i)));
    if (control == nullptr) Fail("the window has no control with id %s", Arg(i));
    return control;
}

template <class Done>
bool Until(long timeout, Done done, DWORD pollMs = PollMs) {
    for (DWORD start = GetTickCount();; Sleep(pollMs)) {
        if (done()) return true;
        if (GetTickCount() - start >= static_cast<DWORD>(timeout)) return false;
    }
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ProgramAnswerMs, &answer) == 0)
        Fail("the program did not answer message 0x%X within %u ms", message, ProgramAnswerMs);
    return static_cast<LRESULT>(answer);
}

const char* Read(HWND window) {
    if (!ReadWindowText(window, Text, sizeof Text)) Fail("the program did not give a window's text in time");
    return Text;
}

// A message that may open a modal box: waited for at most 700 ms, after
// which the box is the next step's business.
void SendClick(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 700, &ignored);
}

// The visible message boxes and dialogs the window owns.
std::vector<HWND> OwnedBoxes() {
    std::vector<HWND> boxes;
    EnumWindows([](HWND window, LPARAM list) -> BOOL {
        char name[16];
        if (GetWindow(window, GW_OWNER) == Main && IsWindowVisible(window) &&
            GetClassNameA(window, name, sizeof name) != 0 && lstrcmpA(name, "#32770") == 0)
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

bool IsFileDialog(HWND box) { return FindDescendant(box, NameComboId) != nullptr; }

// "CAPTION" "TEXT" of every box the window owns, for a failure.
std::string Boxes() {
    std::string seen;
    for (HWND box : OwnedBoxes()) {
        char caption[256];
        char text[1024] = "(open-file dialog)";
        ReadWindowText(box, caption, sizeof caption);
        if (!IsFileDialog(box)) ReadWindowText(GetDlgItem(box, 0xFFFF), text, sizeof text);
        seen += (seen.empty() ? "box \"" : "; box \"") + std::string(caption) + "\" \"" + text + "\"";
    }
    return seen.empty() ? "no box" : seen;
}

// The first box the window owns that is the open-file dialog (caption
// null) or a message box with that caption, within the timeout.
HWND WaitBox(const char* caption, long timeout) {
    HWND found = nullptr;
    Until(timeout, [&] {
        for (HWND box : OwnedBoxes()) {
            char text[256];
            bool dialog = IsFileDialog(box);
            if (found == nullptr && (caption == nullptr ? dialog : !dialog && ReadWindowText(box, text, sizeof text) &&
                                                                       std::strcmp(text, caption) == 0))
                found = box;
        }
        return found != nullptr;
    });
    if (found == nullptr) Fail("no %s within %ld ms; saw %s", caption ? "such box" : "open-file dialog", timeout,
                               Boxes().c_str());
    return found;
}

// Presses a box's button (by class too: Wine's open-file dialog also has a
// toolbar with id 1), or sends its command when it has no such button, and
// waits for the box to go.
void Press(HWND box, int id, long timeout, const char* what) {
    HWND button = FindDescendant(box, id, "Button");
    if (!(button != nullptr ? PostMessageA(button, BM_CLICK, 0, 0)
                            : PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0)))
        Fail("could not post the press of button %d", id);
    if (!Until(timeout, [&] { return !IsWindow(box); }))
        Fail("%s was still there %ld ms after the press of %d", what, timeout, id);
}

void Expect(int state) {
    static const char* const names[] = {"enabled", "checked", "text"};
    HWND control = Control(0);
    long timeout = Number(2);
    // The enabled state is polled every millisecond: a click that follows
    // it comes the moment a job's end enables Execute.
    bool seen = Until(timeout, [&] {
        if (state == 2) Read(control);
        else std::snprintf(Text, sizeof Text, "%ld",
                           state == 1 ? long(Ask(control, BM_GETCHECK, 0, 0)) : long(IsWindowEnabled(control) != 0));
        return Args[1] == Text;
    }, state == 0 ? 1 : PollMs);
    if (!seen) Fail("%s is \"%s\" after %ld ms", names[state], Text, timeout);
}

void StepBox() {
    static const char* const names[] = {"ok", "cancel", "", "", "", "yes", "no"};
    int answer = 0;
    for (int id = IDOK; id <= IDNO; ++id)
        if (Args[2] == names[id - 1]) answer = id;
    if (answer == 0) Fail("the answer \"%s\" is none of ok, yes, no, cancel", Arg(2));
    long timeout = Number(3, 10000);
    HWND box = WaitBox(Arg(0), timeout);
    std::string text = Read(GetDlgItem(box, 0xFFFF));
    // Answered even when the text is wrong, so that the steps after it find
    // the program running rather than behind a box.
    Press(box, answer, timeout, "the box");
    if (text != Args[1]) Fail("the box says \"%s\" (answered all the same)", text.c_str());
}

void StepDialog() {
    bool typed = Args[0] == "typed";
    long timeout = Number(typed + 1, 10000);
    HWND dialog = WaitBox(nullptr, timeout);
    if (Args[typed] == "cancel") return Press(dialog, IDCANCEL, timeout, "the dialog");
    // Wine's name box is an edit in a combo box in a ComboBoxEx32.
    HWND edit = FindDescendant(FindDescendant(dialog, NameComboId), -1, "Edit");
    if (edit == nullptr) Fail("the dialog has no file name box");
    const std::string& name = Args[typed];
    // Typed a character at a time (WM_CHAR), so that the box's limit holds.
    Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed ? "" : name.c_str()));
    for (size_t i = 0; typed && i < name.size(); ++i) Ask(edit, WM_CHAR, static_cast<BYTE>(name[i]), 1);
    if (typed) std::printf("info the name box took %zu of %zu characters\n", std::strlen(Read(edit)), name.size());
    else if (name != Read(edit)) Fail("the file name box kept \"%s\"", Text);
    Press(dialog, IDOK, timeout, "the dialog");
}

void StepRect() {
    RECT place;
    GetWindowRect(Args.empty() ? Main : Control(0), &place);
    if (Args.empty())
        return (void)std::printf("info rect %ld %ld %ld %ld\n", place.left, place.top, place.right, place.bottom);
    POINT corner = {place.left, place.top};
    POINT client = {0, 0};
    ScreenToClient(Main, &corner);
    ClientToScreen(Main, &client);
    std::printf("info pos %s %ld %ld size %ld %ld client %ld %ld\n", Arg(0), corner.x, corner.y,
                place.right - place.left, place.bottom - place.top, client.x, client.y);
}

// Minimized or maximized, waited for; through the system menu command when
// ShowWindow does not take.
void Show() {
    bool minimize = Args[0] == "minimize";
    auto done = [&] { return (minimize ? IsIconic(Main) : IsZoomed(Main)) != 0; };
    ShowWindow(Main, minimize ? SW_MINIMIZE : SW_MAXIMIZE);
    if (Until(2000, done)) return;
    PostMessageA(Main, WM_SYSCOMMAND, minimize ? SC_MINIMIZE : SC_MAXIMIZE, 0);
    if (!Until(2000, done)) Fail("the window stays so (minimized %d, maximized %d)", IsIconic(Main), IsZoomed(Main));
}

void StepEncoders() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += lstrcmpiA(entry.szExeFile, "flac.exe") == 0;
    CloseHandle(snapshot);
    if (count > 0) Fail("%d encoder process(es) flac.exe still run", count);
    DWORD id = 0;
    GetWindowThreadProcessId(Main, &id);
    long handles = ProgramHandleCount(id);
    if (handles < 0) Fail("the program's handle count cannot be read");
    std::printf("info handles %ld\n", handles);
}

// Which steps need the window: none, found, or found and still there.
enum Needs { NoWindow, Found, Shown };
struct Step {
    const char* name;
    size_t minArgs, maxArgs;
    Needs needs;
    void (*run)();
};

const Step Steps[] = {
    {"find", 0, 1, NoWindow, [] {
         long timeout = Number(0, 20000);
         Main = FindProgramWindow(static_cast<DWORD>(timeout));
         if (Main == nullptr) Fail("no shown window of class Kestrelia within %ld ms", timeout);
     }},
    {"click", 1, 1, Shown, [] { SendClick(Control(0), BM_CLICK); }},
    {"command", 1, 1, Shown, [] {
         HWND control = Control(0);
         SendClick(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
     }},
    {"enabled", 2, 3, Shown, [] { Expect(0); }},
    {"checked", 2, 3, Shown, [] { Expect(1); }},
    {"text", 2, 3, Shown, [] { Expect(2); }},
    {"settext", 2, 2, Shown, [] {
         Ask(Control(0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Arg(1)));
         Expect(2);
     }},
    {"box", 3, 4, Shown, StepBox},
    {"nobox", 0, 1, Shown, [] {
         if (Until(Number(0, 1500), [] { return !OwnedBoxes().empty(); })) Fail("saw %s", Boxes().c_str());
     }},
    {"dialog", 1, 3, Shown, StepDialog},
    {"close", 0, 0, Shown, [] {
         if (!PostMessageA(Main, WM_CLOSE, 0, 0)) Fail("could not post WM_CLOSE");
     }},
    {"gone", 0, 1, Found, [] {
         long timeout = Number(0, 20000);
         if (!Until(timeout, [] { return !IsWindow(Main); }))
             Fail("the window was still there after %ld ms; saw %s", timeout, Boxes().c_str());
     }},
    {"alive", 0, 0, Found, [] {
         if (!IsWindow(Main)) Fail("the window is gone");
     }},
    {"sleep", 1, 1, NoWindow, [] { Sleep(static_cast<DWORD>(Number(0))); }},
    {"size", 2, 2, Shown, [] {
         SetWindowPos(Main, nullptr, 0, 0, Number(0), Number(1), SWP_NOMOVE | SWP_NOZORDER);
     }},
    {"show", 1, 1, Shown, Show},
    {"scroll", 2, 2, Shown, [] { Ask(Main, Args[0] == "v" ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(Number(1), 0), 0); }},
    {"rect", 0, 1, Shown, StepRect},
    {"hold", 2, 2, NoWindow, [] {
         DWORD share = Args[1] == "all" ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
         if (CreateFileA(Arg(0), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE)
             Fail("could not open the file (error %lu)", GetLastError());
     }},
    {"ended", 0, 1, Shown, [] {
         // Idle without a break for 500 ms, since a short job can pass through
         // its running state between two polls, and Exit is enabled a moment
         // before Cancel is disabled.
         DWORD start = GetTickCount(), idleSince = 0;
         long timeout = Number(0, 120000);
         if (!Until(timeout, [&] {
                 DWORD now = GetTickCount();
                 if (!ProgramIdle(Main)) idleSince = 0;
                 else if (idleSince == 0) idleSince = now;
                 return idleSince != 0 && now - idleSince >= 500;
             }, 2))
             Fail("the job still runs after %ld ms", timeout);
         std::printf("info job ended after %lu ms\n", idleSince - start);
     }},
    {"encoders", 0, 0, Shown, StepEncoders},
    // Read between two steps without a moment's delay (the stand-in's log).
    {"lines", 1, 1, NoWindow, [] {
         std::FILE* file = std::fopen(Arg(0), "rb");
         long count = 0;
         for (int c = file != nullptr ? std::getc(file) : EOF; c != EOF; c = std::getc(file)) count += c == '\n';
         if (file != nullptr) std::fclose(file);
         std::printf("info lines %ld\n", count);
     }},
};

// Splits a line into the step's name and Args. In code page 932 the second
// byte of a character may be a backslash: it is no escape.
std::string Split(const char* p) {
    std::vector<std::string> words;
    for (;; ++p) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '\0') break;
        words.emplace_back();
        std::string& word = words.back();
        if (*p != '"') {
            while (p[1] != '\0' && p[1] != ' ' && p[1] != '\t') word += *p++;
            word += *p;
            continue;
        }
        for (++p; *p != '"'; ++p) {
            if (*p == '\0') Fail("a quote is not closed");
            if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') word += *p++;
            else if (*p == '\\' && *++p != '\\') Fail("a backslash in quotes is written \\\\");
            word += *p;
        }
    }
    Args.assign(words.begin() + 1, words.end());
    return words[0];
}

void RunStep(const char* line) {
    std::string name = Split(line);
    for (const Step& step : Steps) {
        if (name != step.name) continue;
        if (Args.size() < step.minArgs || Args.size() > step.maxArgs)
            Fail("%s takes %zu to %zu arguments", step.name, step.minArgs, step.maxArgs);
        if (step.needs != NoWindow && Main == nullptr) Fail("no window found yet (find first)");
        if (step.needs == Shown && !IsWindow(Main)) Fail("the window is gone");
        return step.run();
    }
    Fail("unknown step \"%s\"", name.c_str());
}

}  // namespace

int main() {
    // Bytes in, bytes out: texts in code page 932 as written.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    static char line[65536];
    bool allPassed = true;
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        const char* step = line + std::strspn(line, " \t");
        if (*step == '\0' || *step == '#') continue;
        try {
            RunStep(step);
            std::printf("ok  %s\n", step);
        } catch (const Failure& failure) {
            std::printf("FAIL %s: %s\n", step, failure.why.c_str());
            allPassed = false;
            if (std::strncmp(step, "find", 4) == 0) break;
        }
        std::fflush(stdout);
    }
    return allPassed ? 0 : 1;
}
