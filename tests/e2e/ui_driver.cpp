// Works Kestrelia's window as a user would, for the end-to-end tests under
// Wine. Reads steps from stdin, one a line (blank lines and lines beginning
// with # are left out), runs them in order and prints "ok  STEP" or
// "FAIL STEP: WHY" for each, with "info ..." lines for what a step shows.
// Exits 0 when every step passed, 1 otherwise. After a FAIL the later steps
// still run, except after a failed `find`, since nothing can run without the
// window.
//
// Arguments are separated by blanks. An argument in double quotes may hold
// blanks and the escapes \n \\ \" (any other backslash is refused, so write
// a path in quotes with doubled backslashes); an argument without quotes is
// taken as it is. Numbers are decimal or 0x hexadecimal; times are in ms.
//   find [TIMEOUT]             the window of class "Kestrelia", shown
//   click ID                   BM_CLICK to the control, waited for until
//                              handled or a modal box opened
//   command ID                 WM_COMMAND (BN_CLICKED) as the control would
//                              send it, to its parent: reaches the program
//                              even when the control is disabled
//   enabled ID 0|1 [TIMEOUT]   the control is (or becomes) enabled or not
//   execute [TIMEOUT]          clicks Execute and waits until the job has
//                              ended: Execute enabled, Cancel disabled
//   checked ID 0|1|2           BM_GETCHECK of the control
//   text ID "TEXT" [TIMEOUT]   the control's text is (or becomes) TEXT
//   settext ID "TEXT"          WM_SETTEXT to the control
//   box "CAPTION" "TEXT" ok|yes|no|cancel [TIMEOUT]
//                              a message box of the window: check, answer
//   nobox [MS]                 no box or dialog of the window appears
//   dialog "PATH" [TIMEOUT]    the open-file dialog: shows its folder,
//                              types PATH, presses Open
//   dialogtyped "TEXT" [TIMEOUT]
//                              the same, TEXT typed a character at a time,
//                              as far as the name box takes it
//   dialogcancel [TIMEOUT]     the open-file dialog: presses Cancel
//   close | gone [TIMEOUT] | alive | sleep MS
//   showpos ID                 the control's corner in client coordinates,
//                              and the client area's corner on the screen
//   hold PATH all|none         opens the file for writing, sharing read,
//                              write and delete or nothing, and keeps it
//                              open until the driver ends
//   size W H | rect            the window's outer size; its rectangle
//   vscroll CODE [POS] | hscroll CODE [POS]
//   minimize | maximize
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/program_window.h"

namespace {

const int LineCapacity = 65536;
const int MaxArguments = 8;
const int PollMs = 20;
// Longest wait for the program to answer one message: a program stuck in a
// handler fails the step instead of hanging the test.
const UINT AnswerMs = 5000;
const int MaxWindows = 256;
const int FileNameComboId = 1148;  // cmb13: the name box of the Explorer-style dialog
const int FileNameEditId = 1152;   // edt1: the name box of the old-style dialog
const int MessageTextId = 0xFFFF;

HWND MainWindow = nullptr;
char Why[8192];
char TextBuffer[LineCapacity];

// Sets the reason of the current step's failure; a reason too long for its
// buffer ends in "..." so that the cut shows.
void Fail(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(Why, sizeof Why, format, arguments);
    va_end(arguments);
    if (length >= static_cast<int>(sizeof Why)) std::memcpy(Why + sizeof Why - 4, "...", 4);
}

// Writes `text` quoted, with the script's escapes, into `out`; a text too
// long for `out` ends in "..." after the quote.
void Quote(const char* text, char* out, size_t capacity) {
    size_t used = 0;
    out[used++] = '"';
    for (const char* p = text; *p != '\0'; ++p) {
        char escaped[5] = {*p, '\0'};
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
            escaped[1] = *++p;  // a trail byte may be a backslash: not escaped
            escaped[2] = '\0';
        } else if (*p == '\n') std::strcpy(escaped, "\\n");
        else if (*p == '\\') std::strcpy(escaped, "\\\\");
        else if (*p == '"') std::strcpy(escaped, "\\\"");
        else if (static_cast<unsigned char>(*p) < 0x20)
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(*p));
        size_t length = std::strlen(escaped);
        if (used + length + 5 > capacity) {
            std::memcpy(out + used, "\"...", 5);
            return;
        }
        std::memcpy(out + used, escaped, length);
        used += length;
    }
    out[used++] = '"';
    out[used] = '\0';
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

