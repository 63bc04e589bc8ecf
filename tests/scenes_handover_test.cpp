// The scene chain: handover at each end threshold, the picture of each
// scene's last frame, a backlog of overdue boundaries, scenes that decline,
// and the OpenGL state every scene leaves for the next.
#include "support/scenes_fixture.h"

using namespace scenefix;

namespace {
[[maybe_unused]] auto* const window = ::testing::AddGlobalTestEnvironment(new SceneWindow);

// A position well inside each scene, used where any frame of the scene will do.
constexpr float INSIDE[SCENE_COUNT] = {1000000.0f, 8000000.0f, 12000000.0f, 20000000.0f,
                                       24000000.0f};

// Byte positions are even beyond 2^24, so 2 below a threshold is the last
// position before it.
float justBefore(int scene) { return static_cast<float>(endThreshold(scene) - 2.0); }
}  // namespace

TEST(Handover, PositionExactlyAtThresholdEndsSceneAndOpensNext) {
    for (int s = 0; s < SCENE_COUNT; ++s) {
        SCOPED_TRACE(sceneName[s]);
        EXPECT_EQ(drawSceneAt(s, justBefore(s)), 1);
        EXPECT_EQ(activeScene(), s) << "ended before its threshold";

        placeMusicAt(static_cast<float>(endThreshold(s)));
        EXPECT_EQ(runSceneChain(), 1) << "the ending scene still owns its last frame";
        EXPECT_TRUE(*inactiveFlag[s]);
        EXPECT_EQ(activeScene(), s + 1 < SCENE_COUNT ? s + 1 : NO_SCENE);
    }
    EXPECT_EQ(runSceneChain(), 0) << "with every scene finished the chain declines";
}

TEST(Handover, IntroAndRenderTargetEndOnABlackFrame) {
    for (int s : {INTRO, RENDER_TARGET}) {
        SCOPED_TRACE(sceneName[s]);
        ASSERT_EQ(drawSceneAt(s, static_cast<float>(endThreshold(s))), 1);
        EXPECT_EQ(gridCount(readFrame(), BLACK, 0), GRID_POINTS);
    }
}

// The last frame of these scenes equals an ordinary frame drawn with the same
// signals; the lyrics scene's last frame has no row left, so it equals a frame
// of the stretch before the first row.
TEST(Handover, SpinGreetingsAndLyricsDrawTheirFullPictureInTheirLastFrame) {
    const float ordinary[SCENE_COUNT] = {0, justBefore(SPIN), justBefore(GREETINGS), 0,
                                         23830000.0f};
    setFrameInput({{}, {}, 33.0f});
    for (int s : {SPIN, GREETINGS, LYRICS}) {
        SCOPED_TRACE(sceneName[s]);
        const float end = static_cast<float>(endThreshold(s));
        makeActive(s);
        placeMusicAt(ordinary[s]);
        spinPhase = end / 200000.0f;
        ASSERT_EQ(runSceneChain(), 1);
        const Frame before = readFrame();

        ASSERT_EQ(drawSceneAt(s, end), 1);
        ASSERT_TRUE(*inactiveFlag[s]);
        const Frame last = readFrame();
        EXPECT_TRUE(last == before);
        EXPECT_LT(gridCount(last, BLACK), GRID_POINTS / 2) << "the last frame is not blank";
    }
}

// A position past every threshold from the first frame on, as an all-ones
// position reading gives: one frame per scene in chain order, then the end.
TEST(Handover, BacklogIsWorkedOffOneScenePerFrameInChainOrder) {
    makeActive(INTRO);
    placeMusicAt(1.8446744e19f);
    for (int s = 0; s < SCENE_COUNT; ++s) {
        SCOPED_TRACE(sceneName[s]);
        ASSERT_EQ(activeScene(), s);
        ASSERT_EQ(runSceneChain(), 1);
        const Frame f = readFrame();
        const Rgb centre = f.at(400, 300);
        switch (s) {
            case INTRO:
            case RENDER_TARGET: EXPECT_EQ(gridCount(f, BLACK, 0), GRID_POINTS); break;
            case SPIN: EXPECT_FALSE(near(centre, BLACK)) << nameOf(centre); break;
            case GREETINGS: EXPECT_SHOWS(centre, colourOf(texThanksGroups)); break;
            case LYRICS: EXPECT_SHOWS(centre, colourOf(texWave)); break;
        }
    }
    EXPECT_EQ(activeScene(), NO_SCENE);
    EXPECT_EQ(runSceneChain(), 0);
    EXPECT_EQ(runSceneChain(), 0);
}

