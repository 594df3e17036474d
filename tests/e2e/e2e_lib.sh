# Shared by the Wine tests of the real program: Kestrelia.exe started in a
# folder of its own and worked by ui_driver.exe as a user would, a scratch
# folder removed at the end, and checks that print "ok" or "FAIL" and count
# the failures. Source it; end the script with `finish`.
: "${KESTRELIA_WIN_BIN:?}" "${KESTRELIA_MAKE_WAV:?}" "${WINEPREFIX:?}"
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/setup.sh"

# No program left by an earlier test may answer for this one's, and none of
# this one's outlives it.
wineserver -k >/dev/null 2>&1 || true
work=$(mktemp -d /tmp/kestrelia-e2e.XXXXXX)
# Small disks (small_disk) go first, and write permission comes back, so
# that read-only test folders go too.
mounts=()
trap 'for m in "${mounts[@]}"; do umount "$m"; done; wineserver -k >/dev/null 2>&1
      chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
check() {  # check NAME COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
matches() { [[ "$1" =~ $2 ]] || { echo "     got: $1"; echo "     want: $2"; false; }; }
same() { [ "$1" = "$2" ] || { echo "     got: $1"; echo "     want: $2"; false; }; }
win() { kestrelia_winpath "$1"; }
finish() { echo "$failures failure(s)" && [ "$failures" -eq 0 ]; }
# small_disk NAME DIR SIZE: a tmpfs of SIZE at DIR; where none can be
# mounted (not root, or in a container without the right), false and the
# checks NAME skipped.
small_disk() {
    mkdir -p "$2" && mount -t tmpfs -o "size=$3" tmpfs "$2" 2>/dev/null && mounts+=("$2") ||
        { echo "skip $1: no tmpfs can be mounted here" && false; }
}

# As on a Japanese Windows: code page 932 (Wine takes it from LC_CTYPE) and
# a Japanese display language (from LC_MESSAGES), so that the form starts in
# Japanese.
export LC_CTYPE=ja_JP.UTF-8 LC_MESSAGES=ja_JP.UTF-8
unset LC_ALL

# program_folder NAME ENCODER: a current folder for the program holding
# ENCODER (a program file) as its flac.exe.
program_folder() { mkdir -p "$work/$1" && cp "$2" "$work/$1/flac.exe" && echo "$work/$1"; }
# start FOLDER: Kestrelia.exe of the build (or $program_exe) with FOLDER as
# its current folder, in the background; `ended` waits for it (a minute at
# most) and gives its exit code.
start() {
    (cd "$1" && exec wine "${program_exe:-$KESTRELIA_WIN_BIN/Kestrelia.exe}" >/dev/null 2>&1) &
    program=$!
}
ended() {
    for _ in $(seq 600); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$program" 2>/dev/null && { echo "     the program still runs after a minute"; return 1; }
    wait "$program"
}
# drive STEP...: the steps run by the driver; its report on stdout.
drive() {
    printf '%s\n' "$@" | wine "$KESTRELIA_WIN_BIN/ui_driver.exe" | tr -d '\r'
    return "${PIPESTATUS[1]}"
}
# session FOLDER STEP...: the program started in FOLDER, worked by the steps,
# ended with exit code 0.
session() {
    start "$1"
    drive "${@:2}"
    local driven=$?
    ended && [ "$driven" -eq 0 ]
}

# wavs SECONDS FILE...: WAV files of that length, each with a sound of its
# own, their folders made.
wav_seed=0
wavs() { for f in "${@:2}"; do mkdir -p "${f%/*}" && "$KESTRELIA_MAKE_WAV" "$f" "$1" $((++wav_seed)); done; }
# The settings file's lines by the program's own names (settings_store.h):
# after the count of integers, integer N on line N + 2; after the count of
# texts, text N on line N + 23.
declare -A setting_at
while read -r offset name index; do setting_at[$name]=$((index + offset)); done < <(awk '
    /^enum IntSettingIndex/ { o = 2 } /^enum TextSlotIndex/ { o = 23 } /^};/ { o = 0 }
    o && /^ *[A-Za-z]+ = [0-9]+,/ { print o, $1, $3 + 0 }' "$KESTRELIA_ROOT/settings/settings_store.h")
setting() { echo "${setting_at[$1]:?no setting $1}"; }
# ini FILE [NAME=VALUE ...]: a settings file with those settings, everything
# else 0 or empty.
ini() {
    local i values=(20 $(printf '0 %.0s' {1..20}) 20)
    for i in "${@:2}"; do values[$(setting "${i%%=*}") - 1]=${i#*=}; done
    for i in $(seq 0 41); do printf '%s\r\n' "${values[i]:-}"; done >"$1"
}
# line FILE NAME: the setting's line of a settings file, without its line end.
line() { sed -n "$(setting "$2")p" "$1" | tr -d '\r'; }
# settings FOLDER INPUT OUTPUT [compress|restore [NAME=VALUE ...]]: English,
# lower folders searched, from the folder INPUT (*.wav, or *.flac to
# restore) into OUTPUT, and the settings given.
settings() {
    local pattern='*.wav' mode=0
    if [ "${4:-}" = restore ]; then pattern='*.flac' mode=1; fi
    ini "$1/Kestrelia.ini" Language=1 Mode=$mode Recurse=1 "InputSpec=$(win "$2")\\$pattern" \
        "LastWavSpec=$(win "$2")\\*.wav" "LastFlacSpec=$(win "$2")\\*.flac" "OutputSpec=$(win "$3")\\*.*" \
        "${@:5}"
}
# result FOLDER: the saved result (line feeds as \n). job FOLDER: one job
# run to its end, then closed (the driver's report on stderr), and its result.
result() { line "$1/Kestrelia.ini" ResultText | sed 's/\x07/\\n/g'; }
job() { session "$1" find 'click Execute' ended close gone >&2 && result "$1"; }
outputs() { [ -d "$1" ] && (cd "$1" && find . -type f | LC_ALL=C sort | tr '\n' ' '); }
ratio='[0-9]+\.[0-9]%'
