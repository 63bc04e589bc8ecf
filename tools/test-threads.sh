#!/bin/sh
# The tests labelled audio (see tests/CMakeLists.txt) under ThreadSanitizer, in
# their own build directory (build-tsan/): the device callback, the stream's
# decoder thread and the frame loop share the decoded ring. A new audio test
# is picked up by its label. Extra arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_BENCH=OFF \
    -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build-tsan -j "$(nproc)" --target audio_tests
export SDL_AUDIODRIVER=dummy TSAN_OPTIONS="halt_on_error=1"
exec ctest --test-dir build-tsan --output-on-failure --timeout 900 -L audio "$@"