// Frames just before, at and just after every threshold, in one run from
// the start: each boundary gives exactly one ending frame of the old scene,
// and the new scene draws from the next frame.
TEST(Handover, NoFrameIsSkippedOrDrawnTwiceAlongTheTimeline) {
    makeActive(INTRO);
    std::vector<float> positions = {0.0f};
    std::vector<int> expected = {INTRO};
    for (int s = 0; s < SCENE_COUNT; ++s) {
        const float end = static_cast<float>(endThreshold(s));
        positions.insert(positions.end(), {end - 2.0f, end, end + 2.0f});
        expected.insert(expected.end(), {s, s, s + 1 < SCENE_COUNT ? s + 1 : NO_SCENE});
    }
    std::vector<int> drawnBy;
    for (float p : positions) {
        placeMusicAt(p);
        const int active = activeScene();
        ASSERT_NE(active, SCENE_COUNT) << "two scenes active at " << p;
        drawnBy.push_back(runSceneChain() ? active : NO_SCENE);
    }
    EXPECT_EQ(drawnBy, expected);
}

// A waiting or finished scene returns 0 without a single OpenGL call.
TEST(Handover, DecliningSceneChangesNothing) {
    makeActive(NO_SCENE);
    placeMusicAt(12000000.0f);
    glClearColor(0.2f, 0.4f, 0.6f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glBindTexture(GL_TEXTURE_2D, texRiddle);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);

    int (*const scenes[])() = {IntroScene, SpinScene, GreetingsScene, RenderTargetScene,
                               LyricsScene};
    for (auto scene : scenes) EXPECT_EQ(scene(), 0);
    EXPECT_EQ(runSceneChain(), 0);

    EXPECT_TRUE(near(readPixel(400, 300), {51, 102, 153}, 2)) << describe(readPixel(400, 300));
    GLint mode = 0;
    GLfloat m[16];
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(static_cast<GLuint>(glInteger(GL_TEXTURE_BINDING_2D)), texRiddle);
    EXPECT_EQ(mode, GL_MODULATE);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FLOAT_EQ(m[13], 2.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDisable(GL_ALPHA_TEST);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

struct PartCase {
    const char* name;
    int scene;
    float bytes;
};

void PrintTo(const PartCase& c, std::ostream* os) { *os << c.name; }

class StateLeftBehind : public ::testing::TestWithParam<PartCase> {};

// Whatever part of whichever scene drew the frame: no cut-out or sphere map
// survives it, the window's framebuffer and viewport are in force, and blending
// is off. (The texture mode is carried state: see the title and photo tests.)
TEST_P(StateLeftBehind, CutOutsAndSphereMapOffWindowFramebufferAndViewport) {
    const PartCase c = GetParam();
    ASSERT_EQ(drawSceneAt(c.scene, c.bytes), 1);

    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(boundFramebuffer(), 0u);
    EXPECT_EQ(currentViewport(), (Viewport{0, 0, WINDOW_W, WINDOW_H}));
    EXPECT_EQ(glInteger(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(
    EveryPart, StateLeftBehind,
    ::testing::Values(PartCase{"IntroLogo", INTRO, 0.0f},
                      PartCase{"IntroTitle", INTRO, 3000000.0f},
                      PartCase{"IntroLastFrame", INTRO, 5289176.0f},
                      PartCase{"Spin", SPIN, INSIDE[SPIN]},
                      PartCase{"SpinLastFrame", SPIN, 10576080.0f},
                      PartCase{"GreetingsThanks", GREETINGS, 11000000.0f},
                      PartCase{"GreetingsLastFrame", GREETINGS, 13196416.0f},
                      PartCase{"RenderTargetPhoto", RENDER_TARGET, 14000000.0f},
                      PartCase{"RenderTargetMeshes", RENDER_TARGET, INSIDE[RENDER_TARGET]},
                      PartCase{"RenderTargetLastFrame", RENDER_TARGET, 23805512.0f},
                      PartCase{"LyricsBeforeFirstRow", LYRICS, 23805512.0f},
                      PartCase{"LyricsRowWithIllustration", LYRICS, INSIDE[LYRICS]},
                      PartCase{"LyricsRow15", LYRICS, 26500000.0f},
                      PartCase{"LyricsRow41", LYRICS, 31000000.0f},
                      PartCase{"LyricsLastFrame", LYRICS, float(TIMELINE_END)}),
    [](const ::testing::TestParamInfo<PartCase>& info) { return std::string(info.param.name); });
