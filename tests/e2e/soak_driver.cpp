// Soak of the real program under Wine: Execute and Cancel, again and again,
// at random moments, on a tree of WAV files with the encoder stand-in as
// flac.exe (it copies, and logs one line per run). After every job it checks
// the buttons, that no encoder still runs, how many files the job ran, and
// now and then that a job left alone converts its files byte for byte, and
// that Execute pressed the very moment a job's end enables it starts the
// next job; across the run, that the program's handle count does not grow.
// At the end it exits the program through the "Really exit?" box, after a
// last job run to its end, so that the saved result is known.
//
// Usage: soak_driver SECONDS SEED|auto LOG INPUT OUTPUT
//   LOG     the stand-in's STANDIN_LOG
//   INPUT   the input folder (the program's input spec is INPUT\*.wav, with
//           Search lower folders and Allow overwriting on)
//   OUTPUT  the output folder the program mirrors the tree into
// One line per job and a summary; exit code 0 when every check passed.
// The seed makes the same choices of jobs and delays again; the program's
// own timing is not replayed with it.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/program_window.h"

namespace {

const int MessageTextId = 0xFFFF;

const int MaxFiles = 1000;
const int PathCapacity = 1024;
const UINT AnswerMs = 5000;
// Execute enabled and Cancel disabled for this long is a job's end: Exit is
// enabled between the two, and a job that has not begun looks the same.
const DWORD IdleMs = 300;
const DWORD MaxRandomCancelMs = 1500;
const int HandleSlack = 4;

struct TreeFile {
    char input[PathCapacity];
    char output[PathCapacity];
    bool top;  // in the input folder itself: the files of a job without recursion
};

TreeFile Files[MaxFiles];
int FileCount = 0;
int TopCount = 0;

HWND MainWindow = nullptr;
HWND Execute = nullptr;
HWND ExitButton = nullptr;
HWND Cancel = nullptr;
HWND Recurse = nullptr;
HANDLE Program = nullptr;
DWORD ProgramId = 0;

HANDLE Log = INVALID_HANDLE_VALUE;
long LogLineCount = 0;

int Failures = 0;
char Why[2048];

std::uint64_t RandomState = 0;

std::uint64_t NextRandom() {
    // splitmix64: one 64-bit seed, the same sequence on every system.
    std::uint64_t z = (RandomState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

DWORD RandomBelow(DWORD limit) { return limit == 0 ? 0 : static_cast<DWORD>(NextRandom() % limit); }

void SetWhy(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(Why, sizeof Why, format, arguments);
    va_end(arguments);
}

// Appends to Why, so that one job line can name every check that failed.
void AddWhy(const char* format, ...) {
    size_t used = std::strlen(Why);
    if (used + 3 >= sizeof Why) return;
    if (used > 0) {
        std::strcpy(Why + used, "; ");
        used += 2;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(Why + used, sizeof Why - used, format, arguments);
    va_end(arguments);
}

bool JoinPath(char* target, const char* folder, const char* name) {
    int length = std::snprintf(target, PathCapacity, "%s\\%s", folder, name);
    return length > 0 && length < PathCapacity;
}

// Collects the *.wav files under `inputDir` with their outputs under
// `outputDir`, as the program names them (.wav becomes .flac).
bool CollectFiles(const char* inputDir, const char* outputDir, bool top) {
    char search[PathCapacity];
    if (!JoinPath(search, inputDir, "*")) {
        std::printf("FAIL the path %s\\* does not fit %d bytes\n", inputDir, PathCapacity);
        return false;
    }
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(search, &found);
    if (find == INVALID_HANDLE_VALUE) return true;
    bool ok = true;
    do {
        const char* name = found.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        char input[PathCapacity];
        char output[PathCapacity];
        if (!JoinPath(input, inputDir, name) || !JoinPath(output, outputDir, name)) {
            std::printf("FAIL a path under %s does not fit %d bytes\n", inputDir, PathCapacity);
            ok = false;
            break;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!CollectFiles(input, output, false)) {
                ok = false;
                break;
            }
            continue;
        }
        size_t length = std::strlen(output);
        if (length < 4 || lstrcmpiA(output + length - 4, ".wav") != 0) continue;
        if (FileCount == MaxFiles || length + 1 >= static_cast<size_t>(PathCapacity)) {
            std::printf("FAIL more than %d files, or a path too long, under the input folder\n", MaxFiles);
            ok = false;
            break;
        }
        TreeFile& file = Files[FileCount++];
        std::strcpy(file.input, input);
        std::memcpy(output + length - 3, "flac", 5);
        std::strcpy(file.output, output);
        file.top = top;
        if (top) TopCount += 1;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return ok;
}

// --- The stand-in's log -------------------------------------------------

// The log's lines so far: one per encoder run that has started. Read on from
// where the last call stopped.
long LogLines() {
    static char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(Log, chunk, sizeof chunk, &got, nullptr) || got == 0) break;
        for (DWORD i = 0; i < got; ++i)
            if (chunk[i] == '\n') LogLineCount += 1;
    }
    return LogLineCount;
}

// --- The program's window -----------------------------------------------

bool Enabled(HWND control) { return IsWindowEnabled(control) != 0; }

bool Idle() { return Enabled(Execute) && !Enabled(Cancel); }

// A click as the user makes it: refused by a disabled button. Waits until the
// program has handled it.
bool Click(HWND control) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, AnswerMs, &ignored) != 0;
}

