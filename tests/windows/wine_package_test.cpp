// The Windows package, unpacked from its zip, played under Wine on an X server
// of its own with Mesa behind Wine's OpenGL: the title shows upright and whole
// when started at 22 s, Escape ends it with 0, a copy without data/ answers the
// track's two boxes and plays on, and --help prints the options.
// KV2007_WINDOWS_PACKAGE names the unpacked folder and WINEPREFIX a prepared
// prefix; tools/test-windows.sh sets both.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/demo_messages.h"
#include "support/title_image.h"
#include "support/x_session.h"

namespace fs = std::filesystem;

namespace {

const char* const EXE = "kv2007demo.exe";
// Mono and Gecko are never offered (SDL's silent driver and Mesa's software
// renderer come with every run of the demo).
const std::vector<std::string> WINE_ENV = {"WINEDLLOVERRIDES=mscoree,mshtml=", "WINEDEBUG=-all"};

std::string packageDir() {
    const char* dir = std::getenv("KV2007_WINDOWS_PACKAGE");
    return dir ? dir : "";
}

// Wine's start-up (its server, the desktop process) comes on top of the demo's.
struct WinePackage : ::testing::Test, RealDemo {
    WinePackage() : RealDemo(60.0) { launcher = {"wine"}; }
    void SetUp() override {
        ASSERT_FALSE(packageDir().empty()) << "KV2007_WINDOWS_PACKAGE is not set: run tools/test-windows.sh";
        ASSERT_TRUE(fs::exists(packageDir() + "/" + EXE)) << "no " << EXE << " in " << packageDir();
        ASSERT_TRUE(std::getenv("WINEPREFIX")) << "WINEPREFIX is not set: run tools/test-windows.sh";
    }
    // The demo's process first, then whatever Wine left running in the prefix
    // (its server and desktop process hold the X server of this test).
    void TearDown() override {
        if (running()) exitCode(0.0);
        std::string ignored;
        runForOutput("wineserver", {"-k"}, ".", server.display(), {}, 10.0, &ignored);
    }
    void startDemo(const std::string& exeDir, const std::string& workdir,
                   const std::vector<std::string>& args) {
        program = exeDir + "/" + EXE;
        start(800, 600, args, WINE_ENV, workdir);
    }
    // The next box with this caption not answered yet, answered with Return.
    bool answerNextBox(const std::string& caption) {
        const unsigned long box = nextBox(caption);
        return box && server.sendKeyTo(box, "Return");
    }
};

// Started from another folder, as a shortcut would: the data beside the
// executable is found. The title part runs from about 15 s to 30 s of music.
TEST_F(WinePackage, StartedAtTwentyTwoSecondsShowsTheTitleUprightAndWholeThenEscapeEndsWithZero) {
    const std::string elsewhere = makeScratchDir("elsewhere");
    const double started = steadySeconds();
    startDemo(packageDir(), elsewhere, {"--start", "22", "--mute"});
    ASSERT_NE(waitForWindow(), 0u);
    const double windowShown = steadySeconds();

    // A run from the start of the timeline cannot show the title until 15 s
    // after its first frame, and so not within 15 s of its window showing.
    ScreenMatch match;
    waitUntil(
        [&] {
            match = titleImageOnScreen(server, packageDir() + "/data/Title.jpg");
            return match.mostly() || !running();
        },
        15.0 - (steadySeconds() - windowShown), 0.1);
    EXPECT_TRUE(match.mostly()) << match.matching << " of " << match.samples << " points show the title";
    std::printf("window %.1f s and title %.1f s after wine was started\n", windowShown - started,
                steadySeconds() - started);
    endWithEscape();
}

TEST_F(WinePackage, WithoutDataShowsTheTracksTwoBoxesAndPlaysOnUntilEscape) {
    const std::string bare = makeScratchDir("without_data");
    for (const fs::directory_entry& entry : fs::directory_iterator(packageDir()))
        if (entry.is_regular_file()) fs::copy_file(entry.path(), fs::path(bare) / entry.path().filename());
    startDemo(bare, bare, {});
    waitForWindow();
    // MUSIC_LOADING_FAILED, then MUSIC_PLAY_FAILED.
    ASSERT_TRUE(answerNextBox(ERROR_CAPTION)) << "no first ERROR box";
    ASSERT_TRUE(answerNextBox(ERROR_CAPTION)) << "no second ERROR box";
    sleepSeconds(1.0);
    ASSERT_TRUE(running()) << "the demo stopped after the boxes";
    endWithEscape();
}

TEST_F(WinePackage, HelpPrintsTheOptionsAndEndsWithZero) {
    std::string output;
    ASSERT_TRUE(server.start(800, 600));
    const int code = runForOutput("wine", {packageDir() + "/" + EXE, "--help"}, packageDir(),
                                  server.display(), WINE_ENV, patience, &output);
    EXPECT_EQ(code, 0);
    EXPECT_NE(output.find("--start"), std::string::npos) << output;
    EXPECT_NE(output.find("--mute"), std::string::npos) << output;
}

}  // namespace
