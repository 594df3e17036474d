#!/usr/bin/env bash
# The real program under Wine, worked as a user would: the first start and
# the file it writes, a start from a prepared file, the language switch
# (with screenshots), modes and options, the open-file dialog, Exit, the
# system close, the "#" button and scrolling.
set -u
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/program_lib.sh"
: "${KESTRELIA_SHOTS:?}"
mkdir -p "$KESTRELIA_SHOTS"

first=$(program_folder first "$KESTRELIA_WIN_BIN/flac.exe")
start "$first"
check "first start: the form in Japanese with the defaults" drive_ja <<'EOF'
find
text 1 "English"
text 36 "実行"
checked 6 1
checked 7 0
checked 13 0
checked 19 0
checked 28 0
enabled 26 1
enabled 36 1
enabled 37 1
enabled 38 0
text 11 "8"
close
gone
EOF
check "first start: exit code 0" ended
ini_file="$first/Kestrelia.ini"
check "first start: 42 lines, each ended by CR LF" same "$(grep -c $'\r$' "$ini_file") $(wc -l <"$ini_file")" "42 42"
expected="20 0 0 0 0 0 0 0 8 0 0 0 0 0 0 0 0 20 c:\\*.wav c:\\*.wav c:\\*.flac  c:\\*.* - 8"
got=$(for n in 1 2 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29; do
    l=$(line "$ini_file" "$n"); [ "$n" = 28 ] && l="${l:--}"; printf '%s ' "$l"; done)
check "first start: the defaults are saved" same "${got% }" "$expected"
check "first start: the window at 0, 0 with a size" matches "$(line "$ini_file" 3) $(line "$ini_file" 4) $(line "$ini_file" 5) $(line "$ini_file" 6)" '^0 0 [1-9][0-9]+ [1-9][0-9]+$'
default_size="$(line "$ini_file" 5) $(line "$ini_file" 6)"

# A prepared file: English, restore mode, every option on, a place.
prepared=$(program_folder prepared "$KESTRELIA_WIN_BIN/flac.exe")
ini "$prepared/Kestrelia.ini" 0=1 1=100 2=80 3=600 4=500 10=1 11=5 12=1 13=1 14=1 17=-3 \
    't0=d:\in\*.flac' 't1=d:\in\*.wav' 't2=d:\in\*.flac' 't3=d:\out\last.flac' 't4=d:\out\*.*' t6=5 \
    $'t7=done\x07converted:1, skip:0, error:0\x07' 't12=kept'
cp "$prepared/Kestrelia.ini" "$work/prepared.ini"
start "$prepared"
check "prepared file: the controls show it" drive <<'EOF'
find
text 1 "Japanese"
text 36 "Execute"
checked 6 0
checked 7 1
checked 13 1
checked 19 1
checked 28 1
enabled 26 0
text 11 "5"
close
gone
EOF
check "prepared file: saved back byte for byte" cmp "$work/prepared.ini" "$prepared/Kestrelia.ini"

# The language switch, with a screenshot in each language.
start "$first"
drive <<<"find" >/dev/null
shot() { sleep 1; import -window root -crop "${default_size/ /x}+0+0" "$KESTRELIA_SHOTS/$1.png"; }
shot kestrelia-japanese
check "language: to English" drive <<'EOF'
find
click 1
text 1 "Japanese"
text 36 "Execute"
text 13 "Allow overwriting if destination is exist."
EOF
shot kestrelia-english
check "language: back to Japanese" drive_ja <<'EOF'
find
click 1
text 1 "English"
text 16 "入力ファイル"
click 37
box "Exit" "本当に終了しますか？" yes
gone
EOF
check "language: screenshots made" test -s "$KESTRELIA_SHOTS/kestrelia-english.png"