// Parses a whole number in [low, high]: decimal, or hexadecimal after 0x.
bool ParseNumber(const char* text, long low, long high, long* value) {
    int base = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 16 : 10;
    char* end = nullptr;
    long number = std::strtol(text, &end, base);
    if (end == text || *end != '\0' || number < low || number > high) {
        Fail("\"%s\" is not a number from %ld to %ld", text, low, high);
        return false;
    }
    *value = number;
    return true;
}

bool ParseTimeout(int count, char** arguments, int index, long fallback, long* timeout) {
    *timeout = fallback;
    return index >= count || ParseNumber(arguments[index], 0, 3600000, timeout);
}

// --- Windows of the program ---------------------------------------------

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, AnswerMs, &answer) == 0) {
        Fail("the program did not answer message 0x%X within %u ms", message, AnswerMs);
        return false;
    }
    if (result != nullptr) *result = static_cast<LRESULT>(answer);
    return true;
}

// Reads a window's text into `text` (WM_GETTEXT, since GetWindowTextA reads
// nothing from another process under Wine); false, with the reason, when the
// program does not answer or the text does not fit.
bool ReadText(HWND window, char* text, size_t capacity) {
    LRESULT length = 0;
    if (!Ask(window, WM_GETTEXTLENGTH, 0, 0, &length)) return false;
    if (length < 0 || static_cast<size_t>(length) >= capacity) {
        Fail("the text of the window is %ld bytes, more than the %u this driver reads", static_cast<long>(length),
             static_cast<unsigned>(capacity - 1));
        return false;
    }
    text[0] = '\0';
    LRESULT copied = 0;
    if (!Ask(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text), &copied)) return false;
    text[copied >= 0 && static_cast<size_t>(copied) < capacity ? copied : 0] = '\0';
    return true;
}

HWND FindControl(long id) {
    HWND control = FindDescendant(MainWindow, static_cast<int>(id), nullptr);
    if (control == nullptr) Fail("the window has no control with id %ld", id);
    return control;
}

struct OwnedList {
    HWND windows[MaxWindows];
    int count;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM parameter) {
    OwnedList* list = reinterpret_cast<OwnedList*>(parameter);
    char name[16];
    if (list->count < MaxWindows && GetWindow(window, GW_OWNER) == MainWindow && IsWindowVisible(window) &&
        GetClassNameA(window, name, sizeof name) != 0 && std::strcmp(name, "#32770") == 0) {
        list->windows[list->count++] = window;
    }
    return TRUE;
}

// The visible message boxes and dialogs owned by the main window.
void FindOwnedBoxes(OwnedList* list) {
    list->count = 0;
    EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(list));
}

bool IsFileDialog(HWND box) {
    return FindDescendant(box, FileNameComboId, nullptr) != nullptr ||
           FindDescendant(box, FileNameEditId, nullptr) != nullptr;
}

// The static control of a message box that holds its text: id 0xFFFF, or
// the first static without the icon style when a system numbers it
// otherwise.
HWND FindMessageText(HWND box) {
    HWND text = GetDlgItem(box, MessageTextId);
    if (text == nullptr) text = GetDlgItem(box, -1);
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); text == nullptr && child != nullptr;
         child = FindWindowExA(box, child, "Static", nullptr)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) text = child;
    }
    return text;
}

