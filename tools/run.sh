#!/usr/bin/env bash
# Builds Kestrelia for Windows and runs it under Wine. Until the window
# exists this runs the batch job itself on a generated folder tree of WAV
# files: compressed to FLAC with the real encoder, then restored, with the
# status texts of each job shown.
set -eu
source "$(dirname "$0")/setup.sh"
kestrelia_install "${KESTRELIA_WINDOWS_PACKAGES[@]}" g++ xvfb
kestrelia_build_windows
mkdir -p "$KESTRELIA_BUILD/demo"
g++ -O2 -o "$KESTRELIA_BUILD/demo/make_wav" "$KESTRELIA_ROOT/tools/make_wav.cpp"
kestrelia_wine_prefix
kestrelia_display
trap kestrelia_stop_display EXIT

demo="$KESTRELIA_BUILD/demo"
rm -rf "$demo/music" "$demo/flac out" "$demo/restored"
mkdir -p "$demo/music/album one" "$demo/music/album two"
"$demo/make_wav" "$demo/music/album one/track 1.wav" 5 1
"$demo/make_wav" "$demo/music/album one/track 2.wav" 5 2
"$demo/make_wav" "$demo/music/album two/track 1.wav" 5 3
bin="$KESTRELIA_BUILD/windows/bin"
win() { kestrelia_winpath "$1"; }
# job MODE INPUT OUTPUT: lower folders searched, into a separate tree.
job() {
    wine "$bin/walk_driver.exe" "$1" 0 1 0 8 "$(win "$bin/flac")" "$2" "$3" 1 | tr -d '\r' |
        grep -E '^(current|result):' | sed 's/\\n/\n    /g'
}

echo "== Compress music\\*.wav and its lower folders into 'flac out', level 8 with verify"
job 0 "$(win "$demo/music")\\*.wav" "$(win "$demo/flac out")\\*.*"
echo "== Restore 'flac out'\\*.flac into 'restored'"
job 1 "$(win "$demo/flac out")\\*.flac" "$(win "$demo/restored")\\*.*"
(cd "$demo" && find music "flac out" restored -type f -printf '%10s  %p\n' | sort -k2)
if diff -r "$demo/music" "$demo/restored" >/dev/null; then
    echo "Every restored file is byte for byte the original."
else
    echo "A restored file differs from the original!" >&2
    exit 1
fi
