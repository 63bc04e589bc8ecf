// The committed data set's 65 images: each at its catalogue path and decodable by DevIL (the
// library the texture catalogue loads with); cut-outs with hard alpha, their drawings on
// screen where the scenes put the quads; the generator redraws them byte for byte, and every
// PNG decodes to the pixels it was first drawn with, whatever form its file takes.
#include <epoxy/gl.h>
#include <IL/il.h>
#include <IL/ilu.h>
#define ILUT_USE_OPENGL  // Debian's ilut.h declares the OpenGL loader only on request
#include <IL/ilut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "resources/textures.h"
#include "support/test_support.h"
#include "support/texture_catalogue.h"

namespace fs = std::filesystem;

namespace {

const std::string sourceDir = DEMO_SOURCE_DIR;
const std::string dataDir = sourceDir + "/data/";

// A quad as a scene places it with a silent spectrum, in eye coordinates (depth > 0 is the
// distance in front of the eye), seen through the 45-degree projection of the 4:3 window.
struct Placement {
    float left, right, bottom, top, depth;
};

enum class Use { Opaque, CutOut, SphereMap, Unused };

struct ImageExpectation {
    std::string path;  // under data/
    Use use;
    float reference;   // alpha-test reference of a cut-out (GL_GREATER), else 0
    Placement quad;    // depth 0: not drawn as a quad
};

//                                     left   right  bottom  top    depth
const Placement logoQuad           = {-2.5f,  2.5f,  -1.0f,  1.0f,  5.5f};
const Placement titleQuad          = {-1.35f, 1.33f, -1.0f,  1.0f,  2.4f};
const Placement greetingsQuad      = {-1.0f,  1.0f,  -1.0f,  1.0f,  2.0f};
const Placement photoQuad          = {-2.4f,  2.6f,  -1.0f,  1.0f,  2.4f};  // sways in x
const Placement bannerQuad         = {-3.3f,  2.7f,  -2.5f, -0.5f,  5.5f};
const Placement captionQuad        = {-2.3f,  2.2f,  -0.3f,  1.7f,  4.5f};
const Placement closingCaptionQuad = {-2.3f,  2.2f,  -1.2f,  0.8f,  2.5f};  // row 41
const Placement illustrationQuad   = {-1.0f,  1.0f,  -1.84f, 0.16f, 4.5f};  // under a caption
const Placement notAQuad           = {};

const int closingRow = 41;

// The data set in catalogue order (its paths from there), with what each image
// is for and the reference it is cut out at.
std::vector<ImageExpectation> dataSet() {
    const ImageExpectation named[] = {
        {"", Use::CutOut,    0.82f, logoQuad},       // GroupLogo
        {"", Use::SphereMap, 0.0f,  notAQuad},       // EnvA
        {"", Use::Opaque,    0.82f, titleQuad},      // Title
        {"", Use::CutOut,    0.4f,  greetingsQuad},  // Thanks
        {"", Use::CutOut,    0.4f,  greetingsQuad},  // ThanksGroups
        {"", Use::Unused,    0.0f,  notAQuad},       // Riddle
        {"", Use::SphereMap, 0.0f,  notAQuad},       // Spiral
        {"", Use::SphereMap, 0.0f,  notAQuad},       // Wave
        {"", Use::SphereMap, 0.0f,  notAQuad},       // Strip
        {"", Use::Opaque,    0.0f,  photoQuad},      // Photo
        {"", Use::CutOut,    0.4f,  bannerQuad},     // Banner
    };
    std::vector<ImageExpectation> expectations;
    for (const ExpectedTexture& row : expectedTextureCatalogue()) {
        const int i = int(expectations.size()), line = i - 10, rap = i - 51;
        ImageExpectation e = i < 11 ? named[i] : ImageExpectation{"", Use::CutOut, 0.4f, illustrationQuad};
        if (line >= 1 && line <= 41) {
            e.reference = line == 37 ? 0.6f : line == 38 ? 0.99f : 0.4f;
            e.quad = line == closingRow ? closingCaptionQuad : captionQuad;
        }
        if (rap == 12) e.reference = 0.82f;
        e.path = row.path.substr(std::string("data/").size());
        expectations.push_back(e);
    }
    return expectations;
}

// An image decoded by DevIL, as 8-bit RGBA with its top row first.
DecodedImage load(const ImageExpectation& expected) {
    DecodedImage image;
    EXPECT_TRUE(loadImage(dataDir + expected.path, image)) << expected.path << " does not decode";
    return image;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// A part of an image in fractions of its size, x from the left and y from the top.
struct Area {
    double x0, x1, y0, y1;
};

// The part of the image on quad `q` that the rectangle from (left, bottom) to
// (right, top), at the same depth, lies over.
Area partUnder(const Placement& q, double left, double right, double bottom, double top) {
    auto across = [](double v, double from, double to) {
        return std::clamp((v - from) / (to - from), 0.0, 1.0);
    };
    return {across(left, q.left, q.right), across(right, q.left, q.right), across(top, q.top, q.bottom),
            across(bottom, q.top, q.bottom)};
}

// The part of the image on a quad placed at `q` that the screen shows.
Area visiblePart(const Placement& q) {
    const double halfHeight = q.depth * std::tan(22.5 * M_PI / 180.0);
    const double halfWidth = halfHeight * 800.0 / 600.0;
    return partUnder(q, -halfWidth, halfWidth, -halfHeight, halfHeight);
}

// Pixels that pass the alpha test at `reference`, counted within `area` of the image.
long passingIn(const DecodedImage& image, float reference, const Area& area) {
    long count = 0;
    const int x0 = std::max(0, int(std::ceil(area.x0 * image.width)));
    const int x1 = std::min(image.width, int(area.x1 * image.width));
    const int y0 = std::max(0, int(std::ceil(area.y0 * image.height)));
    const int y1 = std::min(image.height, int(area.y1 * image.height));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (image.at(x, y)[3] > reference * 255.0f) ++count;
    return count;
}

const Area whole = {0.0, 1.0, 0.0, 1.0};

// Lit pixels of a caption drawn as the lyrics scene draws it: GL_REPLACE, alpha test at
// `reference`, quad with right edge 3.5 at (-1.3, 0.7, -4.5), over black.
long litPixelsOfCaption(GLuint texture, float reference) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(-1.3f, 0.7f, -4.5f);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, reference);
    glBindTexture(GL_TEXTURE_2D, texture);
    drawQuad(-1, -1, 3.5f, 1);
    glDisable(GL_ALPHA_TEST);
    const std::vector<uint8_t> rgb = readFrameRgb(800, 600);
    long lit = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
        if (rgb[i] | rgb[i + 1] | rgb[i + 2]) ++lit;
    return lit;
}

