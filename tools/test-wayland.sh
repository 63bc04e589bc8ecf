#!/bin/sh
# Builds the demo and runs the cases of label "wayland": the real binary on
# SDL's Wayland driver under sway's headless backend and under weston nested
# in an Xvfb, compositors the tests start themselves. Installs what those need
# (sway, weston, grim for screenshots, wtype for keys). Runs as root too: the
# tests start sway as an unprivileged user then. Extra arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh sway weston grim wtype
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
exec ctest --test-dir build --output-on-failure --timeout 600 -L wayland "$@"
