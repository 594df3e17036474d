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
# prefix made before gets them too.
# IPA Gothic is the one font here with Japanese glyphs, and both languages
# must draw on every code page. Wine links no glyphs into a raster font, and
# rewrites Tahoma's links at every change of code page: so the raster system
# fonts (vgasys.fon for 1252; the Japanese ones, which in 932 draw every
# Japanese character as a black box) and Tahoma stay out, System (the form)
# is linked to IPA Gothic, and IPA Gothic replaces Tahoma (message boxes,
# the open-file dialog).
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for font in /usr/share/wine/fonts/*; do
    case ${font##*/} in
    vgasys.fon | jvgasys.fon | jvgafix.fon | jsmalle.fon | tahoma.ttf | tahomabd.ttf) rm -f "$fonts/${font##*/}" ;;
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
