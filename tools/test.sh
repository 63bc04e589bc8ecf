#!/bin/sh
# Builds the demo and runs every test headless: its own X server (Xvfb,
# 1024x768 at 24 bits), Mesa's llvmpipe for OpenGL, SDL's dummy audio driver.
# Extra arguments go to ctest: -L unit runs only the fast tests that need no
# display and no audio device (the labels unit, gl, audio and e2e are described
# in tests/CMakeLists.txt); -R Window picks tests by name. The Windows
# package's cases (label "windows") belong to tools/test-windows.sh, the
# Wayland compositors' (label "wayland") to tools/test-wayland.sh, the browser
# build's (label "web") to tools/test-web.sh. Cases run one per core, so the
# three-minute whole-timeline runs overlap the rest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
exec xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir build --output-on-failure --timeout 600 -j "$(nproc)" -LE "windows|wayland|web" "$@"
