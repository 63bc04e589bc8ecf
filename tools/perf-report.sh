#!/bin/sh
# Performance report: builds the release configuration and prints, for this
# machine at 800x600 on its own X server with the default data set: the first
# presented frame as a user waits for it (process start to the return of the
# first buffer swap, clocked from outside by tools/perf/frame_clock.so) on the
# bare X server and with openbox managing it, fullscreen and --windowed, each
# beside the program's own start-up split; the decoding floor; seeks; frame times
# per timeline segment; the audio figures; then a full run and a capture of
# the whole timeline (about 6 min), drawn into one picture: the frame interval
# over the run with the timeline's parts marked, and the capture's speed in
# each part. Every figure comes with the load it was taken at.
# Usage: tools/perf-report.sh [--quick] [PNG]
#   --quick skips the full run, the capture and the picture;
#   PNG is where the picture goes (default build-release/perf-report.png).
set -eu
cd "$(dirname "$0")/.."
QUICK=""
[ "${1:-}" = "--quick" ] && { QUICK=--quick; shift; }
PICTURE=$(realpath -m "${1:-build-release/perf-report.png}")
tools/setup.sh openbox gnuplot-nox time
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DDEMO_TESTS=ON -DDEMO_BENCH=ON >/dev/null
cmake --build build-release -j "$(nproc)" --target kv2007demo perf_probe frame_clock frame_clock_launch \
    scenes_bench audio_bench meshes_bench textures_bench >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
