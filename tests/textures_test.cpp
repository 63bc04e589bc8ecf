// Texture catalogue on a real GL context: every row lands in its own handle,
// missing or broken files leave 0 without a message, images stand upright and
// whole on the scene quad, the render textures' shape, and release of 69 names;
// each through ILUT's upload and through the direct one a browser uses.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "resources/textures.h"
#include "support/png_fixtures.h"
#include "support/texture_catalogue.h"
#include "support/data_dir_fixture.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

unsigned int* const renderTextureHandles[] = {&renderTex0, &renderTex1, &renderTex2, &renderTex3};

// Five levels of red and green, three of blue: any two rows differ by at least
// 60 in some channel, far beyond what JPEG does to a solid colour.
Rgb rowColour(int row) {
    static const int LEVELS[] = {0, 60, 120, 180, 240};
    return {LEVELS[row % 5], LEVELS[row / 5 % 5], LEVELS[row / 25 * 2]};
}

void writeRowImage(int row) {
    const Rgb c = rowColour(row);
    ASSERT_TRUE(writeSolidImage(expectedTextureCatalogue()[row].path, 8, 8, uint8_t(c.r), uint8_t(c.g),
                                uint8_t(c.b)));
}

// Cuts a file to half its length, as an interrupted copy leaves it.
void truncateToHalf(const std::string& path) { fs::resize_file(path, fs::file_size(path) / 2); }

// One byte per pixel from a rule of the pixel's position (x from the left,
// y from the top).
template <typename Rule>
std::vector<uint8_t> pixelsBy(int width, int height, int channels, Rule rule) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) pixels.push_back(rule(x, y, c));
    return pixels;
}

// ---- picture with differing quadrants ----------------------------------------
const Rgb TOP_LEFT = {255, 0, 0}, TOP_RIGHT = {0, 255, 0}, BOTTOM_LEFT = {0, 0, 255},
          BOTTOM_RIGHT = {255, 255, 255};

// Rows top first, RGBA or RGB; upside down or mirrored, it can be told apart.
std::vector<uint8_t> quadrantPixels(int width, int height, int channels = 4) {
    return pixelsBy(width, height, channels, [&](int x, int y, int c) {
        if (c == 3) return uint8_t(255);
        const Rgb q = y < height / 2 ? (x < width / 2 ? TOP_LEFT : TOP_RIGHT)
                                     : (x < width / 2 ? BOTTOM_LEFT : BOTTOM_RIGHT);
        return uint8_t(c == 0 ? q.r : c == 1 ? q.g : q.b);
    });
}

// ---- what the screen shows --------------------------------------------------
constexpr int WINDOW_WIDTH = 800, WINDOW_HEIGHT = 600;  // openTestGLContext's default

// The scene quad with right edge 1 (texture coordinate (0, 0) at its lower-left
// corner), under GL_REPLACE, stretched over the whole viewport.
void drawSceneQuad(unsigned int texture) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, texture);
    drawQuad(-1, -1, 1, 1);
}

// The window pixel at a fraction of its width and height, from the lower left.
Rgb seenAt(double fx, double fy) {
    return readPixel(int(WINDOW_WIDTH * fx), int(WINDOW_HEIGHT * fy));
}

void expectQuadrantsSeen(unsigned int texture, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_NE(texture, 0u);
    drawSceneQuad(texture);
    EXPECT_TRUE(near(seenAt(0.25, 0.75), TOP_LEFT)) << describe(seenAt(0.25, 0.75));
    EXPECT_TRUE(near(seenAt(0.75, 0.75), TOP_RIGHT)) << describe(seenAt(0.75, 0.75));
    EXPECT_TRUE(near(seenAt(0.25, 0.25), BOTTOM_LEFT)) << describe(seenAt(0.25, 0.25));
    EXPECT_TRUE(near(seenAt(0.75, 0.25), BOTTOM_RIGHT)) << describe(seenAt(0.75, 0.25));
}

// The level-0 texel in the middle of a texture, read back from GL.
Rgb centreTexel(unsigned int texture) {
    const TextureImage t = readTexture(texture);
    return t.at(t.width / 2, t.height / 2);
}

// The parameter is imageUploadThroughIlut.
class TextureCatalogue : public EmptyDataDirTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        imageUploadThroughIlut = GetParam();
        EmptyDataDirTest::SetUp();
    }
    void TearDown() override {
        EmptyDataDirTest::TearDown();
        imageUploadThroughIlut = true;
    }
};

// ---- catalogue ----------------------------------------------------------------

