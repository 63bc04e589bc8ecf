#!/bin/sh
# Capture benchmark: builds the release configuration and captures the whole
# timeline at 800x600 and at 1920x1080 (60 fps, the default data set) on a
# private X server with Mesa's llvmpipe, printing for each the wall time
# against the 176 s the timeline plays, the busy time per frame of each stage
# (render, read-back, convert, encode), how long the renderer waited for the
# pipeline, CPU time and the peak resident memory. Figures only; nothing is
# asserted. Usage: tools/perf-capture.sh [WxH ...]   (default: 800x600 1920x1080)
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh time   # /usr/bin/time for the peak memory
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j "$(nproc)" --target kv2007demo >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
# Each frame's drawing is finished before its read-back starts, so that the
# two stages are told apart (llvmpipe otherwise draws inside the read-back).
export KV2007_CAPTURE_STAGES=1
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
[ $# -gt 0 ] || set -- 800x600 1920x1080
for size in "$@"; do
    echo "== Whole timeline at $size, 60 fps (load before: $(cut -d' ' -f1 /proc/loadavg))"
    /usr/bin/time -f "wall %e s, CPU user %U s + system %S s, peak resident %M KB" \
        xvfb-run -a -s "-screen 0 800x600x24" \
        build-release/kv2007demo --capture "$OUT/capture-$size.mp4" --size "$size" 2>&1 |
        grep -v '^capture: ' || true
    ls -l "$OUT/capture-$size.mp4" | awk '{printf "file %.1f MB\n", $5 / 1048576}'
done
