// ILUT's upload, the native default behind imageUploadThroughIlut: thin calls
// into DevIL's ILUT for OpenGL. Reads the bound DevIL image and the current
// GL context; not compiled for the browser, which has no ILUT.
#include "resources/ilut_upload.h"

// Debian's ilut.h declares the OpenGL loader only when asked for it.
#define ILUT_USE_OPENGL
#include <IL/il.h>
#include <IL/ilut.h>

void startIlutUpload() {
    ilutRenderer(ILUT_OPENGL);
    ilutInit();
}

unsigned int ilutUploadBoundImage() { return ilutGLBindTexImage(); }

unsigned int ilutLoadImageFile(const char* path) { return ilutGLLoadImage(const_cast<char*>(path)); }
