// The texture catalogue: 65 images read from data/ into OpenGL textures at
// start-up, plus four empty 512x512 render textures. Handles are 0 when an
// image failed to load.
#pragma once

constexpr int IMAGE_TEXTURE_COUNT = 65;

extern unsigned int texGroupLogo, texEnvA, texTitle, texThanks, texThanksGroups, texRiddle,
    texSpiral, texWave, texStrip, texPhoto, texBanner;
extern unsigned int texLine01, texLine02, texLine03, texLine04, texLine05, texLine06, texLine07,
    texLine08, texLine09, texLine10, texLine11, texLine12, texLine13, texLine14, texLine15,
    texLine16, texLine17, texLine18, texLine19, texLine20, texLine21, texLine22, texLine23,
    texLine24, texLine25, texLine26, texLine27, texLine28, texLine29, texLine30, texLine31,
    texLine32, texLine33, texLine34, texLine35, texLine36, texLine37, texLine38, texLine39,
    texLine40, texLine41;
extern unsigned int texRap01, texRap02, texRap03, texRap04, texRap05, texRap06, texRap07,
    texRap08, texRap09, texRap10, texRap11, texRap12, texRap13;
extern unsigned int renderTex0, renderTex1, renderTex2, renderTex3;

// One row of the catalogue, in load order.
struct TextureEntry {
    unsigned int* handle;
    const char* path;  // under "data/": see dataSetPath
};
extern const TextureEntry textureCatalogue[IMAGE_TEXTURE_COUNT];

// How decoded images become textures: by ILUT's upload (natively, the default)
// or by uploadBoundImage (the default in a browser, which has no ILUT: there
// the switch changes nothing). Read at each upload.
extern bool imageUploadThroughIlut;
// Whether startImageDecoding decodes on a worker thread (natively, the
// default) or leaves it all to loadTextures (in a browser).
extern bool imageDecodingOnWorker;

// Starts DevIL and ILU, and ILUT for OpenGL or the direct upload's GL state,
// and installs the file reading the catalogue loads through; loadTextures
// calls it first.
void initImageLibraries();
// One image file into a new texture, as loadTextures loads each row (after
// initImageLibraries, with the GL context current); 0 when the file is
// missing, damaged or undecodable. Public so that the image fuzzer loads
// exactly as the catalogue does.
unsigned int loadImageTexture(const char* path);
// The texture ILUT's upload makes of the bound DevIL image, made without ILUT:
// the direct upload (WebGL refuses what ILUT passes), compiled natively too so
// that the tests compare it with ILUT's. 0 if the image cannot be converted.
unsigned int uploadBoundImage();

// Decodes every catalogue image on a worker thread, without GL, so that the
// window and context can open meanwhile (without imageDecodingOnWorker:
// nothing, loadTextures decodes); nothing else may use DevIL until
// loadTextures or discardDecodedImages has joined it.
void startImageDecoding();
// Joins the decoding (or decodes here when it was never started) and drops
// what was decoded: for a start-up that ends before any upload.
void discardDecodedImages();

// Every catalogue image into its texture (decoded here, or by the worker
// startImageDecoding started, which it joins first), then the render
// textures. The textures and handles are those of loading each row with
// loadImageTexture in catalogue order.
int loadTextures();
int releaseTextures();
