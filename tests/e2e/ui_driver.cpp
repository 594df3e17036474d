// Works Kestrelia's window as a user would, for the tests under Wine. Reads
// steps from stdin, one a line (blank lines and lines beginning with # are
// left out), runs them in order and prints "ok  STEP" or "FAIL STEP: WHY",
// with "info ..." lines for what a step shows. Exits 0 when every step
// passed. Nothing runs after a failed `find`.
//
// Arguments are separated by blanks; one in double quotes may hold blanks
// and the escapes \n \\ \" (a path in quotes has doubled backslashes).
// Numbers are decimal or 0x hexadecimal; times are in ms.
//   find [TIMEOUT]             the window of class "Kestrelia", shown
//   click ID                   BM_CLICK, waited for until handled or a box
//                              opened
//   command ID                 WM_COMMAND (BN_CLICKED) to the control's
//                              parent: reaches the program even when the
//                              control is disabled
//   enabled ID 0|1 [TIMEOUT]   the control is (or becomes) enabled or not
//   execute [TIMEOUT]          clicks Execute and waits for the job's end
//   checked ID 0|1|2           BM_GETCHECK of the control
//   text ID "TEXT" [TIMEOUT]   the control's text is (or becomes) TEXT
//   settext ID "TEXT"          WM_SETTEXT; the control must keep it whole
//   box "CAPTION" "TEXT" ok|yes|no|cancel [TIMEOUT]
//                              a message box of the window: check, answer
//   nobox [MS]                 no box or dialog of the window appears
//   dialog "PATH" [TIMEOUT]    the open-file dialog: types PATH, Open
//   dialogtyped "TEXT" [TIMEOUT]  the same, a character at a time, as far
//                              as the name box takes it
//   dialogcancel [TIMEOUT]     the open-file dialog: Cancel
//   close | gone [TIMEOUT] | alive | sleep MS
//   showpos ID                 the control's corner in client coordinates,
//                              and the client area's corner on the screen
//   hold PATH all|none         opens the file for writing, sharing read,
//                              write and delete or nothing, until the end
//   size W H | rect | minimize | maximize | vscroll CODE | hscroll CODE
//   ended [TIMEOUT]            the job's end: the idle state held for 500 ms
//   encoders                   no flac.exe runs; handles: the program's count
//   lines PATH                 the count of lines of a file
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/program_window.h"

namespace {

const int LineCapacity = 65536;
const int MaxWords = 9;
const int PollMs = 20;
const int FileNameComboId = 1148;  // cmb13: the name box of the Explorer-style dialog
const int FileNameEditId = 1152;   // edt1: the name box of the old-style dialog

HWND MainWindow = nullptr;
char Why[8192];
char Text[LineCapacity];

void Fail(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(Why, sizeof Why, format, arguments);
    va_end(arguments);
}

void Info(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::fputs("info ", stdout);
    std::vprintf(format, arguments);
    std::putchar('\n');
    va_end(arguments);
    std::fflush(stdout);
}

bool Number(const char* text, long* value) {
    char* end = nullptr;
    *value = std::strtol(text, &end, 0);
    if (end != text && *end == '\0' && *value >= 0) return true;
    Fail("\"%s\" is not a number", text);
    return false;
}

bool Timeout(int count, char** words, int index, long fallback, long* timeout) {
    *timeout = fallback;
    return index >= count || Number(words[index], timeout);
}

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ProgramAnswerMs, &answer) == 0) {
        Fail("the program did not answer message 0x%X within %u ms", message, ProgramAnswerMs);
        return false;
    }
    if (result != nullptr) *result = static_cast<LRESULT>(answer);
    return true;
}

bool Read(HWND window, char* text = Text, size_t capacity = sizeof Text) {
    if (ReadWindowText(window, text, capacity)) return true;
    Fail("the program did not give a window's text within %u ms", ProgramAnswerMs);
    return false;
}

bool Control(char* word, HWND* control) {
    long id = 0;
    if (!Number(word, &id)) return false;
    *control = FindDescendant(MainWindow, static_cast<int>(id));
    if (*control == nullptr) Fail("the window has no control with id %ld", id);
    return *control != nullptr;
}

// A message that may open a modal box: waited for until handled, but at
// most 700 ms, after which the box is the next step's business.
void SendClick(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 700, &ignored);
}

bool WaitGone(HWND window, long timeout) {
    for (long waited = 0; IsWindow(window); waited += PollMs) {
        if (waited >= timeout) return false;
        Sleep(PollMs);
    }
    return true;
}

