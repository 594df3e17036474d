#!/usr/bin/env bash
# flac.exe for Windows, built from Debian's source package of the encoder:
# fetched with `apt-get source` through a sources list of its own (the
# machine's apt configuration is left alone), cross-built with the project's
# toolchain, x86_64, statically linked and with threads, with one change of
# ours (flac_close_check.patch). The package's files, the program, its
# licence texts and what built it (this script, the patch, the toolchain
# file: the source zip's build kit) are kept in CACHE, so that a later build
# neither fetches nor builds again. A CACHE that holds download/ already, as
# the source zip's does, builds without fetching. Any failure stops the build.
# Usage: windows_flac.sh VERSION SUITE CACHE TOOLCHAIN OUTPUT
# KESTRELIA_DEBIAN_MIRROR names a mirror other than the machine's own.
set -eu
version=$1 suite=$2 cache=$3 toolchain=$4 output=$5
patch_file="$(cd "$(dirname "$0")" && pwd)/flac_close_check.patch"
fail() {
    echo "error: flac.exe from Debian's source package flac $version: $*" >&2
    exit 1
}

# The first mirror of the machine's apt sources that serves SUITE or the
# machine's own Debian release (a Debian mirror serves every release), in
# either format (deb822 stanzas in *.sources, or one-line entries).
machine_mirror() {
    local own
    own=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    local files=()
    for file in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list /etc/apt/sources.list; do
        [ -f "$file" ] && files+=("$file")
    done
    [ ${#files[@]} -gt 0 ] || return 0
    awk -v suite="$suite" -v own="${own:-$suite}" '
        function serves(list) { list = " " list " "; return index(list, " " suite " ") || index(list, " " own " ") }
        function stanza_end() {
            if (!found && uri != "" && serves(served)) { print uri; found = 1 }
            uri = ""; served = ""
        }
        FNR == 1 { stanza_end() }
        FILENAME ~ /\.sources$/ {
            if ($0 ~ /^[ \t]*$/) stanza_end()
            else if (tolower($1) == "uris:") uri = $2
            else if (tolower($1) == "suites:") { $1 = ""; served = $0 }
            next
        }
        !found && ($1 == "deb" || $1 == "deb-src") {
            sub(/\[[^]]*\]/, "")
            if (serves($3)) { print $2; found = 1 }
        }
        END { stanza_end() }
    ' "${files[@]}" | head -n 1
}

fetch() {
    local download=$1
    command -v apt-get >/dev/null || fail "apt-get is needed to fetch it"
    local mirror=${KESTRELIA_DEBIAN_MIRROR:-$(machine_mirror)}
    [ -n "$mirror" ] || fail "no mirror of Debian $suite among the apt sources; name one in KESTRELIA_DEBIAN_MIRROR"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    local signed=""
    [ -f "$keyring" ] && signed="[signed-by=$keyring] "
    local apt="$cache/apt"
    rm -rf "$apt" "$download.part"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$download.part"
    echo "deb-src $signed$mirror $suite main" >"$apt/sources.list"
    local options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
    echo "Fetching Debian's source package flac $version ($mirror $suite)"
    apt-get -q --error-on=any "${options[@]}" update >"$cache/fetch.log" 2>&1 ||
        { cat "$cache/fetch.log" >&2; fail "apt-get update of $mirror $suite failed"; }
    (cd "$download.part" && apt-get -q "${options[@]}" source --download-only "flac=$version") \
        >>"$cache/fetch.log" 2>&1 ||
        { tail -n 20 "$cache/fetch.log" >&2; fail "apt-get source could not fetch it from $mirror $suite"; }
    mv "$download.part" "$download"
    rm -rf "$apt"
}

build() {
    local dsc=$1
    command -v dpkg-source >/dev/null || fail "dpkg-source (Debian package dpkg-dev) is needed to unpack it"
    local log="$cache/build.log"
    rm -rf "$cache/source" "$cache/build" "$cache/licenses"
    echo "Building flac.exe from Debian's source package flac $version (about a minute)"
    {
        dpkg-source --no-copy -x "$dsc" "$cache/source" &&
            patch -d "$cache/source" -p1 <"$patch_file" &&
            # CMake puts the thread flag after a -Wl,-Bdynamic, which would
            # link winpthreads as a DLL beside flac.exe: the link line ends
            # static again (in place of CMake's list of Windows libraries,
            # of which flac needs none beyond the compiler's own). Without a
            # time stamp, the same source builds the same file byte for byte.
            cmake -S "$cache/source" -B "$cache/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
                -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS="-static -Wl,--no-insert-timestamp" \
                -DCMAKE_C_STANDARD_LIBRARIES=-Wl,-Bstatic -DENABLE_MULTITHREADING=ON -DWITH_OGG=OFF \
                -DBUILD_CXXLIBS=OFF -DBUILD_DOCS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
                -DINSTALL_MANPAGES=OFF &&
            cmake --build "$cache/build" --target flacapp
    } >"$log" 2>&1 || { tail -n 30 "$log" >&2; fail "the build failed; its log is $log"; }
    mkdir -p "$cache/licenses"
    cp "$cache/source"/COPYING.* "$cache/licenses/"
    cp "$cache/source/debian/copyright" "$cache/licenses/flac-copyright"
    # The version as the package itself gives it, not as it was asked for.
    local fetched
    fetched=$(sed -n 's/^Version: //p' "$dsc")
    cat >"$cache/flac-source.txt" <<EOF
flac.exe is the FLAC command-line encoder built from Debian's source package
flac, version $fetched ($suite), for Windows x86_64 (MinGW-w64, statically
linked, with threads, without Ogg). One change was made to it,
flac_close_check.patch: the encoder reports an output file that could not be
written whole (a full disk) as an error. The licence texts are in the folder
"licenses".

Its complete source is Kestrelia-win64-source.zip, beside Kestrelia-win64.zip:
the source package's files as Debian gives them (encoder/download, also at
https://snapshot.debian.org/package/flac/$fetched/), the patch, and the
script and toolchain file that build flac.exe from them. On Debian, with the
packages cmake ninja-build g++-mingw-w64-x86-64 dpkg-dev, in its folder:
./windows_flac.sh $version $suite encoder "\$PWD/$(basename "$toolchain")" flac.exe
EOF
    cp "$patch_file" "$0" "$toolchain" "$cache/"
    cp "$cache/build/objs/flac.exe" "$cache/flac.exe.part"
    mv "$cache/flac.exe.part" "$cache/flac.exe"
    rm -rf "$cache/source" "$cache/build"
}

mkdir -p "$cache"
# A change of this script, the patch or the toolchain builds again from the
# same download.
stamp=$(cat "$0" "$patch_file" "$toolchain" | sha256sum)
[ "$(cat "$cache/stamp" 2>/dev/null)" = "$stamp" ] || rm -f "$cache/flac.exe"
if [ ! -f "$cache/flac.exe" ]; then
    dsc="$cache/download/flac_$version.dsc"
    [ -f "$dsc" ] || fetch "$cache/download"
    [ -f "$dsc" ] || fail "the download holds no flac_$version.dsc"
    build "$dsc"
    echo "$stamp" >"$cache/stamp"
fi
mkdir -p "$(dirname "$output")"
cp "$cache/flac.exe" "$output"
