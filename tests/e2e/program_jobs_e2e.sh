#!/usr/bin/env bash
# Jobs in the real program under Wine. With the real encoder: a tree
# converted, run again (all skipped, then overwritten), restored after a
# restart, compressed and restored in its own folder. With the stand-in held
# inside its run: a refusal during a job, Cancel, the system close and the
# session's end during a job, and a power cut mid-file.
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
check "compress: Execute runs the job to its end" session "$real" find 'click 36' 'enabled 36 0 10000' \
    'enabled 38 1 5000' 'enabled 36 1 120000' 'enabled 37 1 5000' 'enabled 38 0 5000' 'click 37' \
    'box "Exit" "Really exit?" yes' gone
check "compress: the counts and ratios are kept" matches "$(result "$real")" \
    "^done\\\\nconverted:5, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n\$"
check "compress: the tree is mirrored, nothing else" same "$(outputs "$archive")" "$tree"
check "compress: every output passes the encoder's test" flac_ok "$archive"

stamps() { (cd "$archive" && find . -type f -printf '%p %T@\n' | sort); }
before=$(stamps)
check "re-run: the job ends" job "$real"
check "re-run: every file skipped" same "$(result "$real")" "skipped\\nconverted:0, skip:5, error:0"
check "re-run: the outputs untouched" same "$(stamps)" "$before"
# a.flac holds b's sound: overwriting gives a.wav's back.
cp "$archive/sub one/b.flac" "$archive/a.flac"
settings "$real" "$music" "$archive" compress 12=1
check "overwrite: the job ends" job "$real"
check "overwrite: every file converted again" matches "$(result "$real")" "^done\\\\nconverted:5, skip:0, error:0, "
check "overwrite: a.flac holds the new sound" bash -c "flac -s -d -c '$archive/a.flac' | cmp -s - '$music/a.wav'"

# Restored after a restart into a folder chosen in the dialog, with the
# pattern in capitals.
mkdir -p "$work/restored"
settings "$real" "$archive" "$work/nowhere" restore "t0=$(win "$archive")\\*.FLAC" "t2=$(win "$archive")\\*.FLAC"
check "restore: after a restart, into the folder of the dialog" session "$real" find 'click 26' \
    "dialog \"$(q "$(win "$work/restored")")\\\\here.wav\"" 'click 36' ended close gone
check "restore: counts without ratios" same "$(result "$real")" "done\\nconverted:5, skip:0, error:0"
same_tree() {
    for f in a "sub one/b" locked/d live.wav/g; do cmp "$music/$f.wav" "$work/restored/$f.wav" || return 1; done
    cmp "$music/sub one/deep/c.WAV" "$work/restored/sub one/deep/c.wav"
}
check "restore: every file byte for byte" same_tree

# In the input's own folder: each output beside its input.
here="$work/same folder"
mkdir -p "$here"
cp "$music/a.wav" "$here/"
settings "$real" "$here" "$work/nowhere" compress 14=1
check "same folder: compressed" job "$real"
check "same folder: the output beside its input" flac -s -t "$here/a.flac"
rm "$here/a.wav"
settings "$real" "$here" "$work/nowhere" restore 14=1
check "same folder: restored" job "$real"
check "same folder: byte for byte" cmp -s "$music/a.wav" "$here/a.wav"

# The stand-in holds its first run until the test releases it.
held=$(program_folder held "$KESTRELIA_WIN_BIN/encoder_standin.exe")
export STANDIN_HOLD="$(win "$work/release")" STANDIN_LOG="$(win "$work/standin.log")"
hold_reached() {
    for _ in $(seq 500); do [ -e "$work/release.running" ] && return 0; sleep 0.02; done
    echo "     the encoder never started" && false
}
ini "$held/Kestrelia.ini" "t0=$(win "$music")\\*.wav" "t1=$(win "$music")\\*.wav" "t4=$(win "$work/held out")\\*.*"
start "$held"
check "held job: started with the level typed into its box" drive find 'settext 11 "3"' 'click 36' 'enabled 38 1 10000'
check "held job: the encoder runs" hold_reached
check "held job: a change refused by a box, Execute silent, Cancel" drive find 'click 1' \
    'box "Parameter" "実行中は変更出来ません" ok' 'text 1 "English"' 'click 36' 'nobox 1000' 'click 38' 'enabled 38 0'
touch "$work/release"
check "held job: the running file ends the job" drive find 'enabled 36 1 20000' 'click 37' \
    'box "Exit" "本当に終了しますか？" yes' gone
