// RenderTargetScene on screen: the photo and banner part, the switch to the
// meshes at 15909668, and mesh C showing the square rendered into renderTex1
// in the same frame.
#include "support/scenes_fixture.h"

using namespace scenefix;

namespace {
[[maybe_unused]] auto* const window = ::testing::AddGlobalTestEnvironment(new SceneWindow);

constexpr double BANNER_Z = -5.5, BANNER_Y = -1.0, MESH_C_Z = -3.4;
constexpr double BANNER_R = 5.0;
double bannerBand(int band) { return -2.3 + bandMiddle(band, BANNER_R); }

constexpr float PHOTO_PART = 14000000.0f, RENDER_PART = 20000000.0f;
}  // namespace

// The photo covers the view whatever its sway; the banner lies across the
// bottom with its alpha-0.3 band cut out.
TEST(RenderTargetScene, PhotoAndBannerFromTheFirstFrameAfterGreetings) {
    ASSERT_EQ(drawSceneAt(RENDER_TARGET, 13196416.0f), 1);
    const Rgb photo = colourOf(texPhoto), banner = colourOf(texBanner);
    EXPECT_SHOWS(pixelAtEye(0.0, 1.0, BANNER_Z), photo);
    EXPECT_SHOWS(pixelAtEye(bannerBand(0), BANNER_Y, BANNER_Z), photo);
    for (int band : {1, 2, 3, 4}) EXPECT_SHOWS(pixelAtEye(bannerBand(band), BANNER_Y, BANNER_Z), banner);
    const Frame f = readFrame();
    EXPECT_EQ(gridCount(f, BLACK), 0);
    EXPECT_EQ(gridCount(f, colourOf(texStrip)), 0);
    EXPECT_EQ(gridCount(f, colourOf(texWave)), 0);
}

TEST(RenderTargetScene, BannerShakesRightWithBin1AndUpWithBin0) {
    const Rgb photo = colourOf(texPhoto), banner = colourOf(texBanner);
    drawSceneAt(RENDER_TARGET, PHOTO_PART);
    EXPECT_SHOWS(pixelAtEye(bannerBand(2), -0.4, BANNER_Z), photo) << "top edge at -0.5";
    EXPECT_SHOWS(pixelAtEye(2.8, BANNER_Y, BANNER_Z), photo) << "right edge at 2.7";

    makeActive(RENDER_TARGET);
    fftBins[1] = 0.25f;  // 0.2 right
    fftBins[0] = 0.4f;   // 0.2 up
    runSceneChain();
    EXPECT_SHOWS(pixelAtEye(bannerBand(2), -0.4, BANNER_Z), banner);
    EXPECT_SHOWS(pixelAtEye(2.8, BANNER_Y, BANNER_Z), banner);
}

// The photo part draws under the mode GreetingsScene leaves (GL_REPLACE):
// full brightness, though drawMeshA has left the colour at 0.3.
TEST(RenderTargetScene, PhotoAtFullBrightnessAfterGreetings) {
    drawSceneAt(GREETINGS, 13196416.0f);
    ASSERT_EQ(activeScene(), RENDER_TARGET);
    placeMusicAt(13196416.0f);
    runSceneChain();
    EXPECT_SHOWS(pixelAtEye(0.0, 1.0, BANNER_Z), colourOf(texPhoto));
}

TEST(RenderTargetScene, MeshesReplacePhotoExactlyAt15909668) {
    drawSceneAt(RENDER_TARGET, 15909666.0f);
    EXPECT_SHOWS(pixelAtEye(0.0, 1.0, BANNER_Z), colourOf(texPhoto));

    ASSERT_EQ(drawSceneAt(RENDER_TARGET, 15909668.0f), 1);
    const Frame f = readFrame();
    EXPECT_EQ(gridCount(f, colourOf(texPhoto)), 0);
    EXPECT_EQ(gridCount(f, colourOf(texBanner)), 0);
    EXPECT_SHOWS(f.at(400, 300), colourOf(texWave)) << "mesh C in the middle";
    EXPECT_GT(gridCount(f, colourOf(texStrip)), 0) << "mesh A around the eye";
}

// Whatever renderTex1 held before, mesh C shows the texWave square drawn
// into it earlier in the same frame.
TEST(RenderTargetScene, MeshCShowsTheSquareRenderedInTheSameFrame) {
    const std::vector<uint8_t> magenta = [] {
        std::vector<uint8_t> v(512 * 512 * 4);
        for (size_t i = 0; i < v.size(); i += 4) v[i] = 255, v[i + 1] = 0, v[i + 2] = 255, v[i + 3] = 255;
        return v;
    }();
    glBindTexture(GL_TEXTURE_2D, renderTex1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 512, 512, GL_RGBA, GL_UNSIGNED_BYTE, magenta.data());

    ASSERT_EQ(drawSceneAt(RENDER_TARGET, 15909668.0f), 1);
    const Frame f = readFrame();
    EXPECT_SHOWS(f.at(400, 300), colourOf(texWave));
    EXPECT_EQ(gridCount(f, {255, 0, 255}), 0);

    const TextureImage target = readTexture(renderTex1);
    ASSERT_EQ(target.rgba.size(), size_t(512 * 512 * 4));
    for (int at : {0, 256 * 512 + 256, 512 * 512 - 1})
        EXPECT_SHOWS(target.at(at % 512, at / 512), colourOf(texWave)) << "texel " << at;
}

// With musicSeconds at 0 mesh C is not tumbled, so its spectrum shake runs
// along the screen's axes: right with bin 1, up with bin 3.
TEST(RenderTargetScene, MeshCStandsAtTheMiddleAndShakesAlongScreenAxesUntumbled) {
    const Rgb wave = colourOf(texWave);
    makeActive(RENDER_TARGET);
    placeMusicAt(RENDER_PART);
    musicSeconds = 0.0f;
    runSceneChain();
    const auto rest = centroidOf(readFrame(), wave);
    EXPECT_NEAR(rest.first, 400.0, 40.0);

    makeActive(RENDER_TARGET);
    fftBins[1] = 1.0f;  // 0.5 right
    runSceneChain();
    const auto right = centroidOf(readFrame(), wave);
    EXPECT_GT(right.first - rest.first, 60.0);
    EXPECT_NEAR(right.second, rest.second, 10.0);

    makeActive(RENDER_TARGET);
    fftBins[1] = 0.0f;
    fftBins[3] = 0.25f;  // 0.5 up
    runSceneChain();
    const auto up = centroidOf(readFrame(), wave);
    EXPECT_GT(up.second - rest.second, 60.0);
    EXPECT_NEAR(up.first, rest.first, 10.0);
}
