// Works Kestrelia's window as a user would, for the tests under Wine. Reads
// steps in UTF-8 from stdin, one a line (blank lines and # comments left
// out), runs them with the wide calls and prints "ok  STEP" or
// "FAIL STEP: WHY", and "info ..." for what a step shows. Exits 0 when every
// step passed; nothing runs after a failed `find`. Arguments are separated
// by blanks; one in double quotes may hold blanks. ROW is a row of the form
// by name (Execute, Overwrite, see RowNames) or number; numbers are decimal
// or 0x hexadecimal; times (T) are in ms.
//   find [T]                  the window of class "Kestrelia", shown
//   click ROW                 BM_CLICK, waited for until handled or a box opens
//   enabled|text ROW VALUE [T]   the state (0|1) or text is, or becomes, VALUE
//   box "CAPTION" "TEXT" ok|yes|no|cancel [T]   a message box: check, answer
//   dialog [typed] "NAME" [T] the open-file dialog: NAME into its name box
//                             (typed: a character at a time), then Open
//   close | gone [T] | sleep T | show minimize|maximize
//   scroll v|h CODE           WM_VSCROLL or WM_HSCROLL
//   rect [ROW]                the window's rectangle; or the control's corner in
//                             client coordinates
//   hold PATH                 the file open for writing, sharing everything
//   ended [T]                 the job's end: the idle state held for 500 ms
//   encoders                  no flac.exe runs; the program's handle count
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

// The rows a script names: the program's own numbers, so that a row moved
// in the form moves here too.
const struct { const wchar_t* name; int row; } RowNames[] = {
    {L"Language", LanguageRow},     {L"DefaultSize", DefaultSizeRow}, {L"Compress", ModeRowFirst},
    {L"Restore", ModeRowLast},      {L"Level", LevelRow},             {L"Overwrite", OverwriteRow},
    {L"FileSelect", FileSelectRow}, {L"Recurse", RecurseRow},         {L"FolderSelect", FolderSelectRow},
    {L"SameFolder", SameFolderRow}, {L"Execute", ExecuteRow},         {L"Exit", ExitRow},
    {L"Cancel", CancelRow},
};

HWND Main = nullptr;
std::vector<std::wstring> Args;
wchar_t Text[65536];

struct Failure { std::wstring why; };

// Wide texts go in as %ls: what %s takes depends on the runtime's printf.
[[noreturn]] void Fail(const wchar_t* format, ...) {
    wchar_t why[8192];
    va_list arguments;
    va_start(arguments, format);
    std::vswprintf(why, 8192, format, arguments);
    va_end(arguments);
    throw Failure{why};
}

const wchar_t* Arg(size_t i) { return Args[i].c_str(); }

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    int size = int(text.size());
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &bytes[0], size * 3, nullptr, nullptr));
    return bytes;
}

// Argument i as a number, or `fallback` when it is not given.
long Number(size_t i, long fallback = 0) {
    if (i >= Args.size()) return fallback;
    wchar_t* end = nullptr;
    long value = std::wcstol(Arg(i), &end, 0);
    if (end == Arg(i) || *end != L'\0' || value < 0) Fail(L"\"%ls\" is not a number", Arg(i));
    return value;
}

// The control of the row that argument i names.
HWND Control(size_t i) {
    int row = -1;
    for (const auto& named : RowNames)
        if (Args[i] == named.name) row = named.row;
    if (row < 0 && !(Args[i][0] >= L'0' && Args[i][0] <= L'9'))
        Fail(L"the form has no row named \"%ls\"", Arg(i));
    HWND control = FindDescendant(Main, row >= 0 ? row : static_cast<int>(Number(i)));
    if (control == nullptr) Fail(L"the window has no control with id %ls", Arg(i));
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
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ProgramAnswerMs, &answer))
        Fail(L"the program did not answer message 0x%X within %u ms", message, ProgramAnswerMs);
    return static_cast<LRESULT>(answer);
}

const wchar_t* Read(HWND window) {
    if (!ReadWindowText(window, Text, 65536)) Fail(L"the program did not give a window's text in time");
    return Text;
}

bool IsFileDialog(HWND box) { return FindDescendant(box, NameComboId) != nullptr; }

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

// What they say, for a failure.
std::wstring Boxes() {
    std::wstring seen;
    for (HWND box : OwnedBoxes()) {
        wchar_t caption[256], text[1024] = L"(open-file dialog)";
        ReadWindowText(box, caption, 256);
        if (!IsFileDialog(box)) ReadWindowText(GetDlgItem(box, 0xFFFF), text, 1024);
        seen += std::wstring(seen.empty() ? L"" : L"; ") + L"box \"" + caption + L"\" \"" + text + L"\"";
    }
    return seen.empty() ? L"no box" : seen;
}