// FNV-1a over the size, the alpha flag and the RGBA bytes (top row first) DevIL decodes.
uint64_t pixelDigest(const DecodedImage& image) {
    uint64_t digest = 14695981039346656037ull;
    auto mix = [&](uint8_t byte) { digest = (digest ^ byte) * 1099511628211ull; };
    for (int value : {image.width, image.height, int(image.hasAlpha)})
        for (int shift = 0; shift < 32; shift += 8) mix(uint8_t(value >> shift));
    for (uint8_t byte : image.rgba) mix(byte);
    return digest;
}

// The PNGs' pixels as drawn, recorded from the files before they were rewritten in the form
// that decodes fastest. Redrawing an image on purpose means recording its digest anew.
// One a PNG, in catalogue order.
const uint64_t pngPixelDigests[] = {
    0x8ec4637569b7c90eull, 0xcf411cea7b141c76ull, 0x3e312e18cf396b20ull, 0xa63560e46a03d1cfull,
    0x23a2a983b3ba0b7ull, 0xfe2932da272f2cdbull, 0xaa019f7c896cdba1ull, 0x21419eb144fd5a97ull,
    0xfced1903729707f1ull, 0x1bca57b223e08081ull, 0x4de0360ed8501518ull, 0x1b3038a13c444c29ull,
    0x9a40e15e27998781ull, 0xa54713460d07d7f0ull, 0xdc7629b50bf958d7ull, 0xd80a4889719a0637ull,
    0x68864ee8cced2242ull, 0xecf18fcadc33a717ull, 0x7342cff416a53e40ull, 0x8acdd3943394cdbbull,
    0x2ff4b99283245721ull, 0xa2197b05e9f3d80aull, 0xd9a2f8633df5e7b9ull, 0xb1bc80235d11697bull,
    0xaf3fdacad035ce2ull, 0xb03e1ed8cc66cd03ull, 0x95324247e2daee77ull, 0xb776809cd6706ba6ull,
    0x1951af1fd0f1778cull, 0x49a91f45119bf831ull, 0x84d779f9c203ab8full, 0x3c3044d6d16328eaull,
    0xf51ee3ee382e8aafull, 0x2f2a1ddb71460d91ull, 0xebac9b76170ea9cfull, 0xcbff50d34f6fbaddull,
    0xfde9fd75876d8c91ull, 0x2da83d1030257afeull, 0x2a076125e85cc9ffull, 0x3df94270de3b30d7ull,
    0x9eaa449117a57413ull, 0xe0c4d717ea166e8dull, 0xcc89d6a960b298ull, 0x3d4d4483c6725de0ull,
    0xb2f64d2ae980b2b3ull, 0x620053bab4060508ull, 0xae5e12c3dd261c72ull, 0xaf71aa47f6ee9195ull,
    0x8a277ee209fc8c33ull, 0xf29bc73f7d33700dull, 0xb96f9c7edb09610ull, 0x36455a97afe41b2ull,
    0xbc5d58b7b4da5e00ull, 0x19c8d369f2b2f3d1ull, 0xa14404328ad683d7ull, 0x7d4818e8d242fa6eull,
    0xceb699b4cb17ea81ull, 0xa495f301dac8cf1aull, 0x3beee3bf275c7917ull, 0xade918a8b9b45f4ull,
};

}  // namespace

