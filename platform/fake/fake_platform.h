// The fake platform: an in-memory world for the native tests. A test sets it
// up with the Fake* functions, runs the logic (which calls the Plat*
// functions of platform.h) and then reads what happened.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

constexpr std::uint32_t FakeFolderAttributes = 16;
constexpr std::uint32_t FakeFileAttributes = 32;

// Empties the world: no files, code page 1252, no scripted runs, no faults,
// nothing recorded. Joins threads still running.
void FakeReset();

// The ANSI code page of older settings files: 932, or else 1252.
void FakeSetCodePage(int codePage);
// The user's display language: Japanese at first.
void FakeSetJapaneseUser(bool japanese);

// Paths are UTF-8, compared as Windows does, ASCII letters without case. An entry is
// added with all its missing parent folders. A search returns a folder's
// entries in the order they were added (after "." and ".." in any folder
// but a drive's root); a folder made unreadable cannot be searched.
void FakeAddFolder(const std::string& path, std::uint32_t attributes = FakeFolderAttributes);
void FakeAddFile(const std::string& path, std::uint64_t size,
                 std::uint32_t attributes = FakeFileAttributes);
void FakeSetReadable(const std::string& path, bool readable);
// The search gives this entry's name only as a likeness: it cannot become
// UTF-8 (an unpaired surrogate).
void FakeSetNameInexact(const std::string& path);
bool FakeExists(const std::string& path);
bool FakeIsFolder(const std::string& path);
std::uint64_t FakeSizeOf(const std::string& path);

// A file holding exactly these bytes (its folders added as needed), and the
// bytes a file holds. Attribute bit 1 makes a file read-only: it cannot be
// opened for writing nor replaced.
void FakePutBytes(const std::string& path, const std::string& bytes,
                  std::uint32_t attributes = FakeFileAttributes);
std::string FakeBytesOf(const std::string& path);
// Every file and folder path under `folder`, as given.
std::vector<std::string> FakeListUnder(const std::string& folder);

// The folder in which PlatFullPathName resolves a name (c:\work at first).
void FakeSetCurrentFolder(const std::string& folder);

// One run of the encoder. Runs are taken from a queue in order; when the
// queue is empty a run behaves like the real encoder: it reads the last
// quoted argument, writes the "-o" path or, without one, the input's name
// with the other extension, at half (compress) or twice (restore, "-d") the
// input's size, refuses an existing output without "-f", and fails on a
// missing input or output folder. A run that ends with an exit code other
// than 0 has, like the real one, emptied its output, written part of it and
// deleted it again; one cut short (killed, a power cut) leaves that part.
// The program file must exist.
struct FakeEncoderRun {
    bool starts = true;
    std::uint32_t exitCode = 0;
    bool writesOutput = true;
    std::int64_t outputSize = -1;  // -1: half or twice the input
    // Called while the run is in progress, outside the fake's lock, so it
    // may look at the logic's state or block until a test releases it.
    std::function<void(const std::string& commandLine)> during;
    bool cutShort = false;
};
void FakeQueueEncoderRun(const FakeEncoderRun& run);

// What the encoder writes when a job asks it what it is (PlatRunCapture).
// At first it does not start; `ends` false: it would run for ever.
struct FakeEncoderAnswer {
    bool starts = true;
    bool ends = true;
    std::uint32_t exitCode = 0;
    std::string output;
};
void FakeSetEncoderAnswer(const FakeEncoderAnswer& answer);
// Every such run asked for, as "APPLICATION|COMMAND LINE|SIZE|MILLISECONDS".
std::vector<std::string> FakeCaptures();
void FakeSetProcessorCount(int count);  // 2 at first

std::vector<std::string> FakeApplications();   // every program file asked for
std::vector<std::string> FakeCommandLines();   // every command line, started or not
std::vector<std::string> FakeDirectoryCalls(); // every folder creation asked for
int FakeRepaintCount();
int FakeOpenSearchCount();  // searches opened and not yet closed

// Controls start enabled. Every enable, disable and repaint is logged as
// "enable N", "disable N" or "repaint" (N the window's value), a session end
// reason as "reason TEXT" or "reason withdrawn", the job's end as "job
// ended", and each calls the
// hook on the calling thread, once the call has taken effect or, with
// `beforeEachCall`, just before: a test can act at every such point.
bool FakeIsEnabled(PlatWindow window);
std::vector<std::string> FakeWindowCalls();
void FakeSetWindowHook(std::function<void()> hook, bool beforeEachCall = false);

// Fault injection: the nth call from now (1 = the next) of that kind fails;
// with FromThenOn every later call of that kind fails too, as on a full disk.
// RunProcess: the run does not start; EncoderExit: the run that starts
// fails as the real encoder does, with exit code 2; EncoderCut: it is cut
// short, leaving part of its output, with exit code 1. ReplaceFile also
// fails renames; FindFirst and FindNext fail as an unreadable folder does.
enum class FakeOp {
    CreateDirectory, RunProcess, FileSize, ThreadStart,
    OpenWrite, WriteFile, CloseFile, ReplaceFile, FullPath, ReadFile, EncoderExit,
    EncoderCut, FindFirst, FindNext,
};
constexpr int FakeOpCount = 14;
enum class FakeFault { Once, FromThenOn };
void FakeFailNth(FakeOp op, int n, FakeFault mode = FakeFault::Once);
// True once the fault armed last for that kind has struck (the first time,
// in either mode): a loop over n ends when the nth call is no longer reached.
bool FakeFaultReached(FakeOp op);

// Waits for every thread started through PlatStartThread.
void FakeJoinThreads();