bool ReadText(HWND window, char* text, int capacity) {
    DWORD_PTR copied = 0;
    text[0] = '\0';
    if (SendMessageTimeoutA(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            AnswerMs, &copied) == 0)
        return false;
    text[copied < static_cast<DWORD_PTR>(capacity) ? copied : 0] = '\0';
    return true;
}

bool FindWindowOfProgram(DWORD timeout) {
    for (DWORD waited = 0; waited < timeout; waited += 50) {
        HWND window = FindWindowA("Kestrelia", nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            MainWindow = window;
            Execute = FindDescendant(window, ExecuteId);
            ExitButton = FindDescendant(window, ExitId);
            Cancel = FindDescendant(window, CancelId);
            Recurse = FindDescendant(window, RecurseId);
            GetWindowThreadProcessId(window, &ProgramId);
            Program = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, ProgramId);
            return Execute != nullptr && ExitButton != nullptr && Cancel != nullptr && Recurse != nullptr &&
                   Program != nullptr;
        }
        Sleep(50);
    }
    return false;
}

// Waits for `wanted` (polled every 2 ms); false after `timeout` ms.
bool WaitFor(bool (*wanted)(), DWORD timeout) {
    DWORD start = GetTickCount();
    while (!wanted()) {
        if (GetTickCount() - start >= timeout) return false;
        Sleep(2);
    }
    return true;
}

bool ExecuteDisabled() { return !Enabled(Execute); }
bool CancelEnabled() { return Enabled(Cancel); }

// The job's end: idle without a break for IdleMs.
bool WaitIdle(DWORD timeout) {
    DWORD start = GetTickCount();
    DWORD idleSince = 0;
    bool idle = false;
    for (;;) {
        DWORD now = GetTickCount();
        if (!Idle()) idle = false;
        else if (!idle) {
            idle = true;
            idleSince = now;
        }
        if (idle && now - idleSince >= IdleMs) return true;
        if (now - start >= timeout) return false;
        Sleep(2);
    }
}

// --- What the system shows of the program -------------------------------

// Encoder processes that still run, by their program name.
int RunningEncoders() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, "flac.exe") == 0) count += 1;
    CloseHandle(snapshot);
    return count;
}

// The system's handle table (SystemExtendedHandleInformation), for a
// system whose GetProcessHandleCount does not count another process's
// handles: Wine answers it with 0, but lists every handle here.
struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};
typedef LONG(WINAPI* QuerySystemInformation)(ULONG, void*, ULONG, ULONG*);
const ULONG SystemExtendedHandleInformation = 64;
alignas(16) char HandleBuffer[16 << 20];

long HandlesInTable(DWORD processId) {
    static QuerySystemInformation query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return -1;
    ULONG needed = 0;
    if (query(SystemExtendedHandleInformation, HandleBuffer, sizeof HandleBuffer, &needed) != 0) return -1;
    const HandleTable* table = reinterpret_cast<const HandleTable*>(HandleBuffer);
    long count = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i)
        if (table->entries[i].processId == processId) count += 1;
    return count;
}

bool UseHandleTable = false;

