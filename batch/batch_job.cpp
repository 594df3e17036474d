// The batch job on its own thread: the start checks, the split of the input
// path into folder and pattern, the output root and the depth-first walk.
#include <cstring>
#include <initializer_list>

#include "batch/batch_job.h"
#include "form/form_table.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

std::int32_t StackTop;

namespace {

// The folder stacks of the walk: entry k of each is a pending input folder
// and its output folder, both ending with a backslash. Fixed storage, used
// by the job thread alone.
constexpr int FolderStackSize = 6000;
char InputDirStack[FolderStackSize][JobPathSize];
char OutputDirStack[FolderStackSize][JobPathSize];

bool Cancelled() { return AbortRequested.load() > 0; }

// ResultText with a message of the current language added. Only this
// thread writes ResultText while the job runs, so reading it is safe.
void AppendMessage(int message) {
    char text[TextSlotSize];
    CopyText(text, sizeof text, TextSlots[ResultText]);
    AppendText(text, sizeof text, MessageText(message));
    PublishSlotText(ResultText, text);
}

// True when `text` ends with `extension` (a dot and lower-case letters),
// letters in either case, with at least one byte before the dot.
bool HasExtension(const char* text, const char* extension) {
    std::size_t length = std::strlen(text);
    std::size_t tail = std::strlen(extension);
    if (length <= tail) return false;
    const char* end = text + length - tail;
    if (end[0] != '.') return false;
    for (std::size_t i = 1; i < tail; ++i)
        if (FoldAscii(end[i]) != extension[i]) return false;
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

// A folder or search text that does not fit, a folder that cannot be
// searched, or a name that does not name itself: the user sees the whole
// path (with the name's likeness) and one more error, and the walk goes on
// without it.
void LeaveOut(const char* first, const char* second, const char* third, BatchStats* stats,
              PlatWindow window) {
    char shown[TextSlotSize];
    FormatText(shown, sizeof shown, "%s%s%s", first, second, third);
    CountLeftOut(shown, stats, window);
}

// True when `name`, found in `folder`, reaches that very entry: the name
// is exact, and the path Windows makes of it is no device (NUL.wav may be
// \\.\NUL) and still ends in the name (a trailing dot or blank may be
// stripped, which leads to another entry).
bool NamesItself(const char* folder, const PlatFoundEntry& entry) {
    char path[JobPathSize];
    char full[4 * JobPathSize];  // a relative path resolves longer
    if (!entry.nameExact || !JoinPath(path, folder, entry.name, "")) return false;
    const std::size_t length = PlatFullPathName(path, full, sizeof full);
    const std::size_t nameLength = std::strlen(entry.name);
    return length > nameLength && std::strncmp(full, "\\\\.\\", 4) != 0 &&
           full[length - nameLength - 1] == '\\' && std::strcmp(full + length - nameLength, entry.name) == 0;
}

// How a search of the walk, or the walk itself, ended. A failed search has
// been shown as an error.
enum class WalkEnd { Done, Cancelled, Failed, FolderLimit };

// Converts the files that `searchText` finds in the folder on top of the
// stack.
WalkEnd ConvertMatches(const char* searchText, BatchStats* stats, PlatWindow window) {
    const char* inputDir = InputDirStack[StackTop];
    PlatSearch search;
    PlatFoundEntry entry;
    PlatSearchStep step = PlatFindFirst(searchText, &search, &entry);
    WalkEnd end = WalkEnd::Done;
    bool outputFolderReady = false;
    while (step == PlatSearchStep::Entry) {
        // A folder is never handed to the encoder, whatever its name.
        if ((entry.attributes & PlatAttrDirectory) == 0) {
            if (NamesItself(inputDir, entry))
                ConvertFile(entry.name, inputDir, OutputDirStack[StackTop], &outputFolderReady, stats,
                            window);
            else
                LeaveOut(inputDir, entry.name, "", stats, window);
        }
        if (Cancelled()) end = WalkEnd::Cancelled;
        step = end == WalkEnd::Cancelled ? PlatSearchStep::End : PlatFindNext(search, &entry);
        if (step != PlatSearchStep::Entry) PlatFindClose(search);
    }
    if (step != PlatSearchStep::Failed) return end;
    LeaveOut(inputDir, "", "", stats, window);
    return WalkEnd::Failed;
}

// Pushes the lower folders that `searchText` finds in the folder on top of
// the stack; the first takes over that folder's own entry.
WalkEnd PushLowerFolders(const char* searchText, BatchStats* stats, PlatWindow window) {
    const bool sameFolder = IntSettings[SameFolder] == 1;
    char savedInput[JobPathSize];
    char savedOutput[JobPathSize];
    char childInput[JobPathSize];
    char childOutput[JobPathSize];
    CopyText(savedInput, sizeof savedInput, InputDirStack[StackTop]);
    CopyText(savedOutput, sizeof savedOutput, OutputDirStack[StackTop]);
    PlatSearch search;
    PlatFoundEntry entry;
    PlatSearchStep step = PlatFindFirst(searchText, &search, &entry);
    WalkEnd end = WalkEnd::Done;
    while (step == PlatSearchStep::Entry) {
        const bool walked = IsWalkedFolder(entry);
        if (walked && NamesItself(savedInput, entry) && JoinPath(childInput, savedInput, entry.name, "\\") &&
            (sameFolder ? CopyText(childOutput, sizeof childOutput, childInput)
                        : JoinPath(childOutput, savedOutput, entry.name, "\\"))) {
            std::memcpy(InputDirStack[StackTop], childInput, JobPathSize);
            std::memcpy(OutputDirStack[StackTop], childOutput, JobPathSize);
            StackTop += 1;
            if (StackTop >= FolderStackSize) end = WalkEnd::FolderLimit;
        } else if (walked) {
            LeaveOut(savedInput, entry.name, "\\", stats, window);
        }
        step = end == WalkEnd::FolderLimit ? PlatSearchStep::End : PlatFindNext(search, &entry);
        if (step != PlatSearchStep::Entry) PlatFindClose(search);
    }
    if (step != PlatSearchStep::Failed) return end;
    LeaveOut(savedInput, "", "", stats, window);
    return WalkEnd::Failed;
}

WalkEnd Walk(const char* pattern, BatchStats* stats, PlatWindow window) {
    const bool recurse = IntSettings[Recurse] == 1;
    char searchText[JobPathSize];
    char folderSearch[JobPathSize];
    while (StackTop >= 0) {
        if (Cancelled()) return WalkEnd::Cancelled;
        const char* inputDir = InputDirStack[StackTop];
        if (!JoinPath(searchText, inputDir, pattern, "") ||
            (recurse && !JoinPath(folderSearch, inputDir, "*.*", ""))) {
            LeaveOut(inputDir, pattern, "", stats, window);
            StackTop -= 1;
            continue;
        }
        WalkEnd end = ConvertMatches(searchText, stats, window);
        if (end == WalkEnd::Cancelled) return end;
        // A folder that cannot be searched has no lower folders to find.
        if (end == WalkEnd::Done && recurse) end = PushLowerFolders(folderSearch, stats, window);
        if (end == WalkEnd::FolderLimit) return end;
        StackTop -= 1;
    }
    return WalkEnd::Done;
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
    char output[TextSlotSize];
    if (!CopyText(input, sizeof input, TextSlots[compress ? LastWavSpec : LastFlacSpec])) {
        AppendMessage(InputTooLongMessage);
        return;
    }
    CopyText(output, sizeof output, TextSlots[OutputSpec]);
    // Windows takes a slash for a backslash: so must the split, or the
    // search would list one folder and the paths be built in another.
    for (char* spec : {input, output})
        for (char* c = spec; *c != '\0'; ++c)
            if (*c == '/') *c = '\\';
    // A quote would end the path's quoting on the encoder's command line and
    // turn the rest into options; no Windows name holds one, but a stored
    // spec may.
    const bool outputUsed = IntSettings[SameFolder] != 1;
    if (std::strchr(input, '"') != nullptr ||
        (outputUsed && std::strchr(output, '"') != nullptr)) {
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
    } else if (!SplitFolder(output, OutputDirStack[0], nullptr)) {
        AppendMessage(OutputTooLongMessage);
        return;
    }

    AskEncoder();
    BatchStats stats;
    StackTop = 0;
    WalkEnd end = Walk(pattern, &stats, window);
    if (end == WalkEnd::FolderLimit) {
        AppendMessage(TooManyFoldersMessage);
    } else if (end == WalkEnd::Done &&
               stats.ConvertedCount + stats.SkippedCount + stats.ErrorCount == 0) {
        // Only when nothing at all was found: failed files keep their counts.
        PublishSlotText(ResultText, MessageText(NoFileMessage));
    }
}

namespace {

// The job thread: switches the buttons, runs BatchJob, switches them back,
// clears AbortRequested and JobHandle, enables Exit and Execute, and tells
// the window the job has ended. `mainWindow` is a PlatWindow.
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
    PlatNotifyJobEnded(window);
}

}  // namespace

void CancelBatchJob() {
    PlatEnableWindow(ControlHandles[CancelRow], false);
    AbortRequested = 1;
}

bool StartBatchJob(PlatWindow window) {
    if (JobHandle != 0) return false;
    AbortRequested = 0;
    // Up before the thread exists, so that the thread's clearing always
    // comes after it.
    JobHandle = 1;
    // A log-off would end the encoder mid-file: Windows shows why it must
    // wait. Given before the thread, so that the job's end withdraws it.
    PlatSetSessionEndReason(window, MessageText(SessionEndWaitMessage));
    if (PlatStartThread(BatchJobThread, window)) return true;
    PlatSetSessionEndReason(window, nullptr);
    JobHandle = 0;
    PublishSlotText(ResultText, "error: the job could not be started\n");
    PlatRequestRepaint(window);
    return false;
}
