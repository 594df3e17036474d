#include "settings/settings_store.h"

#include <cstring>

#include "platform/platform.h"
#include "settings/text_util.h"

std::int32_t IntSettings[IntSettingCount];
char TextSlots[TextSlotCount][TextSlotSize];
std::atomic<std::uintptr_t> JobHandle{0};
std::atomic<std::int32_t> AbortRequested{0};
bool CloseRequested = false;
char SettingsPath[RunPathSize];
char EncoderPath[RunPathSize];

void ClearSettingsStore() {
    for (std::int32_t& value : IntSettings) value = 0;
    for (char* slot : TextSlots) slot[0] = '\0';
}

static void DefaultIfEmpty(int slot, const char* text) {
    if (TextSlots[slot][0] == '\0') CopyText(TextSlots[slot], TextSlotSize, text);
}

// A radio pair and a check box can show only 0 and 1; any other stored
// value was already read as "on" (restore, checked), so it becomes 1.
static void RepairSwitch(int index) {
    if (IntSettings[index] != 0 && IntSettings[index] != 1) IntSettings[index] = 1;
}

void ApplySettingDefaults() {
    if (IntSettings[Language] != 0 && IntSettings[Language] != 1) IntSettings[Language] = 0;
    RepairSwitch(Mode);
    RepairSwitch(Overwrite);
    RepairSwitch(Recurse);
    RepairSwitch(SameFolder);
    CheckLevelText();
    DefaultIfEmpty(LastWavSpec, "c:\\*.wav");
    DefaultIfEmpty(LastFlacSpec, "c:\\*.flac");
    DefaultIfEmpty(InputSpec, TextSlots[IntSettings[Mode] != 0 ? LastFlacSpec : LastWavSpec]);
    DefaultIfEmpty(OutputSpec, "c:\\*.*");
}

void CheckLevelText() {
    char first = TextSlots[LevelText][0];
    if (first >= '1' && first <= '8') {
        IntSettings[Level] = first - '0';
    } else {
        CopyText(TextSlots[LevelText], TextSlotSize, "8");
        IntSettings[Level] = 8;
    }
}

void PublishSlotText(int slot, const char* text) {
    // Texts published here are built in slot-sized buffers, so the bound
    // never cuts; it only keeps a stray caller from overrunning the slot.
    std::size_t length = std::strlen(text);
    if (length >= TextSlotSize) length = TextSlotSize - 1;
    PlatLockTexts();
    std::memcpy(TextSlots[slot], text, length);
    TextSlots[slot][length] = '\0';
    PlatUnlockTexts();
}

void ReadSlotText(int slot, char* out, std::size_t outSize) {
    if (outSize == 0) return;
    PlatLockTexts();
    std::size_t length = std::strlen(TextSlots[slot]);
    if (length >= outSize) length = outSize - 1;
    std::memcpy(out, TextSlots[slot], length);
    out[length] = '\0';
    PlatUnlockTexts();
}
