#!/bin/sh
# Fuzzes the decoders the demo feeds files to: builds the libFuzzer harnesses
# (clang, ASan, UBSan) in build-fuzz/, writes their seed corpora from data/,
# runs each harness for SECONDS (default 600), one per core, and prints
# executions, coverage and findings. Findings are kept in
# build-fuzz/fuzz/findings/<harness>/, logs beside them.
# Usage: tools/fuzz.sh [SECONDS] [HARNESS...]   harnesses: image track image_any
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
harnesses=${*:-image track image_any}

tools/setup.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DDEMO_FUZZ=ON -DDEMO_TESTS=OFF -DDEMO_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2 --target image_fuzzer image_any_fuzzer track_fuzzer write_image_seeds
out=build-fuzz/fuzz

# Image seeds: two data-set images shrunk into every layout and file type
# DevIL writes, plus the two smallest data-set images as they are.
write_image_seeds() {
    rm -rf "$out/seeds/image" && mkdir -p "$out/seeds/image"
    "$out/write_image_seeds" "$out/seeds/image" data/Riddle.png data/Spiral.jpg
    cp data/Riddle.png data/Lyrics/rap_09.png "$out/seeds/image/"
}

# Track seeds: a third of a second of the track re-encoded by lame at the
# rates, modes and headers an MP3 file can have, two raw cuts of the track
# (its start with the Info frame, and one starting mid-frame), and a WAV.
write_track_seeds() {
    dir=$out/seeds/track
    rm -rf "$dir" && mkdir -p "$dir"
    head -c 200000 data/KV07.mp3 >"$dir/head.tmp"
    lame --quiet --decode "$dir/head.tmp" "$dir/head.wav" 2>/dev/null  # a cut Info frame: a warning
    head -c 52964 "$dir/head.wav" >"$dir/cut.wav"  # 44-byte header + 0.3 s
    for variant in "cbr128:-b 128" "mono22k:-m m --resample 22.05 -b 32" "vbr:-V 6" \
                   "mpeg25-8k:-m m --resample 8 -b 8" "crc:-p -b 96" \
                   "id3v2:--add-id3v2 --tt seed -b 64" "free-format:--freeformat -b 200"; do
        lame --quiet ${variant#*:} "$dir/cut.wav" "$dir/${variant%%:*}.mp3"
    done
    head -c 4096 data/KV07.mp3 >"$dir/start.mp3"
    tail -c +1000001 data/KV07.mp3 | head -c 4096 >"$dir/mid-frame.mp3"
    head -c 4096 "$dir/cut.wav" >"$dir/wave.mp3"
    rm "$dir/head.tmp" "$dir/head.wav" "$dir/cut.wav"
}

# Fork mode keeps fuzzing past a finding; each job is a fresh process. On the
# catalogue's own route the pixel limit keeps any one allocation far below
# 512 MB, so a larger one is a finding; elsewhere only the process's 2 GB.
run_harness() {
    name=$1 seeds=$out/seeds/${1%_any}
    largest_allocation=2048
    [ "$name" = image ] && largest_allocation=512
    rm -rf "$out/findings/$name"  # this run's findings only; the corpus grows run after run
    mkdir -p "$out/corpus/$name" "$out/findings/$name"
    LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp "$out/${name}_fuzzer" \
        -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
        -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
        -malloc_limit_mb="$largest_allocation" -max_len=16384 \
        -artifact_prefix="$out/findings/$name/" "$out/corpus/$name" "$seeds" \
        >"$out/findings/$name.log" 2>&1 || true
}

# The last status line of a run: executions, coverage, corpus, findings.
report_harness() {
    name=$1
    status=$(grep '^#[0-9]' "$out/findings/$name.log" | tail -n 1)
    execs=$(echo "$status" | sed -n 's/^#\([0-9]*\):.*/\1/p')
    echo "$name: ${execs:-0} runs in ${seconds} s ($(( ${execs:-0} / seconds )) exec/s)"
    echo "  ${status#*: }"
    findings=$(ls "$out/findings/$name" | wc -l)
    echo "  $findings finding(s) in $out/findings/$name/"
    ls "$out/findings/$name" | sed 's/^/    /'
}

write_image_seeds
write_track_seeds
cores=$(nproc)
started=0
for name in $harnesses; do
    echo "fuzzing $name for $seconds s"
    run_harness "$name" &
    started=$((started + 1))
    [ $((started % cores)) -eq 0 ] && wait
done
wait
rm -f /dev/shm/kv2007-fuzz-* /tmp/kv2007-fuzz-*  # left by jobs that crashed
for name in $harnesses; do report_harness "$name"; done
