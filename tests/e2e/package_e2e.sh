#!/usr/bin/env bash
# The Windows package as a user gets it: Kestrelia-win64.zip unpacked into a
# fresh folder whose name has Japanese letters with 0x5C trail bytes and a
# blank (code page 932), Kestrelia.exe started there for the first time, a
# WAV tree compressed through the dialogs with the package's own flac.exe,
# restored after a restart, and compared byte for byte.
set -u
source "$(dirname "$0")/e2e_lib.sh"
: "${KESTRELIA_WIN_PACKAGE:?}"
listing() { (cd "$1" && find . -type f | LC_ALL=C sort | tr '\n' ' '); }

home="$work/ソフト 表"
mkdir -p "$home"
check "package: unpacked" unzip -q "$KESTRELIA_WIN_PACKAGE" -d "$home"
folder="$home/Kestrelia"
check "package: its files" same "$(listing "$folder")" "./Kestrelia.exe ./README.txt ./flac-source.txt ./flac.exe \
./flac_close_check.patch ./licenses/COPYING.FDL ./licenses/COPYING.GPL ./licenses/COPYING.LGPL \
./licenses/COPYING.Xiph ./licenses/copyright "
check "package: README.txt for Windows, with CR LF" same \
    "$(grep -c '^## Using Kestrelia' "$folder/README.txt") $(grep -vc $'\r$' "$folder/README.txt")" "1 0"
encoder_version=$(wine "$folder/flac.exe" --version | tr -d '\r')
check "package: the source package named, of the encoder's version" \
    grep -q "^flac, version ${encoder_version#flac }+" "$folder/flac-source.txt"

music="$work/音楽 ソ"
mkdir -p "$music/表/能" "$work/archive" "$work/restored"
"$KESTRELIA_MAKE_WAV" "$music/a.wav" 2 1
"$KESTRELIA_MAKE_WAV" "$music/表/b.wav" 2 2
"$KESTRELIA_MAKE_WAV" "$music/表/能/ソ.wav" 1 3

start "$folder" "$folder/Kestrelia.exe"
check "package: first start, the tree compressed through the dialogs" drive_ja <<EOF
find
text 36 "実行"
click 19
checked 19 1
click 17
dialog "$(q "$(win "$music")")\\\\a.wav"
click 17
dialog "*.wav"
click 26
dialog "$(q "$(win "$work/archive")")\\\\here.flac"
execute 120000
close
gone
EOF
check "package: exit code 0" ended
check "package: the settings and counts kept beside the program" matches \
    "$(line "$folder/Kestrelia.ini" 30)" "^done"$'\x07'"converted:3, skip:0, error:0, ratio:"
check "package: the tree is mirrored" same "$(listing "$work/archive")" "./a.flac ./表/b.flac ./表/能/ソ.flac "

start "$folder" "$folder/Kestrelia.exe"
check "package: after a restart, the archive restored through the dialogs" drive_ja <<EOF
find
checked 19 1
click 7
click 17
dialog "$(q "$(win "$work/archive")")\\\\a.flac"
click 17
dialog "*.flac"
click 26
dialog "$(q "$(win "$work/restored")")\\\\here.wav"
execute 120000
close
gone
EOF
check "package: exit code 0 again" ended
check "package: restored counts" same "$(line "$folder/Kestrelia.ini" 30)" "done"$'\x07'"converted:3, skip:0, error:0"
check "package: the restored tree is the original, byte for byte" diff -r "$music" "$work/restored"

finish