// The program's handle count by the measure chosen at the start; -1 when
// none can be had.
long ProgramHandles() {
    if (UseHandleTable) return HandlesInTable(ProgramId);
    DWORD count = 0;
    return GetProcessHandleCount(Program, &count) ? static_cast<long>(count) : -1;
}

// A live process always holds handles: a count of 0 means the call does not
// really count them.
void ChooseHandleMeasure() {
    DWORD count = 0;
    BOOL answered = GetProcessHandleCount(Program, &count);
    UseHandleTable = !answered || count == 0;
    std::printf("info GetProcessHandleCount of the program: %s %lu; handle measure: %s\n",
                answered ? "answered" : "failed,", answered ? static_cast<unsigned long>(count) : GetLastError(),
                UseHandleTable ? "the system handle table" : "GetProcessHandleCount");
}

// --- Outputs ------------------------------------------------------------

bool SameBytes(const char* first, const char* second) {
    static char a[65536];
    static char b[65536];
    HANDLE one = CreateFileA(first, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE two = CreateFileA(second, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    bool same = one != INVALID_HANDLE_VALUE && two != INVALID_HANDLE_VALUE;
    while (same) {
        DWORD gotA = 0;
        DWORD gotB = 0;
        if (!ReadFile(one, a, sizeof a, &gotA, nullptr) || !ReadFile(two, b, sizeof b, &gotB, nullptr) ||
            gotA != gotB || std::memcmp(a, b, gotA) != 0) {
            same = false;
        }
        if (gotA == 0) break;
    }
    if (one != INVALID_HANDLE_VALUE) CloseHandle(one);
    if (two != INVALID_HANDLE_VALUE) CloseHandle(two);
    return same;
}

void DeleteOutputs(bool topOnly) {
    for (int i = 0; i < FileCount; ++i)
        if (!topOnly || Files[i].top) DeleteFileA(Files[i].output);
}

// Adds to Why and gives false when an output of the set is missing or not
// a copy of its input.
bool OutputsAreCopies(bool topOnly) {
    int bad = 0;
    const char* first = nullptr;
    for (int i = 0; i < FileCount; ++i) {
        if ((topOnly && !Files[i].top) || SameBytes(Files[i].input, Files[i].output)) continue;
        if (first == nullptr) first = Files[i].output;
        bad += 1;
    }
    if (bad > 0) AddWhy("%d output(s) missing or not a copy of the input, first %s", bad, first);
    return bad == 0;
}

// --- Jobs ---------------------------------------------------------------

enum Kind { CancelRandom, CancelAtFirstFile, CancelAtOnce, CancelAtEnd, RunTop, RunTree, KindCount };
const char* const KindNames[KindCount] = {"cancel-random", "cancel-first", "cancel-at-once",
                                          "cancel-at-end", "run-top", "run-tree"};
int KindCounts[KindCount];
int AgainCount = 0;

// Milliseconds per encoder run, from the jobs so far; for the moment of a
// Cancel at the end and for whether a whole tree fits the time left.
double MsPerFile = 500;
DWORD EndSpanMs = 250;
long HandlesBaseline = -1;
long HandlesLast = -1;
long HandlesHighest = -1;

bool SetRecurse(bool on) {
    DWORD_PTR state = 0;
    if (SendMessageTimeoutA(Recurse, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, AnswerMs, &state) == 0) return false;
    if ((state == BST_CHECKED) != on && !Click(Recurse)) return false;
    if (SendMessageTimeoutA(Recurse, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, AnswerMs, &state) == 0) return false;
    return (state == BST_CHECKED) == on;
}

// One job of `kind`, and when `again`, Execute once more the moment its end
// enables it; prints its line. False when the program is in no state
// to go on (a job that does not end, a window that does not answer).
bool RunJob(int number, Kind kind, bool again) {
    Why[0] = '\0';
    KindCounts[kind] += 1;
    bool topOnly = kind == CancelAtEnd || kind == RunTop;
    long expected = topOnly ? TopCount : FileCount;
    if (topOnly && !SetRecurse(false)) {
        SetWhy("could not turn Search lower folders off");
        std::printf("FAIL job %3d %-14s %s\n", number, KindNames[kind], Why);
        Failures += 1;
        return false;
    }
    if (kind == RunTop || kind == RunTree) DeleteOutputs(topOnly);

    long before = LogLines();
    DWORD started = GetTickCount();
    if (!Click(Execute) || !WaitFor(ExecuteDisabled, 10000)) {
        SetWhy("Execute started no job within 10 s");
        std::printf("FAIL job %3d %-14s %s\n", number, KindNames[kind], Why);
        Failures += 1;
        return false;
    }

    bool pressed = false;
    bool landedEnabled = false;
    long atCancel = -1;
    DWORD delay = 0;
    bool endedEarly = false;  // ended before the moment of its Cancel came
    if (kind == CancelAtOnce) {
        // The earliest a user can: the moment the job enables Cancel.
        WaitFor(CancelEnabled, 10000);
    } else if (kind != RunTop && kind != RunTree) {
        // No Cancel before the job has started a file: a job that ends
        // without one ran into a Cancel that was not its own.
        long wanted = kind == CancelAtEnd ? before + expected : before + 1;
        DWORD waitStart = GetTickCount();
        while (LogLines() < wanted && GetTickCount() - waitStart < 120000) {
            // Looks ended; sure once it stays so.
            if (Idle() && WaitIdle(IdleMs + 50)) {
                endedEarly = true;
                break;
            }
            Sleep(2);
        }
        if (kind == CancelRandom) delay = RandomBelow(MaxRandomCancelMs);
        // Around the last file's run: some Cancels come while it runs, some
        // as the job ends, some after it.
        if (kind == CancelAtEnd) delay = RandomBelow(EndSpanMs * 2 + 1);
    }
    if (kind != RunTop && kind != RunTree && !endedEarly) {
        Sleep(delay);
        landedEnabled = Enabled(Cancel);
        if (!Click(Cancel)) AddWhy("the program did not take the Cancel click within %u ms", AnswerMs);
        pressed = true;
        atCancel = LogLines() - before;
    }

    DWORD endTimeout = kind == RunTree ? static_cast<DWORD>(FileCount * MsPerFile * 3) + 60000 : 120000;
    // The job's end as the user sees it first: Execute enabled again. For a
    // job left alone, also how long it takes from its last file's start to
    // that moment: the span a Cancel at the end aims at.
    DWORD lastStarted = 0;
    while (!Enabled(Execute) && GetTickCount() - started < endTimeout) {
        if (kind == RunTop && lastStarted == 0 && LogLines() >= before + expected) lastStarted = GetTickCount();
        Sleep(1);
    }
    DWORD took = GetTickCount() - started;
    if (kind == RunTop && lastStarted != 0 && Enabled(Execute)) EndSpanMs = GetTickCount() - lastStarted;
    long ran = LogLines() - before;

    // Execute at the very moment it is enabled again must start the next
    // job; that job is cancelled as soon as it can be.
    char againText[96] = "";
    if (again && Enabled(Execute)) {
        if (!Click(Execute) || !WaitFor(ExecuteDisabled, 3000)) {
            AddWhy("Execute, pressed the moment the job's end enabled it, started no job (none within 3 s)");
            std::snprintf(againText, sizeof againText, ", Execute again at once: no job");
        } else {
            long mark = LogLines();
            WaitFor(CancelEnabled, 10000);
            Click(Cancel);
            long atSecond = LogLines() - mark;
            if (WaitIdle(120000) && LogLines() - mark > atSecond + 1)
                AddWhy("the job Executed again ran %ld file(s), %ld had started at its Cancel", LogLines() - mark,
                       atSecond);
            std::snprintf(againText, sizeof againText, ", Execute again at once: %ld file(s)", LogLines() - mark);
        }
    }
    if (!WaitIdle(endTimeout)) {
        AddWhy("the job still runs %lu ms after Execute", static_cast<unsigned long>(GetTickCount() - started));
        std::printf("FAIL job %3d %-14s %s\n", number, KindNames[kind], Why);
        Failures += 1;
        return false;
    }

    if (!Enabled(Execute) || !Enabled(ExitButton) || Enabled(Cancel))
        AddWhy("after the job Execute %d Exit %d Cancel %d, want 1 1 0", Enabled(Execute), Enabled(ExitButton),
               Enabled(Cancel));
    int encoders = RunningEncoders();
    if (encoders != 0) AddWhy("%d encoder process(es) flac.exe still listed after the job", encoders);
    if (!pressed && ran == 0)
        AddWhy("the job ended with no file run although no Cancel was pressed for it");
    else if (!pressed && ran != expected)
        AddWhy("%ld file(s) ran, want %ld: no Cancel was pressed", ran, expected);
    if (pressed && ran > atCancel + 1)
        AddWhy("%ld file(s) ran, %ld had started when Cancel was pressed: more than the file in work", ran, atCancel);
    if (kind == CancelAtEnd && pressed && ran != expected)
        AddWhy("%ld file(s) ran, want all %ld: Cancel came after the last had started", ran, expected);
    if (kind == RunTop || kind == RunTree) OutputsAreCopies(topOnly);
    if (topOnly && !SetRecurse(true)) AddWhy("could not turn Search lower folders back on");

    if (ran > 0) MsPerFile = MsPerFile * 0.5 + 0.5 * static_cast<double>(took) / static_cast<double>(ran);
    long handles = ProgramHandles();
    if (handles < 0) AddWhy("the program's handle count could not be read");
    // The first job makes what the program keeps for later jobs.
    if (number == 2) HandlesBaseline = handles;
    HandlesLast = handles;
    if (handles > HandlesHighest) HandlesHighest = handles;

    char cancelText[96] = "no Cancel";
    if (pressed)
        std::snprintf(cancelText, sizeof cancelText, "Cancel +%lums at %ld%s", static_cast<unsigned long>(delay),
                      atCancel, landedEnabled ? "" : ", Cancel already off");
    bool ok = Why[0] == '\0';
    if (!ok) Failures += 1;
    std::printf("%s job %3d %-14s %5lums, %3ld of %3ld file(s), %s%s, handles %ld%s%s\n", ok ? "ok  " : "FAIL",
                number, KindNames[kind], static_cast<unsigned long>(took), ran, expected, cancelText, againText,
                handles, ok ? "" : ": ", Why);
    std::fflush(stdout);
    return true;
}

Kind ChooseKind(int number, DWORD left) {
    // Every fifth job is left alone: the whole tree when it fits the time
    // left, else the files of the input folder alone.
    if (number % 5 == 2) {
        double treeMs = FileCount * MsPerFile * 2 + 10000;
        return left > treeMs ? RunTree : RunTop;
    }
    DWORD roll = RandomBelow(100);
    if (roll < 15) return CancelAtOnce;
    if (roll < 30) return CancelAtFirstFile;
    if (roll < 45) return CancelAtEnd;
    return CancelRandom;
}

// --- Exit ---------------------------------------------------------------

struct BoxSearch {
    HWND box;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM parameter) {
    char name[16];
    if (GetWindow(window, GW_OWNER) != MainWindow || !IsWindowVisible(window) ||
        GetClassNameA(window, name, sizeof name) == 0 || std::strcmp(name, "#32770") != 0)
        return TRUE;
    reinterpret_cast<BoxSearch*>(parameter)->box = window;
    return FALSE;
}

// Exit, the box answered with yes, and the program's end with exit code 0.
bool ExitProgram() {
    if (!PostMessageA(ExitButton, BM_CLICK, 0, 0)) {
        std::printf("FAIL exit: could not click Exit\n");
        return false;
    }
    BoxSearch search = {nullptr};
    for (DWORD waited = 0; search.box == nullptr && waited < 10000; waited += 20) {
        EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
        if (search.box == nullptr) Sleep(20);
    }
    if (search.box == nullptr) {
        std::printf("FAIL exit: no box within 10 s\n");
        return false;
    }
    char caption[256];
    char text[256];
    HWND textWindow = GetDlgItem(search.box, MessageTextId);
    bool read = ReadText(search.box, caption, sizeof caption) && textWindow != nullptr &&
                ReadText(textWindow, text, sizeof text);
    HWND yes = GetDlgItem(search.box, IDYES);
    if (yes == nullptr || !PostMessageA(yes, BM_CLICK, 0, 0)) {
        std::printf("FAIL exit: the box has no yes button\n");
        return false;
    }
    bool ok = true;
    if (!read || std::strcmp(caption, "Exit") != 0 || std::strcmp(text, "Really exit?") != 0) {
        std::printf("FAIL exit: the box is \"%s\" \"%s\", want \"Exit\" \"Really exit?\"\n", read ? caption : "?",
                    read ? text : "?");
        ok = false;
    }
    if (WaitForSingleObject(Program, 30000) != WAIT_OBJECT_0) {
        std::printf("FAIL exit: the program still runs 30 s after yes\n");
        return false;
    }
    DWORD code = 1;
    GetExitCodeProcess(Program, &code);
    if (code != 0) {
        std::printf("FAIL exit: exit code %lu\n", static_cast<unsigned long>(code));
        ok = false;
    }
    if (ok) std::printf("ok   exit: the box answered yes, exit code 0\n");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: soak_driver SECONDS SEED|auto LOG INPUT OUTPUT\n");
        return 2;
    }
    char* end = nullptr;
    long seconds = std::strtol(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || seconds < 1 || seconds > 86400) {
        std::fprintf(stderr, "soak_driver: SECONDS \"%s\" is not a number from 1 to 86400\n", argv[1]);
        return 2;
    }
    std::uint64_t seed = 0;
    if (std::strcmp(argv[2], "auto") == 0) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        seed = (static_cast<std::uint64_t>(now.QuadPart) ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40)) %
               1000000000ULL;
    } else {
        seed = std::strtoull(argv[2], &end, 10);
        if (end == argv[2] || *end != '\0') {
            std::fprintf(stderr, "soak_driver: SEED \"%s\" is neither a number nor auto\n", argv[2]);
            return 2;
        }
    }
    RandomState = seed;
    std::printf("info seed %llu (replay the choices with KESTRELIA_SOAK_SEED=%llu), %ld s\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed), seconds);

    if (!CollectFiles(argv[4], argv[5], true)) return 1;
    if (TopCount == 0 || TopCount == FileCount) {
        std::printf("FAIL the input folder needs files of its own and in folders below: %d of %d\n", TopCount,
                    FileCount);
        return 1;
    }
    Log = CreateFileA(argv[3], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Log == INVALID_HANDLE_VALUE) {
        std::printf("FAIL cannot open the log %s (error %lu)\n", argv[3], GetLastError());
        return 1;
    }
    if (!FindWindowOfProgram(30000)) {
        std::printf("FAIL no window of class Kestrelia with its buttons within 30 s\n");
        return 1;
    }
    std::printf("info %d files, %d in the input folder itself; program process %lu\n", FileCount, TopCount,
                static_cast<unsigned long>(ProgramId));
    ChooseHandleMeasure();
    std::fflush(stdout);

    DWORD start = GetTickCount();
    DWORD budget = static_cast<DWORD>(seconds) * 1000;
    int number = 0;
    bool going = true;
    // The last job runs the input folder's files to their end: its result is
    // what the settings file must keep.
    while (going) {
        DWORD used = GetTickCount() - start;
        double lastJobMs = TopCount * MsPerFile * 1.5 + 2000;
        if (used + lastJobMs >= budget && number >= 3) break;
        number += 1;
        Sleep(RandomBelow(300));
        Kind kind = ChooseKind(number, budget > used ? budget - used : 0);
        bool again = RandomBelow(100) < 15;
        AgainCount += again ? 1 : 0;
        going = RunJob(number, kind, again);
    }
    if (going) RunJob(number + 1, RunTop, false);
    DWORD took = GetTickCount() - start;

    if (going) {
        bool handlesOk = HandlesBaseline >= 0 && HandlesLast >= 0 && HandlesLast <= HandlesBaseline + HandleSlack;
        std::printf("%s handles: %ld after job 2, %ld after the last, highest %ld (at most %d more allowed)\n",
                    handlesOk ? "ok  " : "FAIL", HandlesBaseline, HandlesLast, HandlesHighest, HandleSlack);
        if (!handlesOk) Failures += 1;
        if (!ExitProgram()) Failures += 1;
    } else {
        // The program is in no state to exit by its window; the script sees
        // this exit code.
        TerminateProcess(Program, 99);
    }

    std::printf("info summary: seed %llu, %d jobs in %lu ms, %.0f ms per encoder run;",
                static_cast<unsigned long long>(seed), number + (going ? 1 : 0), static_cast<unsigned long>(took),
                MsPerFile);
    for (int kind = 0; kind < KindCount; ++kind) std::printf(" %s %d", KindNames[kind], KindCounts[kind]);
    std::printf(", %d with Execute again at their end", AgainCount);
    std::printf("; last file's start to the job's end %lu ms; %d failure(s)\n",
                static_cast<unsigned long>(EndSpanMs), Failures);
    return Failures == 0 ? 0 : 1;
}