check "held job: exit code 0" ended
check "held job: one file converted, at the typed level" matches "$(wc -l <"$work/standin.log") $(cat "$work/standin.log")" '^1 .* -V -3 '
check "held job: the level and the counts are kept" matches "$(line "$held/Kestrelia.ini" 29) $(result "$held")" \
    "^3 done\\\\nconverted:1, skip:0, error:0, "

# The system close during a job: the window stays until the running file
# is done, then closes and saves. The close is final: Execute, sent again
# and again around the job's end, starts nothing and no box opens. Before
# that, with the form scrolled two columns right, the Result group still
# shows the file in work and the counts, though their rows begin left of
# the window.
rm -rf "$work/release" "$work/standin.log" "$work/held out"
# Narrow, and below the stand-in's console window, which opens at the top;
# scrolled to the form's end, so that the Result group is in view.
ini "$held/Kestrelia.ini" 1=0 2=460 3=300 4=1000 13=1 "t1=$(win "$music")\\*.wav" "t4=$(win "$work/held out")\\*.*"
start "$held"
check "close during a job: started" drive find 'click 36' 'enabled 38 1 10000'
check "close during a job: the encoder runs" hold_reached
report=$(drive find 'scroll v 7' 'scroll h 1' 'scroll h 1' 'sleep 500' 'rect 42')
mkdir -p "$KESTRELIA_SHOTS"
shot="$KESTRELIA_SHOTS/kestrelia-scrolled-job.png"
import -window root -crop 300x540+0+460 +repage "$shot"
# Rows 43 and 44 lie 1.5 to 5.7 lines below the group's top (6 lines high):
# their first 8 columns of 51 must show more than the background.
read -r _ _ _ y _ w h _ cx cy <<<"$(grep -o 'pos 42 .*' <<<"$report")"
check "scrolled during a job: the Result text is drawn" [ "$(identify -format %k \
    "$shot[$((w * 8 / 51))x$((h * 42 / 60))+$cx+$((cy - 460 + y + h * 15 / 60))]")" -gt 1 ]
steps=(find close 'sleep 300' alive 'enabled 38 0')
for _ in $(seq 100); do steps+=('command 36' 'nobox 10'); done
# Released once the close is in and Execute is being sent.
drive_aside "$work/storm" 'ok  command 36' "${steps[@]}" 'gone 5000'
sleep 0.3
touch "$work/release"
wait $aside
check "close during a job: Execute starts nothing, no box, then the window goes" same \
    "$(tr -d '\r' <"$work/storm" | grep '^FAIL' | grep -v -e 'the window is gone$' -e 'no control with id 36$')" ""
check "close during a job: exit code 0" ended
check "close during a job: one file converted, the job's end saved" matches \
    "$(wc -l <"$work/standin.log") $(result "$held")" "^1 .*\\\\nconverted:1, skip:0, error:0, "

# held_job OUTPUT: a job of a.wav alone into OUTPUT, its encoder held with
# half of a.flac written.
held_job() {
    rm -f "$work/release" "$work/release.running"
    ini "$held/Kestrelia.ini" "t1=$(win "$music")\\*.wav" "t4=$(win "$1")\\*.*"
    start "$held"
    drive find 'click 36' >/dev/null && hold_reached
}
# The session's end during a job: Wine asks every window, and only if none
# refuses ends every process. The window refuses while a file is in work;
# whatever happens, no cut file may be left under a.flac.
held_job "$work/end out"
wine wineboot --end-session --kill
check "session end during a job: refused" [ $? = 1 ]
touch "$work/release"
check "session end during a job: the job then ends, the window closes" drive find 'enabled 36 1 20000' close gone
check "session end during a job: exit code 0" ended
check "session end during a job: a.flac whole or not there" \
    bash -c "[ ! -e '$work/end out/a.flac' ] || cmp '$music/a.wav' '$work/end out/a.flac'"

# A power cut with half of a.flac written: the next job, overwriting off,
# converts it rather than skip it as done.
held_job "$work/cut out"
wineserver -k
ended
settings "$real" "$music" "$work/cut out"
check "power cut mid-file: the next job ends" job "$real"
check "power cut mid-file: every file converted, nothing else left" same \
    "$(result "$real" | grep -o 'converted:[0-9]*, skip:[0-9]*, error:[0-9]*')|$(outputs "$work/cut out")" \
    "converted:5, skip:0, error:0|$tree"

finish
