// The real binary on its own X server, started from the project root with the
// default data set and SDL's dummy audio: the whole timeline, a look at the
// screen during the title, Escape, and a close request from outside.
#include <gtest/gtest.h>

#include "support/title_image.h"
#include "support/x_session.h"

namespace {

struct DemoRun : ::testing::Test, RealDemo {
    // An 800x600 screen offers the fullscreen mode, so no question is asked.
    void startDemo() {
        start(800, 600);
        ASSERT_NE(waitForWindow(), 0u);
    }
};

TEST_F(DemoRun, PlaysTheWholeTimelineShowingTheTitleAndExitsWithZero) {
    const double started = steadySeconds();
    startDemo();

    // The title part runs from about 15 s to 30 s of music.
    sleepSeconds(22.0 - (steadySeconds() - started));
    ASSERT_TRUE(running());
    const ScreenMatch match = titleImageOnScreen(server, std::string(DEMO_SOURCE_DIR) + "/data/Title.jpg");
    EXPECT_TRUE(match.mostly()) << match.matching << " of " << match.samples << " points show the title";

    // The timeline ends at the music's pace: 176 s after the start, plus a
    // start-up that a loaded machine may stretch; a clock at a wrong rate
    // (twice or half the pace) falls far outside.
    const int code = exitCode(260.0);
    const double total = steadySeconds() - started;
    EXPECT_EQ(code, 0);
    EXPECT_GT(total, 170.0);
    EXPECT_LT(total, 240.0);
}

TEST_F(DemoRun, EscapeEndsTheRunWithZeroWithinTwoSeconds) {
    startDemo();
    sleepSeconds(2.0);
    ASSERT_TRUE(running());
    endWithEscape(2.0);
    EXPECT_FALSE(windowExists());
}

TEST_F(DemoRun, CloseRequestEndsTheRunWithZeroWithinTwoSeconds) {
    startDemo();
    sleepSeconds(2.0);
    ASSERT_TRUE(running());
    ASSERT_TRUE(server.requestClose(window));
    EXPECT_EQ(exitCode(2.0), 0);
}

}  // namespace
