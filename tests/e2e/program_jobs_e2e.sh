#!/usr/bin/env bash
# Jobs in the real program under Wine: a tree converted with the real
# encoder and restored after a restart, and, with the stand-in encoder held
# inside its run, Cancel, the refusals and silent commands during a job, and
# the system close during a job.
set -u
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/program_lib.sh"

music="$work/music"
mkdir -p "$music/sub/deep"
"$KESTRELIA_MAKE_WAV" "$music/a.wav" 2 1
"$KESTRELIA_MAKE_WAV" "$music/sub/b.wav" 2 2
"$KESTRELIA_MAKE_WAV" "$music/sub/deep/c.wav" 2 3
ratio='[0-9]+\.[0-9]%'

real=$(program_folder real "$KESTRELIA_WIN_BIN/flac.exe")
ini "$real/Kestrelia.ini" 0=1 13=1 "t0=$(win "$music")\\*.wav" "t1=$(win "$music")\\*.wav" \
    "t2=$(win "$work/archive")\\*.flac" "t4=$(win "$work/archive")\\*.*"
start "$real"
check "compress: Execute runs the job to its end" drive <<'EOF'
find
click 36
enabled 36 0 10000
enabled 38 1 5000
enabled 36 1 120000
enabled 37 1 5000
enabled 38 0 5000
click 37
box "Exit" "Really exit?" yes
gone
EOF
check "compress: the counts and ratios are kept" matches "$(line "$real/Kestrelia.ini" 30)" \
    "^done"$'\x07'"converted:3, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio"$'\x07'"\$"
check "compress: the tree is mirrored" same "$(cd "$work/archive" && find . -type f | sort | tr '\n' ' ')" \
    "./a.flac ./sub/b.flac ./sub/deep/c.flac "
check "compress: every output passes the encoder's test" \
    bash -c "cd '$work/archive' && find . -name '*.flac' -print0 | xargs -0 flac -s -t"

mkdir -p "$work/restored"
start "$real"
check "restore: after a restart, restore into another folder" drive <<EOF
find
checked 19 1
click 7
click 26
dialog "$(q "$(win "$work/restored")")\\\\here.wav"
click 36
enabled 36 0 10000
enabled 36 1 120000
close
gone
EOF
check "restore: counts without ratios" same "$(line "$real/Kestrelia.ini" 30)" \
    "done"$'\x07'"converted:3, skip:0, error:0"
for f in a.wav sub/b.wav sub/deep/c.wav; do
    check "restore: $f byte for byte" cmp -s "$music/$f" "$work/restored/$f"
done

# The stand-in holds its first run until the test releases it.
held=$(program_folder held "$KESTRELIA_WIN_BIN/encoder_standin.exe")
export STANDIN_HOLD="$(win "$work/release")" STANDIN_LOG="$(win "$work/standin.log")"
hold_reached() {
    for _ in $(seq 500); do [ -e "$work/release.running" ] && return 0; sleep 0.02; done
    echo "     the encoder never started"
    false
}
ini "$held/Kestrelia.ini" 0=0 13=0 "t0=$(win "$music")\\*.wav" "t1=$(win "$music")\\*.wav" \
    "t4=$(win "$work/held out")\\*.*"
start "$held"
check "held job: started with the level typed into its box" drive <<'EOF'
find
settext 11 "3"
click 36
enabled 38 1 10000
EOF
check "held job: the encoder runs" hold_reached
check "held job: changes refused, other commands silent, Cancel" drive_ja <<'EOF'
find
click 1
box "Parameter" "実行中は変更出来ません" ok
text 1 "English"
click 19
box "Parameter" "実行中は変更出来ません" ok
checked 19 0
click 6
box "Parameter" "実行中は変更出来ません" ok
click 2
click 26
click 28
click 36
nobox 1000
checked 28 0
command 37
box "Parameter" "BUG" ok
enabled 37 0
click 38
enabled 38 0
EOF
touch "$work/release"
check "held job: the running file ends the job" drive_ja <<'EOF'
find
enabled 36 1 20000
enabled 37 1 5000
enabled 38 0 5000
click 37
box "Exit" "本当に終了しますか？" yes
gone
EOF
check "held job: exit code 0" ended
check "held job: one file was converted" same "$(wc -l <"$work/standin.log")" 1
check "held job: at the typed level" matches "$(cat "$work/standin.log")" ' -V -3 '
check "held job: the level is kept" same "$(line "$held/Kestrelia.ini" 29)" 3
check "held job: its counts are kept" matches "$(line "$held/Kestrelia.ini" 30)" "^done"$'\x07'"converted:1, skip:0, error:0, "

# The system close during a job: the window stays until the running file
# is done, then closes and saves. The close is final: Execute, sent again
# and again around the job's end, starts nothing and no box opens. Before
# that, the form scrolled two columns right, the Result group still shows
# the file in work and the counts, though their rows begin left of the
# window.
rm -rf "$work/release" "$work/standin.log" "$work/held out"
# Narrow, and below the stand-in's console window, which opens at the top;
# scrolled to the form's end, so that the Result group is in view.
ini "$held/Kestrelia.ini" 1=0 2=460 3=300 4=1000 13=1 "t1=$(win "$music")\\*.wav" "t4=$(win "$work/held out")\\*.*"
start "$held"
check "close during a job: started" drive <<'EOF'
find
click 36
enabled 38 1 10000
EOF
check "close during a job: the encoder runs" hold_reached
report=$(drive <<<$'find\nvscroll 7\nhscroll 1\nhscroll 1\nsleep 500\nshowpos 42')
mkdir -p "$KESTRELIA_SHOTS"
shot="$KESTRELIA_SHOTS/kestrelia-scrolled-job.png"
import -window root -crop 300x540+0+460 +repage "$shot"
# Rows 43 and 44 lie 1.5 to 5.7 lines below the group's top (6 lines high):
# their first 8 columns of 51 must show more than the background.
read -r _ _ _ y _ w h _ cx cy <<<"$(grep -o 'pos 42 .*' <<<"$report")"
check "scrolled during a job: the Result text is drawn" [ "$(identify -format %k \
    "$shot[$((w * 8 / 51))x$((h * 42 / 60))+$cx+$((cy - 460 + y + h * 15 / 60))]")" -gt 1 ]
{ printf '%s\n' find close 'sleep 300' alive 'enabled 38 0'
  for _ in $(seq 100); do printf '%s\n' 'command 36' 'nobox 10'; done
  echo 'gone 5000'; } >"$work/steps"
# Released once the close is in and Execute is being sent.
wine "$KESTRELIA_WIN_BIN/ui_driver.exe" <"$work/steps" >"$work/storm" &
storm=$!
for _ in $(seq 500); do grep -q '^ok  command 36' "$work/storm" && break; sleep 0.02; done
sleep 0.3
touch "$work/release"
wait $storm
check "close during a job: Execute starts nothing, no box, then the window goes" same \
    "$(tr -d '\r' <"$work/storm" | grep '^FAIL' | grep -v -e 'the window is gone$' -e 'no control with id 36$')" ""
check "close during a job: exit code 0" ended
check "close during a job: one file was converted" same "$(wc -l <"$work/standin.log")" 1
check "close during a job: the job's end is saved" matches "$(line "$held/Kestrelia.ini" 30)" \
    $'\x07'"converted:1, skip:0, error:0, "

finish
