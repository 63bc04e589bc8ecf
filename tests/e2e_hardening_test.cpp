// The real binary under faults and bad input, each run on an X server of its
// own: no data directory, no audio device, a display without the 800x600 mode
// (question answered Yes and No), a driver without framebuffer objects,
// Escape and a close request while it starts, and a track that ends long
// before the timeline. Boxes are real X windows captioned "ERROR" or
// "Quillfen", answered by key as a person would; every run ends with code 0
// and leaves the screen as it found it. One table row a run: its setting and
// the script a person follows.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/audio_fixtures.h"
#include "support/demo_messages.h"
#include "support/x_session.h"

namespace fs = std::filesystem;

namespace {

const std::string PROJECT_DIR = DEMO_SOURCE_DIR;

enum class DataSet { Default, None, OneSecondTrack };
enum class Seen { Either, Window, NoWindow };  // the demo's window while a box stands
enum class Act { WaitForWindow, Box, NoMoreErrors, WindowIs800x600, Escape, Close, Exits };

struct Step {
    Act act;
    const char* caption = "";  // Box: the caption it has
    const char* key = "";      // Box: the answer
    Seen seen = Seen::Either;
};
const Step WINDOW{Act::WaitForWindow}, NO_MORE_ERRORS{Act::NoMoreErrors}, ESCAPE{Act::Escape},
    CLOSE{Act::Close}, EXITS{Act::Exits};
Step error(Seen seen = Seen::Either) { return {Act::Box, ERROR_CAPTION, "Return", seen}; }

struct HardenedCase {
    const char* name;
    int width, height;  // the screen
    std::vector<std::string> env;
    DataSet data;
    std::vector<Step> script;
    double runsAtLeast = 0;  // seconds from its start; a run this long is waited for up to 280 s
};

void PrintTo(const HardenedCase& c, std::ostream* os) { *os << c.name; }

// The default images with a one-second track in a folder of its own.
std::string oneSecondTrackDir() {
    const std::string dir = makeScratchDir("one_second_track");
    fs::create_directories(dir + "/data");
    for (const fs::directory_entry& entry : fs::directory_iterator(PROJECT_DIR + "/data"))
        if (entry.path().filename() != "KV07.mp3")
            fs::create_symlink(entry.path(), fs::path(dir) / "data" / entry.path().filename());
    fs::copy_file(audioFixturePath(TONE_1S), dir + "/data/KV07.mp3");
    return dir;
}

const HardenedCase CASES[] = {
    // MUSIC_LOADING_FAILED, then MUSIC_PLAY_FAILED.
    {"WithoutDataDirectoryShowsTheTwoMusicBoxesThenRunsUntilEscape", 800, 600, {}, DataSet::None,
     {WINDOW, error(), error(), NO_MORE_ERRORS, ESCAPE}},
    // MUSIC_INIT_FAILED alone: the file plays.
    {"WithoutAudioDeviceShowsTheInitBoxThenRunsUntilEscape", 800, 600, {"SDL_AUDIODRIVER=no_such_audio_driver"},
     DataSet::Default, {WINDOW, error(), NO_MORE_ERRORS, ESCAPE}},
    // The question comes before any window; Return is Yes.
    {"RefusedModeAnsweredYesRunsInAnExact800By600Window", 1024, 768, {}, DataSet::Default,
     {{Act::Box, WINDOWED_QUESTION_CAPTION, "Return", Seen::NoWindow}, WINDOW, {Act::WindowIs800x600},
      NO_MORE_ERRORS, ESCAPE}},
    // Escape is No; then PROGRAM_WILL_CLOSE.
    {"RefusedModeAnsweredNoSaysItClosesAndEndsWithoutAWindow", 1024, 768, {}, DataSet::Default,
     {{Act::Box, WINDOWED_QUESTION_CAPTION, "Escape"}, error(Seen::NoWindow), EXITS}},
    // Mesa hides the extension from the demo (the driver then offers no
    // framebuffer objects at all, as far as the demo can tell): FBO_INIT_FAILED
    // while the window still stands, then INITIALIZATION_FAILED after the
    // teardown; no music was started.
    {"DriverWithoutFramebufferObjectsShowsTwoBoxesAndEndsWithZero", 800, 600,
     {"MESA_EXTENSION_OVERRIDE=-GL_EXT_framebuffer_object"}, DataSet::Default,
     {error(Seen::Window), error(Seen::NoWindow), EXITS}},
    // Pressed as soon as the window shows, while the textures still load: the
    // key is waiting before the first frame is drawn.
    {"EscapeFromTheFirstFrameEndsWithZeroAndRestoresTheScreen", 800, 600, {}, DataSet::Default,
     {WINDOW, ESCAPE}},
    {"CloseRequestAsSoonAsTheWindowExistsEndsWithZero", 800, 600, {}, DataSet::Default, {WINDOW, CLOSE, EXITS}},
    // Past the track's end the clock runs on over silence, and the timeline
    // plays to its own end at 176 s with no box on the way: a box would hold
    // the start until answered, so a run that ends by itself showed none.
    {"OneSecondTrackStillPlaysTheWholeTimelineToItsEnd", 800, 600, {}, DataSet::OneSecondTrack,
     {WINDOW, EXITS}, 170.0},
};

struct HardenedRun : ::testing::TestWithParam<HardenedCase>, RealDemo {
    double started = 0;  // when the demo was started
    void follow(const Step& step) {
        const HardenedCase& c = GetParam();
        switch (step.act) {
            case Act::WaitForWindow: ASSERT_NE(waitForWindow(), 0u); break;
            case Act::Box: {
                const unsigned long box = nextBox(step.caption);
                ASSERT_NE(box, 0u) << "no " << step.caption << " box";
                if (step.seen != Seen::Either) {
                    EXPECT_EQ(windowExists(), step.seen == Seen::Window) << "the window, while it stands";
                }
                ASSERT_TRUE(answer(box, step.key));
                break;
            }
            case Act::NoMoreErrors: expectNoMoreBoxes(ERROR_CAPTION); break;
            case Act::WindowIs800x600:
                ASSERT_TRUE(server.waitUntilViewable(window, patience));
                EXPECT_EQ(server.windowSize(window), std::make_pair(800, 600));
                break;
            case Act::Escape: endWithEscape(); break;
            case Act::Close: ASSERT_TRUE(server.requestClose(window)); break;
            case Act::Exits:
                EXPECT_EQ(exitCode(c.runsAtLeast ? 280.0 : patience), 0);
                if (c.runsAtLeast) {
                    EXPECT_GT(steadySeconds() - started, c.runsAtLeast) << "ended before the timeline's end at 176 s";
                }
                break;
        }
    }
};

TEST_P(HardenedRun, EndsWithZeroAndLeavesTheScreenAsFound) {
    const HardenedCase& c = GetParam();
    const std::string dir = c.data == DataSet::None             ? makeScratchDir("no_data")
                            : c.data == DataSet::OneSecondTrack ? oneSecondTrackDir()
                                                                : PROJECT_DIR;
    started = steadySeconds();
    start(c.width, c.height, {}, c.env, dir);
    for (const Step& step : c.script) {
        follow(step);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(server.windowSize(), std::make_pair(c.width, c.height));
    EXPECT_FALSE(windowExists()) << "the demo window outlived the run";
}

INSTANTIATE_TEST_SUITE_P(Faults, HardenedRun, ::testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
