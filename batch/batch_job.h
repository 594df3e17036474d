// The batch job: the folder walk on the job thread, and the per-file step
// that runs the encoder and keeps the counts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Buffer sizes of the job, each with its NUL. They are limits: a text that
// does not fit is refused, never cut.
// A path of 260 UTF-16 units takes up to 780 bytes of UTF-8.
constexpr std::size_t JobPathSize = 780;          // input and output paths
constexpr std::size_t StatusLineSize = 1000;      // one formatted status line
constexpr std::size_t FolderCreateSize = 1000;    // output folder while it is made
// The longest line there can be: the encoder's path, every option and two
// job paths, each quoted with ".\\" in front.
constexpr std::size_t CommandLineSize = 2611;     // encoder command line

// Counts and ratios of one job; the ratios are output/input in percent.
struct BatchStats {
    std::int32_t ConvertedCount = 0;
    std::int32_t SkippedCount = 0;
    std::int32_t ErrorCount = 0;
    double TotalInputBytes = 0;
    double TotalOutputBytes = 0;
    double LastRatio = 0;
    double MinRatio = 999;
    double MaxRatio = 0;
    double AverageRatio = 0;
};

// The folder stacks of the walk: entry k of each is a pending input folder
// and its output folder, both ending with a backslash. Fixed storage, used
// by the job thread alone; StackTop is the entry in work.
constexpr int FolderStackSize = 6000;
extern char InputDirStack[FolderStackSize][JobPathSize];
extern char OutputDirStack[FolderStackSize][JobPathSize];
extern std::int32_t StackTop;

// Starts a job on its own thread for the main window `window`, once the
// level edit box is in LevelText. JobHandle is set before the thread exists;
// when no thread can be started it is cleared again, ResultText says so and
// the buttons stay as they were. False when no job was started.
bool StartBatchJob(PlatWindow window);

// Asks the running job to stop once its file in work is done. Cancel is
// disabled first, so that a second click cannot fall on the next job.
void CancelBatchJob();

// The job thread: switches the buttons, runs BatchJob, switches them back,
// clears AbortRequested and JobHandle, enables Exit and Execute, and tells
// the window the job has ended. `mainWindow` is a PlatWindow.
void BatchJobThread(void* mainWindow);

// One whole job: checks, split of the input path, output root,
// the walk and the closing message, all reported in CurrentFile and
// ResultText.
void BatchJob(PlatWindow window);

// One search entry `name` of the input folder `inputDir`, converted into the
// output folder `outputDir` (both end with a backslash). `outputFolderReady`
// is the folder's flag: its output folder is made once, before its first
// conversion. Updates `stats`, CurrentFile and ResultText, and asks `window`
// to repaint after each step the user should see.
void ConvertFile(const char* name, const char* inputDir, const char* outputDir,
                 bool* outputFolderReady, BatchStats* stats, PlatWindow window);

// Counts an error for something the job had to leave out (a folder whose
// path does not fit), showing `shownPath` in CurrentFile.
void CountLeftOut(const char* shownPath, BatchStats* stats, PlatWindow window);

// Creates the folder `folderPath` (ending with a backslash) and any missing
// parents. Failures to create are not reported (the folder may exist);
// false only when the path does not fit its buffer, and nothing was made.
bool MakeOutputFolder(const char* folderPath);

// The encoder command line for one file, from Mode, LevelText, Overwrite
// and EncoderPath, into `commandLine` (CommandLineSize bytes); `outputPath`
// is where the encoder writes, in either folder mode.
// False, with nothing usable in `commandLine`, when it does not fit or a
// path holds a double quote.
bool BuildEncoderCommand(const char* inputPath, const char* outputPath, char* commandLine);

// What the encoder at EncoderPath said it is, asked once per job before the
// walk: the options its command lines add.
struct EncoderAbilities {
    bool keepsChunks = false;  // 1.4.0 on: the WAV's other chunks kept
    int threads = 0;           // 1.5.0 on: threads to encode with, 0 for none
};
extern EncoderAbilities JobEncoder;

// Runs the encoder with "--version" alone, briefly and without a window,
// and sets JobEncoder from its answer "flac X.Y.Z": no options at all for
// an answer it cannot read. Neither counted nor shown.
void AskEncoder();

// Runs the encoder named by EncoderPath with `commandLine` and waits for it.
// True only when it started and ended with exit code 0.
bool RunEncoder(char* commandLine);