TEST(DataSetImages, EveryImageDecodesAtItsPathInSizesTheDriverTakes) {
    const auto expectations = dataSet();
    ASSERT_EQ(expectations.size(), size_t(IMAGE_TEXTURE_COUNT));
    for (const auto& expected : expectations) {
        SCOPED_TRACE(expected.path);
        ASSERT_TRUE(fs::is_regular_file(dataDir + expected.path));
        const DecodedImage image = load(expected);
        EXPECT_TRUE(isPowerOfTwo(image.width) && isPowerOfTwo(image.height))
            << image.width << "x" << image.height;
        EXPECT_LE(std::max(image.width, image.height), 2048);
        if (expected.quad.depth > 0) {
            // stretched onto its quad, neither direction gets under 2/3 of the other's detail
            const double quadAspect = (expected.quad.right - expected.quad.left) /
                                      double(expected.quad.top - expected.quad.bottom);
            const double stretch = quadAspect * image.height / image.width;
            EXPECT_LT(std::max(stretch, 1.0 / stretch), 1.5) << "stretch " << stretch;
        }
    }
}

TEST(DataSetImages, CataloguePathsAreTheDataSetPaths) {
    if (textureCatalogue[0].path == nullptr) GTEST_SKIP() << "texture catalogue not built in";
    const auto expectations = dataSet();
    for (int i = 0; i < IMAGE_TEXTURE_COUNT; ++i)
        EXPECT_EQ(std::string(textureCatalogue[i].path), "data/" + expectations[i].path) << "row " << i + 1;
}

TEST(DataSetImages, ImagesDrawnWholeHaveNothingForTheAlphaTestToCut) {
    for (const auto& expected : dataSet()) {
        if (expected.use != Use::Opaque) continue;
        SCOPED_TRACE(expected.path);
        const DecodedImage image = load(expected);
        if (image.hasAlpha) {
            EXPECT_EQ(passingIn(image, 254.5f / 255.0f, whole), long(image.width) * image.height);
        }
    }
}

TEST(DataSetImages, CutOutsPassTheirReferenceWholeAndCutSomethingAway) {
    for (const auto& expected : dataSet()) {
        if (expected.use != Use::CutOut) continue;
        SCOPED_TRACE(expected.path);
        const DecodedImage image = load(expected);
        ASSERT_TRUE(image.hasAlpha);
        const long area = long(image.width) * image.height;
        const long drawn = passingIn(image, 0.0f, whole);
        const long passing = passingIn(image, expected.reference, whole);
        // every pixel with any coverage passes: lettering loses no edge even at 0.99
        EXPECT_EQ(passing, drawn);
        EXPECT_GT(passing, area / 50) << "almost nothing left to see";
        EXPECT_LT(passing, area * 4 / 5) << "hardly cut out at all";
    }
}

TEST(DataSetImages, CutOutDrawingsLieOnScreenWhereTheScenesPutThem) {
    for (const auto& expected : dataSet()) {
        if (expected.use != Use::CutOut) continue;
        SCOPED_TRACE(expected.path);
        const DecodedImage image = load(expected);
        const Area seen = visiblePart(expected.quad);
        // one pixel of slack on each side for rounding at the screen edge
        const Area slack = {seen.x0 - 1.0 / image.width, seen.x1 + 1.0 / image.width,
                            seen.y0 - 1.0 / image.height, seen.y1 + 1.0 / image.height};
        EXPECT_EQ(passingIn(image, expected.reference, slack), passingIn(image, expected.reference, whole))
            << "part of the drawing is off screen: visible x " << seen.x0 << ".." << seen.x1
            << ", y " << seen.y0 << ".." << seen.y1;
    }
}

TEST(DataSetImages, CaptionLettersStayClearOfTheIllustrationSquare) {
    // The illustration is drawn after the caption at the same depth: letters under its
    // opaque pixels would be hidden, under its clear ones shown in pieces.
    const Area covered = partUnder(captionQuad, illustrationQuad.left, illustrationQuad.right,
                                   illustrationQuad.bottom, illustrationQuad.top);
    ASSERT_GT(covered.y1 - covered.y0, 0.1);
    for (const auto& expected : dataSet()) {
        if (expected.path.rfind("Lyrics/Line", 0) != 0 || expected.quad.depth != captionQuad.depth)
            continue;
        SCOPED_TRACE(expected.path);
        EXPECT_EQ(passingIn(load(expected), expected.reference, covered), 0);
    }
}

