#!/bin/bash
# Cross-builds the demo for 64-bit Windows with Debian's mingw-w64 and writes
# dist/kv2007demo-windows-x64.zip. The libraries it needs are built from
# Debian's source packages, fetched with apt-get source and cached in build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
WORK=$ROOT/build-windows
PREFIX=$WORK/prefix        # the cross-built libraries, headers and .pc files
SOURCES=$WORK/sources      # the fetched source package files
UNPACKED=$WORK/src
STAMPS=$WORK/stamps        # one file per library built and installed
ZIP=$ROOT/dist/kv2007demo-windows-x64.zip
TRIPLET=x86_64-w64-mingw32
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
JOBS=${JOBS:-2}

tools/setup.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 nasm meson ninja-build dpkg-dev zip unzip libcli11-dev

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

log() { echo "build-windows: $*"; }

# ---- fetching -------------------------------------------------------------

# A private apt configuration: its own deb-src lists, cache and state, so the
# system's apt sources and lists are never read or changed. DevIL 1.8.0 is
# only in unstable.
write_apt_config() {
    local apt=$WORK/apt
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
    export APT_CONFIG=$WORK/apt/apt.conf
    apt-get update -qq
    local package
    for package in $PACKAGES; do
        (cd "$SOURCES" && apt-get source --download-only -qq "$package" 2>/dev/null) || true
    done
    unset APT_CONFIG
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

# ---- building -------------------------------------------------------------

cmake_cross() {
    local source=$1 build=$2
    shift 2
    rm -rf "$build"
    mkdir -p "$(dirname "$build")"
    cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_PREFIX_PATH="$PREFIX" "$@" >"$build.log" 2>&1 || {
        tail -30 "$build.log"; exit 1; }
    cmake --build "$build" -j "$JOBS" >>"$build.log" 2>&1 || { tail -30 "$build.log"; exit 1; }
    cmake --install "$build" >>"$build.log" 2>&1 || { tail -30 "$build.log"; exit 1; }
}

# zlib: the +dfsg tarball lacks the DLL's version resource, which zlib's CMake
# build compiles for mingw (and windres refuses a file without resources).
build_zlib() {
    unpack_dsc zlib zlib_1.2.13.dfsg-1.dsc
    mkdir -p "$UNPACKED/zlib/win32"
    [ -f "$UNPACKED/zlib/win32/zlib1.rc" ] || cat >"$UNPACKED/zlib/win32/zlib1.rc" <<'EOF'
1 VERSIONINFO
FILEVERSION 1,2,13,0
PRODUCTVERSION 1,2,13,0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "FileDescription", "zlib data compression library"
      VALUE "FileVersion", "1.2.13"
    END
  END
END
EOF
    cmake_cross "$UNPACKED/zlib" "$WORK/deps/zlib" -DINSTALL_PKGCONFIG_DIR="$PREFIX/lib/pkgconfig"
}

build_libpng() {
    unpack_dsc libpng libpng1.6_1.6.39-2+deb12u5.dsc
    cmake_cross "$UNPACKED/libpng" "$WORK/deps/libpng" \
        -DPNG_SHARED=ON -DPNG_STATIC=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$PREFIX"
}

build_libjpeg() {
    unpack_dsc libjpeg-turbo libjpeg-turbo_2.1.5-2.dsc
    cmake_cross "$UNPACKED/libjpeg-turbo" "$WORK/deps/libjpeg-turbo" \
        -DENABLE_STATIC=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_ASM_NASM_COMPILER=nasm
}

# DevIL 1.8.0 builds with mingw after its CMake files are told what the
# +dfsg tarball leaves out: GLUT (ILUT never calls it), the MSVC .def and .rc
# files, and libraries.txt (shipped as Libraries.txt). With the .def files gone
# the symbols are exported wholesale.
build_devil() {
    unpack_orig devil devil_1.8.0.40.g6f3d5e9b+dfsg.orig.tar.xz
    local devil=$UNPACKED/devil/DevIL
    sed -i -e '/find_package(GLUT REQUIRED)/d' -e 's/\${GLUT_LIBRARY}//' "$devil/src-ILUT/CMakeLists.txt"
    sed -i -e '/msvc\/[^ )]*\.def/d' -e '/msvc\/.*\.rc"/d' \
        "$devil/src-IL/CMakeLists.txt" "$devil/src-ILU/CMakeLists.txt" "$devil/src-ILUT/CMakeLists.txt"
    cp "$devil/Libraries.txt" "$devil/libraries.txt"
    cmake_cross "$devil" "$WORK/deps/devil" -DIL_TESTS=OFF \
        -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--export-all-symbols
    install -m 644 "$devil/include/IL/ilut_config.h" "$PREFIX/include/IL/"
}

build_sdl2() {
    unpack_dsc libsdl2 libsdl2_2.26.5+dfsg-1.dsc
    cmake_cross "$UNPACKED/libsdl2" "$WORK/deps/libsdl2" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
}

# libepoxy builds with meson only; its cross file names the same toolchain.
build_libepoxy() {
    unpack_orig libepoxy libepoxy_1.5.10.orig.tar.gz
    local cross=$WORK/deps/meson-cross.txt build=$WORK/deps/libepoxy
    mkdir -p "$WORK/deps"
    cat >"$cross" <<EOF
[binaries]
c = '$TRIPLET-gcc-posix'
cpp = '$TRIPLET-g++-posix'
ar = '$TRIPLET-ar'
strip = '$TRIPLET-strip'
windres = '$TRIPLET-windres'
pkgconfig = 'pkg-config'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
    rm -rf "$build"
    mkdir -p "$(dirname "$build")"
    {
        meson setup "$build" "$UNPACKED/libepoxy" --cross-file "$cross" --prefix "$PREFIX" \
            --libdir lib --buildtype release -Dtests=false -Ddocs=false -Degl=no -Dglx=no -Dx11=false &&
        ninja -C "$build" -j "$JOBS" && ninja -C "$build" install
    } >"$build.log" 2>&1 || { tail -30 "$build.log"; exit 1; }
}

# Only the decoder library: no player, no output modules.
build_mpg123() {
    unpack_dsc mpg123 mpg123_1.31.2-1+deb12u1.dsc
    local build=$WORK/deps/mpg123
    rm -rf "$build"
    mkdir -p "$(dirname "$build")"
    mkdir -p "$build"
    (cd "$build" && "$UNPACKED/mpg123/configure" --host=$TRIPLET --prefix="$PREFIX" \
        CC=$TRIPLET-gcc-posix --enable-shared --disable-static \
        --disable-components --enable-libmpg123 &&
        make -j "$JOBS" && make install) >"$build.log" 2>&1 || { tail -30 "$build.log"; exit 1; }
}

# kissfft installs under / unless its install directories are given.
build_kissfft() {
    unpack_dsc kissfft kissfft_131.1.0-4.1~deb12u1.dsc
    cmake_cross "$UNPACKED/kissfft" "$WORK/deps/kissfft" \
        -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=OFF -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF \
        -DKISSFFT_PKGCONFIG=ON -DKISSFFT_OPENMP=OFF -DCMAKE_INSTALL_LIBDIR=lib \
        -DCMAKE_INSTALL_INCLUDEDIR=include -DCMAKE_INSTALL_BINDIR=bin
}

# CLI11 is header-only: Debian's headers serve the cross build as they are.
build_cli11() {
    mkdir -p "$PREFIX/include"
    cp -r /usr/include/CLI "$PREFIX/include/"
}

# Runs build_NAME once; later runs find its stamp and skip it.
build_once() {
    local name=$1
    [ -f "$STAMPS/$name" ] && return 0
    log "building $name"
    local started=$SECONDS
    "build_$name"
    mkdir -p "$STAMPS"
    touch "$STAMPS/$name"
    log "$name built in $((SECONDS - started)) s"
}

build_libraries() {
    mkdir -p "$PREFIX"
    local name
    for name in zlib libpng libjpeg devil sdl2 libepoxy mpg123 kissfft cli11; do build_once "$name"; done
}

# The demo itself, configured once and rebuilt incrementally.
build_demo() {
    local build=$WORK/demo
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
            -DCMAKE_BUILD_TYPE=Release >"$build.log" 2>&1 || {
            tail -30 "$build.log"; exit 1; }
    fi
    log "building the demo"
    cmake --build "$build" -j "$JOBS" --target kv2007demo
}

# ---- packaging ------------------------------------------------------------

# The DLLs an executable or DLL imports, by name, as its import table lists them.
imported_dlls() {
    $TRIPLET-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'
}

# Where a DLL the package must carry lives: built here, or the mingw runtime.
# Nothing is printed for the DLLs that come with Windows.
bundled_dll_path() {
    local dir
    for dir in "$PREFIX/bin" /usr/lib/gcc/$TRIPLET/*-posix /usr/$TRIPLET/lib; do
        [ -f "$dir/$1" ] && { echo "$dir/$1"; return; }
    done
    return 0
}

# Copies into DIR every DLL that FILE needs, and the DLLs those need in turn.
copy_needed_dlls() {
    local file=$1 dir=$2 dll path
    for dll in $(imported_dlls "$file"); do
        [ -f "$dir/$dll" ] && continue
        path=$(bundled_dll_path "$dll")
        [ -n "$path" ] || continue
        cp "$path" "$dir/$dll"
        copy_needed_dlls "$dir/$dll" "$dir"
    done
}

# The licence texts: each library's own, plus the mingw runtime's and the
# Debian copyright file that covers each source package.
copy_licences() {
    local dir=$1/licences
    mkdir -p "$dir"
    cp "$UNPACKED/libsdl2/LICENSE.txt" "$dir/SDL2.txt"
    cp "$UNPACKED/libepoxy/COPYING" "$dir/libepoxy.txt"
    cp "$UNPACKED/mpg123/COPYING" "$dir/mpg123.txt"
    cat "$UNPACKED/kissfft/COPYING" "$UNPACKED/kissfft/LICENSES/BSD-3-Clause" >"$dir/kissfft.txt"
    cp "$UNPACKED/zlib/debian/copyright" "$dir/zlib.txt"
    cp "$UNPACKED/libpng/LICENSE" "$dir/libpng.txt"
    cp "$UNPACKED/libjpeg-turbo/LICENSE.md" "$dir/libjpeg-turbo.txt"
    cp "$UNPACKED/devil/DevIL/COPYING" "$dir/DevIL.txt"
    cp /usr/share/doc/libcli11-dev/copyright "$dir/CLI11.txt"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$dir/mingw-w64-gcc-runtime.txt"
    cp /usr/share/doc/mingw-w64-common/copyright "$dir/mingw-w64-winpthreads.txt"
}

package_zip() {
    local stage=$WORK/package/kv2007demo-windows-x64
    rm -rf "$WORK/package"
    mkdir -p "$stage"
    cp "$WORK/demo/kv2007demo.exe" "$stage/"
    copy_needed_dlls "$stage/kv2007demo.exe" "$stage"
    $TRIPLET-strip --strip-unneeded "$stage"/*.dll "$stage/kv2007demo.exe"
    cp -r "$ROOT/data" "$stage/data"
    sed 's/$/\r/' "$ROOT/tools/windows/README.txt" >"$stage/README.txt"
    copy_licences "$stage"
    mkdir -p "$(dirname "$ZIP")"
    rm -f "$ZIP"
    (cd "$WORK/package" && zip -q -r -9 "$ZIP" kv2007demo-windows-x64)
    log "wrote $ZIP ($(du -k "$ZIP" | cut -f1) KiB)"
}

# Every cross build finds its libraries in the prefix alone (see the toolchain file).
export WINDOWS_DEPS_PREFIX=$PREFIX
export PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig:$PREFIX/share/pkgconfig
export PKG_CONFIG_PATH=

fetch_sources
build_libraries
build_demo
package_zip
