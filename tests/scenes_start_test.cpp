// Starting the timeline part-way: the first frame drawn after
// prepareTimelineAt is the one a run from the start draws at that position,
// with the chain's flags and the GL state the earlier scenes hand on.
#include "resources/render_target.h"
#include "scenes/lyric_cues.h"
#include "support/scenes_fixture.h"

using namespace scenefix;

namespace {
[[maybe_unused]] auto* const window = ::testing::AddGlobalTestEnvironment(new SceneWindow);

constexpr float PHOTO_AT = 14112000.0f;  // 80 s, inside the photo part

// A run from the start: a frame every second of music up to `position`, the
// last one at `position` itself, through every handover on the way.
Frame runFromTheStartTo(float position) {
    makeActive(INTRO);
    constexpr float STEP = 176400.0f;
    for (float p = 0.0f; p < position; p += STEP) {
        placeMusicAt(p);
        runSceneChain();
    }
    placeMusicAt(position);
    runSceneChain();
    return readFrame();
}

Frame firstFrameAfterStartAt(float position) {
    prepareTimelineAt(position);
    EXPECT_EQ(musicBytePos, position);
    runSceneChain();
    return readFrame();
}

}  // namespace

// Run first, in a process whose GL state is still the initial one: the photo
// is drawn as bright as after the greetings, and the frame equals the one a
// run from the start draws at 80 s.
TEST(StartPartWay, PhotoPartFirstFrameEqualsARunFromTheStart) {
    const Frame started = firstFrameAfterStartAt(PHOTO_AT);
    EXPECT_EQ(activeScene(), RENDER_TARGET);
    EXPECT_TRUE(introInactive && spinInactive && greetingsInactive && lyricsInactive);
    EXPECT_SHOWS(started.at(400, 500), colourOf(texPhoto));

    const Frame played = runFromTheStartTo(PHOTO_AT);
    EXPECT_EQ(activeScene(), RENDER_TARGET);
    EXPECT_TRUE(started == played) << "the first frame differs from a run that got there";
}

TEST(StartPartWay, LyricRowShowsOnTheFirstFrame) {
    const LyricCue& row8 = lyricCues[7];
    const Frame started = firstFrameAfterStartAt(row8.start);
    EXPECT_EQ(activeScene(), LYRICS);
    // The caption's opaque band, left of the middle of the quad from -2.3 to 2.2.
    const Px p = project(-1.3 + bandMiddle(4, 3.5), 1.2, -4.5);
    EXPECT_SHOWS(started.at(p.x, p.y), colourOf(texLine08));
}

TEST(StartPartWay, AtTheVeryStartNothingIsDrawnAndTheIntroWaitsForItsFirstFrame) {
    prepareTimelineAt(0.0);
    EXPECT_EQ(activeScene(), INTRO);
    EXPECT_EQ(musicBytePos, 0.0f);
}

// Inside the meshes part the target shows the passes of the square's last
// turn; the replay at a start must leave the texels that 60 frames a second of
// real frames leave.
std::vector<uint8_t> renderTargetTexels() { return readTexture(renderTex1).rgba; }

TEST(StartPartWay, MeshesPartTargetHoldsTheLastTurnOfTheSquareAsRealFramesLeaveIt) {
    constexpr double START = 17640000.0;  // 100 s
    constexpr double FRAME = 2940.0, TURN = 480000.0;
    prepareTimelineAt(START);
    const std::vector<uint8_t> replayed = renderTargetTexels();

    // The same last turn drawn by whole frames of the scene, into a target
    // cleared first, as it was before the meshes part began.
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, sceneFramebuffer);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    for (double p = START - TURN; p < START; p += FRAME) drawSceneAt(RENDER_TARGET, float(4 * uint64_t(p / 4)));
    const std::vector<uint8_t> played = renderTargetTexels();

    size_t differing = 0;
    for (size_t i = 0; i < played.size(); ++i) differing += replayed[i] != played[i];
    EXPECT_EQ(differing, 0u) << "of " << played.size() << " texel bytes";
}
