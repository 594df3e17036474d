#!/usr/bin/env bash
# Makes the test run's Wine prefix ($WINEPREFIX) once; later runs reuse it.
set -eu
: "${WINEPREFIX:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wine wineboot -u >/dev/null 2>&1
    # Without a window manager Wine waits for every managed window it hides;
    # a crash must end the process, not wait behind a dialog.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
fi
test -f "$WINEPREFIX/system.reg"
