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
#include "support/position_probe.h"
#include "support/x_session.h"

namespace fs = std::filesystem;

namespace {

const std::string PROJECT_DIR = DEMO_SOURCE_DIR;
const std::vector<std::string> DEMO_ENV = {"SDL_AUDIODRIVER=dummy", "LIBGL_ALWAYS_SOFTWARE=1"};
// Generous: start-up on a loaded two-core machine with llvmpipe.
constexpr double PATIENCE = 30.0;

class HardenedRun : public ::testing::Test {
protected:
    TestXServer server;
    ProcessRun demo;

    void start(int width, int height, const std::string& workdir,
               std::vector<std::string> extraEnv = {}) {
        ASSERT_TRUE(server.start(width, height));
        std::vector<std::string> env = DEMO_ENV;
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        demo = startProcess(DEMO_BINARY, workdir, server.display(), env);
    }
    void TearDown() override {
        if (demo.pid > 0) waitProcess(demo, 0.0);
    }

    bool demoWindowExists() const { return server.waitForWindow(WINDOW_TITLE, 0.0) != 0; }

    // The next box with this caption that has not been answered yet, marked
    // as answered; 0 when none comes within the patience.
    unsigned long nextBox(const std::string& caption) {
        const double until = steadySeconds() + PATIENCE;
        do {
            for (const auto& [id, name] : server.namedWindows()) {
                if (name == caption && !server.isHandled(id)) {
                    server.markHandled(id);
                    return id;
                }
            }
            sleepSeconds(0.05);
        } while (steadySeconds() < until);
        return 0;
    }

    bool windowExists(unsigned long window) const {
        for (const auto& named : server.namedWindows())
            if (named.first == window) return true;
        return false;
    }

    // Presses `key` on the box and waits until it has closed: gone, or its id
    // taken by a new window without the mark.
    bool answer(unsigned long box, const std::string& key) {
        if (!server.sendKeyTo(box, key)) return false;
        const double until = steadySeconds() + PATIENCE;
        while (steadySeconds() < until) {
            if (!windowExists(box) || !server.isHandled(box)) return true;
            sleepSeconds(0.02);
        }
        return false;
    }

    // Expects `count` boxes of this caption in turn and answers each with Return.
    void answerBoxes(const std::string& caption, int count) {
        for (int i = 0; i < count; ++i) {
            const unsigned long box = nextBox(caption);
            ASSERT_NE(box, 0u) << caption << " box " << i + 1 << " of " << count << " never came";
            ASSERT_TRUE(answer(box, "Return"));
        }
    }

    // No further box of this caption within a second.
    void expectNoMoreBoxes(const std::string& caption) {
        sleepSeconds(1.0);
        for (const auto& [id, name] : server.namedWindows())
            EXPECT_FALSE(name == caption && !server.isHandled(id)) << "an unexpected " << caption << " box";
    }

    unsigned long waitForDemoWindow() { return ::waitForDemoWindow(server, PATIENCE); }
    void endWithEscape(unsigned long window) { endDemoWithEscape(server, demo, window, PATIENCE); }

