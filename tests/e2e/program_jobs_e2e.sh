#!/usr/bin/env bash
# Jobs in the real program under Wine. With the real encoder: a tree
# converted by the real search and the encoder named exactly, then run
# again (all skipped). With the stand-in held inside its run: the session's
# end and the system close during a job, and a power cut mid-file.
set -u
source "$(dirname "$0")/e2e_lib.sh"

# Blanks in names, a read-only folder (entered), a dot folder (left out),
# a folder whose name matches the pattern (entered, never given to the
# encoder), a name in capitals and a file that does not match.
music="$work/music"
wavs 2 "$music/a.wav" "$music/sub one/b.wav" "$music/sub one/deep/c.WAV"
wavs 1 "$music/locked/d.wav" "$music/.cache/e.wav" "$music/live.wav/g.wav"
echo notes >"$music/notes.txt"
chmod a-w "$music/locked"
archive="$work/archive"
tree="./a.flac ./live.wav/g.flac ./locked/d.flac ./sub one/b.flac ./sub one/deep/c.flac "

# The encoder is named exactly: from a folder with a blank, a folder "flac"
# beside flac.exe and a program enc.exe where a search would look first
# take no part.
real=$(program_folder "enc dir" "$KESTRELIA_WIN_BIN/flac.exe")
mkdir "$real/flac"
cp "$KESTRELIA_WIN_BIN/encoder_standin.exe" "$work/enc.exe"
settings "$real" "$music" "$archive"
check "compress: Execute runs the job to its end" session "$real" find 'click Execute' \
    'enabled Execute 0 10000' ended 'click Exit' 'box "Exit" "Really exit?" yes' gone
check "compress: the counts and ratios are kept" matches "$(result "$real")" \
    "^done\\\\nconverted:5, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n\$"
check "compress: the tree is mirrored, nothing else" same "$(outputs "$archive")" "$tree"
check "compress: every output passes the encoder's test" flac_ok "$archive"
check "re-run: every file skipped" same "$(job "$real")" "skipped\\nconverted:0, skip:5, error:0"

# The stand-in holds its first run with half of a.flac written until the
# test releases it.
held=$(program_folder held "$KESTRELIA_WIN_BIN/encoder_standin.exe")
export STANDIN_HOLD="$(win "$work/release")" STANDIN_LOG="$(win "$work/standin.log")"
hold_reached() {
    for _ in $(seq 500); do [ -e "$work/release.running" ] && return 0; sleep 0.02; done
    echo "     the encoder never started" && false
}
# held_job OUTPUT: the program started for a job of the tree into OUTPUT,
# the job started; true once its encoder holds.
held_job() {
    rm -rf "$work/release" "$work/release.running" "$work/standin.log"
    ini "$held/Kestrelia.ini" Recurse=1 "LastWavSpec=$(win "$music")\\*.wav" "OutputSpec=$(win "$1")\\*.*"
    start "$held"
    drive find 'click Execute' 'enabled Cancel 1 10000' && hold_reached
}
check "held job: started" held_job "$work/held out"

# The session's end during a job: Wine asks every window, and only if none
# refuses ends every process. The window refuses while a file is in work.
wine wineboot --end-session --kill
check "session end during a job: refused" [ $? = 1 ]
# The system close during a job cancels it; the window stays until the
# running file is done, then closes and saves.
check "close during a job: the job cancelled, the window stays" drive find close 'sleep 300' \
    'enabled Cancel 0' 'enabled Execute 0'
touch "$work/release"
check "close during a job: the window goes once the running file is done" drive find 'gone 20000'
check "close during a job: exit code 0" ended
whole=$(cmp "$music/a.wav" "$work/held out/a.flac" && echo whole)
check "close during a job: one file converted, whole, the job's end saved" matches \
    "$(wc -l <"$work/standin.log")|$(result "$held")|$whole" \
    "^1\\|.*\\\\nconverted:1, skip:0, error:0, .*\\|whole\$"

# A power cut with half of a.flac written: the next job, overwriting off,
# converts it rather than skip it as done.
held_job "$work/cut out"
wineserver -k
ended
settings "$real" "$music" "$work/cut out"
check "power cut mid-file: the next job converts every file, nothing else left" same \
    "$(job "$real" | grep -o 'converted:[0-9]*, skip:[0-9]*, error:[0-9]*')|$(outputs "$work/cut out")" \
    "converted:5, skip:0, error:0|$tree"

finish
