# Sourced by tools/build-windows.sh and tools/build-web.sh: the Debian source
# packages both builds compile their libraries from, pinned by SHA-256, the
# recipes and the build loop the two share, and the cache of built libraries
# outside the clone that both keep their prefixes in.
# The caller defines log(), TOOLCHAIN, WORK, ROOT, LIBRARIES (a build_NAME
# recipe for each, its own or the kit's: build_kissfft, build_cli11),
# KISSFFT_STATIC (ON or OFF), and three functions of its target:
# target_cmake_flags (CMake flags every library gets, one a line),
# target_environment (exports what finds $PREFIX) and toolchain_versions
# (its compilers' and tools' versions). It may set JOBS and RECIPE_VARIABLES
# (the names of further variables its recipes read).

JOBS=${JOBS:-2}
CACHE_ROOT=${XDG_CACHE_HOME:-$HOME/.cache}/kv2007demo
SOURCES=$CACHE_ROOT/sources   # the fetched source package files, checked on every use

# Every source file used, with the SHA-256 it must have. Files the mirror does
# not serve are absent: DevIL's .dsc and Debian tarball (the orig tarball is
# unpacked as it is), libepoxy's Debian tarball, mpg123's upstream signature.
PINNED="
95b9a18130d98164e7856eca8ac1a2eb65d822ac4872ef8862ceed2cb1662136 libsdl2_2.26.5+dfsg-1.dsc
b3f2c822151804125d08db94c65852f711c2e5df2145a59da120748dc32eb9c3 libsdl2_2.26.5+dfsg.orig.tar.gz
45a0454e18b1bea85960d090e691c39216442610e600a6aec7cc99de525f4158 libsdl2_2.26.5+dfsg-1.debian.tar.xz
a7ced37f4102b745ac86d6a70a9da399cc139ff168ba6b8002b4d8d43c900c15 libepoxy_1.5.10.orig.tar.gz
a67b2daf33ecf2d2a720e0cd721ac44828f1edee644abac34d8022819abbbb1a mpg123_1.31.2-1+deb12u1.dsc
b17f22905e31f43b6b401dfdf6a71ed11bb7d056f68db449d70b9f9ae839c7de mpg123_1.31.2.orig.tar.bz2
9fc7eeeb4be67525fb7901022955b646832f095499612672ad7c24a1b3303599 mpg123_1.31.2-1+deb12u1.debian.tar.xz
f1127030755a796521f8f0977f448a5c450d00e743cf316333c3bc860e137eb2 kissfft_131.1.0-4.1~deb12u1.dsc
76c1aac87ddb7258f34b08a13f0eebf9e53afa299857568346aa5c82bcafaf1a kissfft_131.1.0.orig.tar.gz
bf7fe2596084b0a8b7e0486d9947cfd3216c4dac37924f266524ffae1de107e9 kissfft_131.1.0-4.1~deb12u1.debian.tar.xz
3fa1e6b2fc525062aa88207dda52fed8e045373c809d362fe8a2bfbf7cf515a8 zlib_1.2.13.dfsg-1.dsc
71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1 zlib_1.2.13.dfsg.orig.tar.bz2
f66cf3d4f2d7defcd4d1fd1fb0a11ee39f1e01b42ec7d059c9dc5c1695133c44 zlib_1.2.13.dfsg-1.debian.tar.xz
7b86211030a34deb6b0a2cd7e1d9db0fe92443fd30cab537fb89b1e7f7c9f188 libpng1.6_1.6.39-2+deb12u5.dsc
a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441 libpng1.6_1.6.39.orig.tar.gz
ab14906eda9fddf14cbb1e589b9ba7439c22e233dc3c5e3cf9356c9625565a82 libpng1.6_1.6.39-2+deb12u5.debian.tar.xz
d718ead0dfbcbc8523665c02a7f7152e31039ded641d022868722623bb3b486d libjpeg-turbo_2.1.5-2.dsc
254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c libjpeg-turbo_2.1.5.orig.tar.gz
cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237 libjpeg-turbo_2.1.5-2.debian.tar.xz
6ab7b58567278dd038da3ba129b969958c93174a0af473962b6a3567d45260f8 devil_1.8.0.40.g6f3d5e9b+dfsg.orig.tar.xz
"
# Source package versions as apt-get source names them. DevIL is taken from
# unstable whatever its Debian revision: only its upstream tarball is used.
PACKAGES="libsdl2=2.26.5+dfsg-1 libepoxy=1.5.10-1 mpg123=1.31.2-1+deb12u1
  kissfft=131.1.0-4.1~deb12u1 zlib=1:1.2.13.dfsg-1 libpng1.6=1.6.39-2+deb12u5
  libjpeg-turbo=1:2.1.5-2 devil/sid"

