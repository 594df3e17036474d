# Shared by the Wine test scripts: a scratch folder removed at the end, and
# checks that print "ok" or "FAIL" and count the failures.
# Usage: source this file, then `finish` as the script's last command.
: "${KESTRELIA_WIN_BIN:?}" "${KESTRELIA_MAKE_WAV:?}" "${WINEPREFIX:?}"
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/setup.sh"

work=$(mktemp -d /tmp/kestrelia-e2e.XXXXXX)
# Write permission back first, so that read-only test folders go too.
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
check() {  # check NAME COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
matches() { [[ "$1" =~ $2 ]] || { echo "     got: $1"; echo "     want: $2"; false; }; }
same() { [ "$1" = "$2" ] || { echo "     got: $1"; echo "     want: $2"; false; }; }
win() { kestrelia_winpath "$1"; }
encoder=$(win "$KESTRELIA_WIN_BIN/flac")
finish() {
    echo "$failures failure(s)"
    [ "$failures" -eq 0 ]
}