bool IsFileDialog(HWND box) {
    return FindDescendant(box, FileNameComboId) != nullptr || FindDescendant(box, FileNameEditId) != nullptr;
}

// "CAPTION" "TEXT" of every box the window owns, for a failure.
const char* Boxes() {
    static char seen[4096];
    OwnedBoxes list;
    std::strcpy(seen, FindOwnedBoxes(MainWindow, &list) == 0 ? "no box" : "");
    for (int i = 0; i < list.count; ++i) {
        char caption[256];
        char text[1024] = "(open-file dialog)";
        ReadWindowText(list.boxes[i], caption, sizeof caption);
        HWND textWindow = IsFileDialog(list.boxes[i]) ? nullptr : MessageBoxTextControl(list.boxes[i]);
        if (textWindow != nullptr) ReadWindowText(textWindow, text, sizeof text);
        size_t used = std::strlen(seen);
        std::snprintf(seen + used, sizeof seen - used, "%sbox \"%s\" \"%s\"", i ? "; " : "", caption, text);
    }
    return seen;
}

// Presses a box's button (by class too: Wine's open-file dialog also has a
// toolbar with id 1), or sends its command when it has no such button.
bool Press(HWND box, int id) {
    HWND button = FindDescendant(box, id, "Button");
    if (button != nullptr ? PostMessageA(button, BM_CLICK, 0, 0)
                          : PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0))
        return true;
    Fail("could not post the press of button %d", id);
    return false;
}

HWND WaitFileDialog(long timeout) {
    for (long waited = 0;; waited += PollMs) {
        OwnedBoxes list;
        for (int i = 0; i < FindOwnedBoxes(MainWindow, &list); ++i)
            if (IsFileDialog(list.boxes[i])) return list.boxes[i];
        if (waited >= timeout) break;
        Sleep(PollMs);
    }
    Fail("no open-file dialog within %ld ms; saw %s", timeout, Boxes());
    return nullptr;
}

// --- Steps ---------------------------------------------------------------

bool StepFind(int count, char** words) {
    long timeout = 0;
    if (!Timeout(count, words, 0, 20000, &timeout)) return false;
    MainWindow = FindProgramWindow(static_cast<DWORD>(timeout));
    if (MainWindow == nullptr) Fail("no shown window of class Kestrelia within %ld ms", timeout);
    return MainWindow != nullptr;
}

bool StepClick(int, char** words) {
    HWND control = nullptr;
    if (!Control(words[0], &control)) return false;
    SendClick(control, BM_CLICK);
    return true;
}

bool StepCommand(int, char** words) {
    HWND control = nullptr;
    if (!Control(words[0], &control)) return false;
    SendClick(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
              reinterpret_cast<LPARAM>(control));
    return true;
}

// The job's end: the idle state held for half a second.
bool StepEnded(int count, char** words) {
    long timeout = 0;
    if (!Timeout(count, words, 0, 120000, &timeout)) return false;
    long endedAt = WaitJobEnded(MainWindow, 500, static_cast<DWORD>(timeout));
    if (endedAt < 0) Fail("the job still runs after %ld ms", timeout);
    else Info("job ended after %ld ms", endedAt);
    return endedAt >= 0;
}

bool StepExecute(int count, char** words) {
    SendClick(FindDescendant(MainWindow, ExecuteRow), BM_CLICK);
    return StepEnded(count, words);
}

// The control's enabled state (0 or 1), check state or text is (or
// becomes within the timeout) the one wanted.
enum State { StateEnabled, StateChecked, StateText };
bool Expect(State state, int count, char** words) {
    static const char* const names[] = {"enabled", "checked", "text"};
    HWND control = nullptr;
    long timeout = 0;
    if (!Control(words[0], &control) || !Timeout(count, words, 2, 0, &timeout)) return false;
    // The enabled state is polled every millisecond: a click that follows
    // it comes the moment a job's end enables Execute.
    for (DWORD start = GetTickCount();; Sleep(state == StateEnabled ? 1 : PollMs)) {
        LRESULT check = 0;
        if (state == StateText ? !Read(control) : state == StateChecked && !Ask(control, BM_GETCHECK, 0, 0, &check))
            return false;
        long number = state == StateChecked ? long(check) : long(IsWindowEnabled(control) != 0);
        if (state != StateText) std::snprintf(Text, sizeof Text, "%ld", number);
        if (std::strcmp(Text, words[1]) == 0) return true;
        if (GetTickCount() - start >= static_cast<DWORD>(timeout)) break;
    }
    Fail("%s is \"%s\" after %ld ms", names[state], Text, timeout);
    return false;
}

