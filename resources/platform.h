// Whether this build runs in a browser tab: the one place below the shell that
// tells the web build apart. The modules read it only for the defaults of their
// run-time switches (meshDrawMode, sphereMapOnCpu, imageUploadThroughIlut,
// imageDecodingOnWorker, decodeTrackOnThread), so that natively the tests can
// run either behaviour; and to leave out, at compile time, the calls the
// browser's libraries lack (ILUT, thread names).
#pragma once

#ifdef __EMSCRIPTEN__
constexpr bool IN_BROWSER = true;
#else
constexpr bool IN_BROWSER = false;
#endif
