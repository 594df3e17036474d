// A fake world for a job: English, recursive, c:\in\*.wav (*.flac) into d:\out, encoder c:\tools\flac.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "form/form_table.h"
#include "platform/fake/fake_platform.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

using Strings = std::vector<std::string>;

inline void SetSlot(int slot, const std::string& text) { CopyText(TextSlots[slot], TextSlotSize, text.c_str()); }

// The texts of these slots, to compare as one list.
inline Strings Slots(std::initializer_list<int> slots) {
    Strings texts;
    for (int slot : slots) texts.emplace_back(TextSlots[slot]);
    return texts;
}

inline PlatWindow const TheWindow = reinterpret_cast<PlatWindow>(1);

// The fake button of a row: its window value is the row number.
inline PlatWindow Control(int row) { return reinterpret_cast<PlatWindow>(static_cast<std::uintptr_t>(row)); }

inline void PrepareJobWorld() {
    FakeReset();
    ClearSettingsStore();
    ApplySettingDefaults();
    IntSettings[Language] = 1;
    IntSettings[Recurse] = 1;
    IntSettings[SameFolder] = 0;
    SetSlot(LastWavSpec, "c:\\in\\*.wav");
    SetSlot(LastFlacSpec, "c:\\in\\*.flac");
    SetSlot(OutputSpec, "d:\\out\\*.*");
    CopyText(EncoderPath, sizeof EncoderPath, "c:\\tools\\flac");
    FakeAddFile("c:\\tools\\flac.exe", 100000);
    FakeAddFolder("c:\\in");
    FakeAddFolder("d:\\out");
    for (int row : {ExecuteRow, ExitRow, CancelRow}) ControlHandles[row] = Control(row);
    AbortRequested = 0;
    JobHandle = 0;
    JobEncoder = EncoderAbilities{};
}
