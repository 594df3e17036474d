// The batch job on its own thread: the start checks, the split of the input
// path into folder and pattern, the output root and the depth-first walk.
#include <cstring>

#include "batch/batch_job.h"
#include "form/form_table.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

char InputDirStack[FolderStackSize][JobPathSize];
char OutputDirStack[FolderStackSize][JobPathSize];
std::int32_t StackTop;

namespace {

enum class WalkEnd { Finished, Cancelled, FolderLimit };

bool Cancelled() { return AbortRequested.load() > 0; }

// ResultText with a message of the current language added. Only this
// thread writes ResultText while the job runs, so reading it is safe.
void AppendMessage(int message) {
    char text[TextSlotSize];
    CopyText(text, sizeof text, TextSlots[ResultText]);
    AppendText(text, sizeof text, MessageText(message));
    PublishSlotText(ResultText, text);
}

char FoldLetter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// True when `text` ends with `extension` (a dot and lower-case letters),
// letters in either case, with at least one byte before the dot.
bool HasExtension(const char* text, const char* extension) {
    std::size_t length = std::strlen(text);
    std::size_t tail = std::strlen(extension);
    if (length <= tail) return false;
    const char* end = text + length - tail;
    if (end[0] != '.') return false;
    for (std::size_t i = 1; i < tail; ++i)
        if (FoldLetter(end[i]) != extension[i]) return false;
    return true;
}

// The folder part of a path: up to and including its last
// backslash, or "c:\" when that backslash is the first byte or there is
// none. `rest` (may be null) gets what follows. False when the folder part
// does not fit a job path.
bool SplitFolder(const char* path, char* folder, char* rest) {
    long last = FindLastBackslash(path);
    if (last <= 0) {
        CopyText(folder, JobPathSize, "c:\\");
        return rest == nullptr || CopyText(rest, JobPathSize, path + (last == 0 ? 1 : 0));
    }
    std::size_t folderLength = static_cast<std::size_t>(last) + 1;
    if (folderLength >= JobPathSize) return false;
    std::memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    return rest == nullptr || CopyText(rest, JobPathSize, path + folderLength);
}

// Folders the walk enters: real folders that are not hidden, system or
// reparse points (a junction could lead round in circles), and whose name
// does not begin with a dot. Read-only and other bits do not matter.
bool IsWalkedFolder(const PlatFoundEntry& entry) {
    const std::uint32_t excluded = PlatAttrHidden | PlatAttrSystem | PlatAttrReparsePoint;
    return (entry.attributes & PlatAttrDirectory) != 0 && (entry.attributes & excluded) == 0 &&
           entry.name[0] != '.';
}

bool JoinPath(char* target, const char* first, const char* second, const char* third) {
    return CopyText(target, JobPathSize, first) && AppendText(target, JobPathSize, second) &&
           AppendText(target, JobPathSize, third);
}

// A folder or search text that does not fit, or a name the code page
// cannot express: the user sees the whole path (with the name's likeness)
// and one more error, and the walk goes on without it.
void LeaveOut(const char* first, const char* second, const char* third, BatchStats* stats,
              PlatWindow window) {
    char shown[TextSlotSize];
    FormatText(shown, sizeof shown, "%s%s%s", first, second, third);
    CountLeftOut(shown, stats, window);
}

WalkEnd Walk(const char* pattern, BatchStats* stats, PlatWindow window) {
    bool recurse = IntSettings[Recurse] == 1;
    bool sameFolder = IntSettings[SameFolder] == 1;
    char searchText[JobPathSize];
    char folderSearch[JobPathSize];
    char savedInput[JobPathSize];
    char savedOutput[JobPathSize];
    char childInput[JobPathSize];
    char childOutput[JobPathSize];
    PlatFoundEntry entry;

    while (StackTop >= 0) {
        if (Cancelled()) return WalkEnd::Cancelled;
        const char* inputDir = InputDirStack[StackTop];
        if (!JoinPath(searchText, inputDir, pattern, "") ||
            (recurse && !JoinPath(folderSearch, inputDir, "*.*", ""))) {
            LeaveOut(inputDir, pattern, "", stats, window);
            StackTop -= 1;
            continue;
        }

        bool outputFolderReady = false;
        PlatSearch search = PlatFindFirst(searchText, &entry);
        if (search != nullptr) {
            do {
                // A folder is never handed to the encoder, whatever its name;
                // a name that is only a likeness would reach another file.
                if ((entry.attributes & PlatAttrDirectory) == 0) {
                    if (entry.nameExact)
                        ConvertFile(entry.name, InputDirStack[StackTop], OutputDirStack[StackTop],
                                    &outputFolderReady, stats, window);
                    else
                        LeaveOut(InputDirStack[StackTop], entry.name, "", stats, window);
                }
                if (Cancelled()) {
                    PlatFindClose(search);
                    return WalkEnd::Cancelled;
                }
            } while (PlatFindNext(search, &entry));
            PlatFindClose(search);
        }

        if (recurse) {
            // The first subfolder takes over this folder's entry.
            CopyText(savedInput, sizeof savedInput, InputDirStack[StackTop]);
            CopyText(savedOutput, sizeof savedOutput, OutputDirStack[StackTop]);
            search = PlatFindFirst(folderSearch, &entry);
            if (search != nullptr) {
                do {
                    if (!IsWalkedFolder(entry)) continue;
                    if (!entry.nameExact || !JoinPath(childInput, savedInput, entry.name, "\\") ||
                        !(sameFolder ? CopyText(childOutput, sizeof childOutput, childInput)
                                     : JoinPath(childOutput, savedOutput, entry.name, "\\"))) {
                        LeaveOut(savedInput, entry.name, "\\", stats, window);
                        continue;
                    }
                    std::memcpy(InputDirStack[StackTop], childInput, JobPathSize);
                    std::memcpy(OutputDirStack[StackTop], childOutput, JobPathSize);
                    StackTop += 1;
                    if (StackTop >= FolderStackSize) {
                        PlatFindClose(search);
                        return WalkEnd::FolderLimit;
                    }
                } while (PlatFindNext(search, &entry));
                PlatFindClose(search);
            }
        }
        StackTop -= 1;
    }
    return WalkEnd::Finished;
}

}  // namespace