// The open-file dialog (caption null) or the message box with that caption.
HWND WaitBox(const wchar_t* caption, long timeout) {
    HWND found = nullptr;
    Until(timeout, [&] {
        for (HWND box : OwnedBoxes()) {
            wchar_t text[256];
            bool dialog = IsFileDialog(box);
            if (found == nullptr && (caption == nullptr ? dialog
                                                        : !dialog && ReadWindowText(box, text, 256) &&
                                                              std::wcscmp(text, caption) == 0))
                found = box;
        }
        return found != nullptr;
    });
    if (found == nullptr)
        Fail(L"no %ls within %ld ms; saw %ls", caption ? L"such box" : L"open-file dialog", timeout,
             Boxes().c_str());
    return found;
}

// Presses a box's button (by class too: Wine's open-file dialog also has a
// toolbar with id 1), or sends its command, and waits for the box to go.
void Press(HWND box, int id, long timeout) {
    HWND button = FindDescendant(box, id, "Button");
    if (!(button != nullptr ? PostMessageA(button, BM_CLICK, 0, 0)
                            : PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0)))
        Fail(L"could not post the press of button %d", id);
    if (!Until(timeout, [&] { return !IsWindow(box); }))
        Fail(L"the box was still there %ld ms after the press of %d", timeout, id);
}

void Expect(bool text) {
    HWND control = Control(0);
    long timeout = Number(2);
    bool seen = Until(timeout, [&] {
        if (text) Read(control);
        else std::swprintf(Text, 65536, L"%d", IsWindowEnabled(control) != 0);
        return Args[1] == Text;
    });
    if (!seen) Fail(L"%ls is \"%ls\" after %ld ms", text ? L"text" : L"enabled", Text, timeout);
}

void StepBox() {
    static const wchar_t* const names[] = {L"ok", L"cancel", L"", L"", L"", L"yes", L"no"};
    int answer = 0;
    for (int id = IDOK; id <= IDNO; ++id)
        if (Args[2] == names[id - 1]) answer = id;
    if (answer == 0) Fail(L"the answer \"%ls\" is none of ok, yes, no, cancel", Arg(2));
    long timeout = Number(3, 10000);
    HWND box = WaitBox(Arg(0), timeout);
    std::wstring text = Read(GetDlgItem(box, 0xFFFF));
    // Answered even when the text is wrong, so that the steps after it find
    // the program running rather than behind a box.
    Press(box, answer, timeout);
    if (text != Args[1]) Fail(L"the box says \"%ls\" (answered all the same)", text.c_str());
}

void StepDialog() {
    bool typed = Args[0] == L"typed";
    long timeout = Number(typed + 1, 10000);
    HWND dialog = WaitBox(nullptr, timeout);
    // Wine's name box is an edit in a combo box in a ComboBoxEx32.
    HWND edit = FindDescendant(FindDescendant(dialog, NameComboId), -1, "Edit");
    if (edit == nullptr) Fail(L"the dialog has no file name box");
    const std::wstring& name = Args[typed];
    // Typed a character at a time (WM_CHAR), so that the box's limit holds.
    Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed ? L"" : name.c_str()));
    for (size_t i = 0; typed && i < name.size(); ++i) Ask(edit, WM_CHAR, name[i], 1);
    if (typed) std::printf("info the name box took %zu of %zu\n", std::wcslen(Read(edit)), name.size());
    else if (name != Read(edit)) Fail(L"the file name box kept \"%ls\"", Text);
    Press(dialog, IDOK, timeout);
}

void StepRect() {
    RECT place;
    GetWindowRect(Args.empty() ? Main : Control(0), &place);
    POINT corner = {place.left, place.top};
    if (Args.empty())
        std::printf("info rect %ld %ld %ld %ld\n", place.left, place.top, place.right, place.bottom);
    else if (ScreenToClient(Main, &corner))
        std::printf("info pos %s %ld %ld\n", Utf8(Args[0]).c_str(), corner.x, corner.y);
}

// Minimized or maximized by the system menu's command, as the caption's
// buttons do, and waited for.
void Show() {
    bool minimize = Args[0] == L"minimize";
    PostMessageA(Main, WM_SYSCOMMAND, minimize ? SC_MINIMIZE : SC_MAXIMIZE, 0);
    if (!Until(2000, [&] { return (minimize ? IsIconic(Main) : IsZoomed(Main)) != 0; }))
        Fail(L"the window stays as it was (minimized %d)", IsIconic(Main));
}

void StepEncoders() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += lstrcmpiA(entry.szExeFile, "flac.exe") == 0;
    CloseHandle(snapshot);
    if (count > 0) Fail(L"%d encoder process(es) flac.exe still run", count);
    DWORD id = 0;
    GetWindowThreadProcessId(Main, &id);
    long handles = ProgramHandleCount(id);
    if (handles < 0) Fail(L"the program's handle count cannot be read");
    std::printf("info handles %ld\n", handles);
}

