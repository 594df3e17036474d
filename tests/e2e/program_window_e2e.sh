#!/usr/bin/env bash
# The real program under Wine, worked as a user would, on a Japanese system
# (code page 932) and an English one (1252): names of every script, the
# languages and screenshots; then the dialog's limit, the window's size,
# scrolling and place, and Kestrelia.ini that cannot be written or is held.
set -u
source "$(dirname "$0")/e2e_lib.sh"
: "${KESTRELIA_SHOTS:?}"
mkdir -p "$KESTRELIA_SHOTS"
place() { for n in Left Top Right Bottom; do line "$1/Kestrelia.ini" Window$n; done | paste -sd' '; }

# shot FILE: a screenshot of the window (at l t r b); shots FILE: the window
# and the Exit box side by side.
shot() { sleep 1; import -window root -crop "$((r - l))x$((b - t))+$l+$t" "$1"; }
shots() { shot "$work/form.png" && import -window Exit "$work/box.png" &&
    convert "$work/form.png" "$work/box.png" +append "$1"; }
japanese=('text Language "English"' 'text Execute "実行"' 'text FileSelect "ファイル選択"')
english=('text Language "Japanese"' 'text Execute "Execute"'
    'text Overwrite "Allow overwriting if destination is exist."')
# LC_CTYPE, code page, display language, the other, its Exit question, a
# folder name the code page holds (表ソ: both trail bytes are 0x5C in 932).
for system in "ja_JP.UTF-8:932:Japanese:English:Really exit?:表ソ" \
    "C.UTF-8:1252:English:Japanese:本当に終了しますか？:Música"; do
    IFS=: read -r LC_CTYPE cp display other exit legacy <<<"$system"
    export LC_CTYPE LC_MESSAGES=$LC_CTYPE
    folder=$(program_folder "cp$cp" "$KESTRELIA_WIN_BIN/flac.exe")
    ini="$folder/Kestrelia.ini" music="$work/$cp/$legacy" out="$work/$cp/o"
    # The temporary output of the last file is 779 bytes of UTF-8, the most
    # a path can have (780 with its NUL).
    deep=$(printf 'ソ%.0s' {1..78}) && deep="$deep/$deep/$deep"
    fill=$((779 - $(printf '%s' "$(win "$out/$deep")\\.flac.kestrelia-tmp" | wc -c)))
    long="$deep/$(printf '語%.0s' {1..99} | head -c $((fill / 3 * 3)))$(printf aa | head -c $((fill % 3)))"
    wavs 1 "$music/"{Björk,"Motörhead – Ace",한국어,"🎵 emoji","Sigur Rós/日本語ソ"}.wav \
        "$music/$long.wav"
    settings "$folder" "$music" "$out"
    iconv -t "CP$cp" "$ini" >"$work/legacy.ini" && mv "$work/legacy.ini" "$ini"
    check "$cp: every name converted, from a settings file in code page $cp" matches "$(job "$folder")" \
        "^done\\\\nconverted:6, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n\$"
    settings "$folder" "$out" "$work/$cp/r" restore
    check "$cp: every name restored" same "$(job "$folder")" "done\\nconverted:6, skip:0, error:0"
    check "$cp: byte for byte" diff -r "$music" "$work/$cp/r"

    # The first start, the form in Japanese in 932 as the README shows it.
    rm "$ini"
    first="${display,,}[@]" then="${other,,}[@]"
    start "$folder"
    read -r _ l t r b <<<"$(drive find rect | grep -o 'rect .*')"
    [ "$cp" = 932 ] && default_size="$((r - l)) $((b - t))"
    check "$cp: first start in $display" drive find "${!first}"
    [ "$cp" = 932 ] && shot "$KESTRELIA_SHOTS/kestrelia-japanese.png"
    check "$cp: the labels of $other" drive find 'click Language' "${!then}"
    [ "$cp" = 932 ] && shot "$KESTRELIA_SHOTS/kestrelia-english.png"
    drive find 'click Exit' 'sleep 1000' >/dev/null
    check "$cp: a screenshot of the $other form and its Exit box" \
        shots "$KESTRELIA_SHOTS/kestrelia-${other,,}-cp$cp.png"
    check "$cp: its Exit box" drive find "box \"Exit\" \"$exit\" yes" gone
    check "$cp: exit code 0" ended
done

export LC_CTYPE=ja_JP.UTF-8 LC_MESSAGES=ja_JP.UTF-8

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

# works FOLDER: started there, the program shows its window, closes, exit 0.
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