// Describes every box of the window ("CAPTION" "TEXT"; ...) into `out`,
// for a failure that must say what it saw.
void DescribeBoxes(char* out, size_t capacity) {
    static char caption[LineCapacity];
    static char text[LineCapacity];
    static char quoted[2][2048];
    OwnedList list;
    FindOwnedBoxes(&list);
    std::snprintf(out, capacity, "%s", list.count == 0 ? "no box" : "");
    for (int i = 0; i < list.count; ++i) {
        if (!ReadText(list.windows[i], caption, sizeof caption)) std::strcpy(caption, "(unreadable)");
        HWND textWindow = IsFileDialog(list.windows[i]) ? nullptr : FindMessageText(list.windows[i]);
        if (textWindow == nullptr || !ReadText(textWindow, text, sizeof text))
            std::strcpy(text, IsFileDialog(list.windows[i]) ? "(open-file dialog)" : "(no text)");
        Quote(caption, quoted[0], sizeof quoted[0]);
        Quote(text, quoted[1], sizeof quoted[1]);
        size_t used = std::strlen(out);
        std::snprintf(out + used, capacity - used, "%sbox %s %s", i == 0 ? "" : "; ", quoted[0], quoted[1]);
    }
}

bool WaitGone(HWND window, long timeout) {
    for (long waited = 0; IsWindow(window); waited += PollMs) {
        if (waited >= timeout) return false;
        Sleep(PollMs);
    }
    return true;
}

// Presses a box's button: a click on it, or the command itself when the box
// has no such button. Looked up by class too, since Wine's open-file dialog
// also has a toolbar with id 1.
bool PressButton(HWND box, int id) {
    HWND button = FindDescendant(box, id, "Button");
    BOOL posted = button != nullptr ? PostMessageA(button, BM_CLICK, 0, 0)
                                    : PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    if (!posted) Fail("could not post the press of button %d (error %lu)", id, GetLastError());
    return posted != 0;
}

// --- The open-file dialog -----------------------------------------------

HWND WaitFileDialog(long timeout) {
    for (long waited = 0;; waited += PollMs) {
        OwnedList list;
        FindOwnedBoxes(&list);
        for (int i = 0; i < list.count; ++i) {
            if (IsFileDialog(list.windows[i])) return list.windows[i];
        }
        if (waited >= timeout) break;
        Sleep(PollMs);
    }
    static char seen[4096];
    DescribeBoxes(seen, sizeof seen);
    Fail("no open-file dialog within %ld ms; saw %s", timeout, seen);
    return nullptr;
}

HWND FileNameEdit(HWND dialog) {
    HWND combo = FindDescendant(dialog, FileNameComboId, nullptr);
    // Wine's name box is an edit in a combo box in a ComboBoxEx32.
    if (combo != nullptr) return FindDescendant(combo, -1, "Edit");
    return FindDescendant(dialog, FileNameEditId, nullptr);
}

// Prints what the dialog shows: its folder and its file type.
void ShowFileDialog(HWND dialog) {
    static const struct {
        int id;
        const char* label;
    } combos[] = {{1137, "folder"}, {1136, "type"}};
    for (const auto& combo : combos) {
        HWND window = FindDescendant(dialog, combo.id, nullptr);
        char text[1024];
        char quoted[2048];
        if (window != nullptr && ReadText(window, text, sizeof text)) {
            Quote(text, quoted, sizeof quoted);
            Info("dialog %s %s", combo.label, quoted);
        }
    }
}

// --- Steps --------------------------------------------------------------

bool StepFind(int count, char** arguments) {
    long timeout = 0;
    if (!ParseTimeout(count, arguments, 0, 20000, &timeout)) return false;
    // The window exists before its controls do: a found window counts once
    // it is shown.
    HWND window = nullptr;
    for (long waited = 0;; waited += PollMs) {
        window = FindWindowA("Kestrelia", nullptr);
        if (window != nullptr && IsWindowVisible(window)) break;
        if (waited >= timeout) {
            Fail(window == nullptr ? "no window of class Kestrelia within %ld ms"
                                   : "the window of class Kestrelia was not shown within %ld ms",
                 timeout);
            return false;
        }
        Sleep(PollMs);
    }
    MainWindow = window;
    return true;
}

// Sends a message that may open a modal box in the program: waits until the
// program has handled it, so that the next step sees its effect, but at most
// ClickWaitMs, after which the box (still open) is the next step's business.
constexpr UINT ClickWaitMs = 700;
void SendClick(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, ClickWaitMs, &ignored);
}

