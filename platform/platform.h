// The thin layer between the logic and the operating system. The logic calls
// only these functions, with UTF-8 texts; platform/win32 implements them
// with the wide Win32 calls, platform/fake with an in-memory world for the
// native tests. The build links exactly one of the two.
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
// True when a file or folder of that name exists, readable or not.
bool PlatPathExists(const char* path);

// Creates one folder; its parent must exist. False when it was not created
// (parent missing, already there, no permission, ...).
bool PlatCreateDirectory(const char* path);

// One entry of a folder search: its name in UTF-8 and its attribute bits, as
// Win32 gives them (16 directory, 2 hidden, 4 system, 1024 reparse point,
// ...). `nameExact` is false when the name cannot become UTF-8 (an unpaired
// surrogate): `name` is then only a likeness to show, which may name
// another file or none. Every name of 255 UTF-16 units fits.
constexpr std::size_t PlatNameSize = 780;
struct PlatFoundEntry {
    char name[PlatNameSize];
    std::uint32_t attributes;
    bool nameExact;
};
constexpr std::uint32_t PlatAttrHidden = 2;
constexpr std::uint32_t PlatAttrSystem = 4;
constexpr std::uint32_t PlatAttrDirectory = 16;
constexpr std::uint32_t PlatAttrReparsePoint = 1024;

// An open folder search, opaque to the logic.
typedef struct PlatSearchTag* PlatSearch;

// What a search step gives: an entry; the end (nothing more, or nothing at
// all matches); or a failure: the folder is missing or cannot be read, or
// the search text is not one the platform can take (on Windows without
// long paths, one of 260 characters or more).
enum class PlatSearchStep { Entry, End, Failed };

// Opens a search for `searchText`, a folder path followed by a name pattern
// (the platform's wildcards), and gives its first entry. Only on Entry is
// `search` open; it must then be closed once with PlatFindClose.
PlatSearchStep PlatFindFirst(const char* searchText, PlatSearch* search, PlatFoundEntry* entry);

// The next entry of the search.
PlatSearchStep PlatFindNext(PlatSearch search, PlatFoundEntry* entry);

void PlatFindClose(PlatSearch search);

// The full path of `name` as the platform resolves it, a relative one taken
// in the current folder, into `path` (`size` bytes with the NUL): a device
// name may become a device path (\\.\NUL), and a trailing dot or blank of
// a part may be stripped. The length of the path, or 0 when the platform
// gave none or it does not fit.
std::size_t PlatFullPathName(const char* name, char* path, std::size_t size);

// A file opened for reading or writing its bytes as they stand, opaque to
// the logic.
typedef struct PlatFileTag* PlatFile;

// Null when the file cannot be opened (missing, a folder, no permission).
// Other programs may hold the file open for reading, writing or deleting.
PlatFile PlatOpenFileRead(const char* path);
// Creates the file or empties an existing one. Null when it cannot.
PlatFile PlatCreateFileWrite(const char* path);
// Reads up to `size` bytes; the count read, 0 at the end, -1 on an error.
long PlatReadFile(PlatFile file, char* bytes, std::size_t size);
// False unless every byte was written.
bool PlatWriteFile(PlatFile file, const char* bytes, std::size_t size);
// False when the file's data could not be written out in the end.
bool PlatCloseFile(PlatFile file);
// Puts `source` in the place of `target`, replacing it, in one step. A
// read-only `target` is never replaced.
bool PlatReplaceFile(const char* source, const char* target);
// Gives `source` the name `target`, which must not exist: an existing
// target is never replaced.
bool PlatRenameFile(const char* source, const char* target);
bool PlatDeleteFile(const char* path);

// --- Child processes ---------------------------------------------------------

// Starts the program file `application` with the writable `commandLine`,
// waits for it to end and gives its exit code. False when it could not be
// started; nothing is waited for then.
bool PlatRunProcess(const char* application, char* commandLine,
                    std::uint32_t* exitCode);

// Runs `application` with `commandLine` without a console or window, its
// standard output and error into `output` (`size` bytes with the NUL).
// True only when it started, ended by itself within `milliseconds` with
// exit code 0, and all it wrote fits; a run still going at the time, or
// writing more, is ended.
bool PlatRunCapture(const char* application, char* commandLine, char* output, std::size_t size,
                    std::uint32_t milliseconds);

// The logical processors the program may use.
int PlatProcessorCount();

// --- Text --------------------------------------------------------------------

// Every text of the program is UTF-8. A text of the system's ANSI code page
// (a settings file of an earlier version) in UTF-8, into `target` (`size`
// bytes with the NUL); false when it cannot be converted whole.
bool PlatAnsiToUtf8(const char* text, char* target, std::size_t size);
// True when the user's display language is Japanese.
bool PlatUserLanguageJapanese();

// --- Window ------------------------------------------------------------------

// Asks for a repaint of the whole client area with background erase.
// A null window is ignored.
void PlatRequestRepaint(PlatWindow window);
// Asks the window, from any thread, to repaint the job's texts: its thread
// gets PlatMsgJobTexts. A null window is ignored.
void PlatRequestJobRepaint(PlatWindow window);

// Enables or disables a control, from any thread. A null window is ignored.
void PlatEnableWindow(PlatWindow window, bool enabled);

// On the window's own thread: the reason the system shows the user when the
// session would end now; null withdraws it.
void PlatSetSessionEndReason(PlatWindow window, const char* reason);
// Tells the window, from any thread, that the job has ended: its thread
// gets PlatMsgJobEnded. A null window is ignored.
void PlatNotifyJobEnded(PlatWindow window);

// --- Threads -----------------------------------------------------------------

// The one lock that guards the texts the job thread publishes and the
// painter reads. Not recursive; hold it only for a copy.
void PlatLockTexts();
void PlatUnlockTexts();

// Starts `entry(argument)` on a new thread with the runtime's thread start.
// The thread's handle is closed at once (the thread keeps running), so a
// started job leaks nothing. False when no thread could be started.
bool PlatStartThread(void (*entry)(void*), void* argument);