# ---- fetching -------------------------------------------------------------

# A private apt configuration: its own deb-src lists, cache and state, so the
# system's apt sources and lists are never read or changed. DevIL 1.8.0 is
# only in unstable.
write_apt_config() {
    local apt=$CACHE_ROOT/apt
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$apt/preferences.d"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    local mirror=http://deb.debian.org/debian
    printf 'deb-src [signed-by=%s] %s %s main\n' \
        "$keyring" "$mirror" bookworm "$keyring" "$mirror" sid >"$apt/sources.list"
    cat >"$apt/apt.conf" <<EOF
Dir::Etc::sourcelist "$apt/sources.list";
Dir::Etc::sourceparts "$apt/sources.list.d";
Dir::Etc::preferencesparts "$apt/preferences.d";
Dir::State::lists "$apt/lists";
Dir::Cache "$apt/cache";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
APT::Sandbox::User "root";
EOF
}

pinned_files_present() {
    (cd "$SOURCES" && echo "$PINNED" | grep . | sha256sum --check --quiet --status)
}

# apt-get source reports the files the mirror does not serve as failures but
# keeps the others; the pinned hashes decide whether everything needed came.
fetch_sources() {
    mkdir -p "$SOURCES"
    pinned_files_present 2>/dev/null && return 0
    log "fetching the source packages"
    write_apt_config
    local package
    (
        export APT_CONFIG=$CACHE_ROOT/apt/apt.conf
        apt-get update -qq
        for package in $PACKAGES; do
            (cd "$SOURCES" && apt-get source --download-only -qq "$package" 2>/dev/null) || true
        done
    )
    (cd "$SOURCES" && echo "$PINNED" | grep . | sha256sum --check --quiet) || {
        log "a source file is missing or differs from its pinned SHA-256"; exit 1; }
}

# ---- unpacking --------------------------------------------------------------

# Unpacks a source package into $UNPACKED/NAME with its Debian patches applied.
# The signature is not checked: the pinned hashes already fix every byte.
unpack_dsc() {
    local name=$1 dsc=$2
    rm -rf "${UNPACKED:?}/$name"
    mkdir -p "$UNPACKED"
    (cd "$UNPACKED" && dpkg-source --no-check -x "$SOURCES/$dsc" "$name" >/dev/null)
}

# Unpacks an upstream tarball whose single top directory becomes $UNPACKED/NAME.
unpack_orig() {
    local name=$1 tarball=$2
    rm -rf "${UNPACKED:?}/$name"
    mkdir -p "$UNPACKED/$name"
    tar -C "$UNPACKED/$name" --strip-components=1 -xf "$SOURCES/$tarball"
}

