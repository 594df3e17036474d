#!/usr/bin/env bash
# The Win32 platform layer on the real system, in both code pages.
set -u -o pipefail
: "${KESTRELIA_WIN_BIN:?}" "${WINEPREFIX:?}"
source "$(dirname "$0")/../../tools/setup.sh"
work=$(mktemp -d /tmp/kestrelia-platform.XXXXXX)
trap 'rm -rf "$work"' EXIT
printf 'abc' >"$work/file.txt"
truncate -s 5G "$work/big.wav"
status=0
wine "$KESTRELIA_WIN_BIN/platform_check.exe" "$(kestrelia_winpath "$work")\\" 1252 | tr -d '\r' || status=1
rm -rf "$work/made"
LC_ALL=ja_JP.UTF-8 wine "$KESTRELIA_WIN_BIN/platform_check.exe" "$(kestrelia_winpath "$work")\\" 932 |
    tr -d '\r' || status=1
exit $status
