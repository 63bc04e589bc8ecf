#!/bin/sh
# Builds the demo and plays it from the project root, where it finds data/.
# Arguments go to the demo (e.g. tools/run.sh --windowed --start 1:20).
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target kv2007demo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display found (DISPLAY is not set); the demo needs a screen." >&2
    echo "run: to play it headless, e.g. for a check:" >&2
    echo "       xvfb-run -a -s '-screen 0 800x600x24' build/kv2007demo" >&2
    exit 1
fi
exec build/kv2007demo "$@"
