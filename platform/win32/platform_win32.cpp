// The platform layer on Windows: the wide Win32 calls and the runtime, the
// program's UTF-8 converted at each call.
#include <windows.h>
#include <process.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/platform.h"
#include "platform/platform_window.h"
#include "platform/win32/run_process_win32.h"
#include "platform/win32/wide_win32.h"

bool PlatFileReadable(const char* path) {
    wchar_t wide[WidePathSize];
    std::FILE* file = ToWide(path, wide, WidePathSize) ? _wfopen(wide, L"rb") : nullptr;
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool PlatPathExists(const char* path) {
    wchar_t wide[WidePathSize];
    return ToWide(path, wide, WidePathSize) && GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
}

static HANDLE OpenFile(const char* path, DWORD access, DWORD sharing, DWORD disposition) {
    wchar_t wide[WidePathSize];
    if (!ToWide(path, wide, WidePathSize)) return INVALID_HANDLE_VALUE;
    return CreateFileW(wide, access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool PlatFileSize(const char* path, std::uint64_t* size) {
    HANDLE file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    // The whole 64-bit size: a WAV file may be 4 GiB or more.
    LARGE_INTEGER whole;
    bool known = GetFileSizeEx(file, &whole) != 0;
    CloseHandle(file);
    if (known) *size = static_cast<std::uint64_t>(whole.QuadPart);
    return known;
}

bool PlatCreateDirectory(const char* path) {
    wchar_t wide[WidePathSize];
    return ToWide(path, wide, WidePathSize) && CreateDirectoryW(wide, nullptr) != 0;
}

std::size_t PlatFullPathName(const char* name, char* path, std::size_t size) {
    wchar_t wide[WidePathSize];
    wchar_t full[WidePathSize];
    if (!ToWide(name, wide, WidePathSize)) return 0;
    DWORD length = GetFullPathNameW(wide, WidePathSize, full, nullptr);
    // A path that does not fit gives the size it needs, never a cut one.
    if (length == 0 || length >= WidePathSize || !FromWide(full, path, size)) return 0;
    return std::strlen(path);
}

static HANDLE FileHandle(PlatFile file) { return reinterpret_cast<HANDLE>(file); }

PlatFile PlatOpenFileRead(const char* path) {
    // Shares everything, as the runtime's open does: an editor or a backup
    // tool that holds the file open must not hide it from us.
    HANDLE file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<PlatFile>(file);
}

PlatFile PlatCreateFileWrite(const char* path) {
    HANDLE file = OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<PlatFile>(file);
}

long PlatReadFile(PlatFile file, char* bytes, std::size_t size) {
    DWORD count = 0;
    DWORD wanted = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!ReadFile(FileHandle(file), bytes, wanted, &count, nullptr)) return -1;
    return static_cast<long>(count);
}

bool PlatWriteFile(PlatFile file, const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD wanted = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD count = 0;
        if (!WriteFile(FileHandle(file), bytes, wanted, &count, nullptr) || count == 0) return false;
        bytes += count;
        size -= count;
    }
    return true;
}

bool PlatCloseFile(PlatFile file) {
    // The data must be on the disk before the file may replace another.
    bool flushed = FlushFileBuffers(FileHandle(file)) != 0;
    return CloseHandle(FileHandle(file)) != 0 && flushed;
}

static bool MoveFile(const char* source, const char* target, DWORD flags) {
    wchar_t from[WidePathSize];
    wchar_t to[WidePathSize];
    if (!ToWide(source, from, WidePathSize) || !ToWide(target, to, WidePathSize)) return false;
    // Windows refuses to replace a read-only file, but Wine replaces it: a
    // file the user made read-only stays as it is on both.
    DWORD attributes = GetFileAttributesW(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
    return MoveFileExW(from, to, flags | MOVEFILE_WRITE_THROUGH) != 0;
}

bool PlatReplaceFile(const char* source, const char* target) {
    return MoveFile(source, target, MOVEFILE_REPLACE_EXISTING);
}

bool PlatRenameFile(const char* source, const char* target) {
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes it fail.
    return MoveFile(source, target, 0);
}

bool PlatDeleteFile(const char* path) {
    wchar_t wide[WidePathSize];
    return ToWide(path, wide, WidePathSize) && DeleteFileW(wide) != 0;
}

// A name Windows holds becomes UTF-8, except one with an unpaired
// surrogate (NTFS allows it): that one is only a likeness to show, with
// the replacement character in its place. Any name of 255 UTF-16 units
// fits the entry.
static void CopyFound(const WIN32_FIND_DATAW& found, PlatFoundEntry* entry) {
    entry->attributes = found.dwFileAttributes;
    entry->nameExact = FromWide(found.cFileName, entry->name, PlatNameSize);
    if (!entry->nameExact &&
        WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, entry->name, PlatNameSize, nullptr, nullptr) == 0)
        entry->name[0] = '\0';
}

// "No such file" is the one failure that means an empty result: a folder
// that is missing, unreadable or given by a text too long must be seen.
static PlatSearchStep FailedStep(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? PlatSearchStep::End
                                                                           : PlatSearchStep::Failed;
}

PlatSearchStep PlatFindFirst(const char* searchText, PlatSearch* search, PlatFoundEntry* entry) {
    wchar_t wideText[WidePathSize];
    if (!ToWide(searchText, wideText, WidePathSize)) return PlatSearchStep::Failed;
    WIN32_FIND_DATAW found;
    HANDLE handle = FindFirstFileW(wideText, &found);
    if (handle == INVALID_HANDLE_VALUE) return FailedStep(GetLastError());
    CopyFound(found, entry);
    *search = reinterpret_cast<PlatSearch>(handle);
    return PlatSearchStep::Entry;
}

PlatSearchStep PlatFindNext(PlatSearch search, PlatFoundEntry* entry) {
    WIN32_FIND_DATAW found;
    if (!FindNextFileW(reinterpret_cast<HANDLE>(search), &found)) return FailedStep(GetLastError());
    CopyFound(found, entry);
    return PlatSearchStep::Entry;
}

void PlatFindClose(PlatSearch search) { FindClose(reinterpret_cast<HANDLE>(search)); }

bool PlatRunProcess(const char* application, char* commandLine, std::uint32_t* exitCode) {
    return RunProcessWin32(application, commandLine, exitCode, nullptr);
}

// CreateProcessW with the program's UTF-8 application and command line:
// the encoder reads its wide command line, so every name reaches it whole.
static bool StartProcess(const char* application, const char* commandLine, bool inherit, DWORD flags,
                         STARTUPINFOW* startup, PROCESS_INFORMATION* process) {
    wchar_t wideApplication[WidePathSize];
    static thread_local wchar_t wideLine[4096];
    return ToWide(application, wideApplication, WidePathSize) && ToWide(commandLine, wideLine, 4096) &&
           CreateProcessW(wideApplication, wideLine, nullptr, nullptr, inherit ? TRUE : FALSE, flags, nullptr,
                          nullptr, startup, process) != 0;
}

bool PlatRunCapture(const char* application, char* commandLine, char* output, std::size_t size,
                    std::uint32_t milliseconds) {
    if (size == 0) return false;
    output[0] = '\0';
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    // No console at all: its output goes to the pipe, and under Wine no
    // console host has to start for it.
    const bool started = StartProcess(application, commandLine, true, DETACHED_PROCESS, &startup, &process);
    CloseHandle(writeEnd);  // the child's copy alone keeps the pipe open
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    // Polled, so that a child that neither ends nor writes cannot hold the
    // job: it is ended when its time is up or it writes too much.
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    std::size_t length = 0;
    bool whole = true, ended = false;
    while (whole && GetTickCount64() < deadline) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr)) {
            // Closed: the child has ended, or is about to.
            ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
            if (ended) break;
        } else if (waiting > 0) {
            DWORD count = 0;
            whole = length + waiting < size && ReadFile(readEnd, output + length, waiting, &count, nullptr);
            length += count;
        } else if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0 &&
                   PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting == 0) {
            ended = true;
            break;
        }
    }
    output[length] = '\0';
    DWORD code = 1;
    if (!ended) TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    const bool known = GetExitCodeProcess(process.hProcess, &code) != 0;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    return whole && ended && known && code == 0;
}

