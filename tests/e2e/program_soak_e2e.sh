#!/usr/bin/env bash
# Soak of the real program under Wine, on its real threads and processes:
# for KESTRELIA_SOAK_SECONDS (default 30), jobs over 8 files with the
# stand-in as flac.exe (it copies, and logs each run), cancelled at random
# moments up to past the job's end, every fifth and the last run to it.
# After each: the idle state, no encoder left, no more files run than had
# started at the Cancel, all without one; the handle count stays steady,
# the last job is saved. KESTRELIA_SOAK_SEED makes the same choices again.
set -u
source "$(dirname "$0")/e2e_lib.sh"
seed=${KESTRELIA_SOAK_SEED:-$((${EPOCHREALTIME/./} % 1000000))}
RANDOM=$seed
echo "info seed $seed"

music="$work/music"
mkdir -p "$music"
for i in $(seq 1 8); do echo "RIFF soak file $i" >"$music/f$i.wav"; done
folder=$(program_folder soak "$KESTRELIA_WIN_BIN/encoder_standin.exe")
log="$work/standin.log"
touch "$log"
export STANDIN_LOG="$(win "$log")"
ini "$folder/Kestrelia.ini" Language=1 Overwrite=1 "InputSpec=$(win "$music")\\*.wav" \
    "LastWavSpec=$(win "$music")\\*.wav" "OutputSpec=$(win "$work/out")\\*.*"
start "$folder"

# One driver for the whole soak: `step LINE...` sends the steps at once and
# reads their reports into $reply; false when one failed. `runs` is the
# count of files the stand-in has run.
coproc DRIVER { wine "$KESTRELIA_WIN_BIN/ui_driver.exe" 2>/dev/null; }
step() {
    printf '%s\n' "$@" >&"${DRIVER[1]}"
    local r _ status=0
    reply=""
    for _ in "$@"; do
        while read -r r <&"${DRIVER[0]}" && reply+="${r%$'\r'}"$'\n' && [[ $r == info* ]]; do :; done
        [[ $r == ok* ]] || status=1
    done
    return $status
}
runs() { wc -l <"$log"; }

check "soak: the window" step find
failed=0 number=0 last="" baseline=-1 handles=-1
deadline=$((SECONDS + ${KESTRELIA_SOAK_SECONDS:-30}))
until [ -n "$last" ]; do
    number=$((number + 1)) why="" at=-1
    [ "$number" -gt 3 ] && [ $((SECONDS + 3)) -ge "$deadline" ] && last=1
    before=$(runs)
    step "click Execute" "enabled Execute 0 10000" || why+="Execute started no job; "
    if [ -z "$last" ] && [ $((number % 5)) != 2 ]; then
        wait_ms=$((RANDOM % 1500))
        sleep "$((wait_ms / 1000)).$(printf %03d $((wait_ms % 1000)))"
        step "click Cancel"
        at=$(($(runs) - before))
    fi
    step "ended 120000" || { echo "FAIL job $number: it does not end" && failed=$((failed + 1)) && break; }
    step "enabled Exit 1" encoders || why+="$(grep '^FAIL' <<<"$reply" | tr '\n' ' ')"
    ran=$(($(runs) - before)) handles=$(grep -o '^info handles [0-9]*' <<<"$reply" | cut -d' ' -f3)
    [ "$at" -lt 0 ] && [ "$ran" != 8 ] && why+="$ran of 8 files ran without a Cancel; "
    [ "$at" -ge 0 ] && [ "$ran" -gt $((at + 1)) ] && why+="$ran files ran, $at had started at the Cancel; "
    # The first job makes what the program keeps for later jobs.
    [ "$number" = 2 ] && baseline=$handles
    [ -z "$why" ] && echo "ok   job $number: $ran of 8 files, $at at the Cancel, handles $handles"
    [ -z "$why" ] || { echo "FAIL job $number: $why" && failed=$((failed + 1)); }
done
check "soak: $number jobs of Execute and Cancel, every one as it should be" same "$failed" 0
check "soak: the handle count steady ($baseline after job 2, $handles after the last)" \
    [ "$baseline" -ge 0 -a "$handles" -le $((baseline + 4)) ]
check "soak: Exit" step "click Exit" 'box "Exit" "Really exit?" yes' gone
check "soak: the program ended with exit code 0" ended
check "soak: the last job's result is saved" same "$(result "$folder")" \
    "done\\nconverted:8, skip:0, error:0, ratio:100.0%, min:100.0%, max:100.0%, average:100.0%\\n"
finish
