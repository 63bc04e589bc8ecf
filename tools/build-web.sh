#!/bin/bash
# Builds the demo for a browser tab with Debian's emscripten (WebAssembly and
# WebGL 2) and writes dist/web/ and dist/kv2007demo-web.zip. The libraries are
# compiled from the pinned Debian sources of tools/library-kit.sh and kept
# in its cache outside the clone; the demo is built in build-web/, with a
# second link for the browser tests in build-web/test/ (emulation assertions on).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
WORK=$ROOT/build-web
OUT=$ROOT/dist/web
ZIP=$ROOT/dist/kv2007demo-web.zip

tools/setup.sh emscripten nodejs dpkg-dev zip unzip libcli11-dev ninja-build

# Debian's emscripten finds acorn and the other node modules of its
# optimiser only through NODE_PATH, and runs its tools with this python.
export NODE_PATH=/usr/share/nodejs EMSDK_PYTHON=/usr/bin/python3
TOOLCHAIN=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake

. tools/library-kit.sh

log() { echo "build-web: $*"; }

# ---- the libraries ------------------------------------------------------------
# All static, without emscripten's ports (they download), without threads
# (a page served with no special headers has none).

# Emscripten's toolchain file finds libraries only below its find root path.
target_cmake_flags() {
    echo "-DCMAKE_FIND_ROOT_PATH=$PREFIX"
    echo -DBUILD_SHARED_LIBS=OFF
}
target_environment() { :; }
toolchain_versions() {
    emcc --version | head -1
    "$(em-config LLVM_ROOT)/clang" --version | head -1
}

