// The process entry of the Windows program.
#include <windows.h>

#include "platform/platform_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return KestreliaMain(reinterpret_cast<PlatInstance>(instance), showCommand);
}
