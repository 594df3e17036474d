// The process-wide settings store: 20 integers and 20 text slots that the
// settings file keeps, and the run state that lives for one run only.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr int IntSettingCount = 20;
constexpr int TextSlotCount = 20;
constexpr std::size_t TextSlotSize = 10000;  // with the NUL: 9999 bytes of text
constexpr std::size_t RunPathSize = 1000;    // SettingsPath, EncoderPath

// Indexes of IntSettings; an index is also the line of the setting in the
// settings file. 5 to 9 and 15 to 19 are reserved and kept as loaded.
enum IntSettingIndex : int {
    Language = 0,  // 0 Japanese, 1 English
    WindowLeft = 1,
    WindowTop = 2,
    WindowRight = 3,
    WindowBottom = 4,
    Mode = 10,  // 0 compress, 1 restore
    Level = 11,
    Overwrite = 12,
    Recurse = 13,
    SameFolder = 14,
};

// Indexes of TextSlots; 5 and 8 to 19 are reserved.
enum TextSlotIndex : int {
    InputSpec = 0,
    LastWavSpec = 1,
    LastFlacSpec = 2,
    CurrentFile = 3,
    OutputSpec = 4,
    LevelText = 6,
    ResultText = 7,
};

extern std::int32_t IntSettings[IntSettingCount];
extern char TextSlots[TextSlotCount][TextSlotSize];

// Run state, never saved. JobHandle is only the flag that a job runs;
// both are read by one thread while the other writes them.
extern std::atomic<std::uintptr_t> JobHandle;
extern std::atomic<std::int32_t> AbortRequested;
// A close came while a job ran: the window goes once the job has ended, and
// no command runs until then. Window thread only.
extern bool CloseRequested;
extern char SettingsPath[RunPathSize];
extern char EncoderPath[RunPathSize];

// Every integer 0, every slot empty. Run state is left alone.
void ClearSettingsStore();

// Repairs and completes the store after the settings file was (or was not)
// read, before any control is made from it.
void ApplySettingDefaults();

// The level rule: a first byte "1" to "8" gives Level; anything else makes
// LevelText "8" and Level 8. The rest of the text is not looked at.
void CheckLevelText();

// CurrentFile and ResultText are written by the job thread while the window
// thread paints them. A writer publishes a finished text whole; a reader
// takes a whole copy. Both hold the text lock only for the copy.
void PublishSlotText(int slot, const char* text);
void ReadSlotText(int slot, char* out, std::size_t outSize);
