// The real binary on its own X server, started from the project root with the
// default data set and SDL's dummy audio: the whole timeline, a look at the
// screen during the title, Escape, and a close request from outside.
#include <gtest/gtest.h>
#include <IL/il.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "support/demo_messages.h"
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

// Where a screen pixel lands on the title image: the title quad spans x from
// -1.35 to 1.33 and y from -1 to 1 at depth 2.4 under the 45-degree projection.
struct ImageSample {
    double u, v;
};
ImageSample titleTexel(int sx, int sy) {
    const double halfHeight = 2.4 * std::tan(22.5 * M_PI / 180.0);
    const double halfWidth = halfHeight * 800.0 / 600.0;
    const double x = (2.0 * (sx + 0.5) / 800.0 - 1.0) * halfWidth;
    const double y = (1.0 - 2.0 * (sy + 0.5) / 600.0) * halfHeight;
    return {(x + 1.35) / 2.68, (y + 1.0) / 2.0};
}

TEST_F(DemoRun, PlaysTheWholeTimelineShowingTheTitleAndExitsWithZero) {
    const auto started = std::chrono::steady_clock::now();
    startDemo();

    // The title part runs from about 15 s to 30 s of music.
    sleepSeconds(22.0 - std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_TRUE(processRunning(demo));
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ASSERT_TRUE(ilLoadImage((std::string(DEMO_SOURCE_DIR) + "/data/Title.jpg").c_str()));
    ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE);
    const int w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
    const bool bottomFirst = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
    const ILubyte* pixels = ilGetData();
    int matching = 0, samples = 0;
    for (int sy = 60; sy < 600; sy += 120) {
        for (int sx = 80; sx < 800; sx += 160) {
            const ImageSample t = titleTexel(sx, sy);
            const int ix = std::min(w - 1, int(t.u * w));
            const int rowFromBottom = std::min(h - 1, int(t.v * h));
            const int iy = bottomFirst ? rowFromBottom : h - 1 - rowFromBottom;
            const ILubyte* p = pixels + (size_t(iy) * w + ix) * 3;
            ++samples;
            if (near(server.screenPixel(sx, sy), {p[0], p[1], p[2]}, 48)) ++matching;
        }
    }
    ilDeleteImages(1, &image);
    EXPECT_GE(matching, samples * 3 / 4) << matching << " of " << samples << " points show the title";

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

TEST_F(DemoRun, CloseRequestEndsTheRunWithZeroWithinTwoSeconds) {
    startDemo();
    sleepSeconds(2.0);
    ASSERT_TRUE(processRunning(demo));
    ASSERT_TRUE(server.requestClose(window));
    EXPECT_EQ(waitProcess(demo, 2.0), 0);
}

}  // namespace
