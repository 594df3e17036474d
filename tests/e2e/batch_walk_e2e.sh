#!/usr/bin/env bash
# A whole batch job on the real platform: the folder walk on its own thread
# under Wine, the Windows flac.exe built from Debian's source, a generated
# tree.
set -u
source "$(dirname "$0")/e2e_lib.sh"
# job MODE OVERWRITE INPUT OUTPUT: a job with recursion into a separate tree.
job() {
    wine "$KESTRELIA_WIN_BIN/walk_driver.exe" "$1" "$2" 1 0 8 "$encoder" "$3" "$4" 1 | tr -d '\r'
}
line() { grep "^$1:" <<<"$2"; }
files() { (cd "$1" && find . -type f | sort); }
flac_ok() { (cd "$1" && find . -name '*.flac' -print0 | xargs -0 -r flac -s -t); }

# Three levels, blanks in names, a read-only folder (entered), a dot-folder
# (left out), a folder whose name matches the pattern (entered, never
# handed to the encoder) and a file that does not match.
in="$work/music in"
mkdir -p "$in/sub one/deep" "$in/locked" "$in/.cache" "$in/live.wav"
"$KESTRELIA_MAKE_WAV" "$in/top one.wav" 1 1
"$KESTRELIA_MAKE_WAV" "$in/sub one/b.wav" 1 2
"$KESTRELIA_MAKE_WAV" "$in/sub one/deep/c.WAV" 2 3
"$KESTRELIA_MAKE_WAV" "$in/locked/d.wav" 1 4
"$KESTRELIA_MAKE_WAV" "$in/.cache/e.wav" 1 5
"$KESTRELIA_MAKE_WAV" "$in/live.wav/g.wav" 1 6
echo notes >"$in/notes.txt"
chmod a-w "$in/locked"
ratio='[0-9]+\.[0-9]%'
expected_flac=$(printf '%s\n' "./live.wav/g.flac" "./locked/d.flac" "./sub one/b.flac" "./sub one/deep/c.flac" \
    "./top one.flac" | sort)

out="$work/archive/out"
run=$(job 0 0 "$(win "$in")\\*.wav" "$(win "$out")\\*.*")
check "compress: every file converted" matches "$(line result "$run")" \
    "^result:done\\\\nconverted:5, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n$"
check "compress: the tree is mirrored, nothing else" same "$(files "$out")" "$expected_flac"
check "compress: every output passes the encoder's test" flac_ok "$out"
check "compress: buttons idle afterwards" same "$(line buttons "$run")" "buttons:1 1 0"
check "compress: running state seen during the job" same "$(line 'running seen' "$run")" "running seen:1"

stamps=$(cd "$out" && find . -type f -printf '%p %T@\n' | sort)
run=$(job 0 0 "$(win "$in")\\*.wav" "$(win "$out")\\*.*")
check "re-run: every file skipped" same "$(line result "$run")" "result:skipped\\nconverted:0, skip:5, error:0"
check "re-run: outputs untouched" same "$(cd "$out" && find . -type f -printf '%p %T@\n' | sort)" "$stamps"

back="$work/restored"
run=$(job 1 0 "$(win "$out")\\*.FLAC" "$(win "$back")\\")
check "restore: every file converted" same "$(line result "$run")" "result:done\\nconverted:5, skip:0, error:0"
for pair in "top one.wav:top one.wav" "sub one/b.wav:sub one/b.wav" "sub one/deep/c.WAV:sub one/deep/c.wav" \
    "locked/d.wav:locked/d.wav" "live.wav/g.wav:live.wav/g.wav"; do
    check "restore: ${pair%%:*} byte for byte" cmp -s "$in/${pair%%:*}" "$back/${pair##*:}"
done

run=$(job 0 0 "$(win "$work")\\none\\*.wav" "$(win "$out")\\*.*")
check "missing folder: nothing there" same "$(line result "$run")" "result:There is no file there"
run=$(job 0 0 "$(win "$in")\\*.mp3" "$(win "$out")\\*.*")
check "wrong pattern: refused" same "$(line result "$run")" "result:Only .wav files\\n"
check "wrong pattern: buttons idle" same "$(line buttons "$run")" "buttons:1 1 0"

finish
