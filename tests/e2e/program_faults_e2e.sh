#!/usr/bin/env bash
# Faults met by a job in the real program under Wine: an encoder that is
# missing, fails or writes nothing; outputs that cannot be written or a full
# disk; inputs that vanish during the job; names the code page cannot
# express or with 0x5C trail bytes; paths at the buffer limits; the folder
# limit. Every time the files are counted, the inputs stay untouched, no
# output is left that looks converted, and the program stays usable.
set -u
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/program_lib.sh"

# job FOLDER [STEPS]: the program started in FOLDER runs one job to its end
# and is closed. The saved result (line feeds as \n) is `result FOLDER`.
job() {
    start "$1"
    drive <<EOF
find
execute
${2:-}
close
gone
EOF
    ended
}
result() { line "$1/Kestrelia.ini" 30 | sed 's/\x07/\\n/g'; }
# settings FOLDER INPUT OUTPUT [restore]: English, lower folders searched,
# from the folder INPUT (*.wav, or *.flac to restore) into OUTPUT.
settings() {
    local pattern='*.wav' mode=0
    if [ "${4:-}" = restore ]; then pattern='*.flac' mode=1; fi
    ini "$1/Kestrelia.ini" 0=1 10=$mode 13=1 "t0=$(win "$2")\\$pattern" "t1=$(win "$2")\\*.wav" \
        "t2=$(win "$2")\\*.flac" "t4=$(win "$3")\\*.*"
}
outputs() { [ -d "$1" ] && (cd "$1" && find . -type f | sort | tr '\n' ' '); }
sums() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r md5sum); }
ratio='[0-9]+\.[0-9]%'

music="$work/music"
mkdir -p "$music/sub/deep"
"$KESTRELIA_MAKE_WAV" "$music/a.wav" 5 1
"$KESTRELIA_MAKE_WAV" "$music/sub/b.wav" 5 2
"$KESTRELIA_MAKE_WAV" "$music/sub/deep/c.wav" 5 3
original=$(sums "$music")
untouched() { same "$(sums "$music")" "$original"; }

# --- The encoder --------------------------------------------------------
missing="$work/missing"
mkdir -p "$missing"
settings "$missing" "$music" "$work/out-missing"
check "no encoder: the job ends" job "$missing"
check "no encoder: every file an error" same "$(result "$missing")" "error\\nconverted:0, skip:0, error:3"
check "no encoder: no output" same "$(outputs "$work/out-missing")" ""

standin=$(program_folder standin "$KESTRELIA_WIN_BIN/encoder_standin.exe")
settings "$standin" "$music" "$work/out-failing"
export STANDIN_EXIT=1
check "failing encoder: the job ends" job "$standin"
unset STANDIN_EXIT
check "failing encoder: every file an error" same "$(result "$standin")" "error\\nconverted:0, skip:0, error:3"
check "failing encoder: what it wrote is not left as converted" same "$(outputs "$work/out-failing")" ""

settings "$standin" "$music" "$work/out-silent"
export STANDIN_WRITE=0
check "silent encoder: the job ends" job "$standin"
unset STANDIN_WRITE
check "silent encoder: exit 0 without output is an error" same "$(result "$standin")" \
    "error\\nconverted:0, skip:0, error:3"
check "silent encoder: no output" same "$(outputs "$work/out-silent")" ""
check "encoder faults: the inputs are untouched" untouched

# --- A double quote in a stored path -----------------------------------
# On the encoder's command line it would end the path's quotes and make the
# rest options: the job refuses it before it touches any file.
quoted="$work/quoted"
mkdir -p "$quoted"
"$KESTRELIA_MAKE_WAV" "$quoted/a.wav" 1 1
export STANDIN_LOG="$(win "$work/quoted.log")"
for route in output input; do
    if [ $route = output ]; then
        ini "$standin/Kestrelia.ini" 0=1 "t1=$(win "$quoted")\\*.wav" \
            "t4=$(win "$work/o")\" --delete-input-file -o \"$(win "$work/x")"
        message="A path contains a double quote"
    else
        ini "$standin/Kestrelia.ini" "t1=$(win "$quoted")\\x\" --delete-input-file \"\\..\\*.wav" \
            "t4=$(win "$work/x")\\*.*"
        message=$(cp932 'パスにダブルクォートが含まれています')
    fi
    before=$(ls -A "$work"; sums "$quoted")
    check "quote in the $route path: the job ends" job "$standin"
    check "quote in the $route path: refused, nothing run, made or changed" same \
        "$(result "$standin"; cat "$work/quoted.log" 2>/dev/null; ls -A "$work"; sums "$quoted")" \
        "$message\\n"$'\n'"$before"