# zlib's own CMake build fails under emscripten: its sources are compiled
# directly into libz.a, with the .pc file libpng and DevIL look for.
build_zlib() {
    unpack_dsc zlib zlib_1.2.13.dfsg-1.dsc
    local source=$UNPACKED/zlib build=$DEPS/zlib file
    mkdir -p "$build" "$PREFIX/lib/pkgconfig" "$PREFIX/include"
    for file in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast \
                inflate inftrees trees uncompr zutil; do
        emcc -O2 -DHAVE_UNISTD_H -DHAVE_STDARG_H -c "$source/$file.c" -o "$build/$file.o"
    done
    emar rcs "$PREFIX/lib/libz.a" "$build"/*.o
    cp "$source/zlib.h" "$source/zconf.h" "$PREFIX/include/"
    cat >"$PREFIX/lib/pkgconfig/zlib.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: zlib
Description: zlib compression library
Version: 1.2.13
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
}

build_libpng() {
    unpack_dsc libpng libpng1.6_1.6.39-2+deb12u5.dsc
    cmake_library "$UNPACKED/libpng" "$DEPS/libpng" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
        -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
        -DZLIB_LIBRARY="$PREFIX/lib/libz.a" -DZLIB_INCLUDE_DIR="$PREFIX/include"
}

# No SIMD (no wasm SIMD here), and size_t's width given: the probe cannot run wasm.
build_libjpeg() {
    unpack_dsc libjpeg-turbo libjpeg-turbo_2.1.5-2.dsc
    cmake_library "$UNPACKED/libjpeg-turbo" "$DEPS/libjpeg-turbo" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DSIZE_T=4
}

# IL and ILU only: ILUT's OpenGL helper does not build for emscripten, and
# the web build uploads what IL decoded itself (resources/textures.cpp).
# CMake's endianness probe cannot run wasm, so its answer is given.
build_devil() {
    unpack_orig devil devil_1.8.0.40.g6f3d5e9b+dfsg.orig.tar.xz
    local devil=$UNPACKED/devil/DevIL
    sed -i '/add_subdirectory(src-ILUT)/d' "$devil/CMakeLists.txt"
    cp "$devil/Libraries.txt" "$devil/libraries.txt"
    cmake_library "$devil" "$DEPS/devil" -DIL_TESTS=OFF -DHAVE_is_big=TRUE -Dis_big=0 \
        -DPNG_PNG_INCLUDE_DIR="$PREFIX/include" -DPNG_LIBRARY="$PREFIX/lib/libpng16.a" \
        -DZLIB_LIBRARY="$PREFIX/lib/libz.a" -DZLIB_INCLUDE_DIR="$PREFIX/include" \
        -DJPEG_INCLUDE_DIR="$PREFIX/include" -DJPEG_LIBRARY="$PREFIX/lib/libjpeg.a"
}

build_sdl2() {
    unpack_dsc libsdl2 libsdl2_2.26.5+dfsg-1.dsc
    cmake_library "$UNPACKED/libsdl2" "$DEPS/libsdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL_THREADS=OFF
}

# Only the decoder library, with the portable float decoder.
build_mpg123() {
    unpack_dsc mpg123 mpg123_1.31.2-1+deb12u1.dsc
    local build=$DEPS/mpg123
    rm -rf "$build"
    mkdir -p "$build"
    (cd "$build" && emconfigure "$UNPACKED/mpg123/configure" --host=wasm32-unknown-linux \
        --with-cpu=generic_fpu --prefix="$PREFIX" --disable-shared --enable-static \
        --disable-components --enable-libmpg123 &&
        emmake make -j "$JOBS" && emmake make install) >"$build.log" 2>&1 || {
        tail -30 "$build.log"; exit 1; }
}

# The recipes above and the kit's, in build order.
LIBRARIES="zlib libpng libjpeg devil sdl2 mpg123 kissfft cli11"
KISSFFT_STATIC=ON

# ---- the demo -------------------------------------------------------------------
# CMakeLists.txt's EMSCRIPTEN block is the one place that lists what is
# compiled (every source of the demo library, and web/web_main.cpp as the
# entry point) and the link flags: kv2007demo.js/.wasm/.data
# in build-web/demo/, and the test link with assertions in build-web/test/.
build_web_demo() {
    build_demo "kv2007demo kv2007demo_test" -DCMAKE_FIND_ROOT_PATH="$PREFIX" \
        -DWEB_TEST_OUTPUT_DIR="$WORK/test"
}

# ---- packaging ----------------------------------------------------------------

# Every statically linked library's licence, CLI11's, and where the sources are.
copy_licences() {
    local dir=$1/licences
    copy_bundled_licences "$1"
    cp /usr/share/doc/emscripten/copyright "$dir/emscripten-runtime.txt"
    cat >"$dir/README.txt" <<EOF
kv2007demo in a browser: what is linked into kv2007demo.wasm, and where its sources are.

The demo's own code, the build script (tools/build-web.sh, with the shared
recipes and pinned SHA-256 of every source file in tools/library-kit.sh)
are in the demo's source repository; build-web.sh rebuilds everything from it.

Linked statically into kv2007demo.wasm, each built from Debian's source package
(deb-src, fetched with apt-get source and checked against the pinned SHA-256):
  SDL2 2.26.5         libsdl2 2.26.5+dfsg-1          zlib licence       SDL2.txt
  mpg123 1.31.2       mpg123 1.31.2-1+deb12u1        LGPL-2.1           mpg123.txt
  kissfft 131.1.0     kissfft 131.1.0-4.1~deb12u1    BSD-3-Clause       kissfft.txt
  zlib 1.2.13         zlib 1:1.2.13.dfsg-1           zlib licence       zlib.txt
  libpng 1.6.39       libpng1.6 1.6.39-2+deb12u5     libpng licence     libpng.txt
  libjpeg-turbo 2.1.5 libjpeg-turbo 1:2.1.5-2        IJG/BSD-3/zlib     libjpeg-turbo.txt
  DevIL 1.8.0 (IL, ILU) devil 1.8.0.40.g6f3d5e9b+dfsg (Debian unstable)  LGPL-2.1  DevIL.txt
  CLI11 (headers)     libcli11-dev (Debian 12)       BSD-3-Clause       CLI11.txt
  emscripten 3.1.6 runtime (libc, libc++, GL emulation) emscripten (Debian 12)  emscripten-runtime.txt

mpg123 and DevIL are under the LGPL 2.1: to relink the demo with a changed
copy of either, change its recipe in tools/build-web.sh (or point it at your
sources) and run tools/build-web.sh; the libraries are rebuilt and relinked.
EOF
}

# The page's images, cut from the data set by the desktop build's own icon
# maker (dist/make_icon.cpp, compiled here against Debian's DevIL): the icon
# from the group logo's "Z" (as the desktop entry's), the title image as the
# media session's artwork in the sizes a lock screen asks for; the 512 one is
# also the poster shown before the data package arrives.
make_page_images() {
    local dir=$1 maker=$WORK/make_icon size
    # Native, so the host's pkg-config files rather than the web prefix's.
    g++ -O1 "$ROOT/dist/make_icon.cpp" $(env -u PKG_CONFIG_LIBDIR pkg-config --cflags --libs IL ILU) \
        -o "$maker"
    for size in 192 512; do
        "$maker" "$ROOT/data/GroupLogo.png" "$dir/icon-$size.png" 55 90 205 $size
    done
    for size in 256 512; do
        "$maker" "$ROOT/data/Title.jpg" "$dir/artwork-$size.jpg" 0 0 1024 $size
    done
}

# The service worker's cache is named by a hash of every file it keeps, so a
# new build is a new cache, fetched whole.
write_service_worker() {
    local dir=$1 files
    files=$(cd "$dir" && find . -maxdepth 1 -type f ! -name sw.js -printf '%P\n' | sort)
    local build list
    build=$(cd "$dir" && sha256sum $files | sha256sum | cut -c1-16)
    list=$(printf "'./', "; printf "'%s', " $files)
    sed -i -e "s|@BUILD@|$build|" -e "s|/\* @FILES@ \*/ \[\]|[${list%, }]|" "$dir/sw.js"
}

package_web() {
    rm -rf "$OUT"
    mkdir -p "$OUT"
    local file
    for file in kv2007demo.js kv2007demo.wasm kv2007demo.data; do
        cp "$WORK/demo/$file" "$OUT/"
    done
    cp -r "$ROOT/web/page/." "$OUT/"
    make_page_images "$OUT"
    write_service_worker "$OUT"
    copy_licences "$OUT"
    rm -f "$ZIP"
    (cd "$OUT" && zip -q -r -9 "$ZIP" .)
    log "wrote $OUT and $ZIP ($(du -k "$ZIP" | cut -f1) KiB)"
}

use_libraries web
build_web_demo
package_web
