// Texture catalogue: reads the 65 images under data/ into OpenGL textures with
// DevIL, uploaded by ILUT or directly, and creates the four empty 512x512
// render textures. Decoding may run ahead on a worker thread while the window
// opens; uploading needs the GL context current. Reads the image files named
// in the catalogue, imageUploadThroughIlut and imageDecodingOnWorker.
#include <epoxy/gl.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "resources/data_set.h"
#include "resources/ilut_upload.h"
#include "resources/image_check.h"
#include "resources/platform.h"
#include "resources/render_target.h"
#include "resources/textures.h"

// In a browser: ILUT's upload does not work on WebGL (the browser build has no
// ILUT at all), and a page has no threads to spare (it is served without the
// headers they need), so the images decode when loadTextures asks.
bool imageUploadThroughIlut = !IN_BROWSER;
bool imageDecodingOnWorker = !IN_BROWSER;

// Image textures: GL texture names, written once by loadTextures; 0 = not loaded.
unsigned int texGroupLogo = 0, texEnvA = 0, texTitle = 0, texThanks = 0, texThanksGroups = 0,
             texRiddle = 0, texSpiral = 0, texWave = 0, texStrip = 0, texPhoto = 0,
             texBanner = 0;
unsigned int texLine01 = 0, texLine02 = 0, texLine03 = 0, texLine04 = 0, texLine05 = 0,
             texLine06 = 0, texLine07 = 0, texLine08 = 0, texLine09 = 0, texLine10 = 0,
             texLine11 = 0, texLine12 = 0, texLine13 = 0, texLine14 = 0, texLine15 = 0,
             texLine16 = 0, texLine17 = 0, texLine18 = 0, texLine19 = 0, texLine20 = 0,
             texLine21 = 0, texLine22 = 0, texLine23 = 0, texLine24 = 0, texLine25 = 0,
             texLine26 = 0, texLine27 = 0, texLine28 = 0, texLine29 = 0, texLine30 = 0,
             texLine31 = 0, texLine32 = 0, texLine33 = 0, texLine34 = 0, texLine35 = 0,
             texLine36 = 0, texLine37 = 0, texLine38 = 0, texLine39 = 0, texLine40 = 0,
             texLine41 = 0;
unsigned int texRap01 = 0, texRap02 = 0, texRap03 = 0, texRap04 = 0, texRap05 = 0,
             texRap06 = 0, texRap07 = 0, texRap08 = 0, texRap09 = 0, texRap10 = 0,
             texRap11 = 0, texRap12 = 0, texRap13 = 0;
// Render textures: GL texture names, 512x512 GL_RGBA8; only renderTex1 is drawn into.
unsigned int renderTex0 = 0, renderTex1 = 0, renderTex2 = 0, renderTex3 = 0;