done
unset STANDIN_LOG

# --- Outputs that cannot be written -------------------------------------
real=$(program_folder real "$KESTRELIA_WIN_BIN/flac.exe")
if small_disk "$work/readonly" 1m ro; then
    settings "$real" "$music" "$work/readonly/archive"
    check "read-only disk: the job ends" job "$real"
    check "read-only disk: every file an error" same "$(result "$real")" "error\\nconverted:0, skip:0, error:3"
    check "read-only disk: nothing there" same "$(outputs "$work/readonly")" ""
else
    echo "skip read-only disk: no tmpfs can be mounted here"
fi

# One 5 s file compresses to about 740 KB: a disk of 1.2 MB takes one.
if small_disk "$work/full" 1200k; then
    settings "$real" "$music" "$work/full/archive"
    check "full disk: the job ends" job "$real"
    check "full disk: one converted, the rest errors" matches "$(result "$real")" \
        "^error\\\\nconverted:1, skip:0, error:2, ratio:$ratio\\\\n\$"
    check "full disk: what is left is whole" \
        bash -c "cd '$work/full/archive' && find . -name '*.flac' -print0 | xargs -0 flac -s -t"
    check "full disk: one output" same "$(outputs "$work/full/archive" | wc -w)" 1
    # Back from a complete archive onto the full disk: one 880 KB file fits.
    settings "$real" "$music" "$work/archive"
    job "$real"
    rm -rf "$work/full/archive"
    settings "$real" "$work/archive" "$work/full/restored" restore
    check "full disk, restore: the job ends" job "$real"
    check "full disk, restore: one restored, the rest errors" same "$(result "$real")" \
        "error\\nconverted:1, skip:0, error:2"
    restored=$(cd "$work/full/restored" && find . -name '*.wav')
    check "full disk, restore: what is left is the original" cmp "$music/$restored" "$work/full/restored/$restored"
else
    echo "skip full disk: no tmpfs can be mounted here"
fi
check "disk faults: the inputs are untouched" untouched

# --- Inputs that vanish during the job ----------------------------------
# Four files of one folder, each taking a while: once the first is in work,
# one of the others is deleted and one turned into a link to nothing (as
# root, no permission bit makes a file unreadable). The search has listed
# them already.
going="$work/going"
mkdir -p "$going"
for n in 1 2 3 4; do "$KESTRELIA_MAKE_WAV" "$going/w$n.wav" 60 $n; done
settings "$real" "$going" "$work/out-going"
start "$real"
drive <<<$'find\nclick 36' >/dev/null
for _ in $(seq 2000); do
    first=$(ls "$work/out-going" 2>/dev/null | head -n 1)
    [ -n "$first" ] && break
    sleep 0.005
done
others=($(ls "$going" | grep -vx "${first%.flac}.wav"))
rm "$going/${others[0]}"
ln -sf "$going/nothing" "$going/${others[1]}"
check "vanished inputs: the job goes on to its end" drive <<'EOF'
find
enabled 36 1 60000
close
gone
EOF
ended
check "vanished inputs: counted as errors" matches "$(result "$real")" \
    "^(done|error)\\\\nconverted:2, skip:0, error:2, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n\$"
check "vanished inputs: only the others converted" same "$(outputs "$work/out-going")" \
    "$(printf './%s\n' "$first" "${others[2]%.wav}.flac" | sort | tr '\n' ' ')"

# --- Names --------------------------------------------------------------
# Under code page 932 the second byte of 表 and ソ is 0x5C, the backslash.
japanese="$work/日本"
mkdir -p "$japanese/表/ソ"
"$KESTRELIA_MAKE_WAV" "$japanese/表.wav" 1 6
"$KESTRELIA_MAKE_WAV" "$japanese/表/ソ/能.wav" 1 7
"$KESTRELIA_MAKE_WAV" "$japanese/表/ソ.wav" 1 8
settings "$real" "$japanese" "$work/出力"
iconv -f UTF-8 -t CP932 "$real/Kestrelia.ini" >"$work/ini" && mv "$work/ini" "$real/Kestrelia.ini"
check "0x5C trail bytes: the job ends" job "$real"
check "0x5C trail bytes: every file converted" matches "$(result "$real")" "^done\\\\nconverted:3, skip:0, error:0, "
check "0x5C trail bytes: into the mirrored folders" same "$(outputs "$work/出力")" "./表.flac ./表/ソ.flac ./表/ソ/能.flac "

