#!/usr/bin/env bash
# The Windows package, a zip of one folder "Kestrelia": Kestrelia.exe and
# flac.exe, README.txt for Windows users (the README's parts marked as the
# Windows text), the licence texts of the two programs and of the runtime
# parts linked into them, and what flac.exe was built from. Beside it, the
# encoder's complete source, Kestrelia-win64-source.zip (one folder of that
# name): the source package's files as fetched, the patch, and the script
# and toolchain file that build flac.exe from them.
# Usage: windows_package.sh BIN ENCODER README LICENSE ZIP
#   BIN: the Windows build's bin folder; ENCODER: windows_flac.sh's cache.
set -eu
bin=$1 encoder=$2 readme=$3 license=$4 zip=$5
stage="$(dirname "$zip")/package"
package="$stage/Kestrelia" source="$stage/Kestrelia-win64-source"
rm -rf "$stage"
mkdir -p "$package/licenses" "$source/encoder"
cp "$bin/Kestrelia.exe" "$bin/flac.exe" "$encoder/flac_close_check.patch" "$package/"
sed 's/$/\r/' "$encoder/flac-source.txt" >"$package/flac-source.txt"
cp "$encoder/licenses/"* "$package/licenses/"
cp "$license" "$package/licenses/Kestrelia-LICENSE"
# Linked statically into the programs (the linker's map shows them): from
# MinGW-w64 the start files, the C runtime's static part and, in flac.exe,
# winpthreads; from GCC libgcc, libssp and libstdc++ (the GCC Runtime Library
# Exception). Debian's copyright files of the two hold their notices.
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$package/licenses/mingw-w64-copyright"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$package/licenses/gcc-copyright"
# The marked blocks, one after another, with Windows line ends.
text=$(awk '/<!-- end of the Windows text -->/ { on = 0 } on { print } /<!-- Windows text -->/ { on = 1; print "" }' "$readme" | cat -s)
[ -n "$text" ] || { echo "error: $readme marks no Windows text" >&2; exit 1; }
printf 'Kestrelia\n=========\n%s\n' "$text" | sed 's/$/\r/' >"$package/README.txt"
cp -r "$encoder/download" "$source/encoder/"
cp "$encoder/"{flac-source.txt,flac_close_check.patch,windows_flac.sh,*.cmake} "$source/"
zip_folder() {  # zip_folder FOLDER ZIP: FOLDER of the stage as ZIP, whole or not at all
    rm -f "$2.part"
    (cd "$stage" && cmake -E tar cf "$2.part" --format=zip "$1")
    mv "$2.part" "$2"
}
zip_folder Kestrelia "$zip"
zip_folder Kestrelia-win64-source "${zip%.zip}-source.zip"
