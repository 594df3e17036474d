// The commands of the form's buttons, in two states: idle, and while a job
// runs, when every change to a setting the job reads is refused.

#include "form/commands.h"

#include "app/window_size.h"
#include "batch/batch_job.h"
#include "form/form_table.h"
#include "form/form_window.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

const char FileFilterWav[] = "*.wav\0\0";
const char FileFilterFlac[] = "*.flac\0\0";
const char FileFilterAll[] = "*.*\0\0";

namespace {

// The dialog holds 3000 UTF-16 units; their UTF-8 takes up to 3 bytes each.
constexpr std::size_t DialogPathSize = 9000;
int ModeSpec() { return IntSettings[Mode] != 0 ? LastFlacSpec : LastWavSpec; }

void ToggleLanguage(PlatWindow, int) {
    IntSettings[Language] = IntSettings[Language] + 1 >= 2 ? 0 : IntSettings[Language] + 1;
    RelabelForm();
}

void ResetWindowSize(PlatWindow window, int) {
    WindowSize size = DefaultWindowSize();
    PlatResizeWindow(window, size.width, size.height);
}

void SwitchMode(PlatWindow, int id) {
    const FormRow& row = FormTable[id];
    PlatSetCheck(ControlHandles[IntSettings[row.index] + row.aux], false);
    IntSettings[row.index] = id - row.aux;
    PlatSetCheck(ControlHandles[id], true);
    CopyText(TextSlots[InputSpec], TextSlotSize, TextSlots[ModeSpec()]);
}

void ToggleCheckBox(PlatWindow, int id) {
    std::int32_t& setting = IntSettings[FormTable[id].index];
    setting = setting != 0 ? 0 : 1;
    PlatSetCheck(ControlHandles[id], setting != 0);
    ShowFolderSelectState();
}

// The open-file dialog, opened with the slot's spec; the chosen path on
// success. A spec too long for the dialog opens it with an empty name
// rather than a cut one.
bool ChoosePath(PlatWindow window, int slot, const char* filter, char* path) {
    if (!CopyText(path, DialogPathSize, TextSlots[slot])) path[0] = '\0';
    return PlatOpenFileDialog(window, filter, path, DialogPathSize);
}

void ChooseInputSpec(PlatWindow window, int id) {
    static char path[DialogPathSize];
    int spec = ModeSpec();
    if (!ChoosePath(window, spec, IntSettings[Mode] != 0 ? FileFilterFlac : FileFilterWav, path)) return;
    CopyText(TextSlots[FormTable[id].index], TextSlotSize, path);
    CopyText(TextSlots[spec], TextSlotSize, path);
}

void ChooseOutputSpec(PlatWindow window, int id) {
    static char path[DialogPathSize];
    if (!ChoosePath(window, OutputSpec, FileFilterAll, path)) return;
    CopyText(TextSlots[FormTable[id].index], TextSlotSize, path);
}

void StartJob(PlatWindow window, int) {
    CopyEditTexts();
    StartBatchJob(window);
}

void ConfirmExit(PlatWindow window, int) {
    if (PlatMessageBox(window, MessageText(ReallyExitMessage), "Exit", PlatBoxYesNo) == PlatAnswerYes)
        PlatSendDestroy(window);
}

void RefuseChange(PlatWindow window, int) {
    PlatMessageBox(window, MessageText(ChangeRefusedMessage), "Parameter", PlatBoxOk);
}

void ShowBug(PlatWindow window, int) { PlatMessageBox(window, "BUG", "Parameter", PlatBoxOk); }

void CancelJob(PlatWindow, int) { CancelBatchJob(); }

typedef void (*Action)(PlatWindow window, int id);

struct Command {
    int id;
    Action idle;     // null: nothing
    Action running;  // while a job runs; null: nothing
};

// While a job runs, a change to what the job reads is refused with a box, but Folder Select and
// Same Folder are ignored, as they always were; Execute and Exit are disabled then, so "BUG" says
// a click on Exit came through all the same.
const Command Commands[] = {
    {LanguageRow, ToggleLanguage, RefuseChange},
    {DefaultSizeRow, ResetWindowSize, nullptr},
    {ModeRowFirst, SwitchMode, RefuseChange},
    {ModeRowLast, SwitchMode, RefuseChange},
    {OverwriteRow, ToggleCheckBox, RefuseChange},
    {FileSelectRow, ChooseInputSpec, RefuseChange},
    {RecurseRow, ToggleCheckBox, RefuseChange},
    {FolderSelectRow, ChooseOutputSpec, nullptr},
    {SameFolderRow, ToggleCheckBox, nullptr},
    {ExecuteRow, StartJob, nullptr},
    {ExitRow, ConfirmExit, ShowBug},
    {CancelRow, nullptr, CancelJob},
};

}  // namespace

void HandleCommand(PlatWindow window, int id, int code) {
    // Once a close is on its way, nothing may start a job or open a box.
    if (code != 0 || CloseRequested) return;
    bool running = JobHandle.load() != 0;
    for (const Command& command : Commands) {
        if (command.id != id) continue;
        Action action = running ? command.running : command.idle;
        if (action != nullptr) action(window, id);
    }
    if (!running && (id == ModeRowFirst || id == ModeRowLast)) {
        PublishSlotText(CurrentFile, "");
        PublishSlotText(ResultText, "");
    }
    PlatRequestRepaint(window);
}
