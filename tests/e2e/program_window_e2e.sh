#!/usr/bin/env bash
# The real program under Wine, worked as a user would: the first start (with
# screenshots of both languages), a name too long for the open-file
# dialog, the "#" button, scrolling and the window's place when closed
# minimised or maximised or stored off the screen. Then Kestrelia.ini where
# the real file system gets in the way: a read-only file, another program
# holding it open, a full disk at the save; the program starts and works,
# and a save that cannot be written leaves the old file as it was.
set -u
source "$(dirname "$0")/e2e_lib.sh"
: "${KESTRELIA_SHOTS:?}"
mkdir -p "$KESTRELIA_SHOTS"
place() { for n in Left Top Right Bottom; do line "$1/Kestrelia.ini" Window$n; done | paste -sd' '; }

# The first start: the form in Japanese, a screenshot in each language.
first=$(program_folder first "$KESTRELIA_WIN_BIN/flac.exe")
start "$first"
check "first start: the form in Japanese" drive find 'text Language "English"'
read -r _ l t r b <<<"$(drive find rect | grep -o 'rect .*')"
shot() { sleep 1; import -window root -crop "$((r - l))x$((b - t))+0+0" "$KESTRELIA_SHOTS/$1.png"; }
shot kestrelia-japanese
check "first start: then in English" drive find 'click Language' 'text Language "Japanese"'
shot kestrelia-english
check "first start: Exit" drive find 'click Exit' 'box "Exit" "Really exit?" yes' gone
check "first start: exit code 0" ended
default_size="$((r - l)) $((b - t))"

# A name far too long, typed into the open-file dialog's name box (Wine's
# dialog crashed the program on a folder and name over 260 characters): the
# box takes only what fits beside its folder, at most 259 characters.
options=$(program_folder options "$KESTRELIA_WIN_BIN/flac.exe")
mkdir -p "$work/wav"
ini "$options/Kestrelia.ini" Language=1 "LastWavSpec=$(win "$work/wav")\\*.wav"
check "dialog: a name too long is held back by the name box" session "$options" find 'click FileSelect' \
    "dialog typed \"$(printf 'n%.0s' $(seq 600)).wav\"" 'enabled Exit 1' close gone
check "dialog: the path taken is the folder and the typed name, at most 259 characters" matches \
    "$(line "$options/Kestrelia.ini" InputSpec | grep -x '.\{1,259\}')" \
    "^$(win "$work/wav" | sed 's/\\/\\\\/g')\\\\n+\$"

# A small window scrolls the form; "#" gives the default size back in place.
small=$(program_folder small "$KESTRELIA_WIN_BIN/flac.exe")
ini "$small/Kestrelia.ini" Language=1 WindowLeft=30 WindowTop=20 WindowRight=230 WindowBottom=170
start "$small"
report=$(drive find 'rect Execute' 'scroll v 1' 'scroll h 1' 'rect Execute' 'click DefaultSize' 'sleep 300' \
    rect close gone)
mapfile -t at < <(grep -o 'pos Execute [-0-9]* [-0-9]*' <<<"$report" | cut -d' ' -f3,4)
read -r x0 y0 x1 y1 <<<"${at[0]:-0 0} ${at[1]:-0 0}"
check "scrolling: a line down and a column right move the form up and left" \
    test "$x1" -lt "$x0" -a "$y1" -lt "$y0"
read -r _ l t r b < <(grep -o 'rect [-0-9 ]*' <<<"$report" | tail -1)
check "#: the default size, in place" same "$l $t $((r - l)) $((b - t))" "30 20 $default_size"

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

# works FOLDER: the program starts there, shows its window, closes when
# asked and ends with exit code 0.
works() { session "$1" find 'enabled Execute 1' close gone; }
folder=$(program_folder settings "$KESTRELIA_WIN_BIN/flac.exe")
stored=$folder/Kestrelia.ini

# A save that cannot be written changes nothing: the old file stays whole.
ini "$stored" Language=1 "LastWavSpec=$(win "$work")\\*.wav" LevelText=5
cp "$stored" "$work/old.ini"
chmod a-w "$stored"
check "read-only: the program works" works "$folder"
check "read-only: the file is as it was, nothing beside it" same \
    "$(cmp "$work/old.ini" "$stored" && ls -A "$folder" | tr '\n' ' ')" "Kestrelia.ini flac.exe "
chmod u+w "$stored"

# Another program holds the file open for writing, sharing everything,
# while the program starts (the driver, until the window is shown): the
# settings are read all the same.
cp "$work/old.ini" "$stored"
printf '%s\n' "hold \"$(win "$stored")\"" find | wine "$KESTRELIA_WIN_BIN/ui_driver.exe" >"$work/holder" &
holder=$!
for _ in $(seq 500); do grep -q '^ok  hold' "$work/holder" && break; sleep 0.02; done
start "$folder"
wait "$holder"
check "held: the stored settings read, the form in English" drive find 'text Language "Japanese"' close gone
ended
check "held: the stored settings are saved" same \
    "$(line "$stored" Language) $(line "$stored" LastWavSpec) $(line "$stored" LevelText)" \
    "1 $(win "$work")\\*.wav 5"

disk="$work/disk"
if small_disk "full disk" "$disk" 64k; then
    cp "$work/old.ini" "$disk/Kestrelia.ini"
    head -c 1m /dev/zero >"$disk/filler" 2>/dev/null
    check "full disk: the program works" works "$disk"
    check "full disk: the file is as it was, nothing beside it" same \
        "$(cmp "$work/old.ini" "$disk/Kestrelia.ini" && ls -A "$disk" | tr '\n' ' ')" "Kestrelia.ini filler "
fi

finish