# Modes, options and the open-file dialog; Exit with No, then Yes.
options=$(program_folder options "$KESTRELIA_WIN_BIN/flac.exe")
mkdir -p "$work/wav" "$work/flac" "$work/outdir"
"$KESTRELIA_MAKE_WAV" "$work/wav/a.wav" 1 1
ini "$options/Kestrelia.ini" 0=1 "t1=$(win "$work/wav")\\*.wav" "t2=$(win "$work/flac")\\*.flac"
start "$options"
check "options: modes, check boxes, Folder Select, dialogs, Exit" drive <<EOF
find
click 7
checked 7 1
checked 6 0
click 28
checked 28 1
enabled 26 0
click 13
click 19
checked 13 1
checked 19 1
enabled 26 0
click 28
enabled 26 1
click 26
dialog "$(q "$(win "$work/outdir")")\\\\target.flac"
click 6
click 17
dialog "$(q "$(win "$work/wav")")\\\\a.wav"
click 17
dialogcancel
click 7
click 6
click 17
dialog "*.wav"
click 37
box "Exit" "Really exit?" no
alive
click 37
box "Exit" "Really exit?" yes
gone
EOF
check "options: exit code 0" ended
f="$options/Kestrelia.ini"
check "options: settings saved" same "$(line "$f" 12) $(line "$f" 14) $(line "$f" 15) $(line "$f" 16)" "0 1 1 0"
# A pattern typed into the name box comes back with the dialog's folder:
# the way to choose all the files of a folder.
check "options: the chosen input becomes the input of compress mode only" same \
    "$(line "$f" 23)|$(line "$f" 24)|$(line "$f" 25)" \
    "$(win "$work/wav")\\*.wav|$(win "$work/wav")\\*.wav|$(win "$work/flac")\\*.flac"
check "options: the chosen output folder" same "$(line "$f" 27)" "$(win "$work/outdir")\\target.flac"

# A name far too long, typed into the dialog's name box (Wine's dialog
# crashed the program on a folder and name over 260 characters): the box
# takes only what fits beside its folder.
start "$options"
check "dialog: a name too long is held back by the name box" drive <<EOF
find
click 17
dialogtyped "$(printf 'n%.0s' $(seq 600)).wav"
alive
close
gone
EOF
check "dialog: the path taken is the folder and the typed name" matches "$(line "$f" 23)" \
    "^$(win "$work/wav" | sed 's/\\/\\\\/g')\\\\n{1,259}\$"
check "dialog: at most 259 characters" [ "$(line "$f" 23 | wc -c)" -le 260 ]

# A small window scrolls the form by whole cells; "#" gives the default
# size back in place; the system close saves.
small=$(program_folder small "$KESTRELIA_WIN_BIN/flac.exe")
ini "$small/Kestrelia.ini" 0=1 1=30 2=20 3=230 4=170
start "$small"
report=$(drive <<'EOF'
find
showpos 36
vscroll 1
showpos 36
hscroll 1
showpos 36
vscroll 6
hscroll 6
showpos 36
size 900 800
showpos 36
click 2
sleep 300
rect
close
gone
EOF
)
echo "$report"
mapfile -t at < <(grep -o 'pos 36 [-0-9]* [-0-9]*' <<<"$report" | cut -d' ' -f3,4)
read -r x0 y0 <<<"${at[0]:-0 0}"
read -r x1 y1 <<<"${at[1]:-0 0}"
read -r x2 y2 <<<"${at[2]:-0 0}"
check "scrolling: a line down moves the form up by one line" test "$x1" = "$x0" -a "$y1" -lt "$y0"
check "scrolling: a column right moves the form left" test "$x2" -lt "$x1" -a "$y2" = "$y1"
check "scrolling: back at the top left" same "${at[3]:-}" "$x0 $y0"
check "scrolling: a large window shows the form unscrolled" same "${at[4]:-}" "$x0 $y0"
read -r _ l t r b < <(grep -o 'rect [-0-9 ]*' <<<"$report" | tail -1)
check "#: the default size, in place" same "$l $t $((r - l)) $((b - t))" "30 20 $default_size"
check "#: the system close saved the place" same "$(line "$small/Kestrelia.ini" 3) $(line "$small/Kestrelia.ini" 4)" "30 20"

# Closed minimised or maximised, the window keeps its normal place.
for state in minimize maximize; do
    ini "$small/Kestrelia.ini" 0=1 1=40 2=30 3=440 4=330
    start "$small"
    check "$state: closed in that state" drive <<EOF
find
$state
close
gone
EOF
    f="$small/Kestrelia.ini"
    check "$state: the normal place is saved" same "$(line "$f" 3) $(line "$f" 4) $(line "$f" 5) $(line "$f" 6)" "40 30 440 330"
done

# A place stored left of or above the screen (a monitor that is gone) comes
# back to its edge, keeping the size, when less than 200 pixels of the
# width or 150 of the height would be on it.
for place in "-201 -150 0 -150" "-200 -151 -200 0" "-30000 -30000 0 0"; do
    read -r l t x y <<<"$place"
    ini "$small/Kestrelia.ini" 0=1 1=$l 2=$t 3=$((l + 400)) 4=$((t + 300))
    start "$small"
    check "stored at $l, $t: placed at $x, $y" same "$(drive <<<$'find\nrect\nclose\ngone' | grep '^info rect')" \
        "info rect $x $y $((x + 400)) $((y + 300))"
    ended
done

finish