TEST_P(TextureCatalogue, LoadsTheRowsInOrderEachIntoItsOwnHandle) {
    const std::vector<ExpectedTexture>& rows = expectedTextureCatalogue();
    ASSERT_EQ(rows.size(), size_t(IMAGE_TEXTURE_COUNT));
    for (int row = 0; row < IMAGE_TEXTURE_COUNT; ++row) {
        EXPECT_EQ(textureCatalogue[row].handle, rows[row].handle) << "row " << row + 1;
        EXPECT_EQ(textureCatalogue[row].path, rows[row].path) << "row " << row + 1;
        writeRowImage(row);
    }
    EXPECT_EQ(loadTextures(), 1);

    std::set<unsigned int> names;
    for (int row = 0; row < IMAGE_TEXTURE_COUNT; ++row) {
        SCOPED_TRACE(rows[row].path);
        const unsigned int name = *rows[row].handle;
        ASSERT_NE(name, 0u);
        names.insert(name);
        EXPECT_TRUE(near(centreTexel(name), rowColour(row))) << describe(centreTexel(name))
                                                             << " expected "
                                                             << describe(rowColour(row));
    }
    EXPECT_EQ(names.size(), size_t(IMAGE_TEXTURE_COUNT));
    EXPECT_TRUE(recordedBoxes().empty());
}

