#!/usr/bin/env bash
# Builds Kestrelia for Windows and starts it under Wine, in a working folder
# of its own (build/run) that holds the Windows build's flac.exe: Kestrelia
# keeps its settings file and looks for the encoder in its current folder. A
# folder of sample WAV files is made there to try it on.
set -eu
source "$(dirname "$0")/setup.sh"
kestrelia_install "${KESTRELIA_WINDOWS_PACKAGES[@]}" "${KESTRELIA_WINDOW_PACKAGES[@]}" g++
kestrelia_japanese_locale
kestrelia_build_windows
kestrelia_wine_prefix

run="$KESTRELIA_BUILD/run"
mkdir -p "$run/sample"
cp "$KESTRELIA_BUILD/windows/bin/flac.exe" "$run/flac.exe"
if [ ! -f "$run/sample/track 1.wav" ]; then
    g++ -O2 -o "$run/make_wav" "$KESTRELIA_ROOT/tools/make_wav.cpp"
    for n in 1 2 3; do "$run/make_wav" "$run/sample/track $n.wav" 10 "$n"; done
fi

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    kestrelia_display
    trap kestrelia_stop_display EXIT
    echo "No X display was found: Kestrelia runs on the virtual display $DISPLAY."
    echo "See it with:  DISPLAY=$DISPLAY import -window root kestrelia.png"
fi
echo "Sample WAV files to convert: $(kestrelia_winpath "$run/sample")\\*.wav"
echo "Settings file: $run/Kestrelia.ini"
# As on a Japanese Windows: code page 932 (Wine takes it from LC_CTYPE) and a
# Japanese display language (from LC_MESSAGES), in which the form starts.
cd "$run"
env -u LC_ALL LC_CTYPE=ja_JP.UTF-8 LC_MESSAGES=ja_JP.UTF-8 wine "$KESTRELIA_BUILD/windows/bin/Kestrelia.exe"
