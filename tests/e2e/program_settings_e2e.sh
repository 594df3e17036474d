#!/usr/bin/env bash
# A damaged Kestrelia.ini under Wine: random bytes, a file cut short, very
# long lines, a folder in its place, a read-only file, a full disk at the
# save. The program starts with repaired settings and works, and a save
# that cannot be written leaves the old file as it was.
set -u
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/program_lib.sh"

# works FOLDER: the program starts there, shows its window, closes when
# asked and ends with exit code 0.
works() {
    start "$1"
    drive <<'EOF' && ended
find
enabled 36 1
close
gone
EOF
}
# well_formed FILE: as the program writes it, with repaired values.
well_formed() {
    same "$(wc -l <"$1") $(line "$1" 1) $(line "$1" 22)" "42 20 20" &&
        matches "$(line "$1" 2) $(line "$1" 12) $(line "$1" 13)" '^[01] [01] [1-8]$' &&
        matches "$(line "$1" 29)" '^[1-8]'
}

folder=$(program_folder settings "$KESTRELIA_WIN_BIN/flac.exe")
ini=$folder/Kestrelia.ini

head -c 30000 /dev/urandom >"$ini"
cp "$ini" "$work/random.ini"
check "random bytes: the program works" works "$folder"
check "random bytes: saved repaired" well_formed "$ini"
[ "$failures" -eq 0 ] || echo "     the random file is kept: $(base64 -w0 <"$work/random.ini" | head -c 200)..."

ini "$work/whole.ini" 0=1 10=1 11=3 "t2=$(win "$work")\\*.flac" t6=3
head -c 60 "$work/whole.ini" >"$ini"
check "cut short: the program works" works "$folder"
check "cut short: what was read is kept, the rest repaired" \
    same "$(line "$ini" 2) $(line "$ini" 12) $(line "$ini" 29)" "1 1 8"

{
    echo 20
    printf '9%.0s' $(seq 30000)
    echo
    for _ in $(seq 19); do echo 0; done
    echo 20
    printf 'x%.0s' $(seq 30000)
    echo
} >"$ini"
check "long lines: the program works" works "$folder"
check "long lines: saved repaired" well_formed "$ini"
check "long lines: a text keeps its first 9999 bytes" same "$(line "$ini" 23 | wc -c)" 10000

rm -f "$ini"
mkdir "$ini"
check "a folder in its place: the program works" works "$folder"
check "a folder in its place: still a folder, nothing else left" \
    same "$(test -d "$ini" && ls -A "$folder" | tr '\n' ' ')" "Kestrelia.ini flac.exe "
rmdir "$ini"

# A save that cannot be written changes nothing: the old file stays whole.
ini "$ini" 0=1 "t1=$(win "$work")\\*.wav" t6=5
cp "$ini" "$work/old.ini"
chmod a-w "$ini"
check "read-only: the program works, in English" works "$folder"
check "read-only: the file is as it was" cmp "$work/old.ini" "$ini"
check "read-only: no file left beside it" same "$(ls -A "$folder" | tr '\n' ' ')" "Kestrelia.ini flac.exe "
chmod u+w "$ini"

# Another program holds the file open for writing while the program starts.
# Sharing everything, it leaves the settings readable; sharing nothing, the
# program starts on the defaults but must not save them over the file.
for share in all none; do
    cp "$work/old.ini" "$ini"
    wine "$KESTRELIA_WIN_BIN/ui_driver.exe" >"$work/holder" \
        <<<"$(printf 'hold "%s" %s\nfind' "$(q "$(win "$ini")")" "$share")" &
    holder=$!
    for _ in $(seq 500); do grep -q '^ok  hold' "$work/holder" && break; sleep 0.02; done
    start "$folder"
    wait "$holder"  # lets go once the window is shown
    # The language button names the other language.
    other=Japanese; [ $share = none ] && other=English
    check "held, sharing $share: the language button says $other" drive <<<$'find\ntext 1 "'$other$'"\nclose\ngone'
    ended
    [ $share = all ] && check "held, sharing all: the stored settings are saved" same \
        "$(line "$ini" 2) $(line "$ini" 24) $(line "$ini" 29)" "1 $(win "$work")\\*.wav 5"
    [ $share = none ] && check "held, sharing none: the file is as it was" cmp "$work/old.ini" "$ini"
done

disk="$work/disk"
if small_disk "$disk" 64k; then
    cp "$work/old.ini" "$disk/Kestrelia.ini"
    head -c 1m /dev/zero >"$disk/filler" 2>/dev/null
    check "full disk: the program works" works "$disk"
    check "full disk: the file is as it was" cmp "$work/old.ini" "$disk/Kestrelia.ini"
    check "full disk: no file left beside it" same "$(ls -A "$disk" | tr '\n' ' ')" "Kestrelia.ini filler "
else
    echo "skip full disk: no tmpfs can be mounted here"
fi

finish
