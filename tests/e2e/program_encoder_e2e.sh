#!/usr/bin/env bash
# What a job learns by asking the encoder, under Wine: with the real one,
# WAVs with chunks and in other formats back byte for byte, and a FLAC made
# elsewhere restored; with the stand-in, its answer through the pipe.
set -u
source "$(dirname "$0")/e2e_lib.sh"

# make_wav's format and chunks, "data" where the audio goes.
kinds=("16x2,LIST:26,data,id3 :17" "16x2,bext:602" "16x2,cue :28" "16x2,iXML:333" 24x2e 16x1 8x2)
for i in "${!kinds[@]}"; do
    IFS=, read -ra kind <<<"${kinds[i]}"
    mkdir -p "$work/kinds" && "$KESTRELIA_MAKE_WAV" "$work/kinds/$i.wav" 1 "$i" "${kind[@]}"
done
real=$(program_folder real "$KESTRELIA_WIN_BIN/flac.exe")
settings "$real" "$work/kinds" "$work/archive"
check "chunks and formats: compressed" job "$real"
# Made by the Linux encoder without options: no chunks stored.
wavs 1 "$work/kinds/plain.wav"
flac -s -o "$work/archive/plain.flac" "$work/kinds/plain.wav"
settings "$real" "$work/archive" "$work/restored" restore
check "chunks and formats: every file restored, the FLAC made elsewhere too" same "$(job "$real")" \
    "done\\nconverted:8, skip:0, error:0"
check "chunks and formats: every WAV back byte for byte" diff -r "$work/kinds" "$work/restored"

# 255 bytes of answer give the options, 256 are too many (the run is ended
# at once); the answer of a run that does not end is not taken: it is ended,
# without a console window, and the job goes on. None is left running.
standin=$(program_folder standin "$KESTRELIA_WIN_BIN/encoder_standin.exe")
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

finish
