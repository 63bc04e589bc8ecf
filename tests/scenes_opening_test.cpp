// The first three scenes on screen: the intro's logo and title parts, the
// spin scene's swinging mesh A, and the greetings images over the dimmed mesh.
#include "support/scenes_fixture.h"

using namespace scenefix;

namespace {
[[maybe_unused]] auto* const window = ::testing::AddGlobalTestEnvironment(new SceneWindow);

constexpr double LOGO_Z = -5.5, TITLE_Z = -2.4, THANKS_Z = -2.0;
constexpr double LOGO_R = 4.0, THANKS_R = 1.0;

// Eye x of the middle of a logo band at rest: the quad starts at -1.5 - 1.
double logoBand(int band) { return -1.5 + bandMiddle(band, LOGO_R); }
double thanksBand(int band) { return bandMiddle(band, THANKS_R); }
}  // namespace

// ---- IntroScene ------------------------------------------------------------

// All signals 0: the logo spans x -2.5..2.5, y -1..1 at depth 5.5, and only
// its bands above alpha 0.82 survive the cut-out.
TEST(IntroScene, FirstFrameShowsLogoAtRestOverMeshA) {
    setFrameInput({{}, {}, 0.0f});
    ASSERT_EQ(drawSceneAt(INTRO, 0.0f), 1);
    const Rgb logo = colourOf(texGroupLogo);
    for (int band : {0, 1, 2}) EXPECT_FALSE(near(pixelAtEye(logoBand(band), 0, LOGO_Z), logo)) << band;
    for (int band : {3, 4}) EXPECT_SHOWS(pixelAtEye(logoBand(band), 0, LOGO_Z), logo);

    EXPECT_SHOWS(pixelAtEye(2.4, 0.9, LOGO_Z), logo);
    EXPECT_FALSE(near(pixelAtEye(2.6, 0.0, LOGO_Z), logo)) << "right edge at 2.5";
    EXPECT_FALSE(near(pixelAtEye(2.0, 1.1, LOGO_Z), logo)) << "top edge at 1";
    EXPECT_FALSE(near(pixelAtEye(2.0, -1.1, LOGO_Z), logo)) << "bottom edge at -1";
    EXPECT_GT(gridCount(readFrame(), colourOf(texSpiral)), 0) << "mesh A with the spiral";
}

TEST(IntroScene, LogoMovesRightWithBin1AndUpWithBin4Only) {
    const Rgb logo = colourOf(texGroupLogo);
    makeActive(INTRO);
    placeMusicAt(0.0f);
    for (int other : {0, 2, 3, 5, 6, 7}) fftBins[other] = 1.0f;
    runSceneChain();
    EXPECT_FALSE(near(pixelAtEye(2.6, 0.0, LOGO_Z), logo)) << "other bins leave it at rest";

    fftBins[1] = 0.25f;  // 0.45 to the right
    fftBins[4] = 0.3f;   // 0.3 up
    makeActive(INTRO);
    runSceneChain();
    EXPECT_SHOWS(pixelAtEye(2.85, 1.2, LOGO_Z), logo);
    EXPECT_FALSE(near(pixelAtEye(3.0, 0.0, LOGO_Z), logo)) << "right edge at 2.95";
    EXPECT_FALSE(near(pixelAtEye(2.0, 1.4, LOGO_Z), logo)) << "top edge at 1.3";
}

TEST(IntroScene, TitleReplacesLogoExactlyAt2642304) {
    const Rgb title = colourOf(texTitle), logo = colourOf(texGroupLogo);
    ASSERT_EQ(drawSceneAt(INTRO, 2642302.0f), 1);
    EXPECT_SHOWS(pixelAtEye(logoBand(4), 0, LOGO_Z), logo);

    for (float bytes : {2642304.0f, 5289174.0f}) {
        SCOPED_TRACE(bytes);
        ASSERT_EQ(drawSceneAt(INTRO, bytes), 1);
        const Frame f = readFrame();
        EXPECT_SHOWS(pixelAtEye(0.0, 0.0, TITLE_Z), title);
        EXPECT_SHOWS(pixelAtEye(1.25, 0.9, TITLE_Z), title);
        EXPECT_SHOWS(pixelAtEye(-1.3, -0.9, TITLE_Z), title);
        EXPECT_SHOWS(pixelAtEye(1.4, 0.0, TITLE_Z), BLACK) << "right edge at 1.33";
        EXPECT_EQ(gridCount(f, logo), 0);
        EXPECT_EQ(gridCount(f, colourOf(texSpiral)), 0) << "no mesh behind the title";
    }
}