bool SendCommand(long id) {
    HWND control = FindControl(id);
    if (control == nullptr) return false;
    // To the control's parent, as a real click would notify.
    SendClick(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return true;
}

bool StepClick(int, char** arguments) {
    long id = 0;
    if (!ParseNumber(arguments[0], 0, 0xFFFF, &id)) return false;
    HWND control = FindControl(id);
    if (control == nullptr) return false;
    SendClick(control, BM_CLICK, 0, 0);
    return true;
}

bool StepCommand(int, char** arguments) {
    long id = 0;
    return ParseNumber(arguments[0], 0, 0xFFFF, &id) && SendCommand(id);
}

bool StepEnabled(int count, char** arguments) {
    long id = 0;
    long wanted = 0;
    long timeout = 0;
    if (!ParseNumber(arguments[0], 0, 0xFFFF, &id) || !ParseNumber(arguments[1], 0, 1, &wanted) ||
        !ParseTimeout(count, arguments, 2, 0, &timeout)) {
        return false;
    }
    HWND control = FindControl(id);
    if (control == nullptr) return false;
    for (long waited = 0;; waited += PollMs) {
        long enabled = IsWindowEnabled(control) ? 1 : 0;
        if (enabled == wanted) return true;
        if (waited >= timeout) {
            Fail("enabled is %ld after %ld ms", enabled, timeout);
            return false;
        }
        Sleep(PollMs);
    }
}

// A short job can pass through its running state between two polls, so the
// end is the idle state seen without a break for IdleMs; a job that runs
// longer shows Execute disabled on the way. The job's thread starts before
// the click returns and its first act disables Execute at once.
constexpr long IdleMs = 500;
bool StepExecute(int count, char** arguments) {
    long timeout = 0;
    if (!ParseTimeout(count, arguments, 0, 120000, &timeout)) return false;
    HWND execute = FindControl(ExecuteId);
    HWND cancel = FindControl(CancelId);
    if (execute == nullptr || cancel == nullptr) return false;
    SendClick(execute, BM_CLICK, 0, 0);
    DWORD started = GetTickCount();
    long idleSince = -1;
    for (;;) {
        long now = static_cast<long>(GetTickCount() - started);
        bool idle = IsWindowEnabled(execute) && !IsWindowEnabled(cancel);
        if (!idle) idleSince = -1;
        else if (idleSince < 0) idleSince = now;
        if (idle && now - idleSince >= IdleMs) {
            Info("job ended after %ld ms", idleSince);
            return true;
        }
        if (now >= timeout) {
            Fail("the job still runs after %ld ms", timeout);
            return false;
        }
        Sleep(5);
    }
}

bool StepChecked(int, char** arguments) {
    long id = 0;
    long wanted = 0;
    if (!ParseNumber(arguments[0], 0, 0xFFFF, &id) || !ParseNumber(arguments[1], 0, 2, &wanted)) return false;
    HWND control = FindControl(id);
    LRESULT state = 0;
    if (control == nullptr || !Ask(control, BM_GETCHECK, 0, 0, &state)) return false;
    if (state != wanted) {
        Fail("checked is %ld", static_cast<long>(state));
        return false;
    }
    return true;
}

bool StepText(int count, char** arguments) {
    long id = 0;
    long timeout = 0;
    if (!ParseNumber(arguments[0], 0, 0xFFFF, &id) || !ParseTimeout(count, arguments, 2, 0, &timeout)) return false;
    HWND control = FindControl(id);
    if (control == nullptr) return false;
    for (long waited = 0;; waited += PollMs) {
        if (!ReadText(control, TextBuffer, sizeof TextBuffer)) return false;
        if (std::strcmp(TextBuffer, arguments[1]) == 0) return true;
        if (waited >= timeout) break;
        Sleep(PollMs);
    }
    static char quoted[4096];
    Quote(TextBuffer, quoted, sizeof quoted);
    Fail("text is %s", quoted);
    return false;
}

bool StepSetText(int, char** arguments) {
    long id = 0;
    if (!ParseNumber(arguments[0], 0, 0xFFFF, &id)) return false;
    HWND control = FindControl(id);
    if (control == nullptr ||
        !Ask(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arguments[1]), nullptr) ||
        !ReadText(control, TextBuffer, sizeof TextBuffer)) {
        return false;
    }
    // A control with a length limit keeps only the start: say so.
    size_t kept = std::strlen(TextBuffer);
    size_t given = std::strlen(arguments[1]);
    if (kept < given && std::strncmp(TextBuffer, arguments[1], kept) == 0) {
        Fail("the control kept %u of the %u bytes", static_cast<unsigned>(kept), static_cast<unsigned>(given));
        return false;
    }
    return true;
}

