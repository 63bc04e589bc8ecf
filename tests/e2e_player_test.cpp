// The player's options on the real binary, each on its own X server: a start
// part-way that shows the title first, a bad option that opens nothing,
// borderless fullscreen on a wide screen, which shows the windowed picture
// scaled up between black bars, and the watching keys while it plays.
#include <gtest/gtest.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "support/x_session.h"

namespace {

const char* const TITLE = "KV 2007 Demo - Zorblax!";
const std::vector<std::string> DEMO_ENV = {"SDL_AUDIODRIVER=dummy", "LIBGL_ALWAYS_SOFTWARE=1"};
constexpr int GRID = 10;  // sample points per side of the picture

void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

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

// Starts the demo with `args` from the project root, waits until it presents
// something other than black at the centre of `w` x `h`, and returns the
// picture then; the demo is left running.
struct Started {
    ProcessRun demo;
    std::vector<Rgb> firstPicture;
};
Started startAndLook(TestXServer& server, const std::vector<std::string>& args, int x0, int w,
                     int h) {
    Started s;
    s.demo = startProcess(DEMO_BINARY, DEMO_SOURCE_DIR, server.display(), DEMO_ENV, args);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < until && processRunning(s.demo)) {
        std::vector<Rgb> grid = pictureGrid(server, x0, w, h);
        int lit = 0;
        for (const Rgb& c : grid) lit += !isBlack(c);
        if (lit > GRID * GRID / 4) {
            sleepSeconds(0.2);  // one frame may still be half drawn on the screen
            s.firstPicture = pictureGrid(server, x0, w, h);
            break;
        }
        sleepSeconds(0.05);
    }
    return s;
}

void endWithEscape(TestXServer& server, ProcessRun& demo) {
    ASSERT_TRUE(server.setKey("Escape", true));
    EXPECT_EQ(waitProcess(demo, 5.0), 0);
    server.setKey("Escape", false);
}

// What the title image shows at window pixel (sx, sy) of 800x600: its quad
// spans x from -1.35 to 1.33 and y from -1 to 1 at depth 2.4 under the
// 45-degree projection.
Rgb titleImageAt(int sx, int sy) {
    static std::vector<uint8_t> pixels;
    static int w = 0, h = 0;
    if (pixels.empty()) {
        ilInit();
        ILuint image = 0;
        ilGenImages(1, &image);
        ilBindImage(image);
        if (!ilLoadImage((std::string(DEMO_SOURCE_DIR) + "/data/Title.jpg").c_str())) return {};
        ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE);
        if (ilGetInteger(IL_IMAGE_ORIGIN) != IL_ORIGIN_LOWER_LEFT) iluFlipImage();
        w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
        pixels.assign(ilGetData(), ilGetData() + size_t(w) * h * 3);
        ilDeleteImages(1, &image);
    }
    const double halfHeight = 2.4 * std::tan(22.5 * M_PI / 180.0), halfWidth = halfHeight * 4 / 3;
    const double x = (2.0 * (sx + 0.5) / 800.0 - 1.0) * halfWidth;
    const double y = (1.0 - 2.0 * (sy + 0.5) / 600.0) * halfHeight;
    const int ix = std::clamp(int((x + 1.35) / 2.68 * w), 0, w - 1);
    const int iy = std::clamp(int((y + 1.0) / 2.0 * h), 0, h - 1);
    const uint8_t* p = &pixels[(size_t(iy) * w + ix) * 3];
    return {p[0], p[1], p[2]};
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
    TestXServer small;
    ASSERT_TRUE(small.start(800, 600));
    Started windowed = startAndLook(small, {"--windowed", "--start", "22", "--mute"}, 0, 800, 600);
    ASSERT_FALSE(windowed.firstPicture.empty()) << "nothing was drawn";
    endWithEscape(small, windowed.demo);

    TestXServer wide;
    ASSERT_TRUE(wide.start(1280, 720));
    Started desktop = startAndLook(wide, {"--desktop", "--start", "0:22", "--mute"}, 160, 960, 720);
    ASSERT_FALSE(desktop.firstPicture.empty()) << "nothing was drawn";
    for (int y : {5, 360, 715})
        for (int x : {3, 150, 1130, 1276}) EXPECT_TRUE(isBlack(wide.screenPixel(x, y))) << x << "," << y;
    endWithEscape(wide, desktop.demo);

    EXPECT_GE(matchingPoints(windowed.firstPicture, desktop.firstPicture), GRID * GRID * 9 / 10)
        << "the desktop picture is not the windowed one scaled";
    std::vector<Rgb> title;
    for (int j = 0; j < GRID; ++j)
        for (int i = 0; i < GRID; ++i)
            title.push_back(titleImageAt((2 * i + 1) * 800 / (2 * GRID), (2 * j + 1) * 600 / (2 * GRID)));
    EXPECT_GE(matchingPoints(windowed.firstPicture, title), GRID * GRID * 3 / 4)
        << "the first picture is not the title";
}

// Keys tapped as a viewer taps them: a seek, a pause, F from the window to
// borderless fullscreen (the window then covers the screen), then Escape.
TEST(Player, RightSpaceFAndEscapeWhilePlaying) {
    TestXServer server;
    ASSERT_TRUE(server.start(1024, 768));
    Started s = startAndLook(server, {"--windowed", "--start", "22", "--mute"}, 0, 800, 600);
    ASSERT_FALSE(s.firstPicture.empty()) << "nothing was drawn";
    const unsigned long window = server.waitForWindow(TITLE, 5.0);
    ASSERT_NE(window, 0u);
    for (const char* key : {"Right", "space", "f"}) {
        ASSERT_TRUE(server.setKey(key, true));
        server.setKey(key, false);
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (server.windowSize(window) != std::make_pair(1024, 768) && std::chrono::steady_clock::now() < until)
        sleepSeconds(0.05);
    EXPECT_EQ(server.windowSize(window), std::make_pair(1024, 768)) << "F left the window as it was";
    EXPECT_TRUE(processRunning(s.demo));
    endWithEscape(server, s.demo);
}

TEST(Player, BadOptionEndsWithCodeTwoAndNoWindow) {
    TestXServer server;
    ASSERT_TRUE(server.start(800, 600));
    ProcessRun demo = startProcess(DEMO_BINARY, DEMO_SOURCE_DIR, server.display(), DEMO_ENV,
                                   {"--windowed", "--size", "0x0"});
    EXPECT_EQ(waitProcess(demo, 10.0), 2);
    EXPECT_EQ(server.waitForWindow(TITLE, 0.0), 0u);
}

}  // namespace
