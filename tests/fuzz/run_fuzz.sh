#!/usr/bin/env bash
# Runs the settings reader's fuzz target for a bounded time (30 s, or the
# seconds given) over a copy of the seed corpus, so the repository's corpus
# does not grow. Fails on any crash, leak, timeout or memory overrun; a
# crashing input is kept in the fuzz build folder's artifacts/.
#   tests/fuzz/run_fuzz.sh FUZZ_BUILD [SECONDS]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run_fuzz.sh FUZZ_BUILD [SECONDS]}" && pwd) || exit 2
seconds=${2:-30}
target="$build/settings_reader_fuzz"
[ -x "$target" ] || { echo "No fuzz target $target: build tests/fuzz first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/corpus/settings_reader" "$work/corpus"
mkdir -p "$build/artifacts"

status=0
"$target" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=32768 \
    -artifact_prefix="$build/artifacts/" >"$work/log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    tail -n 80 "$work/log"
    echo "The fuzz target failed (exit $status); inputs kept in $build/artifacts/" >&2
    exit 1
fi
grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -n 1
grep -E '^Done [0-9]+ runs' "$work/log" | tail -n 1
