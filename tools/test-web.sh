#!/bin/sh
# Builds the browser build (tools/build-web.sh), puts its test link (GL
# emulation assertions on) beside the page in build-web/site/, installs
# Chromium and the pinned puppeteer-core (tests/web/package-lock.json), and
# runs the ctest cases labelled "web" on their own X server: the native frames
# they compare with are drawn there on llvmpipe. Extra arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh chromium nodejs
tools/build-web.sh
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)

SITE=$PWD/build-web/site
rm -rf "$SITE"
cp -r dist/web "$SITE"
cp build-web/test/kv2007demo.js build-web/test/kv2007demo.wasm build-web/test/kv2007demo.data "$SITE/"
export KV2007_WEB_SITE="$SITE"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target web_tests
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
exec xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir build -L web --output-on-failure "$@"