# Each unpacked library's licence text, under the name the packages ship it as.
copy_library_licences() {
    local dir=$1
    mkdir -p "$dir"
    [ -d "$UNPACKED/libsdl2" ] && cp "$UNPACKED/libsdl2/LICENSE.txt" "$dir/SDL2.txt"
    [ -d "$UNPACKED/libepoxy" ] && cp "$UNPACKED/libepoxy/COPYING" "$dir/libepoxy.txt"
    [ -d "$UNPACKED/mpg123" ] && cp "$UNPACKED/mpg123/COPYING" "$dir/mpg123.txt"
    [ -d "$UNPACKED/kissfft" ] &&
        cat "$UNPACKED/kissfft/COPYING" "$UNPACKED/kissfft/LICENSES/BSD-3-Clause" >"$dir/kissfft.txt"
    [ -d "$UNPACKED/zlib" ] && cp "$UNPACKED/zlib/debian/copyright" "$dir/zlib.txt"
    [ -d "$UNPACKED/libpng" ] && cp "$UNPACKED/libpng/LICENSE" "$dir/libpng.txt"
    [ -d "$UNPACKED/libjpeg-turbo" ] && cp "$UNPACKED/libjpeg-turbo/LICENSE.md" "$dir/libjpeg-turbo.txt"
    [ -d "$UNPACKED/devil" ] && cp "$UNPACKED/devil/DevIL/COPYING" "$dir/DevIL.txt"
    return 0
}

# ---- building ---------------------------------------------------------------

# Runs a command with its output added to LOG; a failure shows the end of
# LOG and ends the build.
logged() {
    local log=$1
    shift
    "$@" >>"$log" 2>&1 || { tail -30 "$log"; exit 1; }
}

# Configures, builds and installs one CMake project from SOURCE in the fresh
# folder BUILD into $PREFIX, with $TOOLCHAIN, the target's flags and FLAGS.
cmake_library() {
    local source=$1 build=$2 target
    shift 2
    mapfile -t target < <(target_cmake_flags)
    rm -rf "$build" "$build.log"
    mkdir -p "$(dirname "$build")"
    logged "$build.log" cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_PREFIX_PATH="$PREFIX" "${target[@]}" "$@"
    logged "$build.log" cmake --build "$build" -j "$JOBS"
    logged "$build.log" cmake --install "$build"
}

# kissfft installs under / unless its install directories are given.
build_kissfft() {
    unpack_dsc kissfft kissfft_131.1.0-4.1~deb12u1.dsc
    cmake_library "$UNPACKED/kissfft" "$DEPS/kissfft" \
        -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC="$KISSFFT_STATIC" -DKISSFFT_TEST=OFF \
        -DKISSFFT_TOOLS=OFF -DKISSFFT_PKGCONFIG=ON -DKISSFFT_OPENMP=OFF -DCMAKE_INSTALL_LIBDIR=lib \
        -DCMAKE_INSTALL_INCLUDEDIR=include -DCMAKE_INSTALL_BINDIR=bin
}

# CLI11 is header-only: Debian's headers serve every target as they are.
build_cli11() {
    mkdir -p "$PREFIX/include"
    cp -r /usr/include/CLI "$PREFIX/include/"
}

# Makes the builds that follow find their libraries in DIR alone.
use_prefix() {
    PREFIX=$1
    export PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig:$PREFIX/share/pkgconfig
    export PKG_CONFIG_PATH=
    target_environment
}

# Each library of $LIBRARIES, one after the other, into $PREFIX; the
# licences into $LICENCES.
build_libraries() {
    use_prefix "$PREFIX"
    local name started
    for name in $LIBRARIES; do
        log "building $name"
        started=$SECONDS
        "build_$name"
        log "$name built in $((SECONDS - started)) s"
    done
    copy_library_licences "$LICENCES"
}

# What the built libraries depend on besides the pinned sources: the
# toolchain file, the tools' versions, the values the recipes read and the
# code that unpacks, builds and installs them. Nothing of the demo's own
# build or packaging is in it, so changing those rebuilds no library.
library_cache_inputs() {
    cat "$TOOLCHAIN"
    cmake --version | head -1
    ninja --version
    toolchain_versions
    declare -p LIBRARIES KISSFFT_STATIC ${RECIPE_VARIABLES:-}
    declare -f unpack_dsc unpack_orig copy_library_licences logged cmake_library use_prefix \
        build_libraries target_cmake_flags target_environment $(printf 'build_%s ' $LIBRARIES)
}

