#!/bin/bash
# The library cache of tools/library-kit.sh with a stand-in builder in a
# cache folder of its own: built once and then reused; a stopped run's
# partial folder, a folder whose key file differs, and a failed build are
# never taken for a build; configuration files name the final folder.
set -u
. "$1/tools/library-kit.sh"
export XDG_CACHE_HOME=$(mktemp -d)
CACHE_ROOT=$XDG_CACHE_HOME/kv2007demo
trap 'rm -rf "$XDG_CACHE_HOME"' EXIT
log() { :; }
failures=0
check() { "${@:2}" || { echo "FAIL: $1"; failures=$((failures + 1)); }; }

builds=0
builder() {
    builds=$((builds + 1))
    mkdir -p "$PREFIX/lib/pkgconfig" "$LICENCES" "$DEPS"
    echo "prefix=$PREFIX" >"$PREFIX/lib/pkgconfig/x.pc"
    [ -z "${FAIL_BUILD:-}" ] || return 1
}
cached() { use_library_cache kind "$1" builder; }

cached k1
check "a missing cache is built" [ "$builds" = 1 ]
check "the .pc file names the final folder" grep -qx "prefix=$CACHE_ROOT/kind-k1/prefix" "$LIBS/prefix/lib/pkgconfig/x.pc"
check "nothing partial is left" [ -z "$(ls -A "$CACHE_ROOT" | grep partial)" ]
cached k1
check "a complete cache is reused" [ "$builds" = 1 ]

mkdir -p "$CACHE_ROOT/.partial-kind-k2/prefix"
cached k2
check "a stopped run's partial folder is not reused" [ "$builds" = 2 ]
check "another key's build stays" [ -f "$CACHE_ROOT/kind-k1/key" ]

echo other >"$CACHE_ROOT/kind-k2/key"
cached k2
check "a folder whose key file differs is rebuilt" [ "$builds" = 3 ]

# The build scripts run under set -e: the failing step ends the run there.
(set -e; FAIL_BUILD=1 cached k3) 2>/dev/null
check "a failed build leaves no folder under the final name" [ ! -e "$CACHE_ROOT/kind-k3" ]
cached k3
check "and is built again next time" [ "$builds" = 4 ]
[ "$failures" = 0 ] && echo "library cache: all cases pass"
exit "$failures"
