#!/usr/bin/env bash
# Soak of the real program under Wine: Execute and Cancel at random moments
# for KESTRELIA_SOAK_SECONDS (default 30) over 120 files, with the stand-in
# (it copies, and logs each run) as flac.exe. After every job: the idle
# state, no encoder running, no more files run than had started at the
# Cancel (a Cancel never reaches the next job), all of them without one, a
# job left alone made copies, and Execute pressed the moment a job's end
# enables it starts the next job; the handle count stays steady. The seed
# it prints makes the same choices again (KESTRELIA_SOAK_SEED).
set -u
source "$(dirname "$0")/e2e_lib.sh"
seconds=${KESTRELIA_SOAK_SECONDS:-30}
seed=${KESTRELIA_SOAK_SEED:-$((${EPOCHREALTIME/./} % 1000000))}
RANDOM=$seed
echo "info seed $seed"

# Small files, each of its own bytes so that a copy of the wrong one shows:
# 8 in the input folder itself (the jobs without recursion), the rest below.
music="$work/music"
mkdir -p "$music/a/deep" "$music/b" "$work/out"
folders=(a a/deep b)
for i in $(seq 1 120); do
    folder=$music/${folders[i % 3]} && [ "$i" -le 8 ] && folder=$music
    printf 'RIFF soak file %d\n%*s' "$i" "$((i % 97))" '' >"$folder/f$i.wav"
done
folder=$(program_folder soak "$KESTRELIA_WIN_BIN/encoder_standin.exe")
log="$work/standin.log"
touch "$log"
export STANDIN_LOG="$(win "$log")"
ini "$folder/Kestrelia.ini" Language=1 Overwrite=1 Recurse=1 "InputSpec=$(win "$music")\\*.wav" \
    "LastWavSpec=$(win "$music")\\*.wav" "OutputSpec=$(win "$work/out")\\*.*"
start "$folder"

# One driver for the whole soak: `step LINE...` sends the steps at once and
# reads their reports into $reply; false when one failed. `runs` is the
# count of files the stand-in has run, `counted` the count the last
# `lines` step read (at the moment of its step).
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
lines="lines $STANDIN_LOG"
counted() { grep -o '^info lines [0-9]*' <<<"$reply" | tail -1 | cut -d' ' -f3; }
wait_runs() { for _ in $(seq 4000); do [ "$(runs)" -ge "$1" ] && break; sleep 0.005; done; }

check "soak: the window" step find
soak_failures=0 number=0 baseline=-1 handles=-1
deadline=$((SECONDS + seconds))
while :; do
    number=$((number + 1)) why="" at=-1 files=120
    # Every fifth job, and the last, runs the input folder's 8 files to their
    # end; others are cancelled at once, or once a file has started.
    last=$([ "$number" -gt 3 ] && [ $((SECONDS + 8)) -ge "$deadline" ] && echo 1)
    kind=random again=$((RANDOM % 100 < 15))
    if [ -n "$last" ] || [ $((number % 5)) = 2 ]; then kind=run again=0 files=8; step "click Recurse"
    elif [ $((RANDOM % 100)) -lt 20 ]; then kind=at-once
    fi
    rm -f "$work/out/"*.flac
    sleep "$(printf 0.%03d $((RANDOM % 300)))"
    before=$(runs)
    step "click Execute" "enabled Execute 0 10000" || why+="Execute started no job; "
    if [ $kind = at-once ]; then
        step "enabled Cancel 1 10000" "click Cancel" "$lines"
    elif [ $kind = random ]; then
        wait_runs $((before + 1))
        sleep "$((RANDOM % 2)).$(printf %03d $((RANDOM % 1000)))"
        step "click Cancel" "$lines"
    fi
    [ $kind = run ] || at=$(($(counted) - before))
    # Execute at the very moment the job's end enables it: a new job starts,
    # and is cancelled as soon as it can be.
    steps=("enabled Execute 1 120000" "$lines")
    [ "$again" = 1 ] && steps+=("click Execute" "enabled Execute 0 3000")
    step "${steps[@]}" || why+="Execute, pressed the moment the job's end enabled it, started no job; "
    ran=$(($(counted) - before))
    if [ "$again" = 1 ]; then
        step "enabled Cancel 1 10000" "click Cancel" "$lines"
        at_second=$(($(counted) - before - ran))
    fi
    step "ended 120000" ||
        { echo "FAIL job $number $kind: the job does not end"; soak_failures=$((soak_failures + 1)); break; }
    [ "$again" = 1 ] && [ $(($(runs) - before - ran)) -gt $((at_second + 1)) ] &&
        why+="the job Executed again ran $(($(runs) - before - ran)) files, $at_second at its Cancel; "
    [ "$at" -lt 0 ] && [ "$ran" != "$files" ] && why+="$ran of $files files ran without a Cancel; "
    [ "$at" -ge 0 ] && [ "$ran" -gt $((at + 1)) ] && why+="$ran files ran, $at had started at the Cancel; "
    for i in $(seq 1 8); do
        [ $kind != run ] || cmp -s "$music/f$i.wav" "$work/out/f$i.flac" || why+="f$i.flac is no copy; "
    done
    # Exit enabled, no encoder left, Search lower folders on again.
    after=("enabled Exit 1" encoders)
    [ $files = 8 ] && after+=("click Recurse")
    step "${after[@]}" "checked Recurse 1" || why+="$(grep '^FAIL' <<<"$reply" | tr '\n' ' ')"
    handles=$(grep -o '^info handles [0-9]*' <<<"$reply" | cut -d' ' -f3)
    # The first job makes what the program keeps for later jobs.
    [ "$number" = 2 ] && baseline=$handles
    printf '%s job %3d %-8s %3d of %3d files, Cancel at %2d, again %d, handles %s%s\n' \
        "$([ -z "$why" ] && echo 'ok  ' || echo FAIL)" "$number" $kind "$ran" $files "$at" "$again" \
        "$handles" "${why:+: $why}"
    [ -z "$why" ] || soak_failures=$((soak_failures + 1))
    [ -n "$last" ] && break
done
check "soak: $number jobs of Execute and Cancel, every one as it should be" same "$soak_failures" 0
check "soak: the handle count steady ($baseline after job 2, $handles after the last)" \
    [ "$baseline" -ge 0 -a "$handles" -le $((baseline + 4)) ]
check "soak: Exit" step "click Exit" 'box "Exit" "Really exit?" yes' gone
check "soak: the program ended with exit code 0" ended
# The last job ran the input folder's 8 files to their end.
check "soak: the last job's result and the settings are saved" same "$(result "$folder") $(
    for s in Language Overwrite Recurse; do line "$folder/Kestrelia.ini" $s; done | paste -sd' ')" \
    "done\\nconverted:8, skip:0, error:0, ratio:100.0%, min:100.0%, max:100.0%, average:100.0%\\n 1 1 1"
finish
