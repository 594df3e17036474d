// The batch job: the folder walk on the job thread, and the per-file step
// that runs the encoder and keeps the counts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// The size of a job path with its NUL, a limit: a path that does not fit
// is refused, never cut. A path of 260 UTF-16 units takes up to 780 bytes
// of UTF-8.
constexpr std::size_t JobPathSize = 780;  // input and output paths

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

// The entry of the walk's folder stacks in work.
extern std::int32_t StackTop;

// Starts a job on its own thread for the main window `window`, once the
// level edit box is in LevelText. JobHandle is set before the thread exists;
// when no thread can be started it is cleared again, ResultText says so and
// the buttons stay as they were. False when no job was started.
bool StartBatchJob(PlatWindow window);

// Asks the running job to stop once its file in work is done. Cancel is
// disabled first, so that a second click cannot fall on the next job.
void CancelBatchJob();

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
