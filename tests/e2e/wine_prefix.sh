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

# Wine's Marlett draws the caption buttons, but Debian's Wine does not find
# its own fonts where fonts-wine puts them; the prefix's Fonts folder is
# always loaded (checked on every run, for a prefix made before too).
# IPA Gothic is the one font with Japanese glyphs, and both languages must
# draw on every code page. Wine links no glyphs into a raster font and
# rewrites Tahoma's links at every change of code page: so the raster
# system fonts (in 932 the Japanese ones draw black boxes) and Tahoma stay
# out, System (the form) is linked to IPA Gothic, and IPA Gothic replaces
# Tahoma (message boxes, the open-file dialog).
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for font in /usr/share/wine/fonts/*; do
    case ${font##*/} in
    vgasys.fon | jvgasys.fon | jvgafix.fon | jsmalle.fon | tahoma.ttf | tahomabd.ttf)
        rm -f "$fonts/${font##*/}" ;;
    *) [ -f "$fonts/${font##*/}" ] || cp "$font" "$fonts/" ;;
    esac
done
test -f "$fonts/marlett.ttf"
if ! grep -q '^"Tahoma"="IPAGothic"' "$WINEPREFIX/user.reg"; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v System \
        /t REG_MULTI_SZ /d ipag.ttf,IPAGothic /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d IPAGothic /f >/dev/null 2>&1
    wineserver -w
fi
grep -q '^"Tahoma"="IPAGothic"' "$WINEPREFIX/user.reg"
