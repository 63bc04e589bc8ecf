#!/bin/sh
# The whole test suite under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, in its own build directory (build-sanitize/). Same X server,
# renderer and audio driver as tools/test.sh; extra arguments go to ctest. As
# there, the Windows package's cases (label "windows") are left out: they run
# the cross-built package under Wine, which tools/test-windows.sh prepares.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_SANITIZE=ON -DDEMO_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
# Mesa unloads its driver when a display closes; memory the driver still holds
# then looks leaked from an "unknown module". Keeping the driver loaded for the
# whole process lets LeakSanitizer see that memory as the driver's, reachable,
# so nothing needs suppressing for it (the preload needs the link-order check off).
DRI_DRIVER=$(dpkg -L libgl1-mesa-dri | grep '/swrast_dri\.so$' | head -n 1)
export LD_PRELOAD="$DRI_DRIVER"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_odr_violation=0:verify_asan_link_order=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp:print_suppressions=0"
exec xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir build-sanitize --output-on-failure --timeout 900 -LE windows "$@"
