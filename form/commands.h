// The commands of the form's buttons, idle and while a job runs.
#pragma once

#include "platform/platform_window.h"

// WM_COMMAND: `id` the control (and row), `code` its notification; only a
// click (code 0) is a command. Every command ends with a repaint.
void HandleCommand(PlatWindow window, int id, int code);

// Filter lists of the open-file dialog.
extern const char FileFilterWav[];
extern const char FileFilterFlac[];
extern const char FileFilterAll[];
