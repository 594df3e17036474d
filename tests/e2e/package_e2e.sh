#!/usr/bin/env bash
# The Windows package as a user gets it: Kestrelia-win64.zip unpacked into a
# fresh folder whose name has Japanese letters and a blank, Kestrelia.exe
# started there for the first time, a WAV tree of Japanese names compressed
# through the dialogs with the package's own flac.exe, restored after a
# restart, and compared byte for byte. Its programs need no DLL beside them,
# and the source zip beside it builds the same flac.exe.
set -u
source "$(dirname "$0")/e2e_lib.sh"
: "${KESTRELIA_WIN_PACKAGE:?}"

home="$work/ソフト 表"
mkdir -p "$home"
check "package: unpacked" unzip -q "$KESTRELIA_WIN_PACKAGE" -d "$home"
folder="$home/Kestrelia"
program_exe="$folder/Kestrelia.exe"
check "package: its files" same "$(outputs "$folder")" "$(printf './%s ' Kestrelia.exe README.txt \
    flac-source.txt flac.exe flac_close_check.patch licenses/COPYING.{FDL,GPL,LGPL,Xiph} \
    licenses/{Kestrelia-LICENSE,flac-copyright,gcc-copyright,mingw-w64-copyright})"
imports() { x86_64-w64-mingw32-objdump -p "$folder/$1" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' '; }
check "package: only Windows' own DLLs imported" same "$(imports flac.exe)|$(imports Kestrelia.exe)" \
    "ADVAPI32.dll KERNEL32.dll msvcrt.dll |comdlg32.dll GDI32.dll KERNEL32.dll msvcrt.dll USER32.dll "
check "package: README.txt for Windows, with CR LF" same \
    "$(grep -c '^## Using Kestrelia' "$folder/README.txt") $(grep -vc $'\r$' "$folder/README.txt")" "1 0"
encoder_version=$(wine "$folder/flac.exe" --version | tr -d '\r')
check "package: the source package named, of the encoder's version" \
    grep -q "^flac, version ${encoder_version#flac }+" "$folder/flac-source.txt"

music="$work/音楽 ソ"
mkdir -p "$work/archive" "$work/restored"
wavs 2 "$music/a.wav" "$music/表/b.wav" "$music/表/能/ソ.wav"
# A build without threads warns at -j, and -w makes that an error.
check "package: flac.exe encodes on threads" \
    wine "$folder/flac.exe" -s -w -j 2 -o "$work/j2.flac" "$music/a.wav"

# through_dialogs FOLDER PATTERN OUTPUT [STEP...]: after the steps, the
# input chosen through the dialogs (a file of FOLDER, then the pattern) and
# the output folder, a job run, the program closed with exit code 0.
through_dialogs() {
    session "$folder" find "${@:4}" 'click FileSelect' "dialog \"$(win "$1")\\a.${2#*.}\"" \
        'click FileSelect' "dialog \"$2\"" 'click FolderSelect' "dialog \"$(win "$3")\\here\"" \
        'click Execute' 'ended 120000' close gone
}
check "package: first start, the tree compressed through the dialogs" through_dialogs "$music" "*.wav" \
    "$work/archive" 'text Execute "実行"' 'click Recurse'
check "package: the tree is mirrored" same "$(outputs "$work/archive")" \
    "./a.flac ./表/b.flac ./表/能/ソ.flac "
check "package: after a restart, the archive restored through the dialogs" through_dialogs "$work/archive" \
    "*.flac" "$work/restored" 'click Restore'
check "package: the restored tree is the original, byte for byte" diff -r "$music" "$work/restored"

# The source zip beside it, offline, by the command that flac-source.txt gives.
kit="$work/Kestrelia-win64-source"
rebuilt() {
    (cd "$kit" && export KESTRELIA_DEBIAN_MIRROR=http://0.0.0.0 &&
        eval "$(tail -n 1 flac-source.txt)" >/dev/null) &&
        cmp "$kit/flac.exe" "$folder/flac.exe"
}
check "source zip: unpacked" unzip -q "${KESTRELIA_WIN_PACKAGE%.zip}-source.zip" -d "$work"
check "source zip: it builds the same flac.exe" rebuilt

finish
