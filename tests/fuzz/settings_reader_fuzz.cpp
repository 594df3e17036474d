// libFuzzer target of the settings-file reader: every input is the whole
// Kestrelia.ini of a fresh fake world. After the load and the defaults it
// checks what a real fault would break, and that a save and a load give the
// same store again; a broken check stops the run (__builtin_trap).
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/fake/fake_platform.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"

namespace {

void Check(bool holds) { if (!holds) __builtin_trap(); }

// The store emptied over non-NUL bytes, so that a slot written without its
// NUL has none.
void ClearOverGarbage() {
    std::memset(TextSlots, 'G', sizeof TextSlots);
    ClearSettingsStore();
}

struct Store {
    std::int32_t ints[IntSettingCount];
    std::string texts[TextSlotCount];
};

Store TakeStore() {
    Store store;
    for (int i = 0; i < IntSettingCount; ++i) store.ints[i] = IntSettings[i];
    for (int k = 0; k < TextSlotCount; ++k) {
        Check(std::memchr(TextSlots[k], '\0', TextSlotSize) != nullptr);
        store.texts[k] = TextSlots[k];
    }
    return store;
}

bool IsSwitch(std::int32_t value) { return value == 0 || value == 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FakeReset();
    DeriveSettingsPaths();
    Check(SettingsPath[0] != '\0');
    ClearOverGarbage();
    const std::string input(reinterpret_cast<const char*>(data), size);
    FakePutBytes(SettingsPath, input);
    LoadSettingsFile();
    TakeStore();  // every slot NUL-terminated as loaded
    ApplySettingDefaults();
    const Store repaired = TakeStore();

    for (int index : {Language, Mode, Overwrite, Recurse, SameFolder}) Check(IsSwitch(IntSettings[index]));
    const char level = TextSlots[LevelText][0];
    Check(level >= '1' && level <= '8' && IntSettings[Level] == level - '0');
    for (int slot : {InputSpec, LastWavSpec, LastFlacSpec, OutputSpec}) Check(TextSlots[slot][0] != '\0');

    SaveSettingsFile();
    // A file whose texts could not all be taken (a legacy text too long in
    // UTF-8) is left as it was: no round trip to check.
    if (FakeBytesOf(SettingsPath) == input) return 0;
    ClearOverGarbage();
    LoadSettingsFile();
    const Store reloaded = TakeStore();
    for (int i = 0; i < IntSettingCount; ++i) Check(reloaded.ints[i] == repaired.ints[i]);
    for (int k = 0; k < TextSlotCount; ++k) Check(reloaded.texts[k] == repaired.texts[k]);
    return 0;
}
