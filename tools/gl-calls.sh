#!/bin/sh
# Lists the GL calls, by name and in order, of a default run's first frames:
#   tools/gl-calls.sh [BINARY] [FRAMES] > calls.txt
# The binary (build/kv2007demo) plays with no options under apitrace's GLX
# wrapper on its own 800x600 X server (so the fullscreen mode change succeeds
# and no box is asked), for as long as FRAMES (30) take under tracing; then
# the trace is dumped and cut after the FRAMES-th buffer swap. Two builds
# whose listings are equal make the same GL calls in the same order.
set -eu
BIN=$(realpath "${1:-build/kv2007demo}")
FRAMES=${2:-30}
cd "$(dirname "$0")/.."
tools/setup.sh apitrace apitrace-tracers >&2  # the listing alone on stdout
TRACE=$(mktemp -d)/run.trace
trap 'rm -rf "$(dirname "$TRACE")"' EXIT
WRAPPER=$(dpkg -L apitrace-tracers | grep -m1 'wrappers/glxtrace.so$')
# Tracing copies every client-side array: a frame takes about a third of a
# second, so FRAMES/2 seconds leave room on a loaded machine.
LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy \
    xvfb-run -a -s "-screen 0 800x600x24" sh -c \
    "LD_PRELOAD='$WRAPPER' TRACE_FILE='$TRACE' '$BIN' & pid=\$!; sleep $((FRAMES / 2 + 5)); kill -INT \$pid; wait \$pid" \
    >/dev/null 2>&1 || true
apitrace dump --color=never "$TRACE" 2>/dev/null | python3 -c '
import re, sys
frames, swaps = int(sys.argv[1]), 0
for line in sys.stdin.buffer:
    call = re.match(rb"^\d+ (\w+)\(", line)
    if not call: continue
    print(call.group(1).decode())
    swaps += b"SwapBuffers" in call.group(1)
    if swaps == frames: break
' "$FRAMES"
