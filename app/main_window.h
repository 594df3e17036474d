// The program's single main window: its procedure and the process's run.
#pragma once

#include <cstdint>

#include "platform/platform_window.h"

std::intptr_t MainWindowProc(PlatWindow window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam);