B=$(pwd)/build-release
RUNS=10
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# Everything below runs inside one private X server with an 800x600 screen,
# where the demo's fullscreen mode exists.
xvfb-run -a -s "-screen 0 800x600x24" sh -s "$B" "$RUNS" "$QUICK" "$WORK" "$PICTURE" <<'INNER'
set -eu
B=$1; RUNS=$2; QUICK=$3; WORK=$4; PICTURE=$5
load() { cut -d' ' -f1 /proc/loadavg; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
# The median of KEY's values in FILE.
medianOf() { grep "^$1 " "$2" | awk '{print $2}' | median; }
clocked() { LD_PRELOAD="$B/tools/perf/frame_clock.so" "$B/tools/perf/frame_clock_launch" "$@"; }

openboxPid=""
startOpenbox() {
    openbox --sm-disable >/dev/null 2>&1 &
    openboxPid=$!
    # managing once it names its check window on the root
    i=0; while [ $i -lt 100 ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        sleep 0.1; i=$((i+1)); done
}
stopOpenbox() {
    kill "$openboxPid" && wait "$openboxPid" || true
    openboxPid=""
}

# One start-up row: RUNS starts of the demo, each ended at its first swap,
# and RUNS of the probe for the split behind it.
startupRow() {  # LABEL [demo options]
    label=$1; shift
    : > "$WORK/row"
    loadBefore=$(load)
    i=0; while [ $i -lt "$RUNS" ]; do
        FRAME_CLOCK_FIRST_SWAP_EXIT=1 clocked "$B/kv2007demo" "$@" 2>> "$WORK/row" >/dev/null || true
        "$B/tools/perf/perf_probe" startup "$@" >> "$WORK/row"
        i=$((i+1))
    done
    printf '  %-22s %7s %8s %8s %8s %8s   load %s\n' "$label" "$(medianOf first_swap_ms "$WORK/row")" \
        "$(medianOf window_and_context_ms "$WORK/row")" "$(medianOf textures_ms "$WORK/row")" \
        "$(medianOf render_target_ms "$WORK/row")" "$(medianOf music_ms "$WORK/row")" "$loadBefore"
}

echo "== First presented frame: process start to the first swap's return, from outside (median of $RUNS starts, ms)"
echo "   with the program's own split beside it (window and context, then textures, render target, music)"
printf '  %-22s %7s %8s %8s %8s %8s\n' "" "first" "window" "textures" "target" "music"
startupRow "no WM, fullscreen"
startupRow "no WM, --windowed" --windowed
startOpenbox
startupRow "openbox, fullscreen"
startupRow "openbox, --windowed" --windowed
stopOpenbox
echo "  (target: 250 ms with a window manager. Without one, SDL waits up to 100 ms for a"
echo "   manager to confirm a fullscreen window; with one, the window is ready long before"
echo "   the images, so the decode is what the first frame waits for.)"

echo "== Floor: the same files read and decoded alone (median of $RUNS runs, ms; load $(load))"
: > "$WORK/floor"
i=0; while [ $i -lt "$RUNS" ]; do "$B/tools/perf/perf_probe" floor >> "$WORK/floor"; i=$((i+1)); done
for key in floor_images_ms floor_track_ms floor_total_ms; do
    printf '  %-22s %8s\n' "$key" "$(medianOf $key "$WORK/floor")"
done

echo "== Seeks: from the control call to the first frame there presented (ms; target 300), and memory (load $(load))"
"$B/tools/perf/perf_probe" seek --windowed --mute | sed 's/^/  /'

echo "== Frame time per timeline segment (ms; budget 16.7 at p95, heaviest 8.3 median; load $(load))"
"$B/bench/scenes_bench" --benchmark_format=console 2>/dev/null | grep -E 'segment|median|p95|^[a-z_]+ ' || true

echo "== Audio (load $(load))"
"$B/bench/audio_bench" 2>/dev/null | tail -n +4

echo "== Meshes and textures (load $(load))"
"$B/bench/meshes_bench" 2>/dev/null | tail -n +4
"$B/bench/textures_bench" 2>/dev/null | tail -n +4

[ "$QUICK" = "--quick" ] && exit 0

liveLoad=$(load)
echo "== Full run of the timeline, live (load $liveLoad; peak memory target 150 MB)"
FRAME_CLOCK_LOG="$WORK/live.log" /usr/bin/time -f "  peak resident %M KB, CPU user %U s + system %S s, wall %e s" \
    sh -c 'LD_PRELOAD="$1/tools/perf/frame_clock.so" exec "$1/tools/perf/frame_clock_launch" "$1/kv2007demo"' - "$B"
awk '$1 == "swap" { if (n++) { d = $2 - last; if (d > 16.7) slow++; sum += d } last = $2 }
     END { printf "  %d frames, mean interval %.2f ms, %d over 16.7 ms\n", n, sum / (n - 1), slow }' "$WORK/live.log"

captureLoad=$(load)
echo "== Capture of the whole timeline at 800x600 and 60 fps, for the picture (load $captureLoad)"
FRAME_CLOCK_LOG="$WORK/capture.log" clocked "$B/kv2007demo" --capture "$WORK/capture.mkv" 2>&1 |
    grep -v '^capture: ' | sed 's/^/  /' || true

# The timeline's parts from its table: name, first and end second.
sed -n 's/^ *{SceneId::[A-Za-z]*, *"\([a-z_]*\)", *\([0-9.]*\), *\([0-9.]*\)}.*/\1 \2 \3/p' scenes/timeline.h |
    awk '{printf "%s %.3f %.3f\n", $1, $2 / 176400, $3 / 176400}' > "$WORK/parts"
# Live: seconds since the first frame, and each frame's interval.
awk '$1 == "swap" { if (n++) printf "%.3f %.3f\n", ($2 - first) / 1000, $2 - last; else first = $2; last = $2 }' \
    "$WORK/live.log" > "$WORK/intervals"
# Capture: per part, seconds of video over seconds of work for the frames in it.
awk -v fps=60 'NR == FNR { name[++parts] = $1; from[parts] = $2; to[parts] = $3; next }
     $1 == "video" { s = $2 / fps; for (p = 1; p <= parts; ++p) if (s >= from[p] && s < to[p]) {
         if (!(p in t0)) t0[p] = $3; t1[p] = $3; frames[p]++ } }
     END { for (p = 1; p <= parts; ++p) if (frames[p] > 1)
         printf "%s %.3f %.3f %.3f\n", name[p], from[p], to[p], (frames[p] - 1) / fps / ((t1[p] - t0[p]) / 1000) }' \
    "$WORK/parts" "$WORK/capture.log" > "$WORK/speed"
echo "  capture speed per part (x real time):"
awk '{printf "    %-26s %6.2f\n", $1, $4}' "$WORK/speed"

gnuplot <<PLOT
set terminal pngcairo size 1400,900 font ",10" noenhanced
set output "$PICTURE"
set multiplot layout 2,1 title "KV 2007 at 800x600 on Mesa llvmpipe, $(nproc) cores: live run at load $liveLoad, capture at load $captureLoad"
set xrange [0:177]
set grid ytics
$(awk '{printf "set arrow from %s, graph 0 to %s, graph 1 nohead lc rgb \"#999999\" dt 2\n", $2, $2;
        printf "set label \"%s\" at %s, graph 0.97 rotate by 90 right font \",8\"\n", $1, $2 + 0.8}' "$WORK/parts")
set ylabel "frame interval (ms)"
set logscale y
set yrange [1:200]
plot "$WORK/intervals" using 1:2 with dots lc rgb "#1f5fbf" title "live run: interval before each frame", \
     16.7 with lines lc rgb "#c00000" lw 2 title "16.7 ms (60 Hz)"
unset logscale y
set yrange [0:*]
set xlabel "seconds of the timeline"
set ylabel "capture speed (x real time)"
plot "$WORK/speed" using 2:4:2:3:(0):4 with boxxyerror fs solid 0.4 lc rgb "#2f8f2f" title "capture at 800x600, 60 fps: video seconds per second of work", \
     1 with lines lc rgb "#c00000" lw 2 title "real time", \
     1 / 0.65 with lines lc rgb "#e08000" dt 2 title "0.65 x real time taken"
unset multiplot
PLOT
echo "== Picture: $PICTURE"
INNER
