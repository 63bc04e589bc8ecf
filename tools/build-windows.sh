#!/bin/bash
# Cross-builds the demo for 64-bit Windows with Debian's mingw-w64 and writes
# dist/kv2007demo-windows-x64.zip. The libraries it needs are built from the
# pinned Debian source packages of tools/library-kit.sh and kept in its
# cache outside the clone; the demo is built in build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
WORK=$ROOT/build-windows
ZIP=$ROOT/dist/kv2007demo-windows-x64.zip
TRIPLET=x86_64-w64-mingw32
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake

tools/setup.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 nasm meson ninja-build dpkg-dev zip unzip libcli11-dev

. tools/library-kit.sh

log() { echo "build-windows: $*"; }

# ---- building -------------------------------------------------------------

# The toolchain file finds libraries only in the mingw sysroot and in the
# prefix this names, so CMake needs no flags of the target's own.
target_environment() { export WINDOWS_DEPS_PREFIX=$PREFIX; }
target_cmake_flags() { :; }
toolchain_versions() {
    $TRIPLET-gcc-posix --version | head -1
    $TRIPLET-g++-posix --version | head -1
    nasm --version
    meson --version
}
RECIPE_VARIABLES=TRIPLET

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
    cmake_library "$UNPACKED/zlib" "$DEPS/zlib" -DINSTALL_PKGCONFIG_DIR="$PREFIX/lib/pkgconfig"
}

build_libpng() {
    unpack_dsc libpng libpng1.6_1.6.39-2+deb12u5.dsc
    cmake_library "$UNPACKED/libpng" "$DEPS/libpng" \
        -DPNG_SHARED=ON -DPNG_STATIC=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$PREFIX"
}

build_libjpeg() {
    unpack_dsc libjpeg-turbo libjpeg-turbo_2.1.5-2.dsc
    cmake_library "$UNPACKED/libjpeg-turbo" "$DEPS/libjpeg-turbo" \
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
    cmake_library "$devil" "$DEPS/devil" -DIL_TESTS=OFF \
        -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--export-all-symbols
    install -m 644 "$devil/include/IL/ilut_config.h" "$PREFIX/include/IL/"
}

build_sdl2() {
    unpack_dsc libsdl2 libsdl2_2.26.5+dfsg-1.dsc
    cmake_library "$UNPACKED/libsdl2" "$DEPS/libsdl2" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
}

# libepoxy builds with meson only; its cross file names the same toolchain.
build_libepoxy() {
    unpack_orig libepoxy libepoxy_1.5.10.orig.tar.gz
    local cross=$DEPS/meson-cross.txt build=$DEPS/libepoxy
    mkdir -p "$DEPS"
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
    local build=$DEPS/mpg123
    rm -rf "$build"
    mkdir -p "$(dirname "$build")"
    mkdir -p "$build"
    (cd "$build" && "$UNPACKED/mpg123/configure" --host=$TRIPLET --prefix="$PREFIX" \
        CC=$TRIPLET-gcc-posix --enable-shared --disable-static \
        --disable-components --enable-libmpg123 &&
        make -j "$JOBS" && make install) >"$build.log" 2>&1 || { tail -30 "$build.log"; exit 1; }
}

# The recipes above and the kit's, in build order.
LIBRARIES="zlib libpng libjpeg devil sdl2 libepoxy mpg123 kissfft cli11"
KISSFFT_STATIC=OFF

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

# The licence texts: each library's own (kept with the cached libraries),
# plus CLI11's and the mingw runtime's.
copy_licences() {
    local dir=$1/licences
    copy_bundled_licences "$1"
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

use_libraries windows
build_demo kv2007demo
package_zip
