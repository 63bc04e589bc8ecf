// Writes the image harness's seed corpus: each source image of the data set,
// shrunk to a few texels and saved by DevIL in the pixel layouts and file
// types its readers take apart. Usage: write_image_seeds OUT_DIR IMAGE...
#include <IL/il.h>
#include <IL/ilu.h>

#include <cstdio>
#include <string>

namespace {

struct SeedVariant {
    const char* suffix;  // appended to the source's stem; the extension names nothing, `fileType` does
    ILuint width, height;  // texels, small so one run takes microseconds
    ILenum format, type;   // layout after conversion; IL_COLOUR_INDEX makes a palette
    ILenum fileType;
    ILenum option;  // a writer setting switched on for this seed only; 0 for none
};

const SeedVariant SEED_VARIANTS[] = {
    // suffix               w   h  format               type               fileType  option
    {"-rgba.png",           16, 16, IL_RGBA,            IL_UNSIGNED_BYTE,  IL_PNG,   0},
    {"-rgb-npot.png",       24, 12, IL_RGB,             IL_UNSIGNED_BYTE,  IL_PNG,   0},
    {"-grey.png",           16,  8, IL_LUMINANCE,       IL_UNSIGNED_BYTE,  IL_PNG,   0},
    {"-grey-alpha.png",      8,  8, IL_LUMINANCE_ALPHA, IL_UNSIGNED_BYTE,  IL_PNG,   0},
    {"-rgb-16bit.png",       8,  8, IL_RGB,             IL_UNSIGNED_SHORT, IL_PNG,   0},
    {"-palette.png",        16, 16, IL_COLOUR_INDEX,    IL_UNSIGNED_BYTE,  IL_PNG,   0},
    {"-interlaced.png",     16, 16, IL_RGBA,            IL_UNSIGNED_BYTE,  IL_PNG,   IL_PNG_INTERLACE},
    {"-rgb.jpg",            16, 16, IL_RGB,             IL_UNSIGNED_BYTE,  IL_JPG,   0},
    {"-rgb-npot.jpg",       20, 12, IL_RGB,             IL_UNSIGNED_BYTE,  IL_JPG,   0},
    {"-grey.jpg",           16, 16, IL_LUMINANCE,       IL_UNSIGNED_BYTE,  IL_JPG,   0},
    {"-rgba.bmp",            8,  8, IL_RGBA,            IL_UNSIGNED_BYTE,  IL_BMP,   0},
    {"-palette.bmp",         8,  8, IL_COLOUR_INDEX,    IL_UNSIGNED_BYTE,  IL_BMP,   0},
    {"-rgba.tga",            8,  8, IL_RGBA,            IL_UNSIGNED_BYTE,  IL_TGA,   0},
    {"-rle.tga",             8,  8, IL_RGB,             IL_UNSIGNED_BYTE,  IL_TGA,   IL_TGA_RLE},
    {"-rgb.pcx",             8,  8, IL_RGB,             IL_UNSIGNED_BYTE,  IL_PCX,   0},
    {"-rgb.pnm",             8,  8, IL_RGB,             IL_UNSIGNED_BYTE,  IL_PNM,   0},
    {"-rgba.sgi",            8,  8, IL_RGBA,            IL_UNSIGNED_BYTE,  IL_SGI,   0},
    {"-rgba.dds",            8,  8, IL_RGBA,            IL_UNSIGNED_BYTE,  IL_DDS,   0},
    {"-rgb.tif",             8,  8, IL_RGB,             IL_UNSIGNED_BYTE,  IL_TIF,   0},
    {"-rgba.psd",            8,  8, IL_RGBA,            IL_UNSIGNED_BYTE,  IL_PSD,   0},
    {"-float.hdr",           8,  8, IL_RGB,             IL_FLOAT,          IL_HDR,   0},
};

// DevIL's writers read their settings from global state: switched on for one
// save, then back off.
bool saveVariant(const SeedVariant& variant, const std::string& path) {
    if (variant.option) ilSetInteger(variant.option, IL_TRUE);
    const bool saved = ilSave(variant.fileType, path.c_str());
    if (variant.option) ilSetInteger(variant.option, IL_FALSE);
    return saved;
}

std::string stemOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.find('.'));
}

// Every variant from the source image at `source`; false when one failed.
bool writeVariants(const std::string& source, const std::string& outDir) {
    bool allWritten = true;
    for (const SeedVariant& variant : SEED_VARIANTS) {
        const std::string path = outDir + "/" + stemOf(source) + variant.suffix;
        const bool written = ilLoadImage(source.c_str()) &&
                             iluScale(variant.width, variant.height, 1) &&
                             ilConvertImage(variant.format, variant.type) && saveVariant(variant, path);
        if (!written) {
            std::fprintf(stderr, "write_image_seeds: %s: DevIL error 0x%x\n", path.c_str(), ilGetError());
            allWritten = false;
        }
    }
    return allWritten;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: write_image_seeds OUT_DIR IMAGE...\n");
        return 2;
    }
    ilInit();
    iluInit();
    ilEnable(IL_FILE_OVERWRITE);
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool allWritten = true;
    for (int i = 2; i < argc; ++i) allWritten = writeVariants(argv[i], argv[1]) && allWritten;
    return allWritten ? 0 : 1;
}