TEST_P(TextureCatalogue, WithNoImagePresentEveryHandleIsZeroAndNothingIsShown) {
    // Stale values prove that every handle is written, failure or not.
    for (const ExpectedTexture& row : expectedTextureCatalogue()) *row.handle = 12345;
    EXPECT_EQ(loadTextures(), 1);

    for (const ExpectedTexture& row : expectedTextureCatalogue()) EXPECT_EQ(*row.handle, 0u) << row.path;
    EXPECT_TRUE(recordedBoxes().empty());
    for (unsigned int* handle : renderTextureHandles) EXPECT_TRUE(glIsTexture(*handle));

    // Zero handles go to glDeleteTextures like any other, harmlessly.
    EXPECT_EQ(releaseTextures(), 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_P(TextureCatalogue, MissingOrBrokenFilesStoreZeroAndTheNextRowsStillLoad) {
    for (int row = 0; row < IMAGE_TEXTURE_COUNT; ++row) writeRowImage(row);
    fs::remove("data/Riddle.png");
    writeFileBytes("data/EnvA.png", "");
    writeFileBytes("data/Banner.png", std::string(1000, 'x'));
    // Cut inside its text chunk: DevIL's own file reading would loop here forever.
    const std::string thanks = handMadePng(8, 8, PNG_RGB, std::vector<uint8_t>(8 * 8 * 3));
    writeFileBytes("data/Thanks.png", thanks.substr(0, thanks.find("tEXt") + 8));
    ASSERT_TRUE(writeImage("data/Title.jpg", 64, 64, pixelsBy(64, 64, 4, [](int x, int y, int c) {
                               return uint8_t(x * 37 + y * 11 + c * 71);
                           })));
    truncateToHalf("data/Title.jpg");
    // A header that promises 20000 x 20000 pixels with one row of data behind it.
    writeFileBytes("data/Lyrics/Line07.png",
               handMadePng(20000, 20000, PNG_RGB, std::vector<uint8_t>(20000 * 3)));
    EXPECT_EQ(loadTextures(), 1);

    const std::set<std::string> broken = {"data/Riddle.png", "data/EnvA.png", "data/Banner.png",
                                          "data/Thanks.png", "data/Title.jpg",
                                          "data/Lyrics/Line07.png"};
    const std::vector<ExpectedTexture>& rows = expectedTextureCatalogue();
    for (int row = 0; row < IMAGE_TEXTURE_COUNT; ++row) {
        SCOPED_TRACE(rows[row].path);
        const unsigned int name = *rows[row].handle;
        if (broken.count(rows[row].path)) {
            EXPECT_EQ(name, 0u);
        } else {
            ASSERT_NE(name, 0u);
            EXPECT_TRUE(near(centreTexel(name), rowColour(row))) << describe(centreTexel(name));
        }
    }
    EXPECT_TRUE(recordedBoxes().empty());
}

// ---- what the quads show ----------------------------------------------------

TEST_P(TextureCatalogue, ImagesShowUprightAndWholeOnTheSceneQuad) {
    ASSERT_TRUE(writeImage("data/GroupLogo.png", 16, 16, quadrantPixels(16, 16)));
    // Quadrants on 8x8 JPEG blocks keep their colours exact at the centres.
    ASSERT_TRUE(writeImage("data/Title.jpg", 16, 16, quadrantPixels(16, 16), false));
    // RGB rows of 30 bytes: not a multiple of GL's default unpack alignment.
    ASSERT_TRUE(writeImage("data/Banner.png", 10, 6, quadrantPixels(10, 6), false));
    writeFileBytes("data/Thanks.png", handMadePng(16, 16, PNG_RGB, quadrantPixels(16, 16, 3)));
    loadTextures();

    expectQuadrantsSeen(texGroupLogo, "PNG with alpha");
    expectQuadrantsSeen(texTitle, "JPEG");
    expectQuadrantsSeen(texBanner, "RGB PNG, odd row length");
    expectQuadrantsSeen(texThanks, "PNG written byte by byte");
}

TEST_P(TextureCatalogue, PalettedAndGreyscalePngsShowTheirColoursAndAlpha) {
    const std::string redBlue("\xFF\x00\x00\x00\x00\xFF", 6);  // palette: 0 red, 1 blue
    writeFileBytes("data/Lyrics/Line01.png",
               handMadePng(16, 16, PNG_PALETTE,
                           pixelsBy(16, 16, 1, [](int, int y, int) { return uint8_t(y >= 8); }),
                           redBlue));
    writeFileBytes("data/Lyrics/Line02.png",
               handMadePng(16, 16, PNG_GREY, pixelsBy(16, 16, 1, [](int, int y, int) {
                               return uint8_t(y < 8 ? 200 : 50);
                           })));
    // Grey 180, transparent on the left half: a lettering cut-out.
    writeFileBytes("data/Lyrics/Line03.png",
               handMadePng(16, 16, PNG_GREY_ALPHA, pixelsBy(16, 16, 2, [](int x, int, int c) {
                               return uint8_t(c == 0 ? 180 : x < 8 ? 0 : 255);
                           })));
    loadTextures();

    drawSceneQuad(texLine01);
    EXPECT_TRUE(near(seenAt(0.5, 0.75), {255, 0, 0})) << describe(seenAt(0.5, 0.75));
    EXPECT_TRUE(near(seenAt(0.5, 0.25), {0, 0, 255})) << describe(seenAt(0.5, 0.25));

    drawSceneQuad(texLine02);
    EXPECT_TRUE(near(seenAt(0.5, 0.75), {200, 200, 200})) << describe(seenAt(0.5, 0.75));
    EXPECT_TRUE(near(seenAt(0.5, 0.25), {50, 50, 50})) << describe(seenAt(0.5, 0.25));

    glClearColor(0, 1, 0, 0);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    drawSceneQuad(texLine03);
    glDisable(GL_ALPHA_TEST);
    EXPECT_TRUE(near(seenAt(0.25, 0.5), {0, 255, 0})) << describe(seenAt(0.25, 0.5));
    EXPECT_TRUE(near(seenAt(0.75, 0.5), {180, 180, 180})) << describe(seenAt(0.75, 0.5));
}

TEST_P(TextureCatalogue, ImageWiderThanTheDriverAllowsIsScaledDownWhole) {
    const GLint maxSize = glInteger(GL_MAX_TEXTURE_SIZE);
    const int width = maxSize + 2;
    ASSERT_TRUE(writeImage("data/Photo.jpg", width, 16, pixelsBy(width, 16, 4, [&](int x, int, int c) {
                               const bool left = x < width / 2;
                               return uint8_t(c == 3 || (left ? c == 0 : c == 2) ? 255 : 0);
                           }), false));
    loadTextures();

    ASSERT_NE(texPhoto, 0u);
    EXPECT_LE(levelParameter(texPhoto, 0, GL_TEXTURE_WIDTH), maxSize);
    drawSceneQuad(texPhoto);
    EXPECT_TRUE(near(seenAt(0.1, 0.5), {255, 0, 0})) << describe(seenAt(0.1, 0.5));
    EXPECT_TRUE(near(seenAt(0.9, 0.5), {0, 0, 255})) << describe(seenAt(0.9, 0.5));
}

// ---- render textures and release ---------------------------------------------

TEST_P(TextureCatalogue, RenderTexturesAreEmpty512SquareRgba8WithTheirFilters) {
    loadTextures();

    EXPECT_EQ(GLuint(glInteger(GL_TEXTURE_BINDING_2D)), renderTex3);
    std::set<unsigned int> names;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("renderTex" + std::to_string(i));
        const unsigned int name = *renderTextureHandles[i];
        ASSERT_NE(name, 0u);
        names.insert(name);
        EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_WIDTH), 512);
        EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_HEIGHT), 512);
        EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        const bool mipmapped = i == 3;
        EXPECT_EQ(textureParameter(name, GL_TEXTURE_MIN_FILTER),
                  mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        // A full chain down to 1x1 on the last one only; the others can be
        // sampled right after a pass with no mipmap update.
        EXPECT_EQ(levelParameter(name, 1, GL_TEXTURE_WIDTH), mipmapped ? 256 : 0);
        EXPECT_EQ(levelParameter(name, 9, GL_TEXTURE_WIDTH), mipmapped ? 1 : 0);
    }
    EXPECT_EQ(names.size(), 4u);
}

