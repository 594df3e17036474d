#!/usr/bin/env bash
# Soak of the real program under Wine: Execute and Cancel at random moments
# for KESTRELIA_SOAK_SECONDS (default 30) over a tree of 120 files, with the
# stand-in encoder as flac.exe; ui_driver.exe's step `soak` does the jobs
# and checks each. It prints a seed: KESTRELIA_SOAK_SEED=that seed makes the
# same choices again. Then Exit, and the settings file as the program saved
# it.
set -u
source "$(dirname "$0")/e2e_lib.sh"

# Small files, each of its own bytes so that a copy of the wrong one shows:
# 8 in the input folder itself (the jobs without recursion), the rest in
# folders below, one of them two levels down.
music="$work/music"
mkdir -p "$music/a/deep" "$music/b" "$music/c"
folders=(a a/deep b c)
for i in $(seq 1 120); do
    if [ "$i" -le 8 ]; then folder=$music; else folder=$music/${folders[i % 4]}; fi
    printf 'RIFF soak file %d\n%*s' "$i" "$((i % 97))" '' >"$folder/f$i.wav"
done

folder=$(program_folder soak "$KESTRELIA_WIN_BIN/encoder_standin.exe")
export STANDIN_LOG="$(win "$work/standin.log")"
ini "$folder/Kestrelia.ini" 0=1 10=0 12=1 13=1 "t0=$(win "$music")\\*.wav" "t1=$(win "$music")\\*.wav" \
    "t4=$(win "$work/out")\\*.*"
start "$folder"
check "soak: ${KESTRELIA_SOAK_SECONDS:-30} s of Execute and Cancel, every job checked; Exit" drive <<EOF2
find
soak ${KESTRELIA_SOAK_SECONDS:-30} ${KESTRELIA_SOAK_SEED:-auto} "$(q "$STANDIN_LOG")" "$(q "$(win "$music")")" "$(q "$(win "$work/out")")"
click 37
box "Exit" "Really exit?" yes
gone
EOF2
check "soak: the program ended with exit code 0" ended
# The last job ran the input folder's 8 files to their end.
check "soak: the last job's result and the settings are saved" same \
    "$(result "$folder") $(line "$folder/Kestrelia.ini" 2) $(line "$folder/Kestrelia.ini" 14) $(line "$folder/Kestrelia.ini" 15)" \
    "done\\nconverted:8, skip:0, error:0, ratio:100.0%, min:100.0%, max:100.0%, average:100.0%\\n 1 1 1"
finish
