// Runs a whole batch job on the real platform, on its own thread, with a
// hidden window of this program standing in for the main window and three
// buttons for Execute, Exit and Cancel. Test code: it works the window
// directly, as the Wine tests need.
// Usage: walk_driver MODE OVERWRITE RECURSE SAMEFOLDER LEVEL ENCODER INPUT OUTPUT LANGUAGE
// Prints "current:", "result:" (line feeds as \n), the buttons' states after
// the job, and whether the running state was seen while it ran.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "batch/batch_job.h"
#include "form/form_table.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"
#include "tests/e2e/driver_output.h"

namespace {

HWND MakeButton(HWND parent, int row, bool enabled) {
    HWND button = CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE | (enabled ? 0 : WS_DISABLED), 0, 0,
                                  10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row)),
                                  GetModuleHandleA(nullptr), nullptr);
    ControlHandles[row] = reinterpret_cast<PlatWindow>(button);
    return button;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 10) {
        std::fprintf(stderr,
                     "usage: walk_driver MODE OVERWRITE RECURSE SAMEFOLDER LEVEL ENCODER INPUT OUTPUT LANGUAGE\n");
        return 2;
    }
    ClearSettingsStore();
    ApplySettingDefaults();
    IntSettings[Mode] = std::atoi(argv[1]);
    IntSettings[Overwrite] = std::atoi(argv[2]);
    IntSettings[Recurse] = std::atoi(argv[3]);
    IntSettings[SameFolder] = std::atoi(argv[4]);
    IntSettings[Language] = std::atoi(argv[9]);
    if (!CopyText(TextSlots[LevelText], TextSlotSize, argv[5]) ||
        !CopyText(EncoderPath, sizeof EncoderPath, argv[6]) ||
        !CopyText(TextSlots[IntSettings[Mode] == 0 ? LastWavSpec : LastFlacSpec], TextSlotSize, argv[7]) ||
        !CopyText(TextSlots[OutputSpec], TextSlotSize, argv[8])) {
        std::fprintf(stderr, "walk_driver: an argument is too long\n");
        return 2;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KestreliaWalkDriver";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "walk driver", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                  200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "walk_driver: no window\n");
        return 2;
    }
    HWND execute = MakeButton(window, ExecuteRow, true);
    HWND exit = MakeButton(window, ExitRow, true);
    HWND cancel = MakeButton(window, CancelRow, false);

    if (!StartBatchJob(reinterpret_cast<PlatWindow>(window))) {
        PrintEscaped("result", TextSlots[ResultText]);
        return 1;
    }
    // The job's EnableWindow calls are answered here, by this thread; the
    // job gives Execute back as its very last act.
    bool runningSeen = false;
    while (JobHandle != 0 || !IsWindowEnabled(execute)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        if (JobHandle != 0 && !IsWindowEnabled(execute) && !IsWindowEnabled(exit) && IsWindowEnabled(cancel))
            runningSeen = true;
    }
    PrintEscaped("current", TextSlots[CurrentFile]);
    PrintEscaped("result", TextSlots[ResultText]);
    std::printf("buttons:%d %d %d\n", IsWindowEnabled(execute) ? 1 : 0, IsWindowEnabled(exit) ? 1 : 0,
                IsWindowEnabled(cancel) ? 1 : 0);
    std::printf("running seen:%d\n", runningSeen ? 1 : 0);
    DestroyWindow(window);
    return 0;
}
