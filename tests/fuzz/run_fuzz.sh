#!/usr/bin/env bash
# Runs the settings reader's fuzz target for SECONDS (default 30) over a copy
# of the seed corpus, so that the repository's corpus does not grow. Fails on
# any crash, leak, timeout or memory overrun, and keeps the input that did it
# in FUZZ_BUILD/artifacts/.
#   tests/fuzz/run_fuzz.sh FUZZ_BUILD [SECONDS]
set -u
build=${1:?usage: run_fuzz.sh FUZZ_BUILD [SECONDS]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$(dirname "$0")/corpus/settings_reader" "$work/corpus" && mkdir -p "$build/artifacts" || exit 2
if ! "$build/settings_reader_fuzz" "$work/corpus" -max_total_time="${2:-30}" -timeout=10 -rss_limit_mb=2048 \
    -max_len=32768 -artifact_prefix="$build/artifacts/" >"$work/log" 2>&1; then
    tail -n 80 "$work/log"
    echo "The fuzz target failed; the inputs are kept in $build/artifacts/" >&2
    exit 1
fi
grep -E '^(#[0-9]+[[:space:]]+DONE|Done [0-9]+ runs)' "$work/log"
