// Stands in for flac.exe in the Wine tests, so that they can check the
// command lines Kestrelia gives, failures, the question and Cancel exactly
// and fast. It does no coding: it copies its input to its output. Its
// command line is "<options> -o OUTPUT INPUT"; environment variables (Wine
// passes the Linux ones through) say what to do:
//   STANDIN_VERSION  what a run given "--version" alone writes to standard
//                  output; it logs its line and ends with 0 (unset: it
//                  logs nothing, and the logs count the files alone)
//   STANDIN_STALL  MS: that run then waits MS ms before it ends
//   STANDIN_LOG    file to which each run appends its command line, one line
//   STANDIN_EXIT   exit code (default 0), or "crash": an access violation
//   STANDIN_WRITE  1 (default): copy INPUT to OUTPUT; 0: write nothing
//   STANDIN_SIZE   N: OUTPUT made N bytes long (sparse) instead of a copy
//   STANDIN_HOLD   file name F: with half of the copy written, create
//                  F.running, wait (at most 120 s) until F exists, delete
//                  F.running, then go on
// Exit codes of its own: 2 no "-o OUTPUT INPUT", 3 a file not written.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

wchar_t Variable[32768];

const wchar_t* Read(const wchar_t* name) {
    DWORD length = GetEnvironmentVariableW(name, Variable, 32768);
    return length > 0 && length < 32768 ? Variable : nullptr;
}

// Waits, when STANDIN_HOLD asks it, for the test to release the run.
bool Hold() {
    const wchar_t* hold = Read(L"STANDIN_HOLD");
    if (hold == nullptr) return true;
    std::wstring release = hold, running = release + L".running";
    HANDLE marker = CreateFileW(running.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker == INVALID_HANDLE_VALUE || !CloseHandle(marker)) return false;
    for (int waited = 0; waited < 120000 && GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += 20)
        Sleep(20);
    DeleteFileW(running.c_str());
    return true;
}

// The hold comes with half of the copy written, so that a test can cut the
// run off mid-file.
bool CopyBytes(const wchar_t* from, const wchar_t* to) {
    static char buffer[1 << 16];
    HANDLE input = CreateFileW(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE output = CreateFileW(to, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size = {};
    bool ok = input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE && GetFileSizeEx(input, &size);
    auto copy = [&](LONGLONG bytes) {
        for (DWORD got = 0, written = 0; ok && bytes > 0; bytes -= got)
            ok = ReadFile(input, buffer, bytes < LONGLONG{sizeof buffer} ? DWORD(bytes) : sizeof buffer,
                          &got, nullptr) &&
                 got > 0 && WriteFile(output, buffer, got, &written, nullptr) && written == got;
    };
    copy(size.QuadPart / 2);
    ok = ok && Hold();
    copy(size.QuadPart - size.QuadPart / 2);
    CloseHandle(input);
    ok = CloseHandle(output) && ok;
    // A half-written output would pass for a converted file.
    if (!ok) DeleteFileW(to);
    return ok;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const char* answer = std::getenv("STANDIN_VERSION");
    const bool asked = argv != nullptr && argc == 2 && std::wcscmp(argv[1], L"--version") == 0;
    // The command line is logged before anything else can fail, so that a
    // test sees what it was given even then.
    if (const wchar_t* log = Read(L"STANDIN_LOG"); log != nullptr && (!asked || answer != nullptr)) {
        HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, 0, nullptr);
        std::string line = std::string(GetCommandLineA()) + "\n";
        DWORD written = 0;
        if (!WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr) || !CloseHandle(file))
            return 3;
    }
    if (asked && answer != nullptr) {
        DWORD written = 0;
        if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), answer, std::strlen(answer), &written, 0)) return 3;
        if (const wchar_t* stall = Read(L"STANDIN_STALL")) Sleep(std::wcstoul(stall, nullptr, 10));
        return 0;
    }
    int output = 0;
    for (int i = 1; argv != nullptr && i + 2 < argc && output == 0; ++i)
        if (std::wcscmp(argv[i], L"-o") == 0) output = i + 1;
    if (output == 0) return 2;

    if (const wchar_t* size = Read(L"STANDIN_SIZE")) {
        LARGE_INTEGER end = {};
        end.QuadPart = _wcstoi64(size, nullptr, 10);
        HANDLE file = CreateFileW(argv[output], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (!SetFilePointerEx(file, end, 0, FILE_BEGIN) || !SetEndOfFile(file) || !CloseHandle(file))
            return 3;
    } else if (const wchar_t* write = Read(L"STANDIN_WRITE");
               (!write || std::wcscmp(write, L"0") != 0) && !CopyBytes(argv[argc - 1], argv[output])) {
        return 3;
    }
    const wchar_t* exitCode = Read(L"STANDIN_EXIT");
    if (exitCode != nullptr && std::wcscmp(exitCode, L"crash") == 0)
        RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return exitCode == nullptr ? 0 : static_cast<int>(std::wcstol(exitCode, nullptr, 10));
}
