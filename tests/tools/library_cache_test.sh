#!/bin/bash
# The library cache of tools/library-kit.sh with a stand-in builder in a
# cache folder of its own: built once and then reused; a stopped run's
# partial folder, a folder whose key file differs, and a failed build are
# never taken for a build; configuration files name the final folder. The
# key follows the library recipes and the code that builds them, and not the
# demo's own build.
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
# A stand-in target for the key: each change below is made in a subshell of
# its own, so the next starts from the same definitions.
TOOLCHAIN=/dev/null LIBRARIES="kissfft cli11" KISSFFT_STATIC=ON
toolchain_versions() { echo compiler 1; }
target_cmake_flags() { :; }
target_environment() { :; }
build_demo() { :; }
key=$(library_cache_inputs | cache_key)
key_after() { (eval "$1"; library_cache_inputs | cache_key); }
while IFS='|' read -r change rebuilds; do
    [ "$rebuilds" = yes ] && expected=changes || expected=stays
    [ "$(key_after "$change")" != "$key" ] && got=changes || got=stays
    check "the key $expected after: $change" [ "$got" = "$expected" ]
done <<'EOF'
build_demo() { echo other; }|no
copy_bundled_licences() { echo other; }|no
fetch_sources() { echo other; }|no
build_kissfft() { echo other; }|yes
KISSFFT_STATIC=OFF|yes
LIBRARIES=kissfft|yes
cmake_library() { echo other; }|yes
target_cmake_flags() { echo -DX=1; }|yes
toolchain_versions() { echo compiler 2; }|yes
unpack_dsc() { echo other; }|yes
EOF

[ "$failures" = 0 ] && echo "library cache: all cases pass"
exit "$failures"
