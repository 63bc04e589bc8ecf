// The real binary under faults and bad input, each run on an X server of its
// own: no data directory, no audio device, a display without the 800x600 mode
// (question answered Yes and No), a driver without framebuffer objects,
// Escape and a close request while it starts, and a track that ends long
// before the timeline. Boxes are real X windows captioned "ERROR" or
// "Quillfen", answered by key as a person would; every run ends with code 0
// and leaves the screen as it found it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/audio_fixtures.h"
#include "support/demo_messages.h"
#include "support/x_session.h"

namespace fs = std::filesystem;

namespace {

const std::string PROJECT_DIR = DEMO_SOURCE_DIR;

struct HardenedRun : ::testing::Test, RealDemo {
    // What the run leaves on the screen: its size as found, no demo window.
    void expectScreenAsFound(int width, int height) {
        EXPECT_EQ(server.windowSize(), std::make_pair(width, height));
        EXPECT_FALSE(windowExists()) << "the demo window outlived the run";
    }
};

TEST_F(HardenedRun, WithoutDataDirectoryShowsTheTwoMusicBoxesThenRunsUntilEscape) {
    const std::string empty = makeScratchDir("no_data");
    start(800, 600, {}, {}, empty);
    waitForWindow();
    // MUSIC_LOADING_FAILED, then MUSIC_PLAY_FAILED.
    answerBoxes(ERROR_CAPTION, 2);
    expectNoMoreBoxes(ERROR_CAPTION);
    endWithEscape();
    expectScreenAsFound(800, 600);
}

TEST_F(HardenedRun, WithoutAudioDeviceShowsTheInitBoxThenRunsUntilEscape) {
    start(800, 600, {}, {"SDL_AUDIODRIVER=no_such_audio_driver"});
    waitForWindow();
    // MUSIC_INIT_FAILED alone: the file plays.
    answerBoxes(ERROR_CAPTION, 1);
    expectNoMoreBoxes(ERROR_CAPTION);
    endWithEscape();
}

TEST_F(HardenedRun, RefusedModeAnsweredYesRunsInAnExact800By600Window) {
    start(1024, 768);
    const unsigned long question = nextBox(WINDOWED_QUESTION_CAPTION);
    ASSERT_NE(question, 0u) << "no windowed-mode question on a screen without 800x600";
    EXPECT_FALSE(windowExists()) << "the question comes before any window";
    ASSERT_TRUE(answer(question, "Return"));  // Yes

    waitForWindow();
    ASSERT_TRUE(server.waitUntilViewable(window, patience));
    EXPECT_EQ(server.windowSize(window), std::make_pair(800, 600));
    expectNoMoreBoxes(ERROR_CAPTION);
    endWithEscape();
    expectScreenAsFound(1024, 768);
}

TEST_F(HardenedRun, RefusedModeAnsweredNoSaysItClosesAndEndsWithoutAWindow) {
    start(1024, 768);
    const unsigned long question = nextBox(WINDOWED_QUESTION_CAPTION);
    ASSERT_NE(question, 0u);
    ASSERT_TRUE(answer(question, "Escape"));  // No

    // PROGRAM_WILL_CLOSE
    const unsigned long closing = nextBox(ERROR_CAPTION);
    ASSERT_NE(closing, 0u);
    EXPECT_FALSE(windowExists());
    ASSERT_TRUE(answer(closing, "Return"));
    EXPECT_EQ(exitCode(patience), 0);
    expectScreenAsFound(1024, 768);
}

// Mesa hides the extension from the demo (the driver then offers no
// framebuffer objects at all, as far as the demo can tell).
TEST_F(HardenedRun, DriverWithoutFramebufferObjectsShowsTwoBoxesAndEndsWithZero) {
    start(800, 600, {}, {"MESA_EXTENSION_OVERRIDE=-GL_EXT_framebuffer_object"});
    // FBO_INIT_FAILED while the window still stands...
    const unsigned long fboBox = nextBox(ERROR_CAPTION);
    ASSERT_NE(fboBox, 0u);
    EXPECT_TRUE(windowExists());
    ASSERT_TRUE(answer(fboBox, "Return"));
    // ...then INITIALIZATION_FAILED after the teardown; no music was started.
    const unsigned long initBox = nextBox(ERROR_CAPTION);
    ASSERT_NE(initBox, 0u);
    EXPECT_FALSE(windowExists());
    ASSERT_TRUE(answer(initBox, "Return"));
    EXPECT_EQ(exitCode(patience), 0);
    expectScreenAsFound(800, 600);
}

// Pressed as soon as the window shows, while the textures still load: the
// key is waiting before the first frame is drawn.
TEST_F(HardenedRun, EscapeFromTheFirstFrameEndsWithZeroAndRestoresTheScreen) {
    start(800, 600);
    waitForWindow();
    endWithEscape();
    expectScreenAsFound(800, 600);
}

TEST_F(HardenedRun, CloseRequestAsSoonAsTheWindowExistsEndsWithZero) {
    start(800, 600);
    ASSERT_NE(waitForWindow(), 0u);
    ASSERT_TRUE(server.requestClose(window));
    EXPECT_EQ(exitCode(patience), 0);
    expectScreenAsFound(800, 600);
}

// The default images with a track of one second: past its end the clock runs
// on over silence, and the timeline plays to its own end about three minutes
// in, with no box on the way.
TEST_F(HardenedRun, OneSecondTrackStillPlaysTheWholeTimelineToItsEnd) {
    const std::string dir = makeScratchDir("one_second_track");
    fs::create_directories(dir + "/data");
    for (const fs::directory_entry& entry : fs::directory_iterator(PROJECT_DIR + "/data"))
        if (entry.path().filename() != "KV07.mp3")
            fs::create_symlink(entry.path(), fs::path(dir) / "data" / entry.path().filename());
    fs::copy_file(audioFixturePath(TONE_1S), dir + "/data/KV07.mp3");

    const double started = steadySeconds();
    start(800, 600, {}, {}, dir);
    waitForWindow();
    // A box would hold the start until answered: a run that ends by itself
    // showed none.
    EXPECT_EQ(exitCode(280.0), 0);
    EXPECT_GT(steadySeconds() - started, 170.0) << "ended before the timeline's end at 176 s";
    expectScreenAsFound(800, 600);
}

}  // namespace
