// The child run behind PlatRunProcess, for the Win32 bench tools that time
// it: the same start and wait, so that they measure the program's way.
#pragma once

#include <cstdint>

// PlatRunProcess, and when `lifeMs` is not null the child's own life from
// its creation to its exit (GetProcessTimes) in milliseconds, -1 when the
// system did not give it.
bool RunProcessWin32(const char* application, char* commandLine, std::uint32_t* exitCode,
                     double* lifeMs);