// The title part sets no texture mode: after the logo part it draws at full
// brightness, while a mode left at GL_MODULATE would dim it.
TEST(IntroScene, TitleDrawsUnderTheTextureModeInForce) {
    const Rgb title = colourOf(texTitle);
    drawSceneAt(INTRO, 0.0f);
    drawSceneAt(INTRO, 3000000.0f);
    EXPECT_SHOWS(pixelAtEye(0.0, 0.0, TITLE_Z), title);

    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor3f(0.3f, 0.3f, 0.3f);
    drawSceneAt(INTRO, 3000000.0f);
    EXPECT_TRUE(near(pixelAtEye(0.0, 0.0, TITLE_Z), dimmed(title), 4))
        << nameOf(pixelAtEye(0.0, 0.0, TITLE_Z));
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

// ---- SpinScene -------------------------------------------------------------

namespace {
std::pair<double, double> meshACentroidAt(float bytes, float elapsed) {
    makeActive(SPIN);
    placeMusicAt(bytes);
    setFrameInput({{}, {}, elapsed});
    EXPECT_EQ(runSceneChain(), 1);
    return centroidOf(readFrame(), colourOf(texSpiral));
}
}  // namespace

TEST(SpinScene, MeshASwingsWithElapsedSecondsNotWithTheMusic) {
    const auto a = meshACentroidAt(6000000.0f, 0.0f);
    ASSERT_GE(a.first, 0) << "mesh A (spiral) not on screen";
    const auto sameTimeLaterMusic = meshACentroidAt(9000000.0f, 0.0f);
    EXPECT_NEAR(sameTimeLaterMusic.first, a.first, 0.01);
    EXPECT_NEAR(sameTimeLaterMusic.second, a.second, 0.01);

    const auto quarterSwing = meshACentroidAt(6000000.0f, 1.5707964f);  // sine 1: 1.1 right
    EXPECT_GT(quarterSwing.first - a.first, 40.0);
    EXPECT_GT(gridCount(readFrame(), colourOf(texEnvA)), 0) << "mesh B behind";
}

TEST(SpinScene, MeshAJumpsRightAndUpWithBin1) {
    const auto rest = meshACentroidAt(6000000.0f, 0.5f);
    makeActive(SPIN);
    for (int other : {0, 2, 3, 4, 5, 6, 7}) fftBins[other] = 1.0f;
    runSceneChain();
    const auto others = centroidOf(readFrame(), colourOf(texSpiral));
    EXPECT_NEAR(others.first, rest.first, 0.01);
    EXPECT_NEAR(others.second, rest.second, 0.01);

    makeActive(SPIN);
    fftBins[1] = 0.5f;  // 0.9 right and 0.75 up at depth 10
    runSceneChain();
    const auto jumped = centroidOf(readFrame(), colourOf(texSpiral));
    EXPECT_GT(jumped.first - rest.first, 40.0);
    EXPECT_GT(jumped.second - rest.second, 30.0);
}

// ---- GreetingsScene --------------------------------------------------------

TEST(GreetingsScene, ThanksUntil11276600ThenThanksGroups) {
    ASSERT_EQ(drawSceneAt(GREETINGS, 10576080.0f), 1);
    EXPECT_SHOWS(pixelAtEye(thanksBand(1), 0, THANKS_Z), colourOf(texThanks));
    ASSERT_EQ(drawSceneAt(GREETINGS, 11276598.0f), 1);
    EXPECT_SHOWS(pixelAtEye(thanksBand(4), 0, THANKS_Z), colourOf(texThanks));
    ASSERT_EQ(drawSceneAt(GREETINGS, 11276600.0f), 1);
    for (int band : {1, 2, 3, 4})
        EXPECT_SHOWS(pixelAtEye(thanksBand(band), 0, THANKS_Z), colourOf(texThanksGroups));
    EXPECT_FALSE(near(pixelAtEye(thanksBand(0), 0, THANKS_Z), colourOf(texThanksGroups)))
        << "alpha 0.3 is cut out at 0.4";
}

// drawMeshA sets the colour itself, so the mesh is dim even when the scene
// finds the colour white.
TEST(GreetingsScene, MeshShowsDimmedFromTheFirstFrame) {
    glColor3f(1, 1, 1);
    ASSERT_EQ(drawSceneAt(GREETINGS, 12000000.0f), 1);
    const Frame f = readFrame();
    EXPECT_GT(gridCount(f, dimmed(colourOf(texEnvA)), 4), 0);
    EXPECT_EQ(gridCount(f, colourOf(texEnvA)), 0) << "never at full brightness";
    EXPECT_SHOWS(pixelAtEye(thanksBand(1), 0, THANKS_Z), colourOf(texThanksGroups))
        << "the image itself at full brightness";
}

TEST(GreetingsScene, ImageMovesRightWithBin7AndUpWithBin6) {
    const Rgb image = colourOf(texThanksGroups);
    drawSceneAt(GREETINGS, 12000000.0f);
    EXPECT_FALSE(near(pixelAtEye(1.05, 0.0, THANKS_Z), image)) << "right edge at 1";
    EXPECT_SHOWS(pixelAtEye(thanksBand(3), -0.7, THANKS_Z), image);

    makeActive(GREETINGS);
    fftBins[7] = 0.25f;  // 0.2 right
    fftBins[6] = 1.0f;   // 0.5 up
    runSceneChain();
    EXPECT_SHOWS(pixelAtEye(1.05, 0.0, THANKS_Z), image);
    EXPECT_FALSE(near(pixelAtEye(thanksBand(3), -0.7, THANKS_Z), image)) << "bottom edge at -0.5";
}