TEST_P(TextureCatalogue, ReleaseDeletesAllSixtyNineNamesAndKeepsTheHandles) {
    for (int row = 0; row < IMAGE_TEXTURE_COUNT; ++row) writeRowImage(row);
    loadTextures();
    const std::vector<unsigned int> names = textureNames();
    ASSERT_EQ(names.size(), 69u);
    for (unsigned int name : names) ASSERT_TRUE(glIsTexture(name)) << name;

    EXPECT_EQ(releaseTextures(), 1);

    for (unsigned int name : names) EXPECT_FALSE(glIsTexture(name)) << name;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(texGroupLogo, names.front());
    EXPECT_EQ(renderTex3, names.back());
}

INSTANTIATE_TEST_SUITE_P(Upload, TextureCatalogue, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "ThroughIlut" : "Direct";
                         });

}  // namespace

// ---- the web build's upload, against ILUT's ------------------------------------
// The web build has no ILUT (its OpenGL helper does not work on WebGL) and
// uploads what DevIL decoded itself. Natively both run side by side: the same
// size, the same texels bottom row first, the same wrapping and filtering,
// for every image of the real data set and for the PNG kinds it has none of.
#include <IL/il.h>

namespace {

struct Upload : TextureImage {
    GLint wrapS = 0, wrapT = 0, minFilter = 0, magFilter = 0;
};

Upload uploaded(unsigned int texture) {
    Upload u;
    static_cast<TextureImage&>(u) = readTexture(texture);
    // A luminance texture reads back as (L, 0, 0) but is sampled as (L, L, L).
    if (levelParameter(texture, 0, GL_TEXTURE_LUMINANCE_SIZE) > 0)
        for (size_t i = 0; i < u.rgba.size(); i += 4) u.rgba[i + 1] = u.rgba[i + 2] = u.rgba[i];
    u.wrapS = textureParameter(texture, GL_TEXTURE_WRAP_S);
    u.wrapT = textureParameter(texture, GL_TEXTURE_WRAP_T);
    u.minFilter = textureParameter(texture, GL_TEXTURE_MIN_FILTER);
    u.magFilter = textureParameter(texture, GL_TEXTURE_MAG_FILTER);
    return u;
}

unsigned int uploadedWithoutIlut(const std::string& path) {
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    const unsigned int texture = ilLoadImage(path.c_str()) ? uploadBoundImage() : 0;
    ilDeleteImages(1, &image);
    return texture;
}

class WebUpload : public EmptyDataDirTest {
protected:
    void expectSameUpload(const std::string& path) {
        const unsigned int byIlut = loadImageTexture(path.c_str());
        const unsigned int byHand = uploadedWithoutIlut(path);
        ASSERT_NE(byIlut, 0u) << path;
        ASSERT_NE(byHand, 0u) << path;
        const Upload a = uploaded(byIlut), b = uploaded(byHand);
        EXPECT_EQ(a.width, b.width) << path;
        EXPECT_EQ(a.height, b.height) << path;
        EXPECT_TRUE(a.rgba == b.rgba) << path;
        EXPECT_EQ(a.wrapS, b.wrapS) << path;
        EXPECT_EQ(a.wrapT, b.wrapT) << path;
        EXPECT_EQ(a.minFilter, b.minFilter) << path;
        EXPECT_EQ(a.magFilter, b.magFilter) << path;
        glDeleteTextures(1, &byIlut);
        glDeleteTextures(1, &byHand);
    }
};

TEST_F(WebUpload, EveryImageOfTheDataSetUploadsAsIlutUploadsIt) {
    initImageLibraries();
    for (const ExpectedTexture& row : expectedTextureCatalogue())
        expectSameUpload(std::string(DEMO_SOURCE_DIR) + "/" + row.path);
}

TEST_F(WebUpload, PalettedGreyAndGreyAlphaPngsUploadAsIlutUploadsThem) {
    const std::string redBlue("\xFF\x00\x00\x00\x00\xFF", 6);
    writeFileBytes("data/palette.png", handMadePng(16, 16, PNG_PALETTE,
                                          pixelsBy(16, 16, 1, [](int x, int, int) { return uint8_t(x >= 8); }),
                                          redBlue));
    writeFileBytes("data/grey.png", handMadePng(16, 16, PNG_GREY, pixelsBy(16, 16, 1, [](int x, int y, int) {
                                           return uint8_t(x * 16 + y);
                                       })));
    writeFileBytes("data/grey_alpha.png", handMadePng(16, 16, PNG_GREY_ALPHA, pixelsBy(16, 16, 2, [](int x, int y, int c) {
                                                 return uint8_t(c == 0 ? x * 16 : y * 16);
                                             })));
    initImageLibraries();
    for (const char* path : {"data/palette.png", "data/grey.png", "data/grey_alpha.png"}) expectSameUpload(path);
}

}  // namespace
