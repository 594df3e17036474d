// The per-file step of the batch job: skip test, output folder, encoder run,
// result accounting and the status texts.
#include <cstring>
#include <initializer_list>

#include "batch/batch_job.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

namespace {

// Buffer sizes of the per-file step, each with its NUL. They are limits:
// a text that does not fit is refused, never cut.
constexpr std::size_t StatusLineSize = 1000;    // one formatted status line
constexpr std::size_t FolderCreateSize = 1000;  // output folder while it is made
// The longest line there can be: the encoder's path, every option and two
// job paths, each quoted with ".\\" in front.
constexpr std::size_t CommandLineSize = 2611;   // encoder command line

bool CompressMode() { return IntSettings[Mode] == 0; }

// The encoder's output is named so until it is whole. No pattern of either
// mode matches it, not even by its 8.3 short name (its extension is "KES").
constexpr char TemporarySuffix[] = ".kestrelia-tmp";

// ResultText is always rebuilt whole: the status word, the counts and, in
// compress mode once a file was converted, a ratio line.
void PublishStatus(const char* word, bool inProgress, const BatchStats& stats, PlatWindow window) {
    char text[TextSlotSize];
    char line[StatusLineSize];
    CopyText(text, sizeof text, word);
    FormatText(line, sizeof line, "converted:%d, skip:%d, error:%d", stats.ConvertedCount,
               stats.SkippedCount, stats.ErrorCount);
    AppendText(text, sizeof text, line);
    if (CompressMode() && stats.ConvertedCount > 0) {
        if (inProgress)
            FormatText(line, sizeof line, ", ratio:--.-%%, min:%.1f%%, max:%.1f%%, average:%.1f%%\n",
                       stats.MinRatio, stats.MaxRatio, stats.AverageRatio);
        else if (stats.ConvertedCount == 1)
            FormatText(line, sizeof line, ", ratio:%.1f%%\n", stats.LastRatio);
        else
            FormatText(line, sizeof line, ", ratio:%.1f%%, min:%.1f%%, max:%.1f%%, average:%.1f%%\n",
                       stats.LastRatio, stats.MinRatio, stats.MaxRatio, stats.AverageRatio);
        AppendText(text, sizeof text, line);
    }
    PublishSlotText(ResultText, text);
    PlatRequestJobRepaint(window);
}

// Output folder + name with the extension swapped in place: the last three
// bytes become "flac" in compress mode, the last four "wav" in restore mode.
// False when the name is shorter than what the swap replaces (the swap would
// eat into the folder) or the result does not fit `size`.
bool DeriveOutputPath(const char* outputDir, const char* name, char* target, std::size_t size) {
    std::size_t replaced = CompressMode() ? 3 : 4;
    std::size_t nameLength = std::strlen(name);
    if (nameLength < replaced) return false;
    if (!CopyText(target, size, outputDir) || !AppendText(target, size, name)) return false;
    target[std::strlen(target) - replaced] = '\0';
    return AppendText(target, size, CompressMode() ? "flac" : "wav");
}

void CountError(BatchStats* stats, PlatWindow window) {
    stats->ErrorCount += 1;
    PublishStatus("error\n", false, *stats, window);
}

// Creates the folder `folderPath` (ending with a backslash) and any missing
// parents. Failures to create are not reported (the folder may exist);
// false only when the path does not fit its buffer, and nothing was made.
bool MakeOutputFolder(const char* folderPath) {
    char path[FolderCreateSize];
    if (!CopyText(path, sizeof path, folderPath)) return false;
    std::size_t n = std::strlen(path);
    if (n == 0) return true;

    path[n - 1] = '\0';
    if (PlatCreateDirectory(path)) return true;
    path[n - 1] = '\\';

    // Parent missing (or the folder is there already): make every prefix in
    // turn, shortest first.
    for (std::size_t i = 1; i < n; ++i) {
        if (path[i] != '\\') continue;
        path[i] = '\0';
        PlatCreateDirectory(path);
        path[i] = '\\';
    }
    return true;
}

// The encoder command line for one file, from Mode, LevelText, Overwrite
// and EncoderPath, into `commandLine` (CommandLineSize bytes); `outputPath`
// is where the encoder writes, in either folder mode.
// False, with nothing usable in `commandLine`, when it does not fit or a
// path holds a double quote.
bool BuildEncoderCommand(const char* inputPath, const char* outputPath, char* commandLine) {
    commandLine[0] = '\0';
    // Every path goes between quotes; a quote inside one would close them
    // and make the rest of it options of the encoder.
    for (const char* path : {static_cast<const char*>(EncoderPath), inputPath, outputPath})
        if (std::strchr(path, '"') != nullptr) return false;
    bool fits = true;
    auto add = [&](const char* piece) {
        fits = fits && AppendText(commandLine, CommandLineSize, piece);
    };
    // The encoder takes every argument that begins with "-" for an option,
    // quoted or not: a relative path that would is named from ".\" instead.
    auto addPath = [&](const char* path) {
        add("\"");
        if (path[0] == '-') add(".\\");
        add(path);
        add("\"");
    };
    // The encoder's own path comes first, quoted, so that a blank in it can
    // never make the line name another program.
    add("\"");
    add(EncoderPath);
    add("\"");
    if (CompressMode()) {
        add(" -V -");
        add(TextSlots[LevelText]);
        // Strict: a WAV whose chunks cannot be kept fails, rather than
        // losing them silently.
        add(JobEncoder.keepsChunks ? " --keep-foreign-metadata " : " ");
        char threads[16];
        FormatText(threads, sizeof threads, "-j %d ", JobEncoder.threads);
        if (JobEncoder.threads > 0) add(threads);
    } else {
        // A FLAC made elsewhere has no chunks to give back.
        add(JobEncoder.keepsChunks ? " -d --keep-foreign-metadata-if-present " : " -d ");
    }
    if (IntSettings[Overwrite] == 1) add("-f ");
    add("-o ");
    addPath(outputPath);
    add(" ");
    addPath(inputPath);
    if (!fits) commandLine[0] = '\0';
    return fits;
}

// The program file is named exactly: no search along the command line.
bool EncoderProgram(char* application, std::size_t size) {
    return FormatText(application, size, "%s.exe", EncoderPath);
}

// Runs the encoder named by EncoderPath with `commandLine` and waits for it.
// True only when it started and ended with exit code 0.
bool RunEncoder(char* commandLine) {
    char application[RunPathSize + 4];
    if (!EncoderProgram(application, sizeof application)) return false;
    std::uint32_t exitCode = 1;
    return PlatRunProcess(application, commandLine, &exitCode) && exitCode == 0;
}

struct FilePaths {
    char input[JobPathSize];
    char output[JobPathSize];
    char temporary[JobPathSize];  // where the encoder writes
};

// The input and output paths of the search entry `name`, the output shown
// in CurrentFile: in full, in a slot-sized buffer, even when it is too long
// for the job and refused. False when either does not fit.
bool NameFilePaths(const char* name, const char* inputDir, const char* outputDir, FilePaths* paths) {
    char shownPath[TextSlotSize];
    const bool outputFits = DeriveOutputPath(outputDir, name, shownPath, sizeof shownPath);
    if (!outputFits) FormatText(shownPath, sizeof shownPath, "%s%s", outputDir, name);
    PublishSlotText(CurrentFile, shownPath);
    return outputFits && CopyText(paths->output, sizeof paths->output, shownPath) &&
           FormatText(paths->input, sizeof paths->input, "%s%s", inputDir, name);
}

// The encoder writes under the temporary name, and the output takes its
// name only when whole: a failed run empties and deletes what it writes,
// and one cut short leaves part of it, which the next job would skip as
// converted. A temporary file of this name is a run's left over. Without
// overwriting, an output that appeared meanwhile stays. True when the
// output has its name.
bool RunIntoTemporary(char* commandLine, const FilePaths& paths) {
    PlatDeleteFile(paths.temporary);
    const bool named = RunEncoder(commandLine) && (IntSettings[Overwrite] == 1
                                                       ? PlatReplaceFile(paths.temporary, paths.output)
                                                       : PlatRenameFile(paths.temporary, paths.output));
    if (!named) PlatDeleteFile(paths.temporary);
    return named;
}

// A converted file into the counts and ratios; an error when either size
// cannot be read.
void CountConverted(const FilePaths& paths, BatchStats* stats, PlatWindow window) {
    std::uint64_t inputSize = 0;
    std::uint64_t outputSize = 0;
    if (!PlatFileSize(paths.input, &inputSize) || !PlatFileSize(paths.output, &outputSize)) {
        CountError(stats, window);
        return;
    }
    stats->ConvertedCount += 1;
    stats->TotalInputBytes += static_cast<double>(inputSize);
    stats->TotalOutputBytes += static_cast<double>(outputSize);
    if (inputSize > 0) {
        stats->LastRatio = static_cast<double>(outputSize) / static_cast<double>(inputSize) * 100.0;
        stats->AverageRatio = stats->TotalOutputBytes / stats->TotalInputBytes * 100.0;
        if (stats->LastRatio < stats->MinRatio) stats->MinRatio = stats->LastRatio;
        if (stats->LastRatio > stats->MaxRatio) stats->MaxRatio = stats->LastRatio;
    }
    PublishStatus("done\n", false, *stats, window);
}

}  // namespace

