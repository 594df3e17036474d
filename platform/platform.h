// The thin layer between the logic and the operating system. The logic calls
// only these functions; platform/win32 implements them with the ANSI Win32
// calls, platform/fake with an in-memory world for the native tests. The
// build links exactly one of the two.
#pragma once

#include <cstddef>
#include <cstdint>

// A window of the program, opaque to the logic (an HWND on Windows).
typedef struct PlatWindowTag* PlatWindow;

// --- Files and folders -------------------------------------------------------

// True when the file can be opened for reading (the runtime's "rb" open,
// closed again at once). A folder never counts as readable.
bool PlatFileReadable(const char* path);

// Opens the file for reading (shared read), takes its whole 64-bit size and
// closes it. False when the file cannot be opened.
bool PlatFileSize(const char* path, std::uint64_t* size);

// Creates one folder; its parent must exist. False when it was not created
// (parent missing, already there, no permission, ...).
bool PlatCreateDirectory(const char* path);

// True when the byte opens a two-byte character of the ANSI code page
// (code page 932 has them; single-byte code pages never do).
bool PlatIsLeadByte(unsigned char byte);

// --- Child processes ---------------------------------------------------------

// Starts the program file `application` with the writable `commandLine`,
// waits for it to end and gives its exit code. False when it could not be
// started; nothing is waited for then.
bool PlatRunProcess(const char* application, char* commandLine,
                    std::uint32_t* exitCode);

// --- Window ------------------------------------------------------------------

// Asks for a repaint of the whole client area with background erase.
// A null window is ignored.
void PlatRequestRepaint(PlatWindow window);

// --- Threads -----------------------------------------------------------------

// The one lock that guards the texts the job thread publishes and the
// painter reads. Not recursive; hold it only for a copy.
void PlatLockTexts();
void PlatUnlockTexts();

// Starts `entry(argument)` on a new thread with the runtime's thread start.
// The thread's handle is closed at once (the thread keeps running), so a
// started job leaks nothing. False when no thread could be started.
bool PlatStartThread(void (*entry)(void*), void* argument);