bool PlatAnsiToUtf8(const char* text, char* target, std::size_t size) {
    static thread_local wchar_t wide[10000];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide, 10000) == 0) {
        if (size > 0) target[0] = '\0';
        return false;
    }
    return FromWide(wide, target, size);
}

bool PlatUserLanguageJapanese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

int PlatProcessorCount() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return static_cast<int>(system.dwNumberOfProcessors);
}

namespace {

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

bool RunProcessWin32(const char* application, char* commandLine, std::uint32_t* exitCode,
                     double* lifeMs) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!StartProcess(application, commandLine, false, 0, &startup, &process)) return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    bool known = GetExitCodeProcess(process.hProcess, &code) != 0;
    if (lifeMs != nullptr) {
        FILETIME created, ended, kernel, user;
        *lifeMs = GetProcessTimes(process.hProcess, &created, &ended, &kernel, &user) &&
                          Ticks(ended) >= Ticks(created)
                      ? static_cast<double>(Ticks(ended) - Ticks(created)) / 10000.0
                      : -1;
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    *exitCode = known ? code : 1;
    return true;
}

void PlatRequestRepaint(PlatWindow window) {
    if (window != nullptr) InvalidateRect(reinterpret_cast<HWND>(window), nullptr, TRUE);
}

void PlatRequestJobRepaint(PlatWindow window) {
    // Only the window thread knows where the texts are now (the form may be
    // scrolled), so it is asked by message.
    if (window != nullptr) PostMessageA(reinterpret_cast<HWND>(window), PlatMsgJobTexts, 0, 0);
}

void PlatEnableWindow(PlatWindow window, bool enabled) {
    if (window != nullptr) EnableWindow(reinterpret_cast<HWND>(window), enabled ? TRUE : FALSE);
}

void PlatSetSessionEndReason(PlatWindow window, const char* reason) {
    HWND handle = reinterpret_cast<HWND>(window);
    if (reason == nullptr) {
        ShutdownBlockReasonDestroy(handle);
        return;
    }
    wchar_t wide[1024];
    if (!ToWide(reason, wide, 1024)) wide[0] = L'\0';
    ShutdownBlockReasonCreate(handle, wide);
}

void PlatNotifyJobEnded(PlatWindow window) {
    if (window != nullptr) PostMessageA(reinterpret_cast<HWND>(window), PlatMsgJobEnded, 0, 0);
}

static SRWLOCK textLock = SRWLOCK_INIT;

void PlatLockTexts() { AcquireSRWLockExclusive(&textLock); }

void PlatUnlockTexts() { ReleaseSRWLockExclusive(&textLock); }

namespace {

struct ThreadStart {
    void (*entry)(void*);
    void* argument;
};

unsigned __stdcall ThreadEntry(void* start) {
    ThreadStart copy = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    copy.entry(copy.argument);
    return 0;
}

}  // namespace

bool PlatStartThread(void (*entry)(void*), void* argument) {
    ThreadStart* start = new ThreadStart{entry, argument};
    uintptr_t thread = _beginthreadex(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (thread == 0) {
        delete start;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}
