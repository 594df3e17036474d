// What the Win32 test and bench tools know of Kestrelia's window, once for
// all of them: the ids of the controls they work, finding the window and
// its controls, reading a text, the job's end, the boxes the window owns,
// the program's handle count.
#pragma once
#include <windows.h>

#include "form/form_table.h"

// Longest wait for the program to answer one message: a program stuck in a
// handler fails the caller instead of hanging the test.
constexpr UINT ProgramAnswerMs = 5000;

struct ChildSearch {
    int id;
    const char* className;
    HWND found;
};

inline BOOL CALLBACK MatchChild(HWND window, LPARAM parameter) {
    ChildSearch* search = reinterpret_cast<ChildSearch*>(parameter);
    if (search->id >= 0 && GetDlgCtrlID(window) != search->id) return TRUE;
    char name[64];
    if (search->className != nullptr &&
        (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpiA(name, search->className) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

// A control of `parent` by id (or -1 for any) and class (or null for any),
// at any depth, so that controls grouped on a panel are found too.
inline HWND FindDescendant(HWND parent, int id, const char* className = nullptr) {
    if (id >= 0 && className == nullptr) {
        HWND direct = GetDlgItem(parent, id);
        if (direct != nullptr) return direct;
    }
    ChildSearch search = {id, className, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
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

// A window's text by WM_GETTEXT (GetWindowTextA reads nothing from another
// process under Wine); false when the program does not answer in time.
inline bool ReadWindowText(HWND window, char* text, size_t capacity) {
    DWORD_PTR copied = 0;
    text[0] = '\0';
    if (SendMessageTimeoutA(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            ProgramAnswerMs, &copied) == 0)
        return false;
    text[copied < capacity ? copied : 0] = '\0';
    return true;
}

// No job runs: Execute enabled, Cancel disabled.
inline bool ProgramIdle(HWND main) {
    return IsWindowEnabled(FindDescendant(main, ExecuteRow)) && !IsWindowEnabled(FindDescendant(main, CancelRow));
}

// The job's end: the idle state seen without a break for `steadyMs`, since
// a short job can pass through its running state between two polls, and
// Exit is enabled a moment before Cancel is disabled. Gives the time from
// the call to the start of that state, or -1 after `timeoutMs`.
inline long WaitJobEnded(HWND main, DWORD steadyMs, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    long idleSince = -1;
    for (;; Sleep(2)) {
        long now = static_cast<long>(GetTickCount() - start);
        if (!ProgramIdle(main)) idleSince = -1;
        else if (idleSince < 0) idleSince = now;
        if (idleSince >= 0 && now - idleSince >= static_cast<long>(steadyMs)) return idleSince;
        if (now >= static_cast<long>(timeoutMs)) return -1;
    }
}

// The visible message boxes and dialogs the window owns.
struct OwnedBoxes {
    HWND owner;
    HWND boxes[32];
    int count;
};

inline BOOL CALLBACK CollectOwnedBox(HWND window, LPARAM parameter) {
    OwnedBoxes* list = reinterpret_cast<OwnedBoxes*>(parameter);
    char name[16];
    if (list->count < 32 && GetWindow(window, GW_OWNER) == list->owner && IsWindowVisible(window) &&
        GetClassNameA(window, name, sizeof name) != 0 && lstrcmpA(name, "#32770") == 0)
        list->boxes[list->count++] = window;
    return TRUE;
}

inline int FindOwnedBoxes(HWND main, OwnedBoxes* list) {
    list->owner = main;
    list->count = 0;
    EnumWindows(CollectOwnedBox, reinterpret_cast<LPARAM>(list));
    return list->count;
}

// The static control of a message box that holds its text: id 0xFFFF, or
// the first static without the icon style when a system numbers it
// otherwise.
inline HWND MessageBoxTextControl(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); text == nullptr && child != nullptr;
         child = FindWindowExA(box, child, "Static", nullptr)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) text = child;
    }
    return text;
}

// The program's handle count, or -1. Wine answers GetProcessHandleCount for
// another process with 0, but lists every handle in the system's handle
// table (SystemExtendedHandleInformation), which is read then.
inline long ProgramHandleCount(HANDLE process) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count > 0) return static_cast<long>(count);
    struct Entry {
        void* object;
        ULONG_PTR processId;
        ULONG_PTR handleValue;
        ULONG grantedAccess;
        USHORT creatorBackTraceIndex;
        USHORT objectTypeIndex;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    typedef LONG(WINAPI * Query)(ULONG, void*, ULONG, ULONG*);
    static Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    alignas(16) static char buffer[16 << 20];
    ULONG needed = 0;
    if (query == nullptr || query(64, buffer, sizeof buffer, &needed) != 0) return -1;
    const Table* table = reinterpret_cast<const Table*>(buffer);
    ULONG_PTR id = GetProcessId(process);
    long found = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i)
        if (table->entries[i].processId == id) found += 1;
    return found;
}