# é has no code of its own in code page 932: the system shows café.wav as
# cafe.wav, which is another file here. 한국 becomes question marks.
strange="$work/strange"
mkdir -p "$strange/música"
seed=10
for name in café cafe 한국 música/inside ok; do "$KESTRELIA_MAKE_WAV" "$strange/$name.wav" 1 $((seed++)); done
before=$(sums "$strange")
settings "$real" "$strange" "$work/out-strange"
check "names without a code: the job ends" job "$real"
check "names without a code: counted as errors" matches "$(result "$real")" \
    "^error\\\\nconverted:2, skip:0, error:3, ratio:$ratio, min:$ratio, max:$ratio, average:$ratio\\\\n\$"
check "names without a code: only the expressible files converted" same "$(outputs "$work/out-strange")" \
    "./cafe.flac ./ok.flac "
check "names without a code: cafe.flac holds cafe.wav" \
    bash -c "flac -s -d -c '$work/out-strange/cafe.flac' | cmp -s - '$strange/cafe.wav'"
check "names without a code: inputs untouched" same "$(sums "$strange")" "$before"

# --- Paths at the buffer limits -----------------------------------------
# An input or output path holds 519 bytes. The input and output roots are
# of one length, so each output path is one byte longer than its input
# (.wav to .flac): the input of 518 bytes goes to the encoder, the one of
# 519 is refused. The system's ANSI calls take no path past 259 bytes, so
# the stand-in, which logs its command line, shows what reached it; the
# files count as errors either way.
limits="$work/i"
deep="$limits/$(printf 'd%.0s' $(seq 200))/$(printf 'e%.0s' $(seq 200))"
mkdir -p "$deep"
prefix=$(win "$deep")\\
fits=$(printf 'f%.0s' $(seq $((518 - ${#prefix} - 4))))
over=$(printf 'g%.0s' $(seq $((519 - ${#prefix} - 4))))
"$KESTRELIA_MAKE_WAV" "$deep/$fits.wav" 1 1
"$KESTRELIA_MAKE_WAV" "$deep/$over.wav" 1 2
check "limits: the input paths are 518 and 519 bytes" same \
    "$((${#prefix} + ${#fits} + 4)) $((${#prefix} + ${#over} + 4))" "518 519"
settings "$standin" "$limits" "$work/o"
out_prefix="$(win "$work/o")${prefix#"$(win "$limits")"}"
export STANDIN_LOG="$(win "$work/limits.log")"
check "limits: the job ends" job "$standin"
unset STANDIN_LOG
check "limits: both counted as errors" same "$(result "$standin")" "error\\nconverted:0, skip:0, error:2"
check "limits: the path that fits reached the encoder whole" same "$(tr -d '\r' <"$work/limits.log")" \
    "\"$(win "$standin")\\flac\" -V -8 -o \"$out_prefix$fits.flac\" \"$prefix$fits.wav\""
check "limits: the refused output path is shown whole" same "$(line "$standin/Kestrelia.ini" 26)" \
    "$out_prefix$over.flac"
check "limits: nothing under a cut name" same "$(find "$work" -name 'g*' -newer "$deep/$over.wav" | wc -l)" 0
# A start folder that does not fit is refused before anything is searched.
long_input="$(win "$deep")\\$(printf 'h%.0s' $(seq 100))\\*.wav"
ini "$real/Kestrelia.ini" 0=1 "t0=$long_input" "t1=$long_input" "t4=$(win "$work/o2")\\*.*"
check "limits: an input path over 519 bytes" job "$real"
check "limits: its message" same "$(result "$real")" "Input path is too long\\n"

# --- The folder limit ---------------------------------------------------
many="$work/many"
mkdir -p "$many"
(cd "$many" && mkdir $(seq 6001))
"$KESTRELIA_MAKE_WAV" "$many/a.wav" 1 1
settings "$real" "$many" "$work/out-many"
check "folder limit: the job ends" job "$real"
check "folder limit: its message after the counts" matches "$(result "$real")" \
    "^done\\\\nconverted:1, skip:0, error:0, ratio:$ratio\\\\nToo many folders\$"
check "folder limit: the program stays usable for the next job" job "$real" "execute"
check "folder limit: the next job skips what the first converted" same "$(result "$real")" \
    "skipped\\nconverted:0, skip:1, error:0Too many folders"
check "folder limit: one output" same "$(outputs "$work/out-many")" "./a.flac "

finish