bool StepBox(int count, char** arguments) {
    static const struct {
        const char* name;
        int id;
    } answers[] = {{"ok", IDOK}, {"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}};
    int answer = -1;
    for (const auto& entry : answers) {
        if (std::strcmp(arguments[2], entry.name) == 0) answer = entry.id;
    }
    long timeout = 0;
    if (answer < 0) {
        Fail("the answer \"%s\" is none of ok, yes, no, cancel", arguments[2]);
        return false;
    }
    if (!ParseTimeout(count, arguments, 3, 10000, &timeout)) return false;

    static char caption[LineCapacity];
    HWND box = nullptr;
    for (long waited = 0; box == nullptr; waited += PollMs) {
        OwnedList list;
        FindOwnedBoxes(&list);
        for (int i = 0; i < list.count && box == nullptr; ++i) {
            if (!IsFileDialog(list.windows[i]) && ReadText(list.windows[i], caption, sizeof caption) &&
                std::strcmp(caption, arguments[0]) == 0) {
                box = list.windows[i];
            }
        }
        if (box != nullptr) break;
        if (waited >= timeout) {
            static char seen[4096];
            DescribeBoxes(seen, sizeof seen);
            Fail("no such box within %ld ms; saw %s", timeout, seen);
            return false;
        }
        Sleep(PollMs);
    }

    HWND textWindow = FindMessageText(box);
    if (textWindow == nullptr) {
        Fail("the box has no text control");
        return false;
    }
    if (!ReadText(textWindow, TextBuffer, sizeof TextBuffer)) return false;
    bool textMatches = std::strcmp(TextBuffer, arguments[1]) == 0;
    static char quoted[4096];
    Quote(TextBuffer, quoted, sizeof quoted);
    // Answered even when the text is wrong, so that the steps after it find
    // the program running rather than behind a box.
    if (!PressButton(box, answer)) return false;
    if (!WaitGone(box, timeout)) {
        Fail("the box (text %s) was still there %ld ms after answering", quoted, timeout);
        return false;
    }
    if (!textMatches) {
        Fail("the box says %s (answered all the same)", quoted);
        return false;
    }
    return true;
}

bool StepNoBox(int count, char** arguments) {
    long span = 0;
    if (!ParseTimeout(count, arguments, 0, 1500, &span)) return false;
    for (long waited = 0;; waited += PollMs) {
        OwnedList list;
        FindOwnedBoxes(&list);
        if (list.count > 0) {
            static char seen[4096];
            DescribeBoxes(seen, sizeof seen);
            Fail("after %ld ms saw %s", waited, seen);
            return false;
        }
        if (waited >= span) return true;
        Sleep(PollMs);
    }
}

// Puts the text into the dialog's name box: whole (WM_SETTEXT), or typed a
// character at a time (WM_CHAR), as a user would, so that the box's limit
// holds. A typed text may be cut by that limit; a set one must arrive whole.
bool FillDialog(int count, char** arguments, bool typed) {
    long timeout = 0;
    if (!ParseTimeout(count, arguments, 1, 10000, &timeout)) return false;
    HWND dialog = WaitFileDialog(timeout);
    if (dialog == nullptr) return false;
    ShowFileDialog(dialog);
    HWND edit = FileNameEdit(dialog);
    if (edit == nullptr) {
        Fail("the dialog has no file name box");
        return false;
    }
    if (typed) {
        if (!Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), nullptr)) return false;
        for (const char* p = arguments[0]; *p != '\0'; ++p)
            if (!Ask(edit, WM_CHAR, static_cast<BYTE>(*p), 1, nullptr)) return false;
    } else if (!Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arguments[0]), nullptr)) {
        return false;
    }
    if (!ReadText(edit, TextBuffer, sizeof TextBuffer)) return false;
    unsigned kept = static_cast<unsigned>(std::strlen(TextBuffer));
    unsigned given = static_cast<unsigned>(std::strlen(arguments[0]));
    if (typed) {
        Info("the name box took %u of %u typed characters", kept, given);
    } else if (std::strcmp(TextBuffer, arguments[0]) != 0) {
        Fail("the file name box kept %u of the %u bytes", kept, given);
        return false;
    }
    if (!PressButton(dialog, IDOK)) return false;
    if (!WaitGone(dialog, timeout)) {
        // What it shows now tells whether it took the name as a filter.
        ShowFileDialog(dialog);
        static char quoted[4096];
        Quote(ReadText(edit, TextBuffer, sizeof TextBuffer) ? TextBuffer : "", quoted, sizeof quoted);
        Fail("the dialog was still open %ld ms after Open; its name box holds %s", timeout, quoted);
        return false;
    }
    return true;
}

