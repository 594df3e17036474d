#!/usr/bin/env bash
# Jobs in the real program under Wine: the real search, encoder and files,
# each failure form and fault counted with no output left that looks
# converted, and, with the stand-in, the job's question, the handles over
# many runs, and the session's end and the close during a job.
set -u
source "$(dirname "$0")/e2e_lib.sh"

# Blanks in names, a read-only folder (entered), a dot folder (left out),
# a folder whose name matches the pattern (entered, never given to the
# encoder), a name in capitals and a file that does not match.
music="$work/music"
wavs 2 "$music/a.wav" "$music/sub one/b.wav" "$music/sub one/deep/c.WAV"
wavs 1 "$music/locked/d.wav" "$music/.cache/e.wav" "$music/live.wav/g.wav"
echo notes >"$music/notes.txt"
chmod a-w "$music/locked"
archive="$work/archive"
tree="./a.flac ./live.wav/g.flac ./locked/d.flac ./sub one/b.flac ./sub one/deep/c.flac "

# The encoder is named exactly: from a folder with a blank, a folder "flac"
# beside flac.exe and a program enc.exe where a search would look first
# take no part.
real=$(program_folder "enc dir" "$KESTRELIA_WIN_BIN/flac.exe")
mkdir "$real/flac"
cp "$KESTRELIA_WIN_BIN/encoder_standin.exe" "$work/enc.exe"
settings "$real" "$music" "$archive"
check "compress: the counts and ratios are kept" matches "$(job "$real")" \
    "^done\\\\nconverted:5, skip:0, error:0, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n\$"
check "compress: the tree is mirrored, nothing else" same "$(outputs "$archive")" "$tree"
check "re-run: every file skipped" same "$(job "$real")" "skipped\\nconverted:0, skip:5, error:0"

# Three WAVs of 5 s.
five="$work/five"
wavs 5 "$five/a.wav" "$five/sub/b.wav" "$five/sub/deep/c.wav"

# A failure in each form: no encoder, exit code 1 or 2, a crash, exit 0
# without output.
mkdir -p "$work/missing"
standin=$(program_folder standin "$KESTRELIA_WIN_BIN/encoder_standin.exe")
for how in no STANDIN_EXIT=1 STANDIN_EXIT=2 STANDIN_EXIT=crash STANDIN_WRITE=0; do
    folder=$standin name="encoder $how" left=" left"
    [ $how = no ] && folder=$work/missing name="no encoder" left="" how=STANDIN_NONE=
    settings "$folder" "$five" "$work/out-$how"
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
cut="$work/cut"
mkdir -p "$cut" "$work/out-cut/a.flac"
cp "$five/a.wav" "$five/sub/b.wav" "$cut/"
head -c 100001 "$five/sub/deep/c.wav" >"$cut/c.wav"
settings "$real" "$cut" "$work/out-cut"
check "cut input, folder in the way: two errors, one converted" matches "$(job "$real")" \
    "^(done|error)\\\\nconverted:1, skip:0, error:2, ratio:$ratio\\\\n\$"
check "cut input, folder in the way: the folder left, no cut output" same \
    "$(cd "$work/out-cut" && find . | sort | tr '\n' ' ')" ". ./a.flac ./b.flac "
# A damaged FLAC restored over its WAV, overwriting on: the encoder's failure
# must not take the WAV with it.
damaged="$work/damaged"
mkdir -p "$damaged" && cp "$five/a.wav" "$damaged/" && flac -s "$damaged/a.wav" -o "$damaged/a.flac"
printf damaged | dd of="$damaged/a.flac" bs=1 seek=30000 conv=notrunc status=none
settings "$real" "$damaged" "$work/nowhere" restore Overwrite=1 SameFolder=1
check "damaged FLAC over its WAV: one error, the WAV as it was, nothing else" same \
    "$(job "$real")|$(cmp "$five/a.wav" "$damaged/a.wav" && outputs "$damaged")" \
    "error\\nconverted:0, skip:0, error:1|./a.flac ./a.wav "

# One 5 s file compresses to about 740 KB: a disk of 1.2 MB takes one.
if small_disk "full disk" "$work/full" 1200k; then
    settings "$real" "$five" "$work/full/archive"
    check "full disk: one converted, the rest errors" matches "$(job "$real")" \
        "^error\\\\nconverted:1, skip:0, error:2, ratio:$ratio\\\\n\$"
    check "full disk: one output, whole" same "$(outputs "$work/full/archive" | wc -w) $(
        find "$work/full" -name '*.flac' -exec flac -s -t {} + && echo whole)" "1 whole"
fi

# make_wav's format and chunks, "data" where the audio goes.
kinds=("16x2,LIST:26,data,id3 :17" "16x2,bext:602" "16x2,cue :28" "16x2,iXML:333" 24x2e 16x1 8x2)
for i in "${!kinds[@]}"; do
    IFS=, read -ra kind <<<"${kinds[i]}"
    mkdir -p "$work/kinds" && "$KESTRELIA_MAKE_WAV" "$work/kinds/$i.wav" 1 "$i" "${kind[@]}"
