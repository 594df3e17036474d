// What the Win32 test and bench tools know of Kestrelia's window: the ids
// of the controls they work, and the search for a control at any depth.
#pragma once
#include <windows.h>

#include "form/form_table.h"

constexpr int ExecuteId = ExecuteRow;
constexpr int ExitId = ExitRow;
constexpr int CancelId = CancelRow;
constexpr int RecurseId = 19;

struct ChildSearch {
    int id;
    const char* className;
    HWND found;
};

inline BOOL CALLBACK MatchChild(HWND window, LPARAM parameter) {
    ChildSearch* search = reinterpret_cast<ChildSearch*>(parameter);
    if (search->id >= 0 && GetDlgCtrlID(window) != search->id) return TRUE;
    if (search->className != nullptr) {
        char name[64];
        if (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpiA(name, search->className) != 0) return TRUE;
    }
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
