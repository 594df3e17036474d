// Stands in for flac.exe in the window tests, so that they can check the
// command lines Kestrelia gives, the order of its work, skips, failures and
// Cancel exactly and fast. It does no coding: it copies its input to its
// output. Its command line is "<options> -o OUTPUT INPUT"; environment
// variables (Wine passes the Linux ones through) say what to do:
//   STANDIN_LOG    file to which each run appends its command line, one line
//   STANDIN_EXIT   exit code (default 0)
//   STANDIN_WRITE  1 (default): copy INPUT to OUTPUT; 0: write nothing
//   STANDIN_HOLD   file name F: create F.running, wait (at most 120 s) until
//                  F exists, delete F.running, then go on
// Exit codes of its own: 2 no "-o OUTPUT INPUT" on the command line, 3 a file
// could not be written or copied, 4 an argument or variable it refuses
// (too long to hold, or not a number).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

// The wide calls take paths of up to 32767 characters.
const int PathCapacity = 32768;

wchar_t OutputPath[PathCapacity];
wchar_t InputPath[PathCapacity];
wchar_t LogPath[PathCapacity];
wchar_t HoldPath[PathCapacity];
wchar_t RunningPath[PathCapacity];
wchar_t Variable[PathCapacity];
char CopyBuffer[1 << 16];

int Refuse(const char* what) {
    std::fprintf(stderr, "encoder stand-in: %s\n", what);
    return 4;
}

// Puts the full form of `path` into `target`, with the \\?\ prefix when a
// drive path is too long for the plain calls (the prefix turns off the
// resolving of "." and "..", hence the full form first); false when it does
// not fit.
bool TakePath(wchar_t* target, const wchar_t* path) {
    static wchar_t full[PathCapacity];
    DWORD length = GetFullPathNameW(path, PathCapacity, full, nullptr);
    if (length == 0 || length >= static_cast<DWORD>(PathCapacity)) return false;
    bool needsPrefix = length >= MAX_PATH && full[1] == L':' && full[2] == L'\\';
    DWORD prefixLength = needsPrefix ? 4 : 0;
    if (length + prefixLength + 1 > static_cast<DWORD>(PathCapacity)) return false;
    if (needsPrefix) std::wmemcpy(target, L"\\\\?\\", 4);
    std::wmemcpy(target + prefixLength, full, length + 1);
    return true;
}

// Reads variable `name` into Variable. 0 unset or empty, 1 read, -1 too long.
int ReadVariable(const wchar_t* name) {
    DWORD length = GetEnvironmentVariableW(name, Variable, PathCapacity);
    if (length == 0) return 0;
    if (length >= static_cast<DWORD>(PathCapacity)) return -1;
    return 1;
}

bool AppendLog(const wchar_t* path) {
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const char* line = GetCommandLineA();
    DWORD length = static_cast<DWORD>(std::strlen(line));
    DWORD written = 0;
    bool ok = WriteFile(file, line, length, &written, nullptr) && written == length &&
              WriteFile(file, "\n", 1, &written, nullptr) && written == 1;
    return CloseHandle(file) && ok;
}

bool CreateMarker(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// Waits for the test's release; false when it does not come in 120 s.
bool WaitForRelease(const wchar_t* path) {
    for (int waited = 0; waited < 120000; waited += 20) {
        if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(20);
    }
    return false;
}

bool CopyBytes(const wchar_t* from, const wchar_t* to) {
    HANDLE input = CreateFileW(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (input == INVALID_HANDLE_VALUE) return false;
    HANDLE output = CreateFileW(to, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        CloseHandle(input);
        return false;
    }
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(input, CopyBuffer, sizeof CopyBuffer, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        DWORD written = 0;
        if (!WriteFile(output, CopyBuffer, got, &written, nullptr) || written != got) {
            ok = false;
            break;
        }
    }
    CloseHandle(input);
    if (!CloseHandle(output)) ok = false;
    // A half-written output would pass for a converted file.
    if (!ok) DeleteFileW(to);
    return ok;
}

// The value of STANDIN_EXIT or STANDIN_WRITE, `fallback` when unset; false
// when it is not a whole number.
bool ReadNumber(const wchar_t* name, int fallback, int* value) {
    int state = ReadVariable(name);
    if (state < 0) return false;
    if (state == 0) {
        *value = fallback;
        return true;
    }
    wchar_t* end = nullptr;
    long number = std::wcstol(Variable, &end, 10);
    if (end == Variable || *end != L'\0' || number < -2147483647L || number > 2147483647L) return false;
    *value = static_cast<int>(number);
    return true;
}

}  // namespace

int main() {
    int exitCode = 0;
    int write = 1;
    if (!ReadNumber(L"STANDIN_EXIT", 0, &exitCode)) return Refuse("STANDIN_EXIT is not a number");
    if (!ReadNumber(L"STANDIN_WRITE", 1, &write) || (write != 0 && write != 1))
        return Refuse("STANDIN_WRITE is neither 0 nor 1");

    int state = ReadVariable(L"STANDIN_LOG");
    if (state < 0 || (state > 0 && !TakePath(LogPath, Variable))) return Refuse("STANDIN_LOG is too long or not a path");
    // The command line is logged before anything else can fail, so that a
    // test sees what it was given even then.
    if (state > 0 && !AppendLog(LogPath)) {
        std::fprintf(stderr, "encoder stand-in: cannot append to the log STANDIN_LOG\n");
        return 3;
    }

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return Refuse("cannot read the command line");
    int outputIndex = -1;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wcscmp(argv[i], L"-o") == 0) {
            outputIndex = i + 1;
            break;
        }
    }
    if (outputIndex < 0 || outputIndex + 1 >= argc) {
        std::fprintf(stderr, "encoder stand-in: usage: flac OPTIONS... -o OUTPUT INPUT\n");
        return 2;
    }
    if (!TakePath(OutputPath, argv[outputIndex]) || !TakePath(InputPath, argv[argc - 1])) {
        return Refuse("the output or input path is too long or not a path");
    }
    LocalFree(argv);

    state = ReadVariable(L"STANDIN_HOLD");
    if (state < 0 || (state > 0 && !TakePath(HoldPath, Variable))) return Refuse("STANDIN_HOLD is too long or not a path");
    if (state > 0) {
        size_t length = std::wcslen(HoldPath);
        if (length + 9 > static_cast<size_t>(PathCapacity)) return Refuse("STANDIN_HOLD is too long");
        std::wmemcpy(RunningPath, HoldPath, length);
        std::wmemcpy(RunningPath + length, L".running", 9);
        if (!CreateMarker(RunningPath)) {
            std::fprintf(stderr, "encoder stand-in: cannot create STANDIN_HOLD.running\n");
            return 3;
        }
        if (!WaitForRelease(HoldPath)) std::fprintf(stderr, "encoder stand-in: no release after 120 s\n");
        DeleteFileW(RunningPath);
    }

    if (write == 1 && !CopyBytes(InputPath, OutputPath)) {
        std::fprintf(stderr, "encoder stand-in: cannot copy the input to the output\n");
        return 3;
    }
    return exitCode;
}
