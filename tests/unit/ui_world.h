// A fake world for the program's window: the current folder c:\work, no controls yet, no job.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_window.h"
#include "form/commands.h"
#include "form/form_window.h"
#include "platform/fake/fake_window.h"
#include "settings/settings_file.h"
#include "tests/unit/job_world.h"

const std::string Ini = "c:\\work\\Kestrelia.ini";

inline void PrepareUiWorld() {
    FakeReset();
    FakeAddFolder("c:\\work");
    std::fill(std::begin(ControlHandles), std::end(ControlHandles), nullptr);
    ScrollCol = ScrollRow = 0;
    JobHandle = 0;
    AbortRequested = 0;
}

// The program started as far as its message loop, from this settings file (none when empty).
inline int StartProgram(const std::string& settingsFile = "") {
    if (!settingsFile.empty()) FakePutBytes(Ini, settingsFile);
    return KestreliaMain(nullptr, 1);
}

// The store as the settings file gives it.
inline void ReloadSettings() {
    ClearSettingsStore();
    LoadSettingsFile();
}

inline bool Has(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

// Values by their index in the store.
using IntValues = std::vector<std::pair<int, int>>;
using TextValues = std::vector<std::pair<int, std::string>>;

// A settings file of 20 integers and 20 texts, with these changes.
inline std::string SettingsFile(const IntValues& integers, const TextValues& texts) {
    int ints[IntSettingCount] = {};
    std::string slots[TextSlotCount], file = "20\r\n";
    for (auto& [index, value] : integers) ints[index] = value;
    for (auto& [index, value] : texts) slots[index] = value;
    for (int i : ints) file += std::to_string(i) + "\r\n";
    file += "20\r\n";
    for (const std::string& s : slots) file += s + "\r\n";
    return file;
}
