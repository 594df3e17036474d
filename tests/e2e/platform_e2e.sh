#!/usr/bin/env bash
# The Win32 platform layer on the real system, in both code pages.
set -u -o pipefail
source "$(dirname "$0")/e2e_lib.sh"
printf 'abc' >"$work/file.txt"
truncate -s 5G "$work/big.wav"
mkdir -p "$work/tree/sub" "$work/tree/.dot" "$work/tree/ro"
touch "$work/tree/a.wav" "$work/tree/b.WAV" "$work/tree/c.txt"
chmod a-w "$work/tree/ro"
status=0
wine "$KESTRELIA_WIN_BIN/platform_check.exe" "$(kestrelia_winpath "$work")\\" 1252 | tr -d '\r' || status=1
rm -rf "$work/made"
touch "$work/tree/表.wav"
LC_ALL=ja_JP.UTF-8 wine "$KESTRELIA_WIN_BIN/platform_check.exe" "$(kestrelia_winpath "$work")\\" 932 |
    tr -d '\r' || status=1
exit $status
