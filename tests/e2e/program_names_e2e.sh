#!/usr/bin/env bash
# File names and texts of every script under Wine, on a Japanese system
# (code page 932) and an English one (1252): a tree of names of many
# scripts and the longest path there can be, compressed and restored by the
# real encoder, from a settings file written in the system's code page; the
# language at the first start and the labels of both languages, read back
# wide; a screenshot of the stored language's form and its Exit box.
set -u
source "$(dirname "$0")/e2e_lib.sh"
: "${KESTRELIA_SHOTS:?}"
mkdir -p "$KESTRELIA_SHOTS"

# shots FILE: the window (at l t r b) and the Exit box side by side.
shots() {
    import -window root -crop "$((r - l))x$((b - t))+$l+$t" "$work/form.png" &&
        import -window Exit "$work/box.png" &&
        convert "$work/form.png" "$work/box.png" +append "$1"
}
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

    rm "$ini"
    first="${display,,}[@]" then="${other,,}[@]"
    check "$cp: first start in $display, the labels of both languages" session "$folder" find "${!first}" \
        'click Language' "${!then}" close gone
    start "$folder"
    read -r _ l t r b <<<"$(drive find rect 'click Exit' 'sleep 1000' | grep -o 'rect .*')"
    check "$cp: a screenshot of the $other form and its Exit box" \
        shots "$KESTRELIA_SHOTS/kestrelia-${other,,}-cp$cp.png"
    check "$cp: $other stored wins, its Exit box" \
        drive find "text Language \"$display\"" "box \"Exit\" \"$exit\" yes" gone
    check "$cp: exit code 0" ended
done

finish
