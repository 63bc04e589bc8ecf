// The real binary on its own X server, started from the project root with the
// default data set and SDL's dummy audio: the whole timeline, a look at the
// screen during the title, Escape, and a close request from outside.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/demo_messages.h"
#include "support/title_image.h"
#include "support/x_session.h"

namespace {

const std::vector<std::string> DEMO_ENV = {"SDL_AUDIODRIVER=dummy", "LIBGL_ALWAYS_SOFTWARE=1"};

void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

class DemoRun : public ::testing::Test {
protected:
    TestXServer server;
    ProcessRun demo;
    unsigned long window = 0;

    // An 800x600 screen offers the fullscreen mode, so no question is asked.
    void startDemo() {
        ASSERT_TRUE(server.start(800, 600));
        demo = startProcess(DEMO_BINARY, DEMO_SOURCE_DIR, server.display(), DEMO_ENV);
        window = server.waitForWindow(WINDOW_TITLE, 20.0);
        ASSERT_NE(window, 0u) << "no window titled " << WINDOW_TITLE;
    }
    void TearDown() override {
        if (demo.pid > 0) waitProcess(demo, 0.0);
    }
};

TEST_F(DemoRun, PlaysTheWholeTimelineShowingTheTitleAndExitsWithZero) {
    const auto started = std::chrono::steady_clock::now();
    startDemo();

    // The title part runs from about 15 s to 30 s of music.
    sleepSeconds(22.0 - std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_TRUE(processRunning(demo));
    const ScreenMatch match = titleImageOnScreen(server, std::string(DEMO_SOURCE_DIR) + "/data/Title.jpg");
    EXPECT_TRUE(match.mostly()) << match.matching << " of " << match.samples << " points show the title";

    const int code = waitProcess(demo, 200.0);
    const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(code, 0);
    EXPECT_GT(total, 170.0);
    EXPECT_LT(total, 195.0);
}

TEST_F(DemoRun, EscapeEndsTheRunWithZeroWithinTwoSeconds) {
    startDemo();
    sleepSeconds(2.0);
    ASSERT_TRUE(processRunning(demo));
    // Held as a person holds it: the loop handles every queued event before it
    // draws, so a press and release queued together would never reach a frame.
    ASSERT_TRUE(server.setKey("Escape", true));
    EXPECT_EQ(waitProcess(demo, 2.0), 0);
    server.setKey("Escape", false);
    EXPECT_EQ(server.waitForWindow(WINDOW_TITLE, 0.0), 0u);
}

// Pressed and released at once, as a tool or a quick finger on a slow frame
// does: both events reach the demo between two frames, and it still ends.
TEST_F(DemoRun, QuickEscapeTapEndsTheRunWithZero) {
    startDemo();
    ASSERT_TRUE(server.waitUntilViewable(window, 20.0));
    ASSERT_TRUE(server.setKey("Escape", true));
    ASSERT_TRUE(server.setKey("Escape", false));
    EXPECT_EQ(waitProcess(demo, 20.0), 0) << "the tap was lost";
}

TEST_F(DemoRun, CloseRequestEndsTheRunWithZeroWithinTwoSeconds) {
    startDemo();
    sleepSeconds(2.0);
    ASSERT_TRUE(processRunning(demo));
    ASSERT_TRUE(server.requestClose(window));
    EXPECT_EQ(waitProcess(demo, 2.0), 0);
}

}  // namespace