void BatchJob(PlatWindow window) {
    PublishSlotText(ResultText, "");
    PublishSlotText(CurrentFile, "");

    // The level rule, then the cut after the first character (5x becomes 5).
    CheckLevelText();
    TextSlots[LevelText][1] = '\0';

    bool compress = IntSettings[Mode] == 0;
    char input[JobPathSize];
    if (!CopyText(input, sizeof input, TextSlots[compress ? LastWavSpec : LastFlacSpec])) {
        AppendMessage(InputTooLongMessage);
        return;
    }
    // A quote would end the path's quoting on the encoder's command line and
    // turn the rest into options; no Windows name holds one, but a stored
    // spec may.
    const bool outputUsed = IntSettings[SameFolder] != 1;
    if (std::strchr(input, '"') != nullptr ||
        (outputUsed && std::strchr(TextSlots[OutputSpec], '"') != nullptr)) {
        AppendMessage(QuoteInPathMessage);
        return;
    }
    if (!HasExtension(input, compress ? ".wav" : ".flac")) {
        AppendMessage(compress ? OnlyWavMessage : OnlyFlacMessage);
        return;
    }
    char pattern[JobPathSize];
    SplitFolder(input, InputDirStack[0], pattern);  // parts of a job path: they fit
    if (!outputUsed) {
        CopyText(OutputDirStack[0], JobPathSize, InputDirStack[0]);
    } else if (!SplitFolder(TextSlots[OutputSpec], OutputDirStack[0], nullptr)) {
        AppendMessage(OutputTooLongMessage);
        return;
    }

    BatchStats stats;
    StackTop = 0;
    WalkEnd end = Walk(pattern, &stats, window);
    if (end == WalkEnd::FolderLimit) {
        AppendMessage(TooManyFoldersMessage);
    } else if (end == WalkEnd::Finished &&
               stats.ConvertedCount + stats.SkippedCount + stats.ErrorCount == 0) {
        // Only when nothing at all was found: failed files keep their counts.
        PublishSlotText(ResultText, MessageText(NoFileMessage));
    }
}

void BatchJobThread(void* mainWindow) {
    PlatWindow window = static_cast<PlatWindow>(mainWindow);
    PlatEnableWindow(ControlHandles[ExecuteRow], false);
    PlatEnableWindow(ControlHandles[ExitRow], false);
    PlatEnableWindow(ControlHandles[CancelRow], true);
    BatchJob(window);
    PlatRequestRepaint(window);
    // Cleared only once Cancel is disabled, so no Cancel of this job is left
    // over for the next one; and the job is over before Exit and Execute
    // come back, so a click on them at that moment is not taken for one
    // during the job. Execute comes last: the next job may start at once.
    PlatEnableWindow(ControlHandles[CancelRow], false);
    AbortRequested = 0;
    JobHandle = 0;
    PlatEnableWindow(ControlHandles[ExitRow], true);
    PlatEnableWindow(ControlHandles[ExecuteRow], true);
}

bool StartBatchJob(PlatWindow window) {
    if (JobHandle != 0) return false;
    AbortRequested = 0;
    // Up before the thread exists, so that the thread's clearing comes last.
    JobHandle = 1;
    if (PlatStartThread(BatchJobThread, window)) return true;
    JobHandle = 0;
    PublishSlotText(ResultText, "error: the job could not be started\n");
    PlatRequestRepaint(window);
    return false;
}
