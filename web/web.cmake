# The browser build's compile and link flags (tools/build-web.sh configures
# with emscripten's toolchain file; CMakeLists.txt includes this for it).
# What is compiled: every source of the demo library (kvdemo, as natively)
# and one entry point, web/web_main.cpp.
# What is linked: kv2007demo.js + kv2007demo.wasm + kv2007demo.data (the data
# set preloaded into the virtual file system as /data) in the build folder,
# and the same objects again with emulation assertions on, for the browser
# tests, in WEB_TEST_OUTPUT_DIR.

# web/gl/epoxy/gl.h stands in for libepoxy's header.
target_include_directories(kvdemo BEFORE PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/web/gl)
# CLI11 reports a bad option by throwing; emscripten builds without exception
# catching unless asked.
target_compile_options(kvdemo PUBLIC -fexceptions)

set(WEB_ENTRY_POINT web/web_main.cpp)
set(WEB_TEST_OUTPUT_DIR ${CMAKE_BINARY_DIR}/test CACHE PATH
    "Where the link with emulation assertions is written")

file(WRITE ${CMAKE_BINARY_DIR}/library_funcs.txt "$autoResumeAudioContext\n$dynCall\n")
# DevIL's .pc files name IL and ILU alone; statically linked, IL needs the
# image libraries it was built with after it.
find_library(WEB_PNG_LIBRARY png16 REQUIRED)
find_library(WEB_JPEG_LIBRARY jpeg REQUIRED)
find_library(WEB_ZLIB_LIBRARY z REQUIRED)
target_link_libraries(kvdemo PUBLIC ${WEB_PNG_LIBRARY} ${WEB_JPEG_LIBRARY} ${WEB_ZLIB_LIBRARY})

set(WEB_LINK_OPTIONS
  -fexceptions
  # The fixed-function pipeline emulated over WebGL 2 (an ES 3.0 context is
  # asked of SDL before the window is made).
  -sLEGACY_GL_EMULATION=1
  -sMAX_WEBGL_VERSION=2
  # SDL's audio resumes the WebAudio context on the first gesture, and calls
  # back through dynCall. The names start with $, which no generator passes
  # through the shell unharmed: emcc reads them from a file.
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/library_funcs.txt
  -sALLOW_MEMORY_GROWTH=1
  # The emulation copies client-side arrays for glDrawElements as if every
  # index were a vertex of its own, into a buffer of this size: mesh C's
  # merged list (73728 indices, 32 bytes of position, normal and sphere-map
  # coordinate each) overran the 2 MiB default and wrecked the heap.
  -sGL_MAX_TEMP_BUFFER_SIZE=4194304
  # A message box in the page holds the start-up where it stands until OK is
  # pressed (emscripten_sleep hands the browser its turn meanwhile).
  -sASYNCIFY
  "SHELL:--preload-file ${CMAKE_CURRENT_SOURCE_DIR}/data@/data"
)
# Whatever the entry point wants the page to reach (ccall, FS and the like).
set(WEB_EXTRA_LINK_OPTIONS "" CACHE STRING "More emscripten link options for the entry point")

foreach(target kv2007demo kv2007demo_test)
  add_executable(${target} ${WEB_ENTRY_POINT})
  target_link_libraries(${target} PRIVATE kvdemo)
  target_link_options(${target} PRIVATE ${WEB_LINK_OPTIONS} ${WEB_EXTRA_LINK_OPTIONS})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME kv2007demo SUFFIX .js
    LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/data/KV07.mp3)
endforeach()
target_link_options(kv2007demo_test PRIVATE -sASSERTIONS=1)
# The entry point is compiled per link: in the tests', a glPushAttrib bit the
# GL stand-in cannot keep aborts the run (web/gl/epoxy/gl.h).
target_compile_definitions(kv2007demo_test PRIVATE WEB_GL_CHECKS)
set_target_properties(kv2007demo_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${WEB_TEST_OUTPUT_DIR})
