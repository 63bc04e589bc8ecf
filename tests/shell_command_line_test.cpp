// The command line: what good lines set, the one line and exit code 2 of a
// bad one, times of music in both spellings, and where the data set is found.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/music_format.h"
#include "shell/command_line.h"
#include "support/test_support.h"
#include "support/working_directory.h"

namespace {
namespace fs = std::filesystem;

struct Parsed {
    int exitCode;
    DemoOptions options;
    std::string error;
};

Parsed parse(const std::vector<std::string>& words) {
    std::vector<const char*> argv = {"kv2007demo"};
    for (const std::string& w : words) argv.push_back(w.c_str());
    Parsed p;
    ::testing::internal::CaptureStderr();
    p.exitCode = parseCommandLine(int(argv.size()), argv.data(), p.options);
    p.error = ::testing::internal::GetCapturedStderr();
    return p;
}

TEST(CommandLine, GoodLinesSetTheirOptionsAndNoneKeepsEveryDefault) {
    const ScopedEnv notWindowed("KV2007_WINDOWED", nullptr);
    Parsed p = parse({});
    EXPECT_EQ(p.exitCode, KEEP_RUNNING);
    EXPECT_EQ(p.options.picture, PictureMode::Fullscreen);
    EXPECT_EQ(p.options.vsync, VsyncMode::Adaptive);
    EXPECT_EQ(p.options.startSeconds, 0.0);
    EXPECT_FALSE(p.options.mute);
    EXPECT_FALSE(p.options.loop);

    p = parse({"--windowed", "--size", "1280x960", "--start", "2:15.5", "--vsync", "off",
               "--audio-offset", "-40", "--mute", "--loop"});
    ASSERT_EQ(p.exitCode, KEEP_RUNNING) << p.error;
    EXPECT_EQ(p.options.picture, PictureMode::Windowed);
    EXPECT_EQ(p.options.width, 1280);
    EXPECT_EQ(p.options.height, 960);
    EXPECT_EQ(p.options.startSeconds, 135.5);
    EXPECT_EQ(p.options.vsync, VsyncMode::Off);
    EXPECT_EQ(p.options.audioOffsetMs, -40);
    EXPECT_TRUE(p.options.mute);
    EXPECT_TRUE(p.options.loop);

    EXPECT_EQ(parse({"--desktop"}).options.picture, PictureMode::Desktop);
    const ScopedEnv windowed("KV2007_WINDOWED", "1");
    EXPECT_EQ(parse({}).options.picture, PictureMode::Windowed) << "the variable is --windowed";
    EXPECT_EQ(parse({"--desktop"}).options.picture, PictureMode::Desktop) << "an option wins";
}

TEST(CommandLine, BadLinesEndWithOneLineNamingTheOptionAndCodeTwo) {
    const struct {
        std::vector<std::string> words;
        std::string named;
    } bad[] = {
        {{"--frobnicate"}, "--frobnicate"},
        {{"--windowed", "--size", "0x0"}, "--size"},
        {{"--windowed", "--size", "800"}, "--size"},
        {{"--size", "640x480"}, "--size"},
        {{"--start", "-3"}, "--start"},
        {{"--start", "177"}, "--start"},
        {{"--start", "1:75"}, "--start"},
        {{"--data", "no/such/directory"}, "--data"},
        {{"--vsync", "sometimes"}, "--vsync"},
        {{"--audio-offset", "soon"}, "--audio-offset"},
        {{"--desktop", "--windowed"}, "--desktop"},
    };
    for (const auto& line : bad) {
        const Parsed p = parse(line.words);
        SCOPED_TRACE(line.words.front());
        EXPECT_EQ(p.exitCode, 2);
        EXPECT_NE(p.error.find(line.named), std::string::npos) << p.error;
        EXPECT_EQ(p.error.find('\n'), p.error.size() - 1) << "not one line: " << p.error;
    }
}

#ifdef DEMO_CAPTURE
TEST(CommandLine, CaptureTakesItsOwnOptionsAndSharesSizeAndStart) {
    Parsed p = parse({"--capture", "out.mkv", "--size", "1280x720", "--fps", "30", "--start", "0:22",
                      "--end", "24.5", "--crf", "20", "--quiet"});
    ASSERT_EQ(p.exitCode, KEEP_RUNNING) << p.error;
    const CaptureOptions& c = p.options.capture;
    EXPECT_EQ(c.path, "out.mkv");
    EXPECT_EQ(c.width, 1280);
    EXPECT_EQ(c.height, 720);
    EXPECT_EQ(c.fps, 30);
    EXPECT_EQ(c.startSeconds, 22.0);
    EXPECT_EQ(c.endSeconds, 24.5);
    EXPECT_EQ(c.crf, 20);
    EXPECT_TRUE(c.quiet);
    EXPECT_EQ(parse({}).options.capture.path, "") << "no capture unless asked";
    EXPECT_LT(parse({"--capture", "out.mp4"}).options.capture.endSeconds, 0) << "to the timeline's end";

    for (const auto& line : std::vector<std::vector<std::string>>{
             {"--fps", "30"}, {"--capture", "a.mp4", "--fps", "0"}, {"--capture", "a.mp4", "--end", "x"},
             {"--capture", "a.mp4", "--windowed"}, {"--capture", "a.mp4", "--crf", "-2"},
             {"--capture", "a.mp4", "--loop"}}) {
        const Parsed bad = parse(line);
        EXPECT_EQ(bad.exitCode, 2) << line[0] << " " << line[1];
        EXPECT_EQ(bad.error.find('\n'), bad.error.size() - 1) << "not one line: " << bad.error;
    }
}
#endif

TEST(CommandLine, TimesOfMusicInSecondsOrMinutesAndWholeFrames) {
    EXPECT_EQ(parseTimeOfMusic("22"), 22.0);
    EXPECT_EQ(parseTimeOfMusic("0.5"), 0.5);
    EXPECT_EQ(parseTimeOfMusic("2:56"), 176.0);
    EXPECT_LT(parseTimeOfMusic("1:60"), 0.0);
    EXPECT_LT(parseTimeOfMusic("-1:00"), 0.0);
    EXPECT_LT(parseTimeOfMusic("22s"), 0.0);
    EXPECT_LT(parseTimeOfMusic("nan"), 0.0);
    EXPECT_LT(parseTimeOfMusic(""), 0.0);
    EXPECT_EQ(bytesAtSeconds(1.0), 176400u);
    EXPECT_EQ(bytesAtSeconds(1.0 / 44100 * 2.5), 8u) << "down to a whole frame";
}

TEST(CommandLine, DataSetAsAskedHereOrInstalledBesideTheProgram) {
    const fs::path dir = makeScratchDir("data_lookup");
    const fs::path bin = dir / "prefix/bin", installed = dir / "prefix/share/kv2007demo/data";
    fs::create_directories(bin);
    fs::create_directories(installed);
    fs::create_directories(dir / "elsewhere");
    ScopedWorkingDirectory elsewhere(dir / "elsewhere");
    EXPECT_EQ(fs::path(findDataDirectory("", bin.string())), installed);
    EXPECT_EQ(findDataDirectory("", (dir / "nowhere").string()), "data") << "reported as always";
    EXPECT_EQ(findDataDirectory("mine", bin.string()), "mine");
    fs::create_directories("data");
    EXPECT_EQ(findDataDirectory("", bin.string()), "data") << "the working directory's first";
}

}  // namespace
