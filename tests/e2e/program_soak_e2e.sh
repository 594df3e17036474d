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
# 8 in the input folder itself (the jobs without recursion), the rest in
# folders below, one of them two levels down.
music="$work/music"
mkdir -p "$music/a/deep" "$music/b" "$music/c" "$work/out"
folders=(a a/deep b c)
for i in $(seq 1 120); do
    if [ "$i" -le 8 ]; then folder=$music; else folder=$music/${folders[i % 4]}; fi
    printf 'RIFF soak file %d\n%*s' "$i" "$((i % 97))" '' >"$folder/f$i.wav"
done
folder=$(program_folder soak "$KESTRELIA_WIN_BIN/encoder_standin.exe")
log="$work/standin.log"
touch "$log"
export STANDIN_LOG="$(win "$log")"
lines="lines $STANDIN_LOG"
ini "$folder/Kestrelia.ini" 0=1 10=0 12=1 13=1 "t0=$(win "$music")\\*.wav" "t1=$(win "$music")\\*.wav" \
    "t4=$(win "$work/out")\\*.*"
start "$folder"

# One driver for the whole soak: `step LINE...` sends the steps at once and
# reads their reports into $reply; false when one failed.
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
ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
pause() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }
# The count of lines step `lines` reported last.
counted() { grep -o '^info lines [0-9]*' <<<"$reply" | tail -1 | cut -d' ' -f3; }

check "soak: the window" step find
soak_failures=0 end_span=250 number=0 baseline=-1 handles=-1
deadline=$((SECONDS + seconds))
while :; do
    number=$((number + 1)) why=""
    # Every fifth job, and the last, run the input folder's files to their end.
    last=$([ "$number" -gt 3 ] && [ $((SECONDS + 8)) -ge "$deadline" ] && echo 1)
    roll=$((RANDOM % 100)) again=$((RANDOM % 100 < 15)) kind=random
    if [ -n "$last" ] || [ $((number % 5)) = 2 ]; then kind=run again=0
    elif [ "$roll" -lt 15 ]; then kind=at-once
    elif [ "$roll" -lt 30 ]; then kind=first
    elif [ "$roll" -lt 45 ]; then kind=at-end
    fi
    files=120
    if [ $kind = run ] || [ $kind = at-end ]; then files=8; step "click 19"; rm -f "$work/out/"*.flac; fi
    pause $((RANDOM % 300))
    before=$(runs) at=-1
    step "click 36" "enabled 36 0 10000" || why+="Execute started no job; "
    if [ $kind = at-once ]; then
        step "enabled 38 1 10000" "click 38" "$lines"
        at=$(($(counted) - before))
    elif [ $kind != run ]; then
        # Not before the job has started a file (its last for a Cancel at
        # the end): a job that ends with none met a Cancel not its own.
        want=$((before + 1)) delay=$((RANDOM % 1500))
        [ $kind = at-end ] && want=$((before + 8)) delay=$((RANDOM % (end_span * 2 + 1)))
        [ $kind = first ] && delay=0
        for _ in $(seq 4000); do [ "$(runs)" -ge "$want" ] && break; sleep 0.005; done
        pause "$delay"
        step "click 38" "$lines"
        at=$(($(counted) - before))
    else
        for _ in $(seq 4000); do [ "$(runs)" -ge $((before + 8)) ] && break; sleep 0.005; done
        started=$(ms)
    fi
    # Execute at the very moment the job's end enables it: a new job starts,
    # and is cancelled as soon as it can be.
    steps=("enabled 36 1 120000" "$lines")
    [ "$again" = 1 ] && steps+=("click 36" "enabled 36 0 3000")
    step "${steps[@]}" || why+="Execute, pressed the moment the job's end enabled it, started no job; "
    ran=$(($(counted) - before))
    [ $kind = run ] && end_span=$(($(ms) - started))
    if [ "$again" = 1 ]; then
        step "enabled 38 1 10000" "click 38" "$lines"
        at_second=$(($(counted) - before - ran))
    fi
    step "ended 120000" || { echo "FAIL job $number $kind: the job does not end"; soak_failures=$((soak_failures + 1)); break; }
    [ "$again" = 1 ] && [ $(($(runs) - before - ran)) -gt $((at_second + 1)) ] &&
        why+="the job Executed again ran $(($(runs) - before - ran)) files, $at_second had started at its Cancel; "
    [ $kind = at-end ] && [ "$ran" != 8 ] && why+="$ran of 8 files ran, Cancel came after the last had started; "
    [ "$at" -lt 0 ] && [ "$ran" != "$files" ] && why+="$ran of $files files ran without a Cancel; "
    [ "$at" -ge 0 ] && [ "$ran" -gt $((at + 1)) ] && why+="$ran files ran, $at had started at the Cancel; "
    for i in $(seq 1 8); do
        [ $kind != run ] || cmp -s "$music/f$i.wav" "$work/out/f$i.flac" || why+="f$i.flac is no copy; "
    done
    # Exit enabled, no encoder left, Search lower folders on again.
    after=("enabled 37 1" encoders)
    [ $files = 8 ] && after+=("click 19")
    step "${after[@]}" "checked 19 1" || why+="$(grep '^FAIL' <<<"$reply" | tr '\n' ' ')"
    handles=$(grep -o '^info handles [0-9]*' <<<"$reply" | cut -d' ' -f3)
    # The first job makes what the program keeps for later jobs.
    [ "$number" = 2 ] && baseline=$handles
    printf '%s job %3d %-8s %3d of %3d files, Cancel at %2d, again %d, handles %s%s\n' \
        "$([ -z "$why" ] && echo 'ok  ' || echo FAIL)" "$number" $kind "$ran" $files "$at" "$again" "$handles" \
        "${why:+: $why}"
    [ -z "$why" ] || soak_failures=$((soak_failures + 1))
    [ -n "$last" ] && break
done
check "soak: $number jobs of Execute and Cancel, every one as it should be" same "$soak_failures" 0
check "soak: the handle count steady ($baseline after job 2, $handles after the last)" \
    [ "$baseline" -ge 0 -a "$handles" -le $((baseline + 4)) ]
check "soak: Exit" step "click 37" 'box "Exit" "Really exit?" yes' gone
check "soak: the program ended with exit code 0" ended
# The last job ran the input folder's 8 files to their end.
check "soak: the last job's result and the settings are saved" same \
    "$(result "$folder") $(line "$folder/Kestrelia.ini" 2) $(line "$folder/Kestrelia.ini" 14) $(line "$folder/Kestrelia.ini" 15)" \
    "done\\nconverted:8, skip:0, error:0, ratio:100.0%, min:100.0%, max:100.0%, average:100.0%\\n 1 1 1"
finish
