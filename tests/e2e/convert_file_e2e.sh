#!/usr/bin/env bash
# The one-file conversion on the real platform: the Windows build under Wine,
# the Windows flac.exe built from Debian's source, on generated WAV files.
set -u
source "$(dirname "$0")/e2e_lib.sh"
# drive MODE OVERWRITE SAMEFOLDER LEVEL INDIR OUTDIR NAME...: prints the
# driver's output; the last result line and the counts are what we check.
drive() {
    local args=("$1" "$2" "$3" "$4" "$encoder" "$(win "$5")\\" "$(win "$6")\\" "${@:7}")
    wine "$KESTRELIA_WIN_BIN/convert_driver.exe" "${args[@]}" | tr -d '\r'
}
last_result() { grep '^result:' <<<"$1" | tail -n 1; }
counts() { grep '^counts:' <<<"$1"; }

src="$work/music in"   # blanks in every path, as under "Program Files"
mkdir -p "$src"
"$KESTRELIA_MAKE_WAV" "$src/a.wav" 2 1
"$KESTRELIA_MAKE_WAV" "$src/B.WAV" 1 2
ratio='[0-9]+\.[0-9]%'

# Compress into an output tree that does not exist yet.
out="$work/out tree/x/y"
run=$(drive 0 0 0 8 "$src" "$out" a.wav B.WAV)
check "compress: both converted" same "$(counts "$run")" "counts:2 0 0"
check "compress: result text" matches "$(last_result "$run")" \
    "^result:done\\\\nconverted:2, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n$"
check "compress: output path shown" same "$(grep '^current:' <<<"$run" | tail -n 1)" "current:$(win "$out")\\B.flac"
check "compress: outputs are valid FLAC" flac -s -t "$out/a.flac" "$out/B.flac"

# Existing outputs are skipped and left alone (a.flac holds B's sound
# now)...
cp "$out/B.flac" "$out/a.flac"
touch -d '2001-01-01' "$out/a.flac"
run=$(drive 0 0 0 8 "$src" "$out" a.wav B.WAV)
check "skip: both skipped" same "$(counts "$run")" "counts:0 2 0"
check "skip: result text" same "$(last_result "$run")" "result:skipped\\nconverted:0, skip:2, error:0"
check "skip: output untouched" same "$(stat -c %Y "$out/a.flac")" "$(date -d 2001-01-01 +%s)"
# ...and converted again when overwriting is allowed.
run=$(drive 0 1 0 5 "$src" "$out" a.wav)
check "overwrite: converted again" same "$(counts "$run")" "counts:1 0 0"
check "overwrite: result text" matches "$(last_result "$run")" "^result:done\\\\nconverted:1, skip:0, error:0, ratio:$ratio\\\\n$"
check "overwrite: output rewritten" [ "$(stat -c %Y "$out/a.flac")" != "$(date -d 2001-01-01 +%s)" ]
check "overwrite: output replaced by a.wav's" bash -c "flac -s -d -c '$out/a.flac' | cmp -s - '$src/a.wav'"
# An output the program does not take for a file (a folder of that name)
# reaches the encoder without -f, which refuses it.
mkdir -p "$work/taken/a.flac"
run=$(drive 0 0 0 8 "$src" "$work/taken" a.wav)
check "existing output without -f: an error" same "$(counts "$run")" "counts:0 0 1"
check "existing output without -f: left alone" [ -d "$work/taken/a.flac" ]

# Restore gives back the original bytes.
restored="$work/restored"
run=$(drive 1 0 0 8 "$out" "$restored" a.flac B.flac)
check "restore: both converted" same "$(counts "$run")" "counts:2 0 0"
check "restore: result text" same "$(last_result "$run")" "result:done\\nconverted:2, skip:0, error:0"
check "restore: a.wav byte for byte" cmp -s "$src/a.wav" "$restored/a.wav"
check "restore: B.WAV byte for byte" cmp -s "$src/B.WAV" "$restored/B.wav"

# Same-folder mode: the encoder names the output itself, beside the input.
here="$work/same folder"
mkdir -p "$here"
cp "$src/a.wav" "$here/a.wav"
run=$(drive 0 0 1 3 "$here" "$here" a.wav)
check "same folder: compressed" same "$(counts "$run")" "counts:1 0 0"
check "same folder: output beside input" flac -s -t "$here/a.flac"
run=$(drive 1 0 1 8 "$here" "$here" a.flac)
check "same folder: restore skipped over the input" same "$(counts "$run")" "counts:0 1 0"
rm "$here/a.wav"
run=$(drive 1 1 1 8 "$here" "$here" a.flac)
check "same folder: restored" same "$(counts "$run")" "counts:1 0 0"
check "same folder: restored byte for byte" cmp -s "$src/a.wav" "$here/a.wav"

