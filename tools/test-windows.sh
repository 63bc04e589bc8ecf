#!/bin/sh
# Builds the Windows zip, unpacks it and plays it under Wine on the tests' own
# X servers: the ctest cases labelled "windows". The Wine prefix is made once
# per Wine version and kept in the cache outside the clone. Extra arguments
# go to ctest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh wine wine64
tools/build-windows.sh

PACKAGE_ROOT=$PWD/build-windows/unpacked
rm -rf "$PACKAGE_ROOT"
unzip -q dist/kv2007demo-windows-x64.zip -d "$PACKAGE_ROOT"
export KV2007_WINDOWS_PACKAGE="$PACKAGE_ROOT/kv2007demo-windows-x64"

# Mono and Gecko are never offered, so wineboot asks nothing. The prefix is
# kept outside the clone, one per Wine version; it counts as made only once
# its marker is written last, so a prefix left half-made is made again.
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/kv2007demo
export WINEPREFIX="$CACHE/wineprefix-$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' _)"
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/.prepared" ]; then
    echo "test-windows: preparing the Wine prefix"
    rm -rf "$WINEPREFIX"
    mkdir -p "$CACHE"
    xvfb-run -a sh -c 'wineboot -i && wineserver -w'
    touch "$WINEPREFIX/.prepared"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target windows_tests
exec ctest --test-dir build -L windows --output-on-failure "$@"
