// The process's run and the main window's procedure: every message goes to
// the code that owns the work.
#include "app/main_window.h"

#include "app/window_size.h"
#include "batch/batch_job.h"
#include "form/commands.h"
#include "form/form_table.h"
#include "form/form_window.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"

namespace {

constexpr char ClassName[] = "Kestrelia";
constexpr char Caption[] = "Kestrelia : FLAC file converter R1.20";
constexpr std::uintptr_t CloseTimer = 1;
constexpr std::uint32_t CloseCheckMilliseconds = 100;

void CreationSequence(PlatWindow window, std::intptr_t creationData) {
    MeasureLayoutUnits(window);
    ClearSettingsStore();
    DeriveSettingsPaths();
    LoadSettingsFile();
    ApplySettingDefaults();
    CreateForm(window, creationData);
    PlaceMainWindow(window);
}

// A close during a job cancels it like Cancel does; the window must not go
// (nor the settings be saved) while the job thread still writes its texts.
// The window thread never waits for the job: the job's button calls need
// it to take messages, so a timer looks for the job's end instead.
std::intptr_t HandleClose(PlatWindow window, std::uintptr_t wParam, std::intptr_t lParam) {
    if (JobHandle.load() == 0) return PlatDefaultProcedure(window, PlatMsgClose, wParam, lParam);
    if (!CloseRequested) {
        CloseRequested = true;
        CancelBatchJob();
        PlatStartTimer(window, CloseTimer, CloseCheckMilliseconds);
    }
    return 0;
}

void HandleCloseTimer(PlatWindow window) {
    // The close stays asked until the window is gone: a job started in
    // between would keep it open for hours.
    if (!CloseRequested || JobHandle.load() != 0) return;
    PlatStopTimer(window, CloseTimer);
    PlatDestroyWindow(window);
}

// What the user left in the form, and where the window was, for the next
// start; nothing without a settings path.
void SaveSettings(PlatWindow window) {
    if (SettingsPath[0] == '\0') return;
    CopyEditTexts();
    StoreWindowRect(window);
    SaveSettingsFile();
}

int FailToStart() {
    PlatMessageBox(nullptr, "Few resource or Wrong coding", "Kestrelia", PlatBoxIconError | PlatBoxOk);
    return 0;
}

}  // namespace

std::intptr_t MainWindowProc(PlatWindow window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
    const int low = static_cast<int>(wParam & 0xFFFF);
    switch (message) {
    case PlatMsgCreate:
        CreationSequence(window, lParam);
        return 0;
    case PlatMsgDestroy:
        SaveSettings(window);
        PlatPostQuit(0);
        return 0;
    case PlatMsgSize:
        HandleSize(window, lParam);
        return 0;
    case PlatMsgPaint:
        PaintForm(window);
        return 0;
    case PlatMsgCommand:
        HandleCommand(window, low, static_cast<int>((wParam >> 16) & 0xFFFF));
        return 0;
    case PlatMsgHScroll:
        HandleHScroll(window, low);
        return 0;
    case PlatMsgVScroll:
        HandleVScroll(window, low);
        return 0;
    case PlatMsgClose:
        return HandleClose(window, wParam, lParam);
    case PlatMsgJobTexts:
        RepaintJobTexts(window);
        return 0;
    case PlatMsgQueryEndSession:
        // Not while the encoder works: Windows would end it mid-file.
        if (JobHandle.load() != 0) return 0;
        return PlatDefaultProcedure(window, message, wParam, lParam);
    case PlatMsgEndSession:
        // The session ends now: the process goes without a WM_DESTROY, so
        // the settings are saved here. Not during a job, whose texts are
        // still being written; its output was never given its name.
        if (wParam != 0 && JobHandle.load() == 0) {
            SaveSettings(window);
            PlatPostQuit(0);
        }
        return 0;
    case PlatMsgJobEnded:
        PlatSetSessionEndReason(window, nullptr);
        return 0;
    case PlatMsgTimer:
        if (wParam == CloseTimer) {
            HandleCloseTimer(window);
            return 0;
        }
        return PlatDefaultProcedure(window, message, wParam, lParam);
    default:
        return PlatDefaultProcedure(window, message, wParam, lParam);
    }
}

int KestreliaMain(PlatInstance instance, int showCommand) {
    CloseRequested = false;
    if (!PlatRegisterMainClass(instance, ClassName, MainWindowProc)) return FailToStart();
    PlatWindow window = PlatCreateMainWindow(instance, ClassName, Caption);
    if (window == nullptr) return FailToStart();
    PlatShowWindow(window, showCommand);
    PlatUpdateWindow(window);
    return PlatRunMessageLoop();
}
