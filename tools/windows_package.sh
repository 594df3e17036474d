#!/usr/bin/env bash
# The Windows package, a zip of one folder "Kestrelia": Kestrelia.exe and
# flac.exe, README.txt for Windows users (the README's parts marked as the
# Windows text), the encoder's licence texts, and the name and version of
# the source package it was built from with the one change made to it.
# Usage: windows_package.sh BIN ENCODER README ZIP
#   BIN: the Windows build's bin folder; ENCODER: windows_flac.sh's cache.
set -eu
bin=$1 encoder=$2 readme=$3 zip=$4
stage="$(dirname "$zip")/package"
rm -rf "$stage"
mkdir -p "$stage/Kestrelia/licenses"
cp "$bin/Kestrelia.exe" "$bin/flac.exe" "$encoder/flac_close_check.patch" "$stage/Kestrelia/"
sed 's/$/\r/' "$encoder/flac-source.txt" >"$stage/Kestrelia/flac-source.txt"
cp "$encoder/licenses/"* "$stage/Kestrelia/licenses/"
# The marked blocks, one after another, with Windows line ends.
text=$(awk '/<!-- end of the Windows text -->/ { on = 0 } on { print } /<!-- Windows text -->/ { on = 1; print "" }' "$readme" | cat -s)
[ -n "$text" ] || { echo "error: $readme marks no Windows text" >&2; exit 1; }
printf 'Kestrelia\n=========\n%s\n' "$text" | sed 's/$/\r/' >"$stage/Kestrelia/README.txt"
rm -f "$zip.part"
(cd "$stage" && cmake -E tar cf "$zip.part" --format=zip Kestrelia)
mv "$zip.part" "$zip"