bool StepDialog(int count, char** arguments) { return FillDialog(count, arguments, false); }
bool StepDialogTyped(int count, char** arguments) { return FillDialog(count, arguments, true); }

bool StepDialogCancel(int count, char** arguments) {
    long timeout = 0;
    if (!ParseTimeout(count, arguments, 0, 10000, &timeout)) return false;
    HWND dialog = WaitFileDialog(timeout);
    if (dialog == nullptr || !PressButton(dialog, IDCANCEL)) return false;
    if (!WaitGone(dialog, timeout)) {
        Fail("the dialog was still open %ld ms after Cancel", timeout);
        return false;
    }
    return true;
}

bool StepClose(int, char**) {
    if (!PostMessageA(MainWindow, WM_CLOSE, 0, 0)) {
        Fail("could not post WM_CLOSE (error %lu)", GetLastError());
        return false;
    }
    return true;
}

bool StepGone(int count, char** arguments) {
    long timeout = 0;
    if (!ParseTimeout(count, arguments, 0, 20000, &timeout)) return false;
    if (!WaitGone(MainWindow, timeout)) {
        static char seen[4096];
        DescribeBoxes(seen, sizeof seen);
        Fail("the window was still there after %ld ms; saw %s", timeout, seen);
        return false;
    }
    return true;
}

bool StepAlive(int, char**) {
    if (!IsWindow(MainWindow)) {
        Fail("the window is gone");
        return false;
    }
    return true;
}

bool StepSleep(int, char** arguments) {
    long ms = 0;
    if (!ParseNumber(arguments[0], 0, 3600000, &ms)) return false;
    Sleep(static_cast<DWORD>(ms));
    return true;
}

// The control's rectangle with its corner in the window's client
// coordinates.
bool ControlPlace(long id, RECT* place) {
    HWND control = FindControl(id);
    if (control == nullptr) return false;
    if (!GetWindowRect(control, place)) {
        Fail("GetWindowRect failed (error %lu)", GetLastError());
        return false;
    }
    POINT corner = {place->left, place->top};
    ScreenToClient(MainWindow, &corner);
    place->right = corner.x + place->right - place->left;
    place->bottom = corner.y + place->bottom - place->top;
    place->left = corner.x;
    place->top = corner.y;
    return true;
}

bool StepShowPos(int, char** arguments) {
    long id = 0;
    RECT place;
    if (!ParseNumber(arguments[0], 0, 0xFFFF, &id) || !ControlPlace(id, &place)) return false;
    POINT client = {0, 0};
    ClientToScreen(MainWindow, &client);
    Info("pos %ld %ld %ld size %ld %ld client %ld %ld", id, place.left, place.top, place.right - place.left,
         place.bottom - place.top, client.x, client.y);
    return true;
}

