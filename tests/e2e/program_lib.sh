# Shared by the tests of the real program: Kestrelia.exe started in a folder
# of its own, worked by ui_driver.exe as a user would. Sourced after
# e2e_lib.sh.

# No program left by an earlier test may answer for this one's, and none of
# this one's outlives it.
wineserver -k >/dev/null 2>&1 || true
# Small disks of a test (small_disk) go before the scratch folder.
mounts=()
trap 'for m in "${mounts[@]}"; do umount "$m"; done; wineserver -k >/dev/null 2>&1
      chmod -R u+w "$work"; rm -rf "$work"' EXIT
# small_disk DIR SIZE [ro]: a tmpfs of SIZE at DIR; false where none can be
# mounted (not root, or in a container without the right).
small_disk() {
    mkdir -p "$1"
    mount -t tmpfs -o "size=$2${3:+,$3}" tmpfs "$1" 2>/dev/null || return 1
    mounts+=("$1")
}

# Code page 932, as on a Japanese Windows: the form starts in Japanese.
export LC_CTYPE=ja_JP.UTF-8
unset LC_ALL

# program_folder NAME ENCODER: a current folder for the program holding
# ENCODER (a program file) as its flac.exe.
program_folder() {
    mkdir -p "$work/$1"
    cp "$2" "$work/$1/flac.exe"
    echo "$work/$1"
}

# start FOLDER [PROGRAM]: Kestrelia.exe of the build (or PROGRAM) with
# FOLDER as its current folder, in the background; `ended` waits for it (a
# minute at most) and gives its exit code.
start() {
    (cd "$1" && exec wine "${2:-$KESTRELIA_WIN_BIN/Kestrelia.exe}" >/dev/null 2>&1) &
    program=$!
}
ended() {
    local tenths=0
    while kill -0 "$program" 2>/dev/null; do
        if [ "$tenths" -ge 600 ]; then
            echo "     the program still runs after a minute"
            return 1
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    wait "$program"
}

# drive: the steps on stdin, run by the driver; its report on stdout.
# drive_ja: the same with the steps' texts turned into code page 932.
drive() {
    wine "$KESTRELIA_WIN_BIN/ui_driver.exe" | tr -d '\r'
    return "${PIPESTATUS[0]}"
}
drive_ja() { iconv -f UTF-8 -t CP932 | drive; }
# A text as a quoted step argument writes it: backslashes doubled.
q() { printf '%s' "${1//\\/\\\\}"; }
# The text of a Japanese label as the program holds it.
cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }

# ini FILE [N=VALUE ...] [tN=TEXT ...]: a settings file with the integer N
# or the text N set, everything else 0 or empty.
ini() {
    local file=$1 i key
    shift
    local ints=() texts=()
    for i in $(seq 0 19); do ints[i]=0; texts[i]=""; done
    for i in "$@"; do
        key=${i%%=*}
        case $key in
        t*) texts[${key#t}]=${i#*=} ;;
        *) ints[key]=${i#*=} ;;
        esac
    done
    {
        echo 20
        printf '%s\n' "${ints[@]}"
        echo 20
        printf '%s\n' "${texts[@]}"
    } | sed 's/$/\r/' >"$file"
}
# line FILE N: line N of a settings file, without its line end.
line() { sed -n "${2}p" "$1" | tr -d '\r'; }
