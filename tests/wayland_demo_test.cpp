// The real binary on real Wayland compositors, through SDL's Wayland driver:
// a window under sway headless, the default start under weston nested in
// Xvfb, and a box that has no way to be shown. Run by tools/test-wayland.sh.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/demo_messages.h"
#include "support/wayland_session.h"

namespace {

constexpr double PATIENCE = 30.0;  // seconds; hang guards only

TEST(Wayland, SwayWindowShowsTheTitleAndOneEscapeTapEndsItWithZero) {
    TestCompositor sway;
    ASSERT_TRUE(sway.startSwayHeadless(800, 600));
    ProcessRun demo = sway.startDemo({"--windowed", "--start", "22", "--mute"});
    EXPECT_TRUE(waitForTitle(sway, PATIENCE)) << "no title on the output; stderr: " << sway.demoErrors();
    ASSERT_TRUE(processRunning(demo));
    ASSERT_TRUE(sway.tapKey("Escape"));
    EXPECT_EQ(waitProcess(demo, PATIENCE), 0);
}

// The data set without its track: the two boxes about it cannot be shown
// (no zenity), their lines go to stderr, and the title plays on regardless.
TEST(Wayland, BoxThatCannotBeShownWritesItsTextToStderrAndTheDemoGoesOn) {
    const std::filesystem::path noTrack = std::filesystem::absolute(makeScratchDir("no-track"));
    for (const auto& entry : std::filesystem::directory_iterator(std::string(DEMO_SOURCE_DIR) + "/data"))
        if (entry.path().extension() != ".mp3")
            std::filesystem::create_symlink(entry.path(), noTrack / entry.path().filename());
    TestCompositor sway;
    ASSERT_TRUE(sway.startSwayHeadless(800, 600));
    ProcessRun demo = sway.startDemo({"--windowed", "--start", "22", "--mute", "--data", noTrack.string()});
    EXPECT_TRUE(waitForTitle(sway, PATIENCE)) << "the demo did not play on";
    ASSERT_TRUE(sway.tapKey("Escape"));
    EXPECT_EQ(waitProcess(demo, PATIENCE), 0);
    const std::string errors = sway.demoErrors();
    for (const char* text : {MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED})
        EXPECT_NE(errors.find(std::string("kv2007demo: ") + ERROR_CAPTION + ": " + text + "\n"),
                  std::string::npos)
            << text << "\nstderr: " << errors;
}

// Wayland has no mode to change: the default start covers the 1280x720 output
// with the 4:3 picture between black bars, where a window would leave the
// desktop's own background showing.
TEST(Wayland, WestonDefaultStartPlaysFullscreenWithoutAQuestion) {
    TestXServer server;
    ASSERT_TRUE(server.start(1280, 720));
    TestCompositor weston;
    ASSERT_TRUE(weston.startWestonOn(server, 1280, 720));
    ProcessRun demo = weston.startDemo({});
    const bool fullscreenPicture = waitUntil(
        [&] {
            int lit = 0, blackBars = 0;
            for (int y : {90, 270, 450, 630}) {
                for (int x : {400, 560, 720, 880}) lit += !near(server.screenPixel(x, y), {0, 0, 0}, 4);
                for (int x : {5, 150, 1130, 1275}) blackBars += near(server.screenPixel(x, y), {0, 0, 0}, 4);
            }
            return lit >= 4 && blackBars == 16;
        },
        PATIENCE, 0.1);
    EXPECT_TRUE(fullscreenPicture) << "stderr: " << weston.demoErrors();
    EXPECT_EQ(weston.demoErrors().find("kv2007demo:"), std::string::npos) << "a box was asked for";
    ASSERT_TRUE(processRunning(demo));
    ASSERT_TRUE(server.setKey("Escape", true));
    EXPECT_EQ(waitProcess(demo, PATIENCE), 0);
    server.setKey("Escape", false);
}

}  // namespace