// Another program's hold on a file, kept until the driver ends.
bool StepHold(int, char** arguments) {
    bool all = std::strcmp(arguments[1], "all") == 0;
    if (!all && std::strcmp(arguments[1], "none") != 0) {
        Fail("the sharing \"%s\" is neither all nor none", arguments[1]);
        return false;
    }
    DWORD share = all ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    if (CreateFileA(arguments[0], GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE)
        return true;
    Fail("could not open the file (error %lu)", GetLastError());
    return false;
}

bool StepSize(int, char** arguments) {
    long width = 0;
    long height = 0;
    if (!ParseNumber(arguments[0], 0, 100000, &width) || !ParseNumber(arguments[1], 0, 100000, &height)) return false;
    if (!SetWindowPos(MainWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER)) {
        Fail("SetWindowPos failed (error %lu)", GetLastError());
        return false;
    }
    return true;
}

bool StepRect(int, char**) {
    RECT rect;
    if (!GetWindowRect(MainWindow, &rect)) {
        Fail("GetWindowRect failed (error %lu)", GetLastError());
        return false;
    }
    Info("rect %ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
    return true;
}

bool Scroll(UINT message, int count, char** arguments) {
    long code = 0;
    long position = 0;
    if (!ParseNumber(arguments[0], 0, 0xFFFF, &code) ||
        (count > 1 && !ParseNumber(arguments[1], 0, 0xFFFF, &position))) {
        return false;
    }
    return Ask(MainWindow, message, MAKEWPARAM(code, position), 0, nullptr);
}

bool StepVScroll(int count, char** arguments) { return Scroll(WM_VSCROLL, count, arguments); }
bool StepHScroll(int count, char** arguments) { return Scroll(WM_HSCROLL, count, arguments); }

// Shows the window minimized, maximized or restored and waits until it is;
// through the system menu command when ShowWindow does not take.
bool Show(int command, WPARAM systemCommand, int wantIconic, int wantZoomed) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 0) ShowWindow(MainWindow, command);
        else PostMessageA(MainWindow, WM_SYSCOMMAND, systemCommand, 0);
        for (long waited = 0; waited < 2000; waited += PollMs) {
            if ((IsIconic(MainWindow) ? 1 : 0) == wantIconic && (IsZoomed(MainWindow) ? 1 : 0) == wantZoomed)
                return true;
            Sleep(PollMs);
        }
    }
    Fail("the window is %s", IsIconic(MainWindow) ? "minimized" : IsZoomed(MainWindow) ? "maximized" : "normal");
    return false;
}

bool StepMinimize(int, char**) { return Show(SW_MINIMIZE, SC_MINIMIZE, 1, 0); }
bool StepMaximize(int, char**) { return Show(SW_MAXIMIZE, SC_MAXIMIZE, 0, 1); }

enum Needs { NeedsNothing, NeedsFound, NeedsAlive };

struct Step {
    const char* name;
    int minArguments;
    int maxArguments;
    Needs needs;
    bool (*run)(int count, char** arguments);
};

const Step Steps[] = {
    {"find", 0, 1, NeedsNothing, StepFind},
    {"click", 1, 1, NeedsAlive, StepClick},
    {"command", 1, 1, NeedsAlive, StepCommand},
    {"enabled", 2, 3, NeedsAlive, StepEnabled},
    {"execute", 0, 1, NeedsAlive, StepExecute},
    {"checked", 2, 2, NeedsAlive, StepChecked},
    {"text", 2, 3, NeedsAlive, StepText},
    {"settext", 2, 2, NeedsAlive, StepSetText},
    {"box", 3, 4, NeedsAlive, StepBox},
    {"nobox", 0, 1, NeedsAlive, StepNoBox},
    {"dialog", 1, 2, NeedsAlive, StepDialog},
    {"dialogtyped", 1, 2, NeedsAlive, StepDialogTyped},
    {"dialogcancel", 0, 1, NeedsAlive, StepDialogCancel},
    {"close", 0, 0, NeedsAlive, StepClose},
    {"gone", 0, 1, NeedsFound, StepGone},
    {"alive", 0, 0, NeedsFound, StepAlive},
    {"sleep", 1, 1, NeedsNothing, StepSleep},
    {"showpos", 1, 1, NeedsAlive, StepShowPos},
    {"size", 2, 2, NeedsAlive, StepSize},
    {"rect", 0, 0, NeedsAlive, StepRect},
    {"vscroll", 1, 2, NeedsAlive, StepVScroll},
    {"hscroll", 1, 2, NeedsAlive, StepHScroll},
    {"minimize", 0, 0, NeedsAlive, StepMinimize},
    {"maximize", 0, 0, NeedsAlive, StepMaximize},
    {"hold", 2, 2, NeedsNothing, StepHold},
};