void ConvertFile(const char* name, const char* inputDir, const char* outputDir,
                 bool* outputFolderReady, BatchStats* stats, PlatWindow window) {
    FilePaths paths;
    if (!NameFilePaths(name, inputDir, outputDir, &paths)) {
        CountError(stats, window);
        return;
    }
    if (IntSettings[Overwrite] == 0 && PlatFileReadable(paths.output)) {
        stats->SkippedCount += 1;
        PublishStatus("skipped\n", false, *stats, window);
        return;
    }
    if (!FormatText(paths.temporary, sizeof paths.temporary, "%s%s", paths.output, TemporarySuffix)) {
        char shownPath[TextSlotSize];
        FormatText(shownPath, sizeof shownPath, "%s%s", paths.output, TemporarySuffix);
        CountLeftOut(shownPath, stats, window);
        return;
    }
    // Built before anything is made, so that a line too long for its buffer
    // leaves no folder behind.
    char commandLine[CommandLineSize];
    if (!BuildEncoderCommand(paths.input, paths.temporary, commandLine)) {
        CountError(stats, window);
        return;
    }
    PublishStatus("in progress\n", true, *stats, window);
    // One attempt per folder, even when it fails.
    const bool firstInFolder = !*outputFolderReady;
    *outputFolderReady = true;
    if ((firstInFolder && !MakeOutputFolder(outputDir)) || !RunIntoTemporary(commandLine, paths)) {
        CountError(stats, window);
        return;
    }
    CountConverted(paths, stats, window);
}

