#!/bin/sh
# Builds the browser build (tools/build-web.sh), puts its test link (GL
# emulation assertions on) beside the page in build-web/site/, installs the
# three engines (Chromium, Firefox ESR, WebKitGTK's MiniBrowser with
# WebKitWebDriver, which ships in libwebkit2gtk-4.1-0) and the pinned
# puppeteer-core (tests/web/package-lock.json; it never downloads a browser),
# and runs the ctest cases labelled "web", two at a time, on an X server for
# the native frames they compare with (drawn there on llvmpipe); the headful
# engines start X servers of their own. Extra arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh chromium nodejs firefox-esr webkit2gtk-driver libwebkit2gtk-4.1-0
tools/build-web.sh
(cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)

SITE=$PWD/build-web/site
rm -rf "$SITE"
cp -r dist/web "$SITE"
cp build-web/test/kv2007demo.js build-web/test/kv2007demo.wasm build-web/test/kv2007demo.data "$SITE/"
export KV2007_WEB_SITE="$SITE"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target web_tests
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy
exec xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir build -L web -j 2 --output-on-failure "$@"
