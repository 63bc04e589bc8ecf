// The player's options on the real binary, each on its own X server: a start
// part-way that shows the title first, a bad option that opens nothing,
// borderless fullscreen on a wide screen, which shows the windowed picture
// scaled up between black bars, and the watching keys and media keys while it
// plays.
#include <gtest/gtest.h>

#include <vector>

#include "support/title_image.h"
#include "support/x_session.h"

namespace {

constexpr int GRID = 10;  // sample points per side of the picture

bool isBlack(Rgb c) { return near(c, {0, 0, 0}, 4); }

// The picture on the screen at the grid points of a w x h area at (x0, 0).
std::vector<Rgb> pictureGrid(const TestXServer& server, int x0, int w, int h) {
    std::vector<Rgb> grid;
    for (int j = 0; j < GRID; ++j)
        for (int i = 0; i < GRID; ++i)
            grid.push_back(server.screenPixel(x0 + (2 * i + 1) * w / (2 * GRID),
                                              (2 * j + 1) * h / (2 * GRID)));
    return grid;
}

// Starts the demo with `args` on a screen of its own, waits until it presents
// something other than black at the centre of `w` x `h`, and returns the
// picture then; the demo is left running.
std::vector<Rgb> startAndLook(RealDemo& demo, int screenW, int screenH,
                              const std::vector<std::string>& args, int x0, int w, int h) {
    demo.start(screenW, screenH, args);
    const bool shown = waitUntil(
        [&] {
            int lit = 0;
            for (const Rgb& c : pictureGrid(demo.server, x0, w, h)) lit += !isBlack(c);
            return lit > GRID * GRID / 4;
        },
        30.0, 0.05);
    if (!shown) return {};
    sleepSeconds(0.2);  // one frame may still be half drawn on the screen
    return pictureGrid(demo.server, x0, w, h);
}

int matchingPoints(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += near(a[i], b[i], 40);
    return n;
}

// The title holds still from about 15 s to 30 s: started at 22 s, the first
// picture is the title's, on an 800x600 window and on a 1280x720 desktop
// alike, there scaled by 1.2 with 160 black columns on either side.
TEST(Player, StartAt22ShowsTheTitleFirstWindowedAndOnAWideDesktopBetweenBars) {
    RealDemo small;
    const std::vector<Rgb> windowed = startAndLook(small, 800, 600, {"--windowed", "--start", "22", "--mute"}, 0, 800, 600);
    ASSERT_FALSE(windowed.empty()) << "nothing was drawn";
    small.endWithEscape(5.0);

    RealDemo wide;
    const std::vector<Rgb> desktop = startAndLook(wide, 1280, 720, {"--desktop", "--start", "0:22", "--mute"}, 160, 960, 720);
    ASSERT_FALSE(desktop.empty()) << "nothing was drawn";
    for (int y : {5, 360, 715})
        for (int x : {3, 150, 1130, 1276}) EXPECT_TRUE(isBlack(wide.server.screenPixel(x, y))) << x << "," << y;
    wide.endWithEscape(5.0);

    EXPECT_GE(matchingPoints(windowed, desktop), GRID * GRID * 9 / 10)
        << "the desktop picture is not the windowed one scaled";
    std::vector<Rgb> title;
    const std::string titleImage = std::string(DEMO_SOURCE_DIR) + "/data/Title.jpg";
    for (int j = 0; j < GRID; ++j)
        for (int i = 0; i < GRID; ++i)
            title.push_back(titleImageAt(titleImage, (2 * i + 1) * 800 / (2 * GRID), (2 * j + 1) * 600 / (2 * GRID)));
    EXPECT_GE(matchingPoints(windowed, title), GRID * GRID * 3 / 4)
        << "the first picture is not the title";
}

// Keys tapped as a viewer taps them: a seek, a pause, F from the window to
// borderless fullscreen (the window then covers the screen), then Escape.
TEST(Player, RightSpaceFAndEscapeWhilePlaying) {
    RealDemo demo;
    ASSERT_FALSE(startAndLook(demo, 1024, 768, {"--windowed", "--start", "22", "--mute"}, 0, 800, 600).empty())
        << "nothing was drawn";
    ASSERT_NE(demo.waitForWindow(), 0u);
    for (const char* key : {"Right", "space", "f"}) {
        ASSERT_TRUE(demo.server.setKey(key, true));
        demo.server.setKey(key, false);
    }
    const auto screen = std::make_pair(1024, 768);
    EXPECT_TRUE(waitUntil([&] { return demo.server.windowSize(demo.window) == screen; }, demo.patience, 0.05))
        << "F left the window as it was";
    EXPECT_TRUE(demo.running());
    demo.endWithEscape(5.0);
}

// The keyboard's media keys on the real binary: Next from the title goes on
// to the spin, Play/Pause holds it there, Stop ends the run with code 0
// without Escape.
TEST(Player, MediaKeysStepPauseAndStop) {
    RealDemo demo;
    const std::vector<Rgb> title = startAndLook(demo, 1024, 768, {"--windowed", "--start", "22", "--mute"}, 0, 800, 600);
    ASSERT_FALSE(title.empty()) << "nothing was drawn";
    ASSERT_NE(demo.waitForWindow(), 0u);
    for (const char* key : {"XF86AudioNext", "XF86AudioPlay"}) {
        ASSERT_TRUE(demo.server.setKey(key, true)) << key;
        demo.server.setKey(key, false);
    }
    std::vector<Rgb> held;
    EXPECT_TRUE(waitUntil([&] {
        const std::vector<Rgb> now = pictureGrid(demo.server, 0, 800, 600);
        const bool still = !held.empty() && matchingPoints(now, held) == GRID * GRID &&
                           matchingPoints(now, title) < GRID * GRID / 2;
        held = now;
        return still;
    }, demo.patience, 0.3)) << "Next and Play/Pause did not leave the spin held";
    ASSERT_TRUE(demo.server.setKey("XF86AudioStop", true));
    demo.server.setKey("XF86AudioStop", false);
    EXPECT_EQ(demo.exitCode(10.0), 0);
}

TEST(Player, BadOptionEndsWithCodeTwoAndNoWindow) {
    RealDemo demo;
    demo.start(800, 600, {"--windowed", "--size", "0x0"});
    EXPECT_EQ(demo.exitCode(10.0), 2);
    EXPECT_FALSE(demo.windowExists());
}

}  // namespace
