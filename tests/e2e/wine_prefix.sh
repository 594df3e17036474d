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

# Wine draws its caption buttons with its Marlett font, but Debian's Wine
# looks for its own fonts in /usr/share/wine/../fonts, not where fonts-wine
# puts them: without them the buttons show the letters "0 1 r". Fonts in the
# prefix's Fonts folder are always loaded. Checked on every run, so that a
# prefix made without them gets them too. The Japanese raster fonts are left
# out: in code page 932 they become the system font and draw every Japanese
# character as a black box (IPA Gothic stands in for it without them).
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for font in /usr/share/wine/fonts/*; do
    case ${font##*/} in jvgasys.fon | jvgafix.fon | jsmalle.fon) continue ;; esac
    [ -f "$fonts/${font##*/}" ] || cp "$font" "$fonts/"
done
test -f "$fonts/marlett.ttf"
