// A fake world for a job: English, recursive, c:\in\*.wav (*.flac) into d:\out,
// encoder c:\tools\flac. No test framework here: the walk benchmark builds on it too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "form/form_table.h"
#include "platform/fake/fake_platform.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

using Strings = std::vector<std::string>;

inline void SetSlot(int slot, const std::string& s) { CopyText(TextSlots[slot], TextSlotSize, s.c_str()); }
inline void SetEncoder(const std::string& path) { CopyText(EncoderPath, sizeof EncoderPath, path.c_str()); }

inline std::string Repeat(const std::string& text, int times) {
    std::string whole;
    for (int i = 0; i < times; ++i) whole += text;
    return whole;
}

// The texts of these slots, to compare as one list.
inline Strings Slots(std::initializer_list<int> slots) {
    Strings texts;
    for (int slot : slots) texts.emplace_back(TextSlots[slot]);
    return texts;
}

inline PlatWindow const TheWindow = reinterpret_cast<PlatWindow>(1);

// The fake button of a row: its window value is the row number.
inline PlatWindow Control(int row) { return reinterpret_cast<PlatWindow>(static_cast<std::uintptr_t>(row)); }

// The fake encoder's next run, by what it does; queued with FakeQueueEncoderRun.
// `outputSize` -1: half (compress) or twice (restore) the input.
inline FakeEncoderRun RunSucceeds(std::int64_t outputSize = -1) {
    FakeEncoderRun run;
    run.outputSize = outputSize;
    return run;
}
// `cutShort`: killed or crashed mid-file, so that part of its output stays.
inline FakeEncoderRun RunFails(std::uint32_t exitCode, bool cutShort = false) {
    FakeEncoderRun run;
    run.exitCode = exitCode;
    run.cutShort = cutShort;
    return run;
}
inline FakeEncoderRun RunCrashes() { return RunFails(0xC0000005, true); }  // an access violation
inline FakeEncoderRun RunCutShort() { return RunFails(1, true); }
inline FakeEncoderRun RunWritesNothing() {  // exit code 0, yet no output
    FakeEncoderRun run;
    run.writesOutput = false;
    return run;
}
inline FakeEncoderRun RunDoesNotStart() {
    FakeEncoderRun run;
    run.starts = false;
    return run;
}
// Succeeds, calling `during` while it works (outside the fake's lock: it may block).
inline FakeEncoderRun RunDuring(std::function<void()> during) {
    FakeEncoderRun run;
    run.during = [during](const std::string&) { during(); };
    return run;
}

// What the encoder answers when asked what it is.
inline FakeEncoderAnswer EncoderSays(const std::string& text, std::uint32_t exitCode = 0) {
    return FakeEncoderAnswer{true, true, exitCode, text};
}

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
    SetEncoder("c:\\tools\\flac");
    FakeAddFile("c:\\tools\\flac.exe", 100000);
    FakeAddFolder("c:\\in");
    FakeAddFolder("d:\\out");
    for (int row : {ExecuteRow, ExitRow, CancelRow}) ControlHandles[row] = Control(row);
    AbortRequested = 0;
    JobHandle = 0;
    JobEncoder = EncoderAbilities{};
}
