#!/bin/sh
# Capture benchmark: builds the release configuration and captures the whole
# timeline at 800x600 and at 1920x1080 (60 fps, the default data set) on a
# private X server with Mesa's llvmpipe, printing for each the wall time
# against the 176 s the timeline plays, the time per frame of each stage
# (render: the GL thread building a frame; read-back: waiting for the
# rasteriser to finish the frame before and copying it out; convert; encode),
# how long the renderer waited for the pipeline, CPU time, the cores busy on
# average and the peak resident memory, with the load average before and
# after. Figures only; nothing is asserted.
# KV2007_CAPTURE_STAGES=1 in the environment finishes each frame's drawing
# before its read-back: render then holds the rasterising too, but the two no
# longer overlap, so the wall time is not the capture's own.
# Usage: tools/perf-capture.sh [WxH ...]   (default: 800x600 1920x1080)
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh time   # /usr/bin/time for the peak memory
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j "$(nproc)" --target kv2007demo >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
[ $# -gt 0 ] || set -- 800x600 1920x1080
for size in "$@"; do
    echo "== Whole timeline at $size, 60 fps (load before: $(cut -d' ' -f1 /proc/loadavg))"
    /usr/bin/time -o "$OUT/time" -f "%e %U %S %M" \
        xvfb-run -a -s "-screen 0 800x600x24" \
        build-release/kv2007demo --capture "$OUT/capture-$size.mp4" --size "$size" 2>&1 |
        grep -v '^capture: ' || true
    awk '{printf "wall %.1f s, CPU user %.1f s + system %.1f s: %.2f cores busy; peak resident %d MB\n",
          $1, $2, $3, ($2 + $3) / $1, $4 / 1024}' "$OUT/time"
    ls -l "$OUT/capture-$size.mp4" | awk '{printf "file %.1f MB\n", $5 / 1048576}'
    echo "(load after: $(cut -d' ' -f1 /proc/loadavg))"
done