// Idle without a break for 500 ms, since a short job can pass through its
// running state between two polls, and Exit is enabled a moment before
// Cancel is disabled.
void StepEnded() {
    DWORD start = GetTickCount(), idleSince = 0;
    long timeout = Number(0, 120000);
    if (!Until(timeout, [&] {
            DWORD now = GetTickCount();
            if (!ProgramIdle(Main)) idleSince = 0;
            else if (idleSince == 0) idleSince = now;
            return idleSince != 0 && now - idleSince >= 500;
        }, 2))
        Fail(L"the job still runs after %ld ms", timeout);
    std::printf("info job ended after %lu ms\n", idleSince - start);
}

// Which steps need the window: none, found, or found and still there.
enum Needs { NoWindow, Found, Shown };
struct Step { const char* name; size_t minArgs, maxArgs; Needs needs; void (*run)(); };

const Step Steps[] = {
    {"find", 0, 1, NoWindow, [] {
         if ((Main = FindProgramWindow(static_cast<DWORD>(Number(0, 20000)))) == nullptr)
             Fail(L"no shown window of class Kestrelia within %ld ms", Number(0, 20000));
     }},
    // A click may open a modal box: waited for at most 700 ms, after which the box is the next step's.
    {"click", 1, 1, Shown, [] {
         DWORD_PTR ignored = 0;
         SendMessageTimeoutA(Control(0), BM_CLICK, 0, 0, SMTO_NORMAL, 700, &ignored);
     }},
    {"enabled", 2, 3, Shown, [] { Expect(false); }},
    {"text", 2, 3, Shown, [] { Expect(true); }},
    {"box", 3, 4, Shown, StepBox},
    {"dialog", 1, 3, Shown, StepDialog},
    {"close", 0, 0, Shown, [] {
         if (!PostMessageA(Main, WM_CLOSE, 0, 0)) Fail(L"could not post WM_CLOSE");
     }},
    {"gone", 0, 1, Found, [] {
         if (!Until(Number(0, 20000), [] { return !IsWindow(Main); }))
             Fail(L"the window was still there after %ld ms; saw %ls", Number(0, 20000), Boxes().c_str());
     }},
    {"sleep", 1, 1, NoWindow, [] { Sleep(static_cast<DWORD>(Number(0))); }},
    {"show", 1, 1, Shown, Show},
    {"scroll", 2, 2, Shown, [] { Ask(Main, Args[0] == L"v" ? WM_VSCROLL : WM_HSCROLL, Number(1), 0); }},
    {"rect", 0, 1, Shown, StepRect},
    {"hold", 1, 1, NoWindow, [] {
         DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
         if (CreateFileW(Arg(0), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, 0) == INVALID_HANDLE_VALUE)
             Fail(L"could not open the file (error %lu)", GetLastError());
     }},
    {"ended", 0, 1, Shown, StepEnded},
    {"encoders", 0, 0, Shown, StepEncoders},
};

// Splits a line, the one conversion from UTF-8, into the step's name and Args.
std::string Split(const char* line) {
    std::wstring text(std::strlen(line), L'\0');
    int size = int(text.size());
    text.resize(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line, size, &text[0], size));
    if (text.empty()) Fail(L"the step is not UTF-8");
    std::vector<std::wstring> words;
    for (const wchar_t* p = text.c_str(); *(p += std::wcsspn(p, L" \t")) != L'\0';) {
        const bool quoted = *p == '"';
        std::wstring& word = words.emplace_back();
        for (p += quoted; quoted ? *p != '"' : *p != ' ' && *p != '\t' && *p != '\0'; ++p) {
            if (*p == '\0') Fail(L"a quote is not closed");
            word += *p;
        }
        p += quoted;  // past the closing quote
    }
    Args.assign(words.begin() + 1, words.end());
    return Utf8(words[0]);
}

void RunStep(const char* line) {
    std::string name = Split(line);
    for (const Step& step : Steps) {
        if (name != step.name) continue;
        if (Args.size() < step.minArgs || Args.size() > step.maxArgs)
            Fail(L"%hs takes %zu to %zu arguments", step.name, step.minArgs, step.maxArgs);
        if (step.needs != NoWindow && Main == nullptr) Fail(L"no window found yet (find first)");
        if (step.needs == Shown && !IsWindow(Main)) Fail(L"the window is gone");
        return step.run();
    }
    Fail(L"unknown step \"%hs\"", name.c_str());
}

}  // namespace

int main() {
    // Bytes in, bytes out: UTF-8 as written.
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
            std::printf("FAIL %s: %s\n", step, Utf8(failure.why).c_str());
            allPassed = false;
            if (std::strncmp(step, "find", 4) == 0) break;
        }
        std::fflush(stdout);
    }
    return allPassed ? 0 : 1;
}