// Load order is row order; releaseTextures walks the same rows.
const TextureEntry textureCatalogue[IMAGE_TEXTURE_COUNT] = {
    {&texGroupLogo,    "data/GroupLogo.png"},
    {&texEnvA,         "data/EnvA.png"},
    {&texTitle,        "data/Title.jpg"},
    {&texThanks,       "data/Thanks.png"},
    {&texThanksGroups, "data/ThanksGroups.png"},
    {&texRiddle,       "data/Riddle.png"},
    {&texSpiral,       "data/Spiral.jpg"},
    {&texWave,         "data/Wave.jpg"},
    {&texStrip,        "data/Strip.jpg"},
    {&texPhoto,        "data/Photo.jpg"},
    {&texBanner,       "data/Banner.png"},
    {&texLine01,       "data/Lyrics/Line01.png"},
    {&texLine02,       "data/Lyrics/Line02.png"},
    {&texLine03,       "data/Lyrics/Line03.png"},
    {&texLine04,       "data/Lyrics/Line04.png"},
    {&texLine05,       "data/Lyrics/Line05.png"},
    {&texLine06,       "data/Lyrics/Line06.png"},
    {&texLine07,       "data/Lyrics/Line07.png"},
    {&texLine08,       "data/Lyrics/Line08.png"},
    {&texLine09,       "data/Lyrics/Line09.png"},
    {&texLine10,       "data/Lyrics/Line10.png"},
    {&texLine11,       "data/Lyrics/Line11.png"},
    {&texLine12,       "data/Lyrics/Line12.png"},
    {&texLine13,       "data/Lyrics/Line13.png"},
    {&texLine14,       "data/Lyrics/Line14.png"},
    {&texLine15,       "data/Lyrics/Line15.png"},
    {&texLine16,       "data/Lyrics/Line16.png"},
    {&texLine17,       "data/Lyrics/Line17.png"},
    {&texLine18,       "data/Lyrics/Line18.png"},
    {&texLine19,       "data/Lyrics/Line19.png"},
    {&texLine20,       "data/Lyrics/Line20.png"},
    {&texLine21,       "data/Lyrics/Line21.png"},
    {&texLine22,       "data/Lyrics/Line22.png"},
    {&texLine23,       "data/Lyrics/Line23.png"},
    {&texLine24,       "data/Lyrics/Line24.png"},
    {&texLine25,       "data/Lyrics/Line25.png"},
    {&texLine26,       "data/Lyrics/Line26.png"},
    {&texLine27,       "data/Lyrics/Line27.png"},
    {&texLine28,       "data/Lyrics/Line28.png"},
    {&texLine29,       "data/Lyrics/Line29.png"},
    {&texLine30,       "data/Lyrics/Line30.png"},
    {&texLine31,       "data/Lyrics/Line31.png"},
    {&texLine32,       "data/Lyrics/Line32.png"},
    {&texLine33,       "data/Lyrics/Line33.png"},
    {&texLine34,       "data/Lyrics/Line34.png"},
    {&texLine35,       "data/Lyrics/Line35.png"},
    {&texLine36,       "data/Lyrics/Line36.png"},
    {&texLine37,       "data/Lyrics/Line37.png"},
    {&texLine38,       "data/Lyrics/Line38.png"},
    {&texLine39,       "data/Lyrics/Line39.png"},
    {&texLine40,       "data/Lyrics/Line40.png"},
    {&texLine41,       "data/Lyrics/Line41.png"},
    {&texRap01,        "data/Lyrics/rap_01.png"},
    {&texRap02,        "data/Lyrics/rap_02.png"},
    {&texRap03,        "data/Lyrics/rap_03.png"},
    {&texRap04,        "data/Lyrics/rap_04.png"},
    {&texRap05,        "data/Lyrics/rap_05.png"},
    {&texRap06,        "data/Lyrics/rap_06.png"},
    {&texRap07,        "data/Lyrics/rap_07.png"},
    {&texRap08,        "data/Lyrics/rap_08.png"},
    {&texRap09,        "data/Lyrics/rap_09.png"},
    {&texRap10,        "data/Lyrics/rap_10.png"},
    {&texRap11,        "data/Lyrics/rap_11.png"},
    {&texRap12,        "data/Lyrics/rap_12.png"},
    {&texRap13,        "data/Lyrics/rap_13.png"},
};

namespace {

constexpr GLsizei RENDER_TEXTURE_SIZE = 512;  // texels per side

// Creation order, which is also release order.
unsigned int* const renderTextures[] = {&renderTex0, &renderTex1, &renderTex2, &renderTex3};

// DevIL's own file reading leaves the caller's buffer as it was past the end
// of a file, and its PNG reader ignores the short count: a PNG cut short after
// an ancillary chunk then rereads that stale chunk forever and start-up hangs.
// These procedures read the same files but fill what the file lacks with 0xFF,
// which no PNG chunk length accepts, so such a file fails to load instead.
// Complete files read exactly as before.
FILE* asFile(ILHANDLE handle) { return static_cast<FILE*>(handle); }

ILHANDLE ILAPIENTRY openForReading(ILconst_string path) { return std::fopen(path, "rb"); }

void ILAPIENTRY closeFile(ILHANDLE handle) { std::fclose(asFile(handle)); }

// By position, as DevIL's own test does, not by a failed read.
ILboolean ILAPIENTRY atEndOfFile(ILHANDLE handle) {
    FILE* file = asFile(handle);
    const long position = std::ftell(file);
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, position, SEEK_SET);
    return position >= size;
}

