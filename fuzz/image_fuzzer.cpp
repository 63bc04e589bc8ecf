// libFuzzer harness for the texture catalogue's image loading, built twice:
// image_fuzzer loads each input as the catalogue loads a row (loadImageTexture
// on a file named .png and on one named .jpg: the catalogue's checks and file
// reading, DevIL's reader, ILUT's conversion and upload call);
// image_any_fuzzer (IMAGE_FUZZ_FROM_MEMORY) hands the bytes to DevIL in
// memory, to every reader it has, and uploads as ILUT does. The GL underneath
// is this file's: glTexImage2D reads every pixel byte it is handed, so an
// image buffer shorter than its stated size shows up as an out-of-bounds read.
#include <GL/gl.h>
#define ILUT_USE_OPENGL
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/outcome_counters.h"
#include "fuzz/scratch_file.h"
#include "resources/textures.h"

namespace {

// The driver ILUT sees: a 256-texel limit and no extensions (so no
// non-power-of-two textures), the GL 1.1 floor, where ILUT rescales the most.
constexpr GLint FAKE_MAX_TEXTURE_SIZE = 256;

#ifdef IMAGE_FUZZ_FROM_MEMORY
// DevIL's reader chosen from the content, which reaches every reader it has,
// and the PNG and JPEG readers forced.
constexpr ILenum ROUTES[] = {IL_TYPE_UNKNOWN, IL_PNG, IL_JPG};
#else
// The catalogue's files are all named .png or .jpg, and ilLoadImage picks the
// reader from the extension alone, with no look at the content.
constexpr ILenum ROUTES[] = {IL_PNG, IL_JPG};
std::string scratchPaths[2];  // the input as a .png and as a .jpg file, by ROUTES index
#endif

volatile unsigned pixelSink;  // keeps the upload's reads from being optimised away

// The last glTexImage2D call of a load, for its outcome; all zero when none.
struct Upload {
    GLsizei width, height;
    GLenum format, type;
    GLint internalFormat;
} lastUpload;

GLsizei componentsOf(GLenum format) {
    switch (format) {
        case GL_COLOR_INDEX: case GL_ALPHA: case GL_LUMINANCE: return 1;
        case GL_LUMINANCE_ALPHA:                               return 2;
        case GL_RGB: case GL_BGR:                              return 3;
        case GL_RGBA: case GL_BGRA:                            return 4;
        default:                                               return 0;
    }
}

GLsizei bytesPerComponent(GLenum type) {
    switch (type) {
        case GL_UNSIGNED_BYTE: case GL_BYTE:                      return 1;
        case GL_UNSIGNED_SHORT: case GL_SHORT: case GL_HALF_FLOAT: return 2;
        case GL_UNSIGNED_INT: case GL_INT: case GL_FLOAT:          return 4;
        default:                                                   return 0;
    }
}

// The loaded image as DevIL describes it, and what reached the upload.
void noteLoadedImage(ILenum route) {
    noteOutcome({route, sizeClass(ilGetInteger(IL_IMAGE_WIDTH)),
                 sizeClass(ilGetInteger(IL_IMAGE_HEIGHT)), sizeClass(ilGetInteger(IL_IMAGE_DEPTH)),
                 static_cast<uint64_t>(ilGetInteger(IL_IMAGE_FORMAT)),
                 static_cast<uint64_t>(ilGetInteger(IL_IMAGE_TYPE)),
                 static_cast<uint64_t>(ilGetInteger(IL_IMAGE_ORIGIN)),
                 static_cast<uint64_t>(ilGetInteger(IL_PALETTE_TYPE)),
                 sizeClass(ilGetInteger(IL_NUM_IMAGES)), sizeClass(ilGetInteger(IL_NUM_MIPMAPS)),
                 sizeClass(ilGetInteger(IL_NUM_LAYERS))});
    noteOutcome({route, sizeClass(lastUpload.width), sizeClass(lastUpload.height),
                 lastUpload.format, lastUpload.type, static_cast<uint64_t>(lastUpload.internalFormat)});
}

void loadAndUpload(size_t routeIndex, const uint8_t* data, size_t size) {
    const ILenum route = ROUTES[routeIndex];
    lastUpload = Upload{};
#ifdef IMAGE_FUZZ_FROM_MEMORY
    // ilutGLLoadImage is a load into a bound image, then ilutGLBindTexImage.
    const GLuint texture = ilLoadL(route, data, static_cast<ILuint>(size)) ? ilutGLBindTexImage() : 0;
#else
    const std::string& path = scratchPaths[routeIndex];
    const GLuint texture = writeScratchFile(path, data, size) ? loadImageTexture(path.c_str()) : 0;
#endif
    if (texture != 0) noteLoadedImage(route);
    // Which error a reader gave up with tells how far it got.
    const ILenum error = ilGetError();
    if (error != IL_NO_ERROR) noteOutcome({route, error});
    while (ilGetError() != IL_NO_ERROR) {
    }
}

}  // namespace

// What a GL implementation reads from `pixels` (ILUT sets an unpack alignment
// of 1, so rows are packed); arguments GL would reject read nothing. Checked
// by AddressSanitizer, left out of coverage: the byte loop is no feedback.
extern "C" __attribute__((no_sanitize("coverage"))) void glTexImage2D(
    GLenum, GLint, GLint internalFormat, GLsizei width, GLsizei height, GLint, GLenum format,
    GLenum type, const void* pixels) {
    lastUpload = Upload{width, height, format, type, internalFormat};
    const size_t pixelBytes = static_cast<size_t>(componentsOf(format)) * bytesPerComponent(type);
    if (pixelBytes == 0 || width < 0 || height < 0 || width > FAKE_MAX_TEXTURE_SIZE ||
        height > FAKE_MAX_TEXTURE_SIZE)
        return;
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    unsigned sum = 0;
    for (size_t i = 0, n = pixelBytes * width * height; i < n; ++i) sum += bytes[i];
    pixelSink = sum;
}

extern "C" void glGetIntegerv(GLenum name, GLint* value) {
    if (name == GL_MAX_TEXTURE_SIZE) *value = FAKE_MAX_TEXTURE_SIZE;
}

// Names only, so that a loaded image comes back as a texture other than 0.
extern "C" void glGenTextures(GLsizei count, GLuint* names) {
    static GLuint lastName = 0;
    for (GLsizei i = 0; i < count; ++i) names[i] = ++lastName ? lastName : ++lastName;
}

// The catalogue's own start-up.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    initImageLibraries();
#ifdef IMAGE_FUZZ_FROM_MEMORY
    // One image bound throughout, as ilutGLLoadImage keeps loading into its
    // one temporary image.
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
#else
    scratchPaths[0] = scratchFilePath(".png");
    scratchPaths[1] = scratchFilePath(".jpg");
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    for (size_t route = 0; route < sizeof ROUTES / sizeof ROUTES[0]; ++route)
        loadAndUpload(route, data, size);
    return 0;
}
