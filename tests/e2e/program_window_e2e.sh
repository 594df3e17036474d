#!/usr/bin/env bash
# The real program under Wine, worked as a user would: the first start (with
# screenshots of both languages), the open-file dialog, Exit, the system
# close, the "#" button, scrolling and the window's place when closed
# minimised or maximised or stored off the screen.
set -u
source "$(dirname "$0")/e2e_lib.sh"
: "${KESTRELIA_SHOTS:?}"
mkdir -p "$KESTRELIA_SHOTS"
place() { for n in Left Top Right Bottom; do line "$1/Kestrelia.ini" Window$n; done | paste -sd' '; }

# The first start: the form in Japanese, a screenshot in each language.
first=$(program_folder first "$KESTRELIA_WIN_BIN/flac.exe")
start "$first"
read -r _ l t r b <<<"$(drive find rect | grep -o 'rect .*')"
shot() { sleep 1; import -window root -crop "$((r - l))x$((b - t))+0+0" "$KESTRELIA_SHOTS/$1.png"; }
shot kestrelia-japanese
check "first start: the form in Japanese, then in English" drive find 'text Language "English"' \
    'text Execute "実行"' 'checked Compress 1' 'enabled Cancel 0' 'text Level "8"' 'click Language' \
    'text Language "Japanese"' 'text Overwrite "Allow overwriting if destination is exist."'
shot kestrelia-english
check "language: back to Japanese, Exit" drive find 'click Language' 'text FileSelect "ファイル選択"' \
    'click Exit' 'box "Exit" "本当に終了しますか？" yes' gone
check "first start: exit code 0" ended
check "first start: the window at 0, 0 with its size" same "$(place "$first")" "0 0 $((r - l)) $((b - t))"
default_size="$((r - l)) $((b - t))"

# The open-file dialog: Folder Select takes the folder of any name; a file
# chosen is the input; Cancel keeps the choice; a pattern typed into the
# name box comes back with the dialog's folder. Exit with No, then Yes.
options=$(program_folder options "$KESTRELIA_WIN_BIN/flac.exe")
mkdir -p "$work/wav" "$work/flac" "$work/outdir"
wavs 1 "$work/wav/a.wav"
ini "$options/Kestrelia.ini" Language=1 "LastWavSpec=$(win "$work/wav")\\*.wav" \
    "LastFlacSpec=$(win "$work/flac")\\*.flac"
check "dialogs: Folder Select, File Select, Cancel, a pattern; Exit" session "$options" find \
    'click FolderSelect' "dialog \"$(q "$(win "$work/outdir")")\\\\target.flac\"" \
    'click FileSelect' "dialog \"$(q "$(win "$work/wav")")\\\\a.wav\"" 'click FileSelect' 'dialog cancel' \
    'click FileSelect' 'dialog "*.wav"' 'click Exit' 'box "Exit" "Really exit?" no' 'enabled Exit 1' \
    'click Exit' 'box "Exit" "Really exit?" yes' gone
f="$options/Kestrelia.ini"
check "dialogs: the chosen input and output folder" same \
    "$(line "$f" InputSpec)|$(line "$f" LastWavSpec)|$(line "$f" OutputSpec)" \
    "$(win "$work/wav")\\*.wav|$(win "$work/wav")\\*.wav|$(win "$work/outdir")\\target.flac"

# A name far too long, typed into the dialog's name box (Wine's dialog
# crashed the program on a folder and name over 260 characters): the box
# takes only what fits beside its folder, at most 259 characters.
check "dialog: a name too long is held back by the name box" session "$options" find 'click FileSelect' \
    "dialog typed \"$(printf 'n%.0s' $(seq 600)).wav\"" 'enabled Exit 1' close gone
check "dialog: the path taken is the folder and the typed name, at most 259 characters" matches \
    "$(line "$f" InputSpec | grep -x '.\{1,259\}')" "^$(win "$work/wav" | sed 's/\\/\\\\/g')\\\\n+\$"

# A small window scrolls the form by whole cells; "#" gives the default
# size back in place; the system close saves.
small=$(program_folder small "$KESTRELIA_WIN_BIN/flac.exe")
ini "$small/Kestrelia.ini" Language=1 WindowLeft=30 WindowTop=20 WindowRight=230 WindowBottom=170
start "$small"
report=$(drive find 'rect Execute' 'scroll v 1' 'scroll h 1' 'rect Execute' 'size 900 800' 'rect Execute' \
    'click DefaultSize' 'sleep 300' rect close gone)
mapfile -t at < <(grep -o 'pos Execute [-0-9]* [-0-9]*' <<<"$report" | cut -d' ' -f3,4)
read -r x0 y0 x1 y1 <<<"${at[0]:-0 0} ${at[1]:-0 0}"
check "scrolling: a line down and a column right move the form up and left" \
    test "$x1" -lt "$x0" -a "$y1" -lt "$y0"
check "scrolling: a large window shows the form unscrolled" same "${at[2]:-}" "$x0 $y0"
read -r _ l t r b < <(grep -o 'rect [-0-9 ]*' <<<"$report" | tail -1)
check "#: the default size, in place" same "$l $t $((r - l)) $((b - t))" "30 20 $default_size"
check "#: the system close saved the place" same "$(place "$small" | cut -d' ' -f1,2)" "30 20"

# Closed minimised or maximised, the window keeps its normal place.
for state in minimize maximize; do
    ini "$small/Kestrelia.ini" Language=1 WindowLeft=40 WindowTop=30 WindowRight=440 WindowBottom=330
    check "$state: closed in that state" session "$small" find "show $state" close gone
    check "$state: the normal place is saved" same "$(place "$small")" "40 30 440 330"
done

# A place stored left of and above the screen (a monitor that is gone)
# comes back to its edges, keeping its size.
ini "$small/Kestrelia.ini" Language=1 WindowLeft=-30000 WindowTop=-30000 WindowRight=-29600 \
    WindowBottom=-29700
start "$small"
check "stored at -30000, -30000: placed at 0, 0" same "$(drive find rect close gone | grep '^info rect')" \
    "info rect 0 0 400 300"
ended

finish