TEST(DataSetImages, SphereMapsHaveOneBorderColourAndAVariedDisc) {
    for (const auto& expected : dataSet()) {
        if (expected.use != Use::SphereMap) continue;
        SCOPED_TRACE(expected.path);
        const DecodedImage image = load(expected);
        const int w = image.width, h = image.height;
        // filtering wraps from each edge to the opposite one: a uniform border leaves no seam
        const uint8_t* corner = image.at(0, 0);
        int worst = 0;
        auto compare = [&](int x, int y) {
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(image.at(x, y)[c] - corner[c]));
        };
        for (int i = 0; i < w; ++i) compare(i, 0), compare(i, h - 1);
        for (int i = 0; i < h; ++i) compare(0, i), compare(w - 1, i);
        EXPECT_LE(worst, 12) << "border is not one colour";
        int darkest = 255, brightest = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = image.at(x, y);
                const int luma = (p[0] * 3 + p[1] * 6 + p[2]) / 10;
                darkest = std::min(darkest, luma);
                brightest = std::max(brightest, luma);
            }
        EXPECT_GE(brightest - darkest, 120) << "flat map";
    }
}

TEST(DataSetImages, ImagesTogetherLeaveRoomForTheMusicInEightMegabytes) {
    uintmax_t total = 0;
    for (const auto& expected : dataSet())
        if (fs::is_regular_file(dataDir + expected.path)) total += fs::file_size(dataDir + expected.path);
    EXPECT_LE(total, uintmax_t(4) << 20) << total << " bytes";
}

TEST(DataSetImages, EveryPngHoldsThePixelsItWasDrawnWith) {
    std::vector<std::string> pngs;
    for (const auto& expected : dataSet())
        if (expected.path.size() > 4 && expected.path.substr(expected.path.size() - 4) == ".png")
            pngs.push_back(expected.path);
    ASSERT_EQ(pngs.size(), std::size(pngPixelDigests));
    for (size_t i = 0; i < pngs.size(); ++i) {
        const std::string& path = pngs[i];
        DecodedImage image;
        ASSERT_TRUE(loadImage(dataDir + path, image)) << path;
        EXPECT_EQ(pixelDigest(image), pngPixelDigests[i])
            << path << " (PNG " << i + 1 << "): 0x" << std::hex << pixelDigest(image) << "ull";
    }
}

TEST(DataSetGenerator, RedrawsImagesOfEveryKindByteForByte) {
    const std::string python = "/usr/bin/python3";
    if (std::system((python + " -c 'import PIL, numpy' 2>/dev/null").c_str()) != 0 ||
        !fs::exists("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"))
        GTEST_SKIP() << "generator packages missing: run tools/datagen/setup.sh";
    // one image per drawing path: slanted lettering, sphere map, photo, narrow caption,
    // layered illustration
    const std::vector<std::string> sample = {"GroupLogo.png", "EnvA.png", "Photo.jpg",
                                             "Lyrics/Line41.png", "Lyrics/rap_06.png"};
    const fs::path out = fs::absolute("regenerated");
    fs::remove_all(out);
    std::string command = python + " " + sourceDir + "/tools/datagen/make_images.py --out " +
                          out.string() + " --only";
    for (const auto& path : sample) command += " " + path;
    ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;
    for (const auto& path : sample) {
        SCOPED_TRACE(path);
        const auto fresh = readFileBytes((out / path).string());
        ASSERT_FALSE(fresh.empty());
        EXPECT_TRUE(fresh == readFileBytes(dataDir + path)) << "redrawn bytes differ";
    }
}

TEST(DataSetImagesOnScreen, StrictCaptionsShowWholeLettersThroughTheTextureLoader) {
    ASSERT_TRUE(openTestGLContext());
    ilInit();
    iluInit();
    ilutRenderer(ILUT_OPENGL);
    ilutInit();
    for (const auto& expected : dataSet()) {
        if (expected.path.rfind("Lyrics/Line", 0) != 0 || expected.reference <= 0.4f) continue;
        SCOPED_TRACE(expected.path);
        std::string path = dataDir + expected.path;
        const GLuint texture = ilutGLLoadImage(path.data());
        ASSERT_NE(texture, 0u);
        const long usual = litPixelsOfCaption(texture, 0.4f);
        const long strict = litPixelsOfCaption(texture, expected.reference);
        EXPECT_GT(usual, 20000) << "caption barely visible";
        // filtering softens a texel's width at the letter edges; nothing more may go
        EXPECT_GE(strict, usual * 19 / 20) << usual << " pixels lit at 0.4, " << strict
                                           << " at " << expected.reference;
        glDeleteTextures(1, &texture);
    }
    closeTestGLContext();
}