ILint ILAPIENTRY readByte(ILHANDLE handle) { return std::fgetc(asFile(handle)); }

ILint ILAPIENTRY readBlock(void* buffer, ILuint size, ILuint count, ILHANDLE handle) {
    const size_t got = std::fread(buffer, size, count, asFile(handle));
    if (got < count)
        std::memset(static_cast<char*>(buffer) + got * size, 0xFF, (count - got) * size_t(size));
    return ILint(got);
}

ILint ILAPIENTRY seekInFile(ILHANDLE handle, ILint offset, ILint origin) {
    return std::fseek(asFile(handle), offset, origin);  // IL_SEEK_* equal SEEK_*
}

ILint ILAPIENTRY positionInFile(ILHANDLE handle) { return ILint(std::ftell(asFile(handle))); }

// Decoded images waiting for upload: DevIL image names by catalogue row, 0
// where the file was refused or failed to decode. DevIL is used by one thread
// at a time: the worker alone from startImageDecoding until it is joined.
ILuint decodedImages[IMAGE_TEXTURE_COUNT] = {};
std::thread decodingWorker;
bool decodingStarted = false;  // the worker ran or runs; loadTextures joins it

// The non-GL half of initImageLibraries.
void initImageDecoding() {
    ilInit();
    iluInit();
    ilSetRead(openForReading, closeFile, atEndOfFile, readByte, readBlock, seekInFile,
              positionInFile);
}

// The GL half: ILUT asks the current context for its limits here. Its set-up
// leaves GL_TEXTURE_2D enabled, GL_MODULATE and byte-aligned pixel rows,
// which the scenes inherit: the direct upload sets the same.
void initImageUpload() {
    if constexpr (!IN_BROWSER) {
        if (imageUploadThroughIlut) {
            startIlutUpload();
            return;
        }
    }
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

// What ilutGLLoadImage does before its upload, into an image of the row's own.
ILuint decodeImage(const char* path) {
    if (!imageFileSafeToLoad(path)) return 0;
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (ilLoadImage(path)) return image;
    ilDeleteImages(1, &image);
    return 0;
}

void decodeCatalogueImages() {
    initImageDecoding();
    for (int i = 0; i < IMAGE_TEXTURE_COUNT; ++i)
        decodedImages[i] = decodeImage(dataSetPath(textureCatalogue[i].path).c_str());
}

// The bound image into a texture, by the upload the switch chooses.
unsigned int uploadBound() {
    if constexpr (!IN_BROWSER) {
        if (imageUploadThroughIlut) return ilutUploadBoundImage();
    }
    return uploadBoundImage();
}

// ilutGLLoadImage's upload of a decoded image (flipped and scaled as it does),
// then the decoded copy is dropped. Image 0 gives handle 0.
unsigned int uploadImage(ILuint image) {
    if (image == 0) return 0;
    ilBindImage(image);
    const unsigned int texture = uploadBound();
    ilDeleteImages(1, &image);
    return texture;
}

void finishDecoding() {
    if (!decodingStarted) decodeCatalogueImages();
    if (decodingWorker.joinable()) decodingWorker.join();
    decodingStarted = false;
}

void loadCatalogueImages() {
    finishDecoding();
    initImageUpload();
    for (int i = 0; i < IMAGE_TEXTURE_COUNT; ++i) {
        *textureCatalogue[i].handle = uploadImage(decodedImages[i]);
        decodedImages[i] = 0;
    }
}

// Linear filtering without mipmaps, so renderTex1 can be sampled right after a
// pass into it with no mipmap update.
void createRenderTexture(unsigned int* handle) {
    glGenTextures(1, handle);
    glBindTexture(GL_TEXTURE_2D, *handle);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, RENDER_TEXTURE_SIZE, RENDER_TEXTURE_SIZE, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP_TO_EDGE));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP_TO_EDGE));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR));
}