bool StepSetText(int, char** words) {
    HWND control = nullptr;
    if (!Control(words[0], &control) || !Ask(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(words[1])) ||
        !Read(control))
        return false;
    if (std::strcmp(Text, words[1]) != 0) Fail("the control kept \"%s\"", Text);
    return std::strcmp(Text, words[1]) == 0;
}

bool StepBox(int count, char** words) {
    static const char* const names[] = {"ok", "cancel", "", "", "", "yes", "no"};
    int answer = 0;
    for (int id = IDOK; id <= IDNO; ++id)
        if (std::strcmp(words[2], names[id - 1]) == 0) answer = id;
    long timeout = 0;
    if (answer == 0) Fail("the answer \"%s\" is none of ok, yes, no, cancel", words[2]);
    if (answer == 0 || !Timeout(count, words, 3, 10000, &timeout)) return false;
    HWND box = nullptr;
    for (long waited = 0; box == nullptr; waited += PollMs) {
        OwnedBoxes list;
        for (int i = 0; i < FindOwnedBoxes(MainWindow, &list); ++i)
            if (!IsFileDialog(list.boxes[i]) && ReadWindowText(list.boxes[i], Text, sizeof Text) &&
                std::strcmp(Text, words[0]) == 0)
                box = list.boxes[i];
        if (box != nullptr) break;
        if (waited >= timeout) {
            Fail("no such box within %ld ms; saw %s", timeout, Boxes());
            return false;
        }
        Sleep(PollMs);
    }
    HWND textWindow = MessageBoxTextControl(box);
    if (textWindow == nullptr || !Read(textWindow)) {
        Fail("the box has no text");
        return false;
    }
    // Answered even when the text is wrong, so that the steps after it find
    // the program running rather than behind a box.
    bool textMatches = std::strcmp(Text, words[1]) == 0;
    if (!Press(box, answer)) return false;
    if (!WaitGone(box, timeout)) Fail("the box was still there %ld ms after answering", timeout);
    else if (!textMatches) Fail("the box says \"%s\" (answered all the same)", Text);
    return textMatches && !IsWindow(box);
}

bool StepNoBox(int count, char** words) {
    long span = 0;
    if (!Timeout(count, words, 0, 1500, &span)) return false;
    for (long waited = 0; waited <= span; waited += PollMs) {
        OwnedBoxes list;
        if (FindOwnedBoxes(MainWindow, &list) > 0) {
            Fail("after %ld ms saw %s", waited, Boxes());
            return false;
        }
        Sleep(PollMs);
    }
    return true;
}

// The text into the dialog's name box, whole (WM_SETTEXT) or typed a
// character at a time (WM_CHAR), so that the box's limit holds; then Open.
bool FillDialog(int count, char** words, bool typed, bool cancel = false) {
    long timeout = 0;
    if (!Timeout(count, words, cancel ? 0 : 1, 10000, &timeout)) return false;
    HWND dialog = WaitFileDialog(timeout);
    if (dialog == nullptr) return false;
    if (cancel) {
        if (Press(dialog, IDCANCEL) && !WaitGone(dialog, timeout)) Fail("the dialog was still open after Cancel");
        return !IsWindow(dialog);
    }
    HWND combo = FindDescendant(dialog, FileNameComboId);
    // Wine's name box is an edit in a combo box in a ComboBoxEx32.
    HWND edit = combo != nullptr ? FindDescendant(combo, -1, "Edit") : FindDescendant(dialog, FileNameEditId);
    if (edit == nullptr) {
        Fail("the dialog has no file name box");
        return false;
    }
    if (!Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed ? "" : words[0]))) return false;
    for (const char* p = words[0]; typed && *p != '\0'; ++p)
        if (!Ask(edit, WM_CHAR, static_cast<BYTE>(*p), 1)) return false;
    if (!Read(edit)) return false;
    if (typed)
        Info("the name box took %zu of %zu typed characters", std::strlen(Text), std::strlen(words[0]));
    else if (std::strcmp(Text, words[0]) != 0) {
        Fail("the file name box kept \"%s\"", Text);
        return false;
    }
    if (!Press(dialog, IDOK)) return false;
    if (!WaitGone(dialog, timeout)) {
        Read(edit);
        Fail("the dialog was still open %ld ms after Open; its name box holds \"%s\"", timeout, Text);
        return false;
    }
    return true;
}