    // What the run leaves on the screen: its size as found, no demo window.
    void expectScreenAsFound(int width, int height) {
        EXPECT_EQ(server.windowSize(), std::make_pair(width, height));
        EXPECT_FALSE(demoWindowExists()) << "the demo window outlived the run";
    }
};

TEST_F(HardenedRun, WithoutDataDirectoryShowsTheTwoMusicBoxesThenRunsUntilEscape) {
    const std::string empty = makeScratchDir("no_data");
    start(800, 600, empty);
    const unsigned long window = waitForDemoWindow();
    // MUSIC_LOADING_FAILED, then MUSIC_PLAY_FAILED.
    answerBoxes(ERROR_CAPTION, 2);
    expectNoMoreBoxes(ERROR_CAPTION);
    endWithEscape(window);
    expectScreenAsFound(800, 600);
}

TEST_F(HardenedRun, WithoutAudioDeviceShowsTheInitBoxThenRunsUntilEscape) {
    start(800, 600, PROJECT_DIR, {"SDL_AUDIODRIVER=no_such_audio_driver"});
    const unsigned long window = waitForDemoWindow();
    // MUSIC_INIT_FAILED alone: the file plays.
    answerBoxes(ERROR_CAPTION, 1);
    expectNoMoreBoxes(ERROR_CAPTION);
    endWithEscape(window);
}

TEST_F(HardenedRun, RefusedModeAnsweredYesRunsInAnExact800By600Window) {
    start(1024, 768, PROJECT_DIR);
    const unsigned long question = nextBox(WINDOWED_QUESTION_CAPTION);
    ASSERT_NE(question, 0u) << "no windowed-mode question on a screen without 800x600";
    EXPECT_FALSE(demoWindowExists()) << "the question comes before any window";
    ASSERT_TRUE(answer(question, "Return"));  // Yes

    const unsigned long window = waitForDemoWindow();
    ASSERT_TRUE(server.waitUntilViewable(window, PATIENCE));
    EXPECT_EQ(server.windowSize(window), std::make_pair(800, 600));
    expectNoMoreBoxes(ERROR_CAPTION);
    endWithEscape(window);
    expectScreenAsFound(1024, 768);
}

TEST_F(HardenedRun, RefusedModeAnsweredNoSaysItClosesAndEndsWithoutAWindow) {
    start(1024, 768, PROJECT_DIR);
    const unsigned long question = nextBox(WINDOWED_QUESTION_CAPTION);
    ASSERT_NE(question, 0u);
    ASSERT_TRUE(answer(question, "Escape"));  // No

    // PROGRAM_WILL_CLOSE
    const unsigned long closing = nextBox(ERROR_CAPTION);
    ASSERT_NE(closing, 0u);
    EXPECT_FALSE(demoWindowExists());
    ASSERT_TRUE(answer(closing, "Return"));
    EXPECT_EQ(waitProcess(demo, PATIENCE), 0);
    expectScreenAsFound(1024, 768);
}

// Mesa hides the extension from the demo (the driver then offers no
// framebuffer objects at all, as far as the demo can tell).
TEST_F(HardenedRun, DriverWithoutFramebufferObjectsShowsTwoBoxesAndEndsWithZero) {
    start(800, 600, PROJECT_DIR, {"MESA_EXTENSION_OVERRIDE=-GL_EXT_framebuffer_object"});
    // FBO_INIT_FAILED while the window still stands...
    const unsigned long fboBox = nextBox(ERROR_CAPTION);
    ASSERT_NE(fboBox, 0u);
    EXPECT_TRUE(demoWindowExists());
    ASSERT_TRUE(answer(fboBox, "Return"));
    // ...then INITIALIZATION_FAILED after the teardown; no music was started.
    const unsigned long initBox = nextBox(ERROR_CAPTION);
    ASSERT_NE(initBox, 0u);
    EXPECT_FALSE(demoWindowExists());
    ASSERT_TRUE(answer(initBox, "Return"));
    EXPECT_EQ(waitProcess(demo, PATIENCE), 0);
    expectScreenAsFound(800, 600);
}

// Pressed as soon as the window shows, while the textures still load: the
// key is waiting before the first frame is drawn.
TEST_F(HardenedRun, EscapeFromTheFirstFrameEndsWithZeroAndRestoresTheScreen) {
    start(800, 600, PROJECT_DIR);
    const unsigned long window = waitForDemoWindow();
    endWithEscape(window);
    expectScreenAsFound(800, 600);
}

TEST_F(HardenedRun, CloseRequestAsSoonAsTheWindowExistsEndsWithZero) {
    start(800, 600, PROJECT_DIR);
    const unsigned long window = server.waitForWindow(WINDOW_TITLE, PATIENCE);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(server.requestClose(window));
    EXPECT_EQ(waitProcess(demo, PATIENCE), 0);
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
    start(800, 600, dir);
    waitForDemoWindow();
    // A box would hold the start until answered: a run that ends by itself
    // showed none.
    EXPECT_EQ(waitProcess(demo, 280.0), 0);
    EXPECT_GT(steadySeconds() - started, 170.0) << "ended before the timeline's end at 176 s";
    expectScreenAsFound(800, 600);
}

}  // namespace
