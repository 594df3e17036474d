// The settings file Kestrelia.ini in the current folder: 42 lines, the
// integer count and the 20 integers, then the text count and the 20 texts,
// each line ended by CR LF, a line feed inside a text stored as byte 7.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// SettingsPath: the full path of Kestrelia.ini in the current folder;
// EncoderPath: "flac" in the same folder. Both empty when no full path that
// fits could be formed.
void DeriveSettingsPaths();

// Fills the store from the file; a missing file, or a file that ends early,
// leaves the rest of the store as it is.
void LoadSettingsFile();

// Writes the store into the file whole, under a temporary name that then
// replaces Kestrelia.ini, so that a failed write leaves the old file as it
// was. A file that was there but could not be read at the load is left as
// it is, and so is the store.
void SaveSettingsFile();

// A line's number: blanks skipped, an optional sign, the digits up to the
// first other byte; 0 without digits, the nearest end of the 32-bit range
// beyond it.
std::int32_t ParseSettingNumber(const char* line);
