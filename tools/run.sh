#!/usr/bin/env bash
# Builds Kestrelia for Windows and runs it under Wine. Until the window
# exists this converts a generated WAV file to FLAC and back with the real
# encoder, and shows the status texts of each step.
set -eu
source "$(dirname "$0")/setup.sh"
kestrelia_install "${KESTRELIA_WINDOWS_PACKAGES[@]}" g++
kestrelia_build_windows
mkdir -p "$KESTRELIA_BUILD/demo"
g++ -O2 -o "$KESTRELIA_BUILD/demo/make_wav" "$KESTRELIA_ROOT/tools/make_wav.cpp"
kestrelia_wine_prefix

demo="$KESTRELIA_BUILD/demo"
rm -rf "$demo/music" "$demo/flac out" "$demo/restored"
mkdir -p "$demo/music"
"$demo/make_wav" "$demo/music/song.wav" 10
bin="$KESTRELIA_BUILD/windows/bin"
driver() { wine "$bin/convert_driver.exe" "$@" | tr -d '\r' | sed 's/\\n/\n    /g'; }

echo "== Compress music/song.wav into 'flac out' at level 8, with verify"
driver 0 0 0 8 "$(kestrelia_winpath "$bin/flac")" "$(kestrelia_winpath "$demo/music")\\" \
    "$(kestrelia_winpath "$demo/flac out")\\" song.wav
echo "== Restore it into 'restored'"
driver 1 0 0 8 "$(kestrelia_winpath "$bin/flac")" "$(kestrelia_winpath "$demo/flac out")\\" \
    "$(kestrelia_winpath "$demo/restored")\\" song.flac
ls -l "$demo/music/song.wav" "$demo/flac out/song.flac" "$demo/restored/song.wav"
if cmp -s "$demo/music/song.wav" "$demo/restored/song.wav"; then
    echo "The restored file is byte for byte the original."
else
    echo "The restored file differs from the original!" >&2
    exit 1
fi
