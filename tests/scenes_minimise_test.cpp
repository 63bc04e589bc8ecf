// Minimising across a scene boundary, through the shell's own event handling
// and frame step with synthetic window events (Xvfb has no window manager to
// minimise with): no end test runs while minimised, and on restore the
// overdue scenes end one frame each at the current position.
#include <SDL.h>

#include "support/scenes_fixture.h"
#include "shell/demo.h"
#include "shell/window.h"
#include "support/test_support.h"

using namespace scenefix;

namespace {
[[maybe_unused]] auto* const window = ::testing::AddGlobalTestEnvironment(new SceneWindow);

void sendWindowEvent(Uint8 which) { EXPECT_FALSE(handleDemoEvent(windowEvent(which))); }

// The frame loop's pass with an empty queue, at a given music position. The
// position is set before each pass because the pass refreshes the signals
// from the (silent) audio layer after the chain has run.
FrameOutcome frameAt(float bytes) {
    placeMusicAt(bytes);
    return produceFrame();
}
}  // namespace

TEST(MinimisedAcrossBoundary, OverdueScenesEndInTurnOnceRestored) {
    makeActive(SPIN);
    windowActive = true;
    ASSERT_EQ(frameAt(10000000.0f), FrameOutcome::Presented);
    ASSERT_EQ(activeScene(), SPIN);

    sendWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    ASSERT_FALSE(windowActive);
    // Past the ends of SpinScene and GreetingsScene: frames are still
    // presented, but no scene is offered them, so none ends.
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(frameAt(14000000.0f), FrameOutcome::Presented);
        EXPECT_EQ(activeScene(), SPIN);
    }

    sendWindowEvent(SDL_WINDOWEVENT_RESTORED);
    ASSERT_TRUE(windowActive);
    EXPECT_EQ(frameAt(14000000.0f), FrameOutcome::Presented);
    EXPECT_EQ(activeScene(), GREETINGS) << "SpinScene ends in the first frame after restoring";
    EXPECT_EQ(frameAt(14000000.0f), FrameOutcome::Presented);
    EXPECT_EQ(activeScene(), RENDER_TARGET) << "then the overdue GreetingsScene";
    EXPECT_EQ(frameAt(14000000.0f), FrameOutcome::Presented);
    EXPECT_EQ(activeScene(), RENDER_TARGET) << "its own end is not due";
}

TEST(MinimisedAcrossBoundary, TimelineOverOnlyOnceRestored) {
    makeActive(LYRICS);
    windowActive = true;
    sendWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_EQ(frameAt(31200000.0f), FrameOutcome::Presented);
    EXPECT_EQ(activeScene(), LYRICS);

    sendWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_EQ(frameAt(31200000.0f), FrameOutcome::Presented) << "the last scene's last frame";
    EXPECT_EQ(activeScene(), NO_SCENE);
    EXPECT_EQ(frameAt(31200000.0f), FrameOutcome::TimelineOver);
}