done
settings "$real" "$work/kinds" "$work/kinds out"
check "chunks and formats: compressed" job "$real"
# Made by the Linux encoder without options: no chunks stored.
wavs 1 "$work/kinds/plain.wav"
flac -s -o "$work/kinds out/plain.flac" "$work/kinds/plain.wav"
settings "$real" "$work/kinds out" "$work/restored" restore
check "chunks and formats: every file restored, the FLAC made elsewhere too" same "$(job "$real")" \
    "done\\nconverted:8, skip:0, error:0"
check "chunks and formats: every WAV back byte for byte" diff -r "$work/kinds" "$work/restored"

# 255 bytes of answer give the options, 256 are too many (the run is ended
# at once); the answer of a run that does not end is not taken: it is ended,
# without a console window, and the job goes on. None is left running.
wavs 1 "$work/one/a.wav"
settings "$standin" "$work/one" "$work/out" compress Overwrite=1
export STANDIN_LOG="$(win "$work/log")"
pad=$(printf '%0244d' 0)
for case in "255 bytes|flac 1.5.0 $pad|1500|--keep-foreign-metadata -j [2-4] " \
    "256 bytes|flac 1.5.0 ${pad}0|1500|" \
    "no end|flac 1.5.0|120000|"; do
    IFS='|' read -r name answer stall options <<<"$case"
    rm -f "$work/log"
    export STANDIN_VERSION=$answer STANDIN_STALL=$stall
    start "$standin"
    drive find 'click Execute' >/dev/null
    for _ in $(seq 100); do [ -e "$work/log" ] && break; sleep 0.1; done
    # Only the question runs a while, and the file's own run has a window.
    [ "$name" = "no end" ] && check "answer, $name: no console window for it" \
        same "$(sleep 1; xwininfo -root -tree | grep -c '"conhost.exe"')" 0
    check "answer, $name: the job ends, no encoder left" drive find 'ended 30000' encoders
    drive find close gone >/dev/null && ended
    check "answer, $name: asked once, the file then run" matches "$(tr '\n' '|' <"$work/log")" \
        "^[^|]* --version\\|[^|]* -V -8 ${options}-f -o [^|]*\\|\$"
done
unset STANDIN_VERSION STANDIN_STALL

# Five jobs of eight runs: a handle kept per run or per job shows in the
# program's count (the first job makes what the program keeps for later ones).
handles() { drive find 'click Execute' ended encoders | grep -o '^info handles [0-9]*' | cut -d' ' -f3; }
for i in $(seq 8); do mkdir -p "$work/eight" && echo "RIFF $i" >"$work/eight/f$i.wav"; done
settings "$standin" "$work/eight" "$work/out-eight" compress Overwrite=1
start "$standin"
handles >/dev/null
first=$(handles) && handles >/dev/null && handles >/dev/null
last=$(handles)
check "handles: steady over jobs of the stand-in ($first after job 2, $last after job 5)" \
    [ -n "$first" -a "$last" -le $((first + 2)) ]
drive find close gone >/dev/null && ended

# The stand-in holds its first run, with half of a.flac written, until the
# test releases it.
export STANDIN_HOLD="$(win "$work/release")" STANDIN_LOG="$(win "$work/standin.log")"
ini "$standin/Kestrelia.ini" Recurse=1 "LastWavSpec=$(win "$music")\\*.wav" \
    "OutputSpec=$(win "$work/held out")\\*.*"
start "$standin"
check "held job: started" drive find 'click Execute' 'enabled Cancel 1 10000'
for _ in $(seq 500); do [ -e "$work/release.running" ] && break; sleep 0.02; done
check "held job: its encoder holds" [ -e "$work/release.running" ]

# The session's end during a job: Wine asks every window, and only if none
# refuses ends every process. The window refuses while a file is in work.
wine wineboot --end-session --kill
check "session end during a job: refused" [ $? = 1 ]
# The system close during a job cancels it; the window stays until the
# running file is done, then closes and saves.
check "close during a job: the job cancelled, the window stays" drive find close 'sleep 300' \
    'enabled Cancel 0' 'enabled Execute 0'
# The window may go before a driver could find it again: the program's end
# is the proof.
touch "$work/release"
check "close during a job: the program ends once the running file is done, exit code 0" ended
whole=$(cmp "$music/a.wav" "$work/held out/a.flac" && echo whole)
check "close during a job: one file converted, whole, the job's end saved" matches \
    "$(wc -l <"$work/standin.log")|$(result "$standin")|$whole" \
    "^1\\|.*\\\\nconverted:1, skip:0, error:0, .*\\|whole\$"

finish