// --- The script ---------------------------------------------------------

// Splits `line` into words in `storage` (at least as long as the line).
// False, with the reason, for an unclosed quote or an unknown escape.
bool SplitLine(const char* line, char* storage, char** words, int* count) {
    *count = 0;
    const char* p = line;
    char* out = storage;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '\0') return true;
        if (*count == MaxArguments + 1) {
            Fail("more than %d arguments", MaxArguments);
            return false;
        }
        words[(*count)++] = out;
        if (*p != '"') {
            while (*p != '\0' && *p != ' ' && *p != '\t') *out++ = *p++;
            *out++ = '\0';
            continue;
        }
        for (++p; *p != '"'; ++p) {
            if (*p == '\0') {
                Fail("a quote is not closed");
                return false;
            }
            // In code page 932 the second byte of a character may be a
            // backslash; it is part of the character, not an escape.
            if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
                *out++ = *p++;
                *out++ = *p;
                continue;
            }
            if (*p != '\\') {
                *out++ = *p;
                continue;
            }
            ++p;
            if (*p == 'n') *out++ = '\n';
            else if (*p == '\\' || *p == '"') *out++ = *p;
            else {
                Fail("unknown escape \\%c in quotes (a backslash is written \\\\)", *p == '\0' ? ' ' : *p);
                return false;
            }
        }
        ++p;
        if (*p != '\0' && *p != ' ' && *p != '\t') {
            Fail("a closing quote is not followed by a blank");
            return false;
        }
        *out++ = '\0';
    }
}

bool RunStep(const char* line) {
    static char storage[LineCapacity];
    char* words[MaxArguments + 1];
    int count = 0;
    if (!SplitLine(line, storage, words, &count)) return false;
    for (const Step& step : Steps) {
        if (std::strcmp(words[0], step.name) != 0) continue;
        int arguments = count - 1;
        if (arguments < step.minArguments || arguments > step.maxArguments) {
            Fail("%s takes %d to %d arguments, not %d", step.name, step.minArguments, step.maxArguments, arguments);
            return false;
        }
        if (step.needs != NeedsNothing && MainWindow == nullptr) {
            Fail("no window found yet (find first)");
            return false;
        }
        if (step.needs == NeedsAlive && !IsWindow(MainWindow)) {
            Fail("the window is gone");
            return false;
        }
        return step.run(arguments, words + 1);
    }
    Fail("unknown step \"%s\"", words[0]);
    return false;
}

}  // namespace

int main() {
    // Bytes in, bytes out: texts in code page 932 and "\n" line ends as
    // written.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    static char line[LineCapacity];
    bool allPassed = true;
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        size_t length = std::strlen(line);
        bool complete = length > 0 && line[length - 1] == '\n';
        if (!complete && !std::feof(stdin)) {
            // Refused whole rather than run cut.
            for (int c = std::getc(stdin); c != EOF && c != '\n'; c = std::getc(stdin)) {
            }
            std::printf("FAIL %.60s...: a line longer than %d bytes\n", line, LineCapacity - 2);
            std::fflush(stdout);
            allPassed = false;
            continue;
        }
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r' || line[length - 1] == ' ' ||
                              line[length - 1] == '\t')) {
            line[--length] = '\0';
        }
        const char* step = line;
        while (*step == ' ' || *step == '\t') ++step;
        if (*step == '\0' || *step == '#') continue;

        Why[0] = '\0';
        bool passed = RunStep(step);
        if (passed) std::printf("ok  %s\n", step);
        else std::printf("FAIL %s: %s\n", step, Why);
        std::fflush(stdout);
        if (!passed) {
            allPassed = false;
            if (std::strncmp(step, "find", 4) == 0 && (step[4] == '\0' || step[4] == ' ' || step[4] == '\t')) break;
        }
    }
    return allPassed ? 0 : 1;
}