void CountLeftOut(const char* shownPath, BatchStats* stats, PlatWindow window) {
    PublishSlotText(CurrentFile, shownPath);
    CountError(stats, window);
}

EncoderAbilities JobEncoder;

namespace {

// At most four digits, so that no number overflows.
bool ReadNumber(const char** text, int* number) {
    *number = 0;
    int digits = 0;
    for (; **text >= '0' && **text <= '9' && digits < 4; ++*text, ++digits)
        *number = *number * 10 + (**text - '0');
    return digits > 0 && !(**text >= '0' && **text <= '9');
}

// "flac X.Y.Z" alone on the first line, or followed by a blank: the major
// and minor numbers.
bool ReadVersion(const char* answer, int* major, int* minor) {
    const char* at = answer + 5;
    int patch = 0;
    return std::strncmp(answer, "flac ", 5) == 0 && ReadNumber(&at, major) && *at++ == '.' &&
           ReadNumber(&at, minor) && *at++ == '.' && ReadNumber(&at, &patch) &&
           (*at == '\0' || *at == '\r' || *at == '\n' || *at == ' ');
}

}  // namespace

void AskEncoder() {
    // An answer is one short line; an encoder that does not give it within
    // a few seconds is ended, and the job runs it with no options of its own.
    constexpr std::size_t AnswerSize = 256;
    constexpr std::uint32_t AnswerMilliseconds = 5000;
    JobEncoder = EncoderAbilities{};
    char application[RunPathSize + 4];
    char commandLine[CommandLineSize];
    char answer[AnswerSize];
    int major = 0, minor = 0;
    if (std::strchr(EncoderPath, '"') != nullptr || !EncoderProgram(application, sizeof application) ||
        !FormatText(commandLine, sizeof commandLine, "\"%s\" --version", EncoderPath) ||
        !PlatRunCapture(application, commandLine, answer, sizeof answer, AnswerMilliseconds) ||
        !ReadVersion(answer, &major, &minor))
        return;
    JobEncoder.keepsChunks = major > 1 || (major == 1 && minor >= 4);
    // More than four threads bring nothing more.
    const int threads = PlatProcessorCount() < 4 ? PlatProcessorCount() : 4;
    if ((major > 1 || (major == 1 && minor >= 5)) && threads >= 2) JobEncoder.threads = threads;
}