// renderTex3 (still bound) gets a mipmap chain, as undefined as its level 0;
// nothing samples it. The levels are allocated one by one: asking the driver
// to generate them from level 0 gives the same chain, but costs llvmpipe a
// shader compile of about 100 ms at start-up. Without the framebuffer
// extension the texture stays without a chain, as it always has.
void mipmapLastRenderTexture() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    if (!framebufferExtensionAvailable()) return;
    for (GLint level = 1, size = RENDER_TEXTURE_SIZE / 2; size >= 1; ++level, size /= 2)
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
}

}  // namespace

// No result is examined: if DevIL fails to start, every catalogue load fails
// and stores 0, which is the designed outcome for an unusable image.
void initImageLibraries() {
    initImageDecoding();
    initImageUpload();
}

// ILUT's defaults are kept: it flips images stored top row first, so texture
// coordinate (0, 0) is the picture's lower-left corner, and it scales images
// larger than GL_MAX_TEXTURE_SIZE down to fit. A missing, truncated or
// undecodable file yields 0.
unsigned int loadImageTexture(const char* path) {
    if constexpr (!IN_BROWSER) {
        if (imageUploadThroughIlut) return imageFileSafeToLoad(path) ? ilutLoadImageFile(path) : 0;
    }
    return uploadImage(decodeImage(path));
}

// ilutGLBindTexImage's texture from the bound DevIL image, for GLs where ILUT
// cannot upload (WebGL: no BGR, no 16-bit data, no legacy internal formats 3
// and 4): a palette or BGR(A) or 16-bit image becomes RGB(A) bytes first, with
// alpha where ILUT's upload has it, and a sized internal format. As ILUT does:
// the bottom row first, scaled down to GL_MAX_TEXTURE_SIZE, repeat wrapping,
// linear filtering, GL_MODULATE, byte-aligned rows. Leaves the texture bound.
unsigned int uploadBoundImage() {
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const ILint palette = ilGetInteger(IL_PALETTE_TYPE);
    const bool alpha = format == IL_RGBA || format == IL_BGRA || format == IL_LUMINANCE_ALPHA ||
                       format == IL_ALPHA ||
                       (format == IL_COLOUR_INDEX && (palette == IL_PAL_RGBA32 || palette == IL_PAL_BGRA32));
    if (!ilConvertImage(alpha ? IL_RGBA : IL_RGB, IL_UNSIGNED_BYTE)) return 0;
    if (ilGetInteger(IL_IMAGE_ORIGIN) != IL_ORIGIN_LOWER_LEFT) iluFlipImage();
    GLint maximum = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maximum);
    if (maximum <= 0) maximum = 256;
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
    if (width > maximum || height > maximum) {
        iluImageParameter(ILU_FILTER, ILU_BILINEAR);
        iluScale(std::min(width, maximum), std::min(height, maximum), 1);
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, alpha ? GL_RGBA8 : GL_RGB8, ilGetInteger(IL_IMAGE_WIDTH),
                 ilGetInteger(IL_IMAGE_HEIGHT), 0, alpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                 ilGetData());
    return texture;
}

void startImageDecoding() {
    if (decodingStarted || !imageDecodingOnWorker) return;
    decodingStarted = true;
    decodingWorker = std::thread(decodeCatalogueImages);
}

void discardDecodedImages() {
    finishDecoding();
    for (ILuint& image : decodedImages) {
        if (image) ilDeleteImages(1, &image);
        image = 0;
    }
}

int loadTextures() {
    loadCatalogueImages();
    for (unsigned int* handle : renderTextures)
        createRenderTexture(handle);
    mipmapLastRenderTexture();
    return 1;
}

// Name 0 (an image that failed) is passed like any other; GL ignores it.
int releaseTextures() {
    for (const TextureEntry& entry : textureCatalogue)
        glDeleteTextures(1, entry.handle);
    for (unsigned int* handle : renderTextures)
        glDeleteTextures(1, handle);
    return 1;
}