bool StepDialog(int count, char** words) { return FillDialog(count, words, false); }
bool StepDialogTyped(int count, char** words) { return FillDialog(count, words, true); }
bool StepDialogCancel(int count, char** words) { return FillDialog(count, words, false, true); }

bool StepClose(int, char**) {
    if (PostMessageA(MainWindow, WM_CLOSE, 0, 0)) return true;
    Fail("could not post WM_CLOSE");
    return false;
}

bool StepGone(int count, char** words) {
    long timeout = 0;
    if (!Timeout(count, words, 0, 20000, &timeout)) return false;
    if (WaitGone(MainWindow, timeout)) return true;
    Fail("the window was still there after %ld ms; saw %s", timeout, Boxes());
    return false;
}

bool StepAlive(int, char**) {
    if (!IsWindow(MainWindow)) Fail("the window is gone");
    return IsWindow(MainWindow) != 0;
}

bool StepSleep(int, char** words) {
    long ms = 0;
    if (!Number(words[0], &ms)) return false;
    Sleep(static_cast<DWORD>(ms));
    return true;
}

bool StepShowPos(int, char** words) {
    HWND control = nullptr;
    RECT place;
    if (!Control(words[0], &control) || !GetWindowRect(control, &place)) return false;
    POINT corner = {place.left, place.top};
    POINT client = {0, 0};
    ScreenToClient(MainWindow, &corner);
    ClientToScreen(MainWindow, &client);
    Info("pos %s %ld %ld size %ld %ld client %ld %ld", words[0], corner.x, corner.y, place.right - place.left,
         place.bottom - place.top, client.x, client.y);
    return true;
}

bool StepHold(int, char** words) {
    DWORD share = std::strcmp(words[1], "all") == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    if (CreateFileA(words[0], GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE)
        return true;
    Fail("could not open the file (error %lu)", GetLastError());
    return false;
}

bool StepSize(int, char** words) {
    long width = 0;
    long height = 0;
    return Number(words[0], &width) && Number(words[1], &height) &&
           SetWindowPos(MainWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

bool StepRect(int, char**) {
    RECT rect;
    if (!GetWindowRect(MainWindow, &rect)) return false;
    Info("rect %ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
    return true;
}

bool Scroll(UINT message, char** words) {
    long code = 0;
    return Number(words[0], &code) && Ask(MainWindow, message, MAKEWPARAM(code, 0), 0);
}

bool StepVScroll(int, char** words) { return Scroll(WM_VSCROLL, words); }
bool StepHScroll(int, char** words) { return Scroll(WM_HSCROLL, words); }

// Minimized or maximized, waited for; through the system menu command when
// ShowWindow does not take.
bool Show(int command, WPARAM systemCommand, bool iconic) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 0) ShowWindow(MainWindow, command);
        else PostMessageA(MainWindow, WM_SYSCOMMAND, systemCommand, 0);
        for (long waited = 0; waited < 2000; waited += PollMs) {
            if ((iconic ? IsIconic(MainWindow) : IsZoomed(MainWindow)) != 0) return true;
            Sleep(PollMs);
        }
    }
    Fail("the window is %s", IsIconic(MainWindow) ? "minimized" : IsZoomed(MainWindow) ? "maximized" : "normal");
    return false;
}

bool StepMinimize(int, char**) { return Show(SW_MINIMIZE, SC_MINIMIZE, true); }
bool StepMaximize(int, char**) { return Show(SW_MAXIMIZE, SC_MAXIMIZE, false); }

// No encoder process flac.exe runs in this Wine prefix.
bool StepEncoders(int, char**) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += lstrcmpiA(entry.szExeFile, "flac.exe") == 0;
    CloseHandle(snapshot);
    if (count > 0) Fail("%d encoder process(es) flac.exe still run", count);
    return count == 0;
}

bool StepHandles(int, char**) {
    DWORD id = 0;
    GetWindowThreadProcessId(MainWindow, &id);
    HANDLE program = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
    long count = program != nullptr ? ProgramHandleCount(program) : -1;
    if (program != nullptr) CloseHandle(program);
    if (count < 0) Fail("the program's handle count cannot be read");
    else Info("handles %ld", count);
    return count >= 0;
}

// The count of lines in a file (the stand-in's log: one per run), read
// between two steps without a moment's delay.
bool StepLines(int, char** words) {
    std::FILE* file = std::fopen(words[0], "rb");
    long count = 0;
    for (int c = file != nullptr ? std::getc(file) : EOF; c != EOF; c = std::getc(file)) count += c == '\n';
    if (file != nullptr) std::fclose(file);
    Info("lines %ld", count);
    return true;
}

