#!/usr/bin/env bash
# Jobs in the real program under Wine. With the real encoder: a tree
# converted, run again (all skipped, then overwritten), restored after a
# restart. With the stand-in held inside its run: a refusal during a job,
# Cancel, the system close and the session's end during a job, and a power
# cut mid-file.
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
    'enabled Execute 0 10000' 'enabled Cancel 1 5000' 'enabled Execute 1 120000' 'enabled Exit 1 5000' \
    'enabled Cancel 0 5000' 'click Exit' 'box "Exit" "Really exit?" yes' gone
check "compress: the counts and ratios are kept" matches "$(result "$real")" \
    "^done\\\\nconverted:5, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n\$"
check "compress: the tree is mirrored, nothing else" same "$(outputs "$archive")" "$tree"
check "compress: every output passes the encoder's test" flac_ok "$archive"

stamps() { (cd "$archive" && find . -type f -printf '%p %T@\n' | sort); }
before=$(stamps)
check "re-run: the job ends" job "$real"
check "re-run: every file skipped, the outputs untouched" same "$(result "$real")|$(stamps)" \
    "skipped\\nconverted:0, skip:5, error:0|$before"
# a.flac holds b's sound: overwriting gives a.wav's back.
cp "$archive/sub one/b.flac" "$archive/a.flac"
settings "$real" "$music" "$archive" compress Overwrite=1
check "overwrite: the job ends" job "$real"
check "overwrite: every file converted again, a.flac with the new sound" matches \
    "$(result "$real")|$(flac -s -d -c "$archive/a.flac" | cmp - "$music/a.wav" && echo new)" \
    "^done\\\\nconverted:5, skip:0, error:0, .*\\|new\$"

# Restored after a restart into a folder chosen in the dialog, with the
# pattern in capitals.
mkdir -p "$work/restored"
settings "$real" "$archive" "$work/nowhere" restore "InputSpec=$(win "$archive")\\*.FLAC" \
    "LastFlacSpec=$(win "$archive")\\*.FLAC"
check "restore: after a restart, into the folder of the dialog" session "$real" find 'click FolderSelect' \
    "dialog \"$(q "$(win "$work/restored")")\\\\here.wav\"" 'click Execute' ended close gone
check "restore: counts without ratios" same "$(result "$real")" "done\\nconverted:5, skip:0, error:0"
same_tree() {
    for f in a "sub one/b" locked/d live.wav/g; do cmp "$music/$f.wav" "$work/restored/$f.wav" || return
    done
    cmp "$music/sub one/deep/c.WAV" "$work/restored/sub one/deep/c.wav"
}
check "restore: every file byte for byte" same_tree

# The stand-in holds its first run until the test releases it.
held=$(program_folder held "$KESTRELIA_WIN_BIN/encoder_standin.exe")
export STANDIN_HOLD="$(win "$work/release")" STANDIN_LOG="$(win "$work/standin.log")"
hold_reached() {
    for _ in $(seq 500); do [ -e "$work/release.running" ] && return 0; sleep 0.02; done
    echo "     the encoder never started" && false
}
# held_start OUTPUT [SETTING...]: the program started for a job of a.wav
# (of the tree, with Recurse=1) into OUTPUT; held_job also starts the job
# and waits until its encoder holds with half of a.flac written.
held_start() {
    rm -rf "$work/release" "$work/release.running" "$work/standin.log"
    ini "$held/Kestrelia.ini" "LastWavSpec=$(win "$music")\\*.wav" "OutputSpec=$(win "$1")\\*.*" "${@:2}"
    start "$held"
}
held_job() { held_start "$@" && drive find 'click Execute' >/dev/null && hold_reached; }
held_start "$work/held out" "InputSpec=$(win "$music")\\*.wav"
check "held job: started with the level typed into its box" drive find 'settext Level "3"' 'click Execute' \
    'enabled Cancel 1 10000'
check "held job: the encoder runs" hold_reached
check "held job: a change refused by a box, Execute silent, Cancel" drive find 'click Language' \
    'box "Parameter" "実行中は変更出来ません" ok' 'text Language "English"' 'click Execute' \
    'nobox 1000' 'click Cancel' 'enabled Cancel 0'
touch "$work/release"
check "held job: the running file ends the job" drive find 'enabled Execute 1 20000' 'click Exit' \
    'box "Exit" "本当に終了しますか？" yes' gone
check "held job: exit code 0" ended
check "held job: one file converted, at the typed level, the level and the counts kept" matches \
    "$(wc -l <"$work/standin.log") $(cat "$work/standin.log")|$(line "$held/Kestrelia.ini" LevelText) $(
        result "$held")" "^1 .* -V -3 .*\\|3 done\\\\nconverted:1, skip:0, error:0, "

# The system close during a job: the window stays until the running file
# is done, then closes and saves. The close is final: Execute, sent again
# and again around the job's end, starts nothing and no box opens.
check "close during a job: the encoder runs" held_job "$work/close out" Recurse=1
steps=(find close 'sleep 300' 'enabled Cancel 0')
for _ in $(seq 100); do steps+=('command Execute' 'nobox 10'); done
# Released once the close is in and Execute is being sent.
drive_aside "$work/storm" 'ok  command Execute' "${steps[@]}" 'gone 5000'
sleep 0.3
touch "$work/release"
wait $aside
check "close during a job: Execute starts nothing, no box, then the window goes" same \
    "$(tr -d '\r' <"$work/storm" | grep '^FAIL' | grep -v -e 'window is gone$' -e 'no control with id')" ""
check "close during a job: exit code 0" ended
check "close during a job: one file converted, the job's end saved" matches \
    "$(wc -l <"$work/standin.log") $(result "$held")" "^1 .*\\\\nconverted:1, skip:0, error:0, "

# The session's end during a job: Wine asks every window, and only if none
# refuses ends every process. The window refuses while a file is in work;
# whatever happens, no cut file may be left under a.flac.
held_job "$work/end out"
wine wineboot --end-session --kill
check "session end during a job: refused" [ $? = 1 ]
touch "$work/release"
check "session end during a job: the job then ends, the window closes" drive find 'enabled Execute 1 20000' \
    close gone
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
