// One frame of the loop at a time, observed through the presented-frame
// counter, a sentinel in musicBytePos (which the refresh overwrites) and the
// scene flags (which only a scene that runs can change).
#include <gtest/gtest.h>
#include <SDL.h>

#include "audio/music.h"
#include "scenes/scenes.h"
#include "shell/demo.h"
#include "shell/frame_timer.h"
#include "shell/window.h"
#include "support/test_support.h"

namespace {

const float SENTINEL_POSITION = 1234.0f;  // no stream ever reports this

class FrameLoop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openDemoWindowIn(makeScratchDir("loop")));
        introInactive = false;
        spinInactive = greetingsInactive = renderTargetInactive = lyricsInactive = true;
        windowActive = true;
        keyDown[VK_ESCAPE_CODE] = false;
        musicBytePos = SENTINEL_POSITION;
    }
    void TearDown() override { closeDemoWindow(); }
};

TEST_F(FrameLoop, PresentedFrameRefreshesSignalsAndReadsTheTimer) {
    const uint64_t before = presentedFrameCount;
    EXPECT_EQ(produceFrame(), FrameOutcome::Presented);
    EXPECT_EQ(presentedFrameCount, before + 1);
    EXPECT_NE(musicBytePos, SENTINEL_POSITION);
    EXPECT_GT(elapsedSeconds, 0.0f);
}

TEST_F(FrameLoop, EscapeDownDrawsTheFrameButNeverPresentsIt) {
    keyDown[VK_ESCAPE_CODE] = true;
    musicBytePos = introEnd;  // the intro's end test runs only if the scene drew
    const uint64_t before = presentedFrameCount;
    EXPECT_EQ(produceFrame(), FrameOutcome::EscapePressed);
    EXPECT_TRUE(introInactive) << "the scene chain did not run";
    EXPECT_EQ(presentedFrameCount, before);
    EXPECT_EQ(musicBytePos, introEnd) << "signals were refreshed";
}

TEST_F(FrameLoop, MinimisedWindowSkipsScenesButRefreshesAndPresents) {
    windowActive = false;
    musicBytePos = introEnd;
    const uint64_t before = presentedFrameCount;
    EXPECT_EQ(produceFrame(), FrameOutcome::Presented);
    EXPECT_FALSE(introInactive) << "a scene ran while minimised";
    EXPECT_EQ(presentedFrameCount, before + 1);
}

TEST_F(FrameLoop, AllScenesDecliningEndsWithoutRefreshOrPresent) {
    introInactive = true;
    const uint64_t before = presentedFrameCount;
    EXPECT_EQ(produceFrame(), FrameOutcome::TimelineOver);
    EXPECT_EQ(presentedFrameCount, before);
    EXPECT_EQ(musicBytePos, SENTINEL_POSITION);
}

TEST_F(FrameLoop, CloseRequestEndsTheLoopWithCodeZeroBeforeAnyFrame) {
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    const uint64_t before = presentedFrameCount;
    EXPECT_EQ(runFrameLoop(), 0);
    EXPECT_EQ(presentedFrameCount, before);
}

TEST_F(FrameLoop, LoopEndsWithCodeZeroInThePassWhereEverySceneDeclines) {
    introInactive = true;
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    const uint64_t before = presentedFrameCount;
    EXPECT_EQ(runFrameLoop(), 0);
    EXPECT_EQ(presentedFrameCount, before);
}

}  // namespace
