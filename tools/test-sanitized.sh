#!/bin/sh
# The whole test suite under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, in its own build directory (build-sanitize/). Same X server,
# renderer and audio driver as tools/test.sh; extra arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_SANITIZE=ON -DDEMO_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_odr_violation=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp:print_suppressions=0"
exec xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir build-sanitize --output-on-failure --timeout 900 "$@"
