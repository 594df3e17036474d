# Shared set-up of the two README commands: packages, builds, Wine, display.
# Sourced by tools/run.sh and tools/test.sh; everything goes under build/.

KESTRELIA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KESTRELIA_BUILD="$KESTRELIA_ROOT/build"
export WINEPREFIX="${WINEPREFIX:-$KESTRELIA_BUILD/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Installs the Debian packages of the list that are missing.
kestrelia_install() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The Windows build makes flac.exe from Debian's source package of the
# encoder: dpkg-dev unpacks it (tools/windows_flac.sh).
KESTRELIA_WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64 dpkg-dev wine wine64)
# The window: a virtual display when there is none, the Japanese glyphs,
# Wine's own fonts for its window parts (the prefix takes them in), and the
# Japanese locale for code page 932.
KESTRELIA_WINDOW_PACKAGES=(xvfb x11-utils fonts-ipafont-gothic fonts-wine locales)
# The tests check the Windows encoder's files with Debian's own flac, and
# unpack the Windows package with unzip.
KESTRELIA_TEST_PACKAGES=(g++ libgtest-dev libgmock-dev imagemagick clang libclang-rt-14-dev flac unzip)

# Wine takes its ANSI code page from LC_CTYPE, but turns file names into
# Linux names only when that locale really exists: without it, a Japanese
# folder name cannot be made at all.
kestrelia_japanese_locale() {
    locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
}

kestrelia_build_windows() {
    cmake -S "$KESTRELIA_ROOT" -B "$KESTRELIA_BUILD/windows" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$KESTRELIA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null &&
        cmake --build "$KESTRELIA_BUILD/windows"
}

kestrelia_build_native() {
    cmake -S "$KESTRELIA_ROOT" -B "$KESTRELIA_BUILD/native" -G Ninja \
        -DKESTRELIA_WINDOWS_BUILD="$KESTRELIA_BUILD/windows" -DKESTRELIA_WINEPREFIX="$WINEPREFIX" \
        -DKESTRELIA_FUZZ_BUILD="$KESTRELIA_BUILD/fuzz" >/dev/null &&
        cmake --build "$KESTRELIA_BUILD/native"
}

# The settings reader's fuzz target (tests/fuzz): clang with libFuzzer.
kestrelia_build_fuzz() {
    cmake -S "$KESTRELIA_ROOT/tests/fuzz" -B "$KESTRELIA_BUILD/fuzz" -G Ninja \
        -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
        cmake --build "$KESTRELIA_BUILD/fuzz"
}

# A Wine prefix of our own, never the user's ~/.wine.
kestrelia_wine_prefix() {
    "$KESTRELIA_ROOT/tests/e2e/wine_prefix.sh"
}

# A virtual X display for the window, unless one is usable already.
kestrelia_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local number=91
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
        number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    KESTRELIA_XVFB_PID=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start" >&2
    return 1
}

kestrelia_stop_display() {
    # Wine's own processes first, so that none complains of a lost display.
    # Runs as the EXIT trap under set -e: nothing here may fail the run.
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${KESTRELIA_XVFB_PID:-}" ]; then kill "$KESTRELIA_XVFB_PID" 2>/dev/null || true; fi
}

# A Linux path as the Windows side sees it (Z: is / under Wine).
kestrelia_winpath() {
    printf 'Z:%s' "${1//\//\\}"
}
