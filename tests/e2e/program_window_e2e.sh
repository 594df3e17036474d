#!/usr/bin/env bash
# The real program under Wine, worked as a user would: the first start and
# the file it writes, the language switch (with screenshots), the open-file
# dialog, Exit, the system close, the "#" button, scrolling and the
# window's place when closed minimised or maximised.
set -u
source "$(dirname "$0")/e2e_lib.sh"
: "${KESTRELIA_SHOTS:?}"
mkdir -p "$KESTRELIA_SHOTS"

place() { for n in 3 4 5 6; do line "$1/Kestrelia.ini" $n; done | paste -sd' '; }

# The first start: the form in Japanese, a screenshot in each language.
first=$(program_folder first "$KESTRELIA_WIN_BIN/flac.exe")
start "$first"
read -r _ l t r b <<<"$(drive find rect | grep -o 'rect .*')"
shot() { sleep 1; import -window root -crop "$((r - l))x$((b - t))+0+0" "$KESTRELIA_SHOTS/$1.png"; }
shot kestrelia-japanese
check "first start: the form in Japanese, then in English" drive find 'text 1 "English"' 'text 36 "実行"' \
    'checked 6 1' 'enabled 38 0' 'text 11 "8"' 'click 1' 'text 1 "Japanese"' \
    'text 13 "Allow overwriting if destination is exist."'
shot kestrelia-english
check "language: back to Japanese, Exit" drive find 'click 1' 'text 16 "入力ファイル"' 'click 37' \
    'box "Exit" "本当に終了しますか？" yes' gone
check "first start: exit code 0" ended
check "language: screenshots made" test -s "$KESTRELIA_SHOTS/kestrelia-english.png"
ini_file="$first/Kestrelia.ini"
check "first start: 42 lines, each ended by CR LF" same "$(grep -c $'\r$' "$ini_file") $(wc -l <"$ini_file")" "42 42"
check "first start: the window at 0, 0 with its size" same "$(place "$first")" "0 0 $((r - l)) $((b - t))"
default_size="$((r - l)) $((b - t))"

# The open-file dialog: Folder Select takes the folder of any name; a file
# chosen is the input; Cancel keeps the choice; a pattern typed into the
# name box comes back with the dialog's folder (the way to choose all the
# files of a folder). Exit with No, then Yes.
options=$(program_folder options "$KESTRELIA_WIN_BIN/flac.exe")
mkdir -p "$work/wav" "$work/flac" "$work/outdir"
wavs 1 "$work/wav/a.wav"
ini "$options/Kestrelia.ini" 0=1 "t1=$(win "$work/wav")\\*.wav" "t2=$(win "$work/flac")\\*.flac"
check "dialogs: Folder Select, File Select, Cancel, a pattern; Exit" session "$options" find 'click 26' \
    "dialog \"$(q "$(win "$work/outdir")")\\\\target.flac\"" \
    'click 17' "dialog \"$(q "$(win "$work/wav")")\\\\a.wav\"" 'click 17' 'dialog cancel' 'click 17' 'dialog "*.wav"' \
    'click 37' 'box "Exit" "Really exit?" no' alive 'click 37' 'box "Exit" "Really exit?" yes' gone
f="$options/Kestrelia.ini"
check "dialogs: the chosen input and output folder" same "$(line "$f" 23)|$(line "$f" 24)|$(line "$f" 27)" \
    "$(win "$work/wav")\\*.wav|$(win "$work/wav")\\*.wav|$(win "$work/outdir")\\target.flac"

# A name far too long, typed into the dialog's name box (Wine's dialog
# crashed the program on a folder and name over 260 characters): the box
# takes only what fits beside its folder.
check "dialog: a name too long is held back by the name box" session "$options" find 'click 17' \
    "dialog typed \"$(printf 'n%.0s' $(seq 600)).wav\"" alive close gone
check "dialog: the path taken is the folder and the typed name" matches \
    "$(line "$f" 23)" "^$(win "$work/wav" | sed 's/\\/\\\\/g')\\\\n{1,259}\$"
check "dialog: at most 259 characters" [ "$(line "$f" 23 | wc -c)" -le 260 ]

# A small window scrolls the form by whole cells; "#" gives the default
# size back in place; the system close saves.
small=$(program_folder small "$KESTRELIA_WIN_BIN/flac.exe")
ini "$small/Kestrelia.ini" 0=1 1=30 2=20 3=230 4=170
start "$small"
report=$(drive find 'rect 36' 'scroll v 1' 'scroll h 1' 'rect 36' 'size 900 800' 'rect 36' 'click 2' 'sleep 300' rect \
    close gone)
mapfile -t at < <(grep -o 'pos 36 [-0-9]* [-0-9]*' <<<"$report" | cut -d' ' -f3,4)
read -r x0 y0 x1 y1 <<<"${at[0]:-0 0} ${at[1]:-0 0}"
check "scrolling: a line down and a column right move the form up and left" test "$x1" -lt "$x0" -a "$y1" -lt "$y0"
check "scrolling: a large window shows the form unscrolled" same "${at[2]:-}" "$x0 $y0"
read -r _ l t r b < <(grep -o 'rect [-0-9 ]*' <<<"$report" | tail -1)
check "#: the default size, in place" same "$l $t $((r - l)) $((b - t))" "30 20 $default_size"
check "#: the system close saved the place" same "$(place "$small" | cut -d' ' -f1,2)" "30 20"

# Closed minimised or maximised, the window keeps its normal place.
for state in minimize maximize; do
    ini "$small/Kestrelia.ini" 0=1 1=40 2=30 3=440 4=330
    check "$state: closed in that state" session "$small" find "show $state" close gone
    check "$state: the normal place is saved" same "$(place "$small")" "40 30 440 330"
done

# A place stored left of or above the screen (a monitor that is gone)
# comes back to its edge, keeping its size, when less than 200 pixels of
# its width or 150 of its height would be on it.
for place in "-201 -150 0 -150" "-200 -151 -200 0" "-30000 -30000 0 0"; do
    read -r l t x y <<<"$place"
    ini "$small/Kestrelia.ini" 0=1 1=$l 2=$t 3=$((l + 400)) 4=$((t + 300))
    start "$small"
    check "stored at $l, $t: placed at $x, $y" same "$(drive find rect close gone | grep '^info rect')" \
        "info rect $x $y $((x + 400)) $((y + 300))"
    ended
done

finish
