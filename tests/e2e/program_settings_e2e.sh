#!/usr/bin/env bash
# Kestrelia.ini where the real file system gets in the way, under Wine: a
# folder in its place, a read-only file, another program holding it open, a
# full disk at the save. The program starts and works, and a save that
# cannot be written leaves the old file as it was.
set -u
source "$(dirname "$0")/e2e_lib.sh"

# works FOLDER: the program starts there, shows its window, closes when
# asked and ends with exit code 0.
works() { session "$1" find 'enabled Execute 1' close gone; }
folder=$(program_folder settings "$KESTRELIA_WIN_BIN/flac.exe")
ini=$folder/Kestrelia.ini

mkdir "$ini"
check "a folder in its place: the program works" works "$folder"
check "a folder in its place: still a folder, nothing else left" \
    same "$(test -d "$ini" && ls -A "$folder" | tr '\n' ' ')" "Kestrelia.ini flac.exe "
rmdir "$ini"

# A save that cannot be written changes nothing: the old file stays whole.
ini "$ini" Language=1 "LastWavSpec=$(win "$work")\\*.wav" LevelText=5
cp "$ini" "$work/old.ini"
chmod a-w "$ini"
check "read-only: the program works" works "$folder"
check "read-only: the file is as it was, nothing beside it" same \
    "$(cmp "$work/old.ini" "$ini" && ls -A "$folder" | tr '\n' ' ')" "Kestrelia.ini flac.exe "
chmod u+w "$ini"

# Another program holds the file open for writing while the program starts.
# Sharing everything, it leaves the settings readable; sharing nothing, the
# program starts on the defaults but must not save them over the file.
for share in all none; do
    cp "$work/old.ini" "$ini"
    drive_aside "$work/holder" 'ok  hold' "hold \"$(q "$(win "$ini")")\" $share" find
    start "$folder"
    wait "$aside"  # lets go once the window is shown
    # The language button names the other language.
    other=Japanese; [ $share = none ] && other=English
    check "held, sharing $share: the language button says $other" \
        drive find "text Language \"$other\"" close gone
    ended
    [ $share = all ] && check "held, sharing all: the stored settings are saved" same \
        "$(line "$ini" Language) $(line "$ini" LastWavSpec) $(line "$ini" LevelText)" \
        "1 $(win "$work")\\*.wav 5"
    [ $share = none ] && check "held, sharing none: the file is as it was" cmp "$work/old.ini" "$ini"
done

disk="$work/disk"
if small_disk "full disk" "$disk" 64k; then
    cp "$work/old.ini" "$disk/Kestrelia.ini"
    head -c 1m /dev/zero >"$disk/filler" 2>/dev/null
    check "full disk: the program works" works "$disk"
    check "full disk: the file is as it was, nothing beside it" same \
        "$(cmp "$work/old.ini" "$disk/Kestrelia.ini" && ls -A "$disk" | tr '\n' ' ')" "Kestrelia.ini filler "
fi

finish
