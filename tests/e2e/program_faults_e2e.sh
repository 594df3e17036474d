#!/usr/bin/env bash
# Faults met by a job in the real program under Wine: an encoder that is
# missing, fails in each way or writes nothing; a WAV cut mid-sample, a
# folder in an output's place and a damaged FLAC over its WAV, with the
# real encoder; a full disk; a 5 GiB input. Every time the files are
# counted and no output is left that looks converted.
set -u
source "$(dirname "$0")/e2e_lib.sh"

music="$work/music"
wavs 5 "$music/a.wav" "$music/sub/b.wav" "$music/sub/deep/c.wav"

# A failure in each form: no encoder, exit code 1 or 2, a crash, exit 0
# without output.
mkdir -p "$work/missing"
standin=$(program_folder standin "$KESTRELIA_WIN_BIN/encoder_standin.exe")
for how in no STANDIN_EXIT=1 STANDIN_EXIT=2 STANDIN_EXIT=crash STANDIN_WRITE=0; do
    folder=$standin name="encoder $how" left=" left"
    [ $how = no ] && folder=$work/missing name="no encoder" left="" how=STANDIN_NONE=
    settings "$folder" "$music" "$work/out-$how"
    export "$how"
    check "$name: every file an error, no output$left" same \
        "$(job "$folder")|$(outputs "$work/out-$how")" "error\\nconverted:0, skip:0, error:3|"
    unset "${how%%=*}"
done

# The whole 64-bit size: a sparse input of 5 GiB, a sparse output of 1 GiB.
mkdir -p "$work/big" && truncate -s 5G "$work/big/big.wav"
settings "$standin" "$work/big" "$work/out-big"
export STANDIN_SIZE=1073741824
check "5 GiB input: the ratio of the whole sizes" same "$(job "$standin")" \
    "done\\nconverted:1, skip:0, error:0, ratio:20.0%\\n"
unset STANDIN_SIZE

# The real encoder: a WAV cut in the middle of a sample fails under -V once
# its output is begun, and a folder in an output's place keeps the output
# from its name; the file between them converts.
real=$(program_folder real "$KESTRELIA_WIN_BIN/flac.exe")
cut="$work/cut"
mkdir -p "$cut" "$work/out-cut/a.flac"
cp "$music/a.wav" "$music/sub/b.wav" "$cut/"
head -c 100001 "$music/sub/deep/c.wav" >"$cut/c.wav"
settings "$real" "$cut" "$work/out-cut"
check "cut input, folder in the way: two errors, one converted" matches "$(job "$real")" \
    "^(done|error)\\\\nconverted:1, skip:0, error:2, ratio:$ratio\\\\n\$"
check "cut input, folder in the way: the folder left, no cut output" same \
    "$(cd "$work/out-cut" && find . | sort | tr '\n' ' ')" ". ./a.flac ./b.flac "
# A damaged FLAC restored over its WAV, overwriting on: the encoder's failure
# must not take the WAV with it.
damaged="$work/damaged"
mkdir -p "$damaged" && cp "$music/a.wav" "$damaged/" && flac -s "$damaged/a.wav" -o "$damaged/a.flac"
printf damaged | dd of="$damaged/a.flac" bs=1 seek=30000 conv=notrunc status=none
settings "$real" "$damaged" "$work/nowhere" restore Overwrite=1 SameFolder=1
check "damaged FLAC over its WAV: one error, the WAV as it was, nothing else" same \
    "$(job "$real")|$(cmp "$music/a.wav" "$damaged/a.wav" && outputs "$damaged")" \
    "error\\nconverted:0, skip:0, error:1|./a.flac ./a.wav "

# One 5 s file compresses to about 740 KB: a disk of 1.2 MB takes one.
if small_disk "full disk" "$work/full" 1200k; then
    settings "$real" "$music" "$work/full/archive"
    check "full disk: one converted, the rest errors" matches "$(job "$real")" \
        "^error\\\\nconverted:1, skip:0, error:2, ratio:$ratio\\\\n\$"
    check "full disk: one output, whole" same \
        "$(outputs "$work/full/archive" | wc -w) $(flac_ok "$work/full/archive" && echo whole)" "1 whole"
fi

finish
