// ILUT's OpenGL upload of DevIL's images, the native default way the texture
// catalogue makes its textures (see imageUploadThroughIlut). Built natively
// only: the browser build has no ILUT, and textures.cpp names these only in
// statements an `if constexpr (!IN_BROWSER)` discards there.
#pragma once

// ilutRenderer(ILUT_OPENGL) then ilutInit, with the GL context current.
void startIlutUpload();
// ilutGLBindTexImage: the bound DevIL image into a new texture, left bound.
unsigned int ilutUploadBoundImage();
// ilutGLLoadImage: the file decoded into an image of ILUT's own and uploaded.
unsigned int ilutLoadImageFile(const char* path);