# ---- the library cache ------------------------------------------------------

# The cache key of a set of libraries: the pinned hashes plus whatever else
# the caller passes on stdin (its toolchain file, compiler versions, recipes).
cache_key() {
    { echo "$PINNED"; cat; } | sha256sum | cut -c1-16
}

# Makes $LIBS the cached build of KIND's libraries under KEY, building them
# first with BUILDER when no complete build of that key is there. BUILDER runs
# with PREFIX (install there), UNPACKED and DEPS (scratch folders) and
# LICENCES (copy every licence there) in a temporary folder that is renamed
# once everything is in: a run that stops half way leaves no folder under the
# final name. The key is written inside as well, and a folder whose key file
# differs is rebuilt too. Builds of KIND under other keys (another branch's
# recipes) stay until they have gone unused for 30 days.
use_library_cache() {
    local kind=$1 key=$2 builder=$3
    LIBS=$CACHE_ROOT/$kind-$key
    mkdir -p "$CACHE_ROOT"
    exec 9>"$CACHE_ROOT/$kind.lock"
    flock 9
    # Every build of KIND holds the lock: a partial folder is a stopped run's.
    rm -rf "$CACHE_ROOT/.partial-$kind-"*
    if [ -f "$LIBS/key" ] && [ "$(cat "$LIBS/key")" = "$key" ]; then
        log "libraries from the cache: $LIBS"
        touch "$LIBS/key"
        exec 9>&-
        return 0
    fi
    rm -rf "$LIBS"
    local temporary=$CACHE_ROOT/.partial-$kind-$key
    mkdir -p "$temporary/prefix"
    local started=$SECONDS
    PREFIX=$temporary/prefix UNPACKED=$temporary/src DEPS=$temporary/deps \
        LICENCES=$temporary/licences "$builder"
    rm -rf "$temporary/src" "$temporary/deps"
    # Configuration files (.pc, CMake packages, sdl2-config) name the prefix.
    grep -rlIF "$temporary" "$temporary" | while read -r file; do
        sed -i "s|$temporary|$LIBS|g" "$file"
    done
    echo "$key" >"$temporary/key"
    mv "$temporary" "$LIBS"
    find "$CACHE_ROOT" -mindepth 1 -maxdepth 1 -name "$kind-*" -mtime +30 -exec rm -rf {} +
    log "$kind libraries built in $((SECONDS - started)) s into $LIBS"
    exec 9>&-
}

# The CMake options that put ccache in front of the compilers, when it is there.
ccache_launchers() {
    command -v ccache >/dev/null &&
        echo "-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    return 0
}

# Fetches the sources, takes KIND's libraries from the cache (building them
# when they are not there) and makes the builds that follow use them.
use_libraries() {
    fetch_sources
    use_library_cache "$1" "$(library_cache_inputs | cache_key)" build_libraries
    use_prefix "$LIBS/prefix"
}

# ---- the demo -----------------------------------------------------------------

# The demo in $WORK/demo, configured once per library prefix with FLAGS after
# the toolchain's and rebuilt incrementally; TARGETS is a list.
build_demo() {
    local targets=$1 build=$WORK/demo
    shift
    if [ ! -f "$build/build.ninja" ] || [ "$(cat "$build/prefix" 2>/dev/null)" != "$PREFIX" ]; then
        rm -rf "$build" "$build.log"
        mkdir -p "$build"
        logged "$build.log" cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
            -DCMAKE_BUILD_TYPE=Release "$@" $(ccache_launchers)
        echo "$PREFIX" >"$build/prefix"
    fi
    log "building the demo"
    cmake --build "$build" -j "$JOBS" --target $targets
}

# Into DIR/licences: each library's licence text (kept with the cached
# libraries) and CLI11's.
copy_bundled_licences() {
    local dir=$1/licences
    mkdir -p "$dir"
    cp "$LIBS/licences/"* "$dir/"
    cp /usr/share/doc/libcli11-dev/copyright "$dir/CLI11.txt"
}