# Failures are counted and the next file still converts.
printf 'not a flac file at all' >"$out/bad.flac"
run=$(drive 1 0 0 8 "$out" "$work/bad" bad.flac a.flac)
check "failure: encoder error counted" same "$(counts "$run")" "counts:1 0 1"
check "failure: result after the error" same "$(grep '^result:' <<<"$run" | sed -n 1p)" \
    "result:error\\nconverted:0, skip:0, error:1"
# A WAV cut in the middle of a sample: the encoder fails once the output
# is begun (exit code 1), and no output is left that looks converted.
mkdir -p "$work/cut"
head -c 100001 "$src/a.wav" >"$work/cut/cut.wav"
run=$(drive 0 0 0 8 "$work/cut" "$work/cut out" cut.wav)
check "corrupt input, -V: an error" same "$(counts "$run")" "counts:0 0 1"
check "corrupt input, -V: no output" [ ! -e "$work/cut out/cut.flac" ]
wine "$KESTRELIA_WIN_BIN/flac.exe" -s -t "$(win "$out/B.flac")" 2>/dev/null
good=$?
wine "$KESTRELIA_WIN_BIN/flac.exe" -s -V -o "$(win "$work/cut/x.flac")" "$(win "$work/cut/cut.wav")" 2>/dev/null
check "exit codes: the encoder's 0 and 1 come through Wine" same "$good $?" "0 1"
saved_encoder=$encoder
encoder=$(win "$work/no such folder/flac")
run=$(drive 0 0 0 8 "$src" "$work/nowhere" a.wav B.WAV)
encoder=$saved_encoder
check "failure: missing encoder, one error per file" same "$(counts "$run")" "counts:0 0 2"
check "failure: missing encoder writes nothing" [ ! -e "$work/nowhere/a.flac" ]

# The encoder is named exactly: neither a program planted where a search
# would look first ("enc.exe" for "enc dir\flac") nor a folder named
# "flac" beside flac.exe can take its place.
mkdir -p "$work/enc dir/flac"
cp "$KESTRELIA_WIN_BIN/flac.exe" "$work/enc dir/flac.exe"
cp "$KESTRELIA_WIN_BIN/convert_driver.exe" "$work/enc.exe"
encoder=$(win "$work/enc dir/flac")
run=$(drive 0 0 0 8 "$src" "$work/named" a.wav)
encoder=$saved_encoder
check "named encoder: the right program ran" same "$(counts "$run")" "counts:1 0 0"
check "named encoder: output valid" flac -s -t "$work/named/a.flac"

# Japanese folder names under code page 932: the second byte of 表 and ソ
# is 0x5C, which must not be taken for a backslash. The names reach the
# driver in a file, in code page 932, as a Windows shell would pass them.
jsrc="$work/表ソ"
mkdir -p "$jsrc"
cp "$src/a.wav" "$jsrc/表.wav"
printf '%s\n' 0 0 0 8 "$encoder" "$(win "$jsrc")\\" "$(win "$work/出力/表ソ/能")\\" 表.wav |
    iconv -f UTF-8 -t CP932 >"$work/arguments"
run=$(LC_ALL=ja_JP.UTF-8 wine "$KESTRELIA_WIN_BIN/convert_driver.exe" "@$(win "$work/arguments")" |
    tr -d '\r' | iconv -f CP932 -t UTF-8)
check "code page 932: converted" same "$(counts "$run")" "counts:1 0 0"
check "code page 932: output path shown" same "$(grep '^current:' <<<"$run")" \
    "current:$(win "$work/出力/表ソ/能")\\表.flac"
check "code page 932: mirrored folder made whole" flac -s -t "$work/出力/表ソ/能/表.flac"
check "code page 932: no folder cut at a trail byte" same "$(ls "$work/出力")" "表ソ"
printf '%s\n' 1 0 0 8 "$encoder" "$(win "$work/出力/表ソ/能")\\" "$(win "$work/戻 ソ")\\" 表.flac |
    iconv -f UTF-8 -t CP932 >"$work/arguments"
run=$(LC_ALL=ja_JP.UTF-8 wine "$KESTRELIA_WIN_BIN/convert_driver.exe" "@$(win "$work/arguments")" |
    tr -d '\r' | iconv -f CP932 -t UTF-8)
check "code page 932: restored" same "$(counts "$run")" "counts:1 0 0"
check "code page 932: restored byte for byte" cmp -s "$src/a.wav" "$work/戻 ソ/表.wav"

finish
