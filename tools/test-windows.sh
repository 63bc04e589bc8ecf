#!/bin/sh
# Builds the Windows zip, unpacks it and plays it under Wine on the tests' own
# X servers: the ctest cases labelled "windows". The Wine prefix is made once
# and kept in build-windows/. Extra arguments go to ctest.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh wine wine64
tools/build-windows.sh

PACKAGE_ROOT=$PWD/build-windows/unpacked
rm -rf "$PACKAGE_ROOT"
unzip -q dist/kv2007demo-windows-x64.zip -d "$PACKAGE_ROOT"
export KV2007_WINDOWS_PACKAGE="$PACKAGE_ROOT/kv2007demo-windows-x64"

# Mono and Gecko are never offered, so wineboot asks nothing.
export WINEPREFIX="$PWD/build-windows/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/.prepared" ]; then
    echo "test-windows: preparing the Wine prefix"
    rm -rf "$WINEPREFIX"
    xvfb-run -a sh -c 'wineboot -i && wineserver -w'
    touch "$WINEPREFIX/.prepared"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target windows_tests
exec ctest --test-dir build -L windows --output-on-failure "$@"
