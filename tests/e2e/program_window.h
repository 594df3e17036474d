// What the Win32 test and bench tools know of Kestrelia's window, once for
// all of them.
#pragma once
#include <windows.h>

#include "form/form_table.h"

// Longest wait for the program to answer one message: a program stuck in a
// handler fails the caller instead of hanging the test.
constexpr UINT ProgramAnswerMs = 5000;

// A control of `parent` by id (or -1 for any) and class (or null for any),
// at any depth, so that controls grouped on a panel are found too.
inline HWND FindDescendant(HWND parent, int id, const char* className = nullptr) {
    HWND direct = id >= 0 && className == nullptr ? GetDlgItem(parent, id) : nullptr;
    if (direct != nullptr) return direct;
    struct Search { int id; const char* className; HWND found; } search = {id, className, nullptr};
    EnumChildWindows(parent, [](HWND window, LPARAM parameter) -> BOOL {
        Search* wanted = reinterpret_cast<Search*>(parameter);
        char name[64];
        if ((wanted->id >= 0 && GetDlgCtrlID(window) != wanted->id) ||
            (wanted->className != nullptr &&
             (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpiA(name, wanted->className) != 0)))
            return TRUE;
        wanted->found = window;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program's window once it is shown (it exists before its controls do);
// null after `timeoutMs`.
inline HWND FindProgramWindow(DWORD timeoutMs) {
    for (DWORD start = GetTickCount();; Sleep(20)) {
        HWND window = FindWindowA("Kestrelia", nullptr);
        if (window != nullptr && IsWindowVisible(window)) return window;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
    }
}

// A window's text by WM_GETTEXT, wide (GetWindowText reads nothing from
// another process under Wine); false when the program does not answer in time.
inline bool ReadWindowText(HWND window, wchar_t* text, size_t capacity) {
    DWORD_PTR copied = 0;
    text[0] = L'\0';
    if (SendMessageTimeoutW(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            ProgramAnswerMs, &copied) == 0)
        return false;
    text[copied < capacity ? copied : 0] = L'\0';
    return true;
}

// No job runs: Execute enabled, Cancel disabled.
inline bool ProgramIdle(HWND main) {
    return IsWindowEnabled(FindDescendant(main, ExecuteRow)) &&
           !IsWindowEnabled(FindDescendant(main, CancelRow));
}

// The program's handle count, or -1: Wine answers GetProcessHandleCount
// for another process with 0, but lists every handle in the system's table
// (SystemExtendedHandleInformation).
inline long ProgramHandleCount(DWORD processId) {
    struct Entry {
        void* object;
        ULONG_PTR processId, handleValue;
        ULONG grantedAccess;
        USHORT creatorBackTraceIndex, objectTypeIndex;
        ULONG attributes, reserved;
    };
    typedef LONG(WINAPI * Query)(ULONG, void*, ULONG, ULONG*);
    static Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    alignas(16) static ULONG_PTR table[2 << 20];  // count, reserved, entries
    ULONG needed = 0;
    if (query == nullptr || query(64, table, sizeof table, &needed) != 0) return -1;
    const Entry* entries = reinterpret_cast<const Entry*>(table + 2);
    long found = 0;
    for (ULONG_PTR i = 0; i < table[0]; ++i) found += entries[i].processId == processId;
    return found;
}