struct Step {
    const char* name;
    int minWords;
    int maxWords;
    bool (*run)(int count, char** words);
};

const Step Steps[] = {
    {"find", 0, 1, StepFind},          {"click", 1, 1, StepClick},       {"command", 1, 1, StepCommand},
    {"enabled", 2, 3, [](int count, char** words) { return Expect(StateEnabled, count, words); }},
    {"checked", 2, 3, [](int count, char** words) { return Expect(StateChecked, count, words); }},
    {"text", 2, 3, [](int count, char** words) { return Expect(StateText, count, words); }},
    {"execute", 0, 1, StepExecute},    {"settext", 2, 2, StepSetText},   {"box", 3, 4, StepBox},
    {"nobox", 0, 1, StepNoBox},        {"dialog", 1, 2, StepDialog},     {"dialogtyped", 1, 2, StepDialogTyped},
    {"dialogcancel", 0, 1, StepDialogCancel}, {"close", 0, 0, StepClose}, {"gone", 0, 1, StepGone},
    {"alive", 0, 0, StepAlive},        {"sleep", 1, 1, StepSleep},       {"showpos", 1, 1, StepShowPos},
    {"hold", 2, 2, StepHold},          {"size", 2, 2, StepSize},         {"rect", 0, 0, StepRect},
    {"vscroll", 1, 1, StepVScroll},    {"hscroll", 1, 1, StepHScroll},   {"minimize", 0, 0, StepMinimize},
    {"maximize", 0, 0, StepMaximize},  {"ended", 0, 1, StepEnded},      {"encoders", 0, 0, StepEncoders},
    {"handles", 0, 0, StepHandles},    {"lines", 1, 1, StepLines},
};

// Splits `line` into words in `out` (as long as the line); false, with the
// reason, for an unclosed quote or an unknown escape. In code page 932 the
// second byte of a character may be a backslash: it is no escape.
bool SplitLine(const char* p, char* out, char** words, int* count) {
    for (*count = 0;; *out++ = '\0') {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '\0') return true;
        if (*count == MaxWords) {
            Fail("more than %d words", MaxWords);
            return false;
        }
        words[(*count)++] = out;
        if (*p != '"') {
            while (*p != '\0' && *p != ' ' && *p != '\t') *out++ = *p++;
            continue;
        }
        for (++p; *p != '"'; ++p) {
            if (*p == '\0') {
                Fail("a quote is not closed");
                return false;
            }
            if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
                *out++ = *p++;
                *out++ = *p;
            } else if (*p != '\\') {
                *out++ = *p;
            } else if (p[1] == 'n' || p[1] == '\\' || p[1] == '"') {
                *out++ = *++p == 'n' ? '\n' : *p;
            } else {
                Fail("unknown escape in quotes (a backslash is written \\\\)");
                return false;
            }
        }
        ++p;
    }
}

bool RunStep(const char* line) {
    static char storage[LineCapacity];
    char* words[MaxWords];
    int count = 0;
    if (!SplitLine(line, storage, words, &count)) return false;
    for (const Step& step : Steps) {
        if (std::strcmp(words[0], step.name) != 0) continue;
        if (count - 1 < step.minWords || count - 1 > step.maxWords) {
            Fail("%s takes %d to %d arguments", step.name, step.minWords, step.maxWords);
            return false;
        }
        if (step.run != StepFind && step.run != StepSleep && step.run != StepHold && step.run != StepLines &&
            (MainWindow == nullptr || (!IsWindow(MainWindow) && step.run != StepGone && step.run != StepAlive))) {
            Fail(MainWindow == nullptr ? "no window found yet (find first)" : "the window is gone");
            return false;
        }
        return step.run(count - 1, words + 1);
    }
    Fail("unknown step \"%s\"", words[0]);
    return false;
}

}  // namespace

int main() {
    // Bytes in, bytes out: texts in code page 932 as written.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    static char line[LineCapacity];
    bool allPassed = true;
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        size_t length = std::strcspn(line, "\r\n");
        while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t')) --length;
        line[length] = '\0';
        const char* step = line + std::strspn(line, " \t");
        if (*step == '\0' || *step == '#') continue;
        Why[0] = '\0';
        bool passed = RunStep(step);
        if (passed) std::printf("ok  %s\n", step);
        else std::printf("FAIL %s: %s\n", step, Why);
        std::fflush(stdout);
        allPassed = allPassed && passed;
        if (!passed && std::strncmp(step, "find", 4) == 0) break;
    }
    return allPassed ? 0 : 1;
}
