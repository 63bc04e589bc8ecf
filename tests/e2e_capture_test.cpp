// Capture to video end to end: the real binary writes files from the default
// data set, which the test opens with libavformat and decodes with libavcodec:
// frame count, tags, a frame against the same frame rendered here, the sound
// against the track, two runs alike, the refusals, and Ctrl-C midway; the
// file's own tags, chapters and cover in each container, and --list-parts.
#include <gtest/gtest.h>

#include <epoxy/gl.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "audio/decoded_track.h"
#include "audio/fft_magnitudes.h"
#include "scenes/scenes.h"
#include "shell/capture_run.h"
#include "shell/stage.h"
#include "support/command.h"
#include "support/video_file.h"
#include "support/working_directory.h"
#include "support/x_session.h"

namespace fs = std::filesystem;

namespace {

const std::string MUSIC = std::string(DEMO_SOURCE_DIR) + "/data/KV07.mp3";
constexpr int W = 320, H = 240, FPS = 60;
// Tolerances, stated: at 320x240 CRF 18 with chroma at half resolution keeps
// a frame within 26 dB PSNR of its source (the title ~30 dB, the spinning
// mesh ~29 dB); a frame one step off scores 7 dB or more lower.
// 1 ms of lag is 44 samples at 44.1 kHz.
constexpr double MIN_PSNR_DB = 26.0;
constexpr double NEIGHBOUR_MARGIN_DB = 5.0;
constexpr int MAX_LAG_SAMPLES = 44;

// ---- running the binary -----------------------------------------------------
struct Outcome {
    int exitCode;
    std::string stderrText;
};

// The demo run to its end from the project root (it reads data/ there) with `args`.
Outcome capture(const std::vector<std::string>& args) {
    RealDemo run;
    run.start(800, 600, args);
    const int code = run.exitCode(240.0);
    return {code, run.errorOutput()};
}

// The capture's frame `frame` rendered in this process the way the run does,
// the chain offered every frame from the first; RGB24, top row first.
std::vector<uint8_t> renderHere(double startSeconds, uint64_t frame) {
    {
        ScopedWorkingDirectory projectRoot(DEMO_SOURCE_DIR);  // textures load from data/
        EXPECT_EQ(openOffscreenStage(W, H), "");
    }
    DecodedTrack track;
    EXPECT_TRUE(decodeMp3File(MUSIC.c_str(), track));
    openSpectrum();
    const uint64_t firstPosition = captureBytePosition(startSeconds, 0, FPS);
    if (firstPosition > 0) prepareTimelineAt(double(firstPosition));
    for (uint64_t k = 0; k <= frame; ++k) {
        setCaptureSignals(track, startSeconds, k, FPS);
        runSceneChain();
    }
    const std::vector<uint8_t> bottomUp = readFrameRgb(W, H);
    std::vector<uint8_t> rgb(bottomUp.size());
    for (int y = 0; y < H; ++y)
        std::copy_n(&bottomUp[size_t(H - 1 - y) * W * 3], W * 3, &rgb[size_t(y) * W * 3]);
    closeStage();
    return rgb;
}

// A container tag by name in any case: Matroska's are upper case, MP4's lower.
std::string tagOf(const VideoFile& v, std::string name) {
    auto lower = [](std::string text) {
        for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    for (const auto& [key, value] : v.tags)
        if (lower(key) == name) return value;
    return "";
}

std::vector<std::string> twoSecondsAt22(const std::string& file) {
    return {"--capture", file, "--size", "320x240", "--start", "22", "--end", "24", "--quiet"};
}

}  // namespace

TEST(CaptureFile, TwoSecondsAt22sHoldFramesSoundAndTheRenderedPicture) {
    const std::string dir = makeScratchDir("two_seconds");
    const std::string file = dir + "/clip.mp4";
    const Outcome run = capture(twoSecondsAt22(file));
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    EXPECT_EQ(run.stderrText, "") << "--quiet prints nothing";
    EXPECT_FALSE(fs::exists(file + ".part"));

    VideoFile v;
    ASSERT_TRUE(readVideoFile(file, v));
    EXPECT_EQ(v.videoCodec, "h264");
    EXPECT_EQ(v.audioCodec, "aac");
    EXPECT_EQ(v.pixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(v.colourSpace, AVCOL_SPC_BT709);
    EXPECT_EQ(v.colourRange, AVCOL_RANGE_MPEG);
    EXPECT_EQ(v.width, W);
    EXPECT_EQ(v.height, H);
    ASSERT_EQ(v.frames.size(), size_t(2 * FPS));
    EXPECT_DOUBLE_EQ(v.firstVideoSeconds, 0.0);
    EXPECT_NEAR(v.firstAudioSeconds, 0.0, 1e-6);
    // AAC codes whole frames of 1024 samples: at most one frame more than 2 s.
    EXPECT_GE(v.mono.size(), size_t(2 * 44100));
    EXPECT_LE(v.mono.size(), size_t(2 * 44100 + 1024));

    DecodedTrack track;
    ASSERT_TRUE(decodeMp3File(MUSIC.c_str(), track));
    const SoundAlignment a = alignWithTrack(v.mono, track, 22 * 44100);
    EXPECT_LE(std::abs(a.lag), MAX_LAG_SAMPLES) << "sound is " << a.lag << " samples off the track";
    EXPECT_GT(a.correlation, 0.9);

    const uint64_t frame = 60;
    EXPECT_GE(psnr(v.frames[frame], renderHere(22.0, frame)), MIN_PSNR_DB);
}

// Across the handover from the logo to the title at 14.979 s (byte 2642304):
// frame 58 (14.967 s) still shows the spinning logo part, 59 the title.
TEST(CaptureFile, SameCommandTwiceGivesIdenticalFramesAndTheHandoverOnItsFrame) {
    const std::string dir = makeScratchDir("twice");
    std::vector<VideoFile> runs(2);
    for (int i = 0; i < 2; ++i) {
        const std::string file = dir + "/run" + std::to_string(i) + ".mp4";
        const Outcome run = capture({"--capture", file, "--size", "320x240", "--start", "14", "--end", "16",
                                     "--quiet"});
        ASSERT_EQ(run.exitCode, 0) << run.stderrText;
        ASSERT_TRUE(readVideoFile(file, runs[i]));
    }
    ASSERT_EQ(runs[0].frames.size(), size_t(2 * FPS));
    ASSERT_EQ(runs[1].frames.size(), runs[0].frames.size());
    for (size_t k = 0; k < runs[0].frames.size(); ++k)
        ASSERT_TRUE(runs[0].frames[k] == runs[1].frames[k]) << "frame " << k << " differs between runs";

    const auto& f = runs[0].frames;
    EXPECT_LT(psnr(f[57], f[58]), 40.0) << "the logo part moves from frame to frame";
    EXPECT_LT(psnr(f[58], f[59]), 20.0) << "the title replaces the logo on frame 59";
    EXPECT_GT(psnr(f[59], f[60]), 45.0) << "the title stands still";
    // The spinning mesh tells frames apart: the decoded frame is nearer the
    // render of its own position than of either neighbour's.
    const std::vector<uint8_t> here = renderHere(14.0, 30);
    EXPECT_GE(psnr(f[30], here), MIN_PSNR_DB);
    EXPECT_GE(psnr(f[30], here), psnr(f[29], here) + NEIGHBOUR_MARGIN_DB);
    EXPECT_GE(psnr(f[30], here), psnr(f[31], here) + NEIGHBOUR_MARGIN_DB);
}

// Frames are drawn into two surfaces in turn and each read back while the next
// is built; the render texture the meshes part shows builds on itself frame by
// frame, so its frames, the last one too, must be those of one surface drawn
// in order.
TEST(CaptureFile, RenderTargetFramesAreThoseOfOneSurfaceDrawnInOrder) {
    const std::string dir = makeScratchDir("render_target");
    const std::string file = dir + "/clip.mkv";
    const Outcome run = capture({"--capture", file, "--size", "320x240", "--start", "100", "--end", "100.5",
                                 "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    VideoFile v;
    ASSERT_TRUE(readVideoFile(file, v));
    ASSERT_EQ(v.frames.size(), size_t(FPS / 2));
    for (const uint64_t frame : {uint64_t(14), uint64_t(FPS / 2 - 1)}) {
        const std::vector<uint8_t> here = renderHere(100.0, frame);
        EXPECT_GE(psnr(v.frames[frame], here), MIN_PSNR_DB) << "frame " << frame;
        EXPECT_GE(psnr(v.frames[frame], here), psnr(v.frames[frame - 1], here) + NEIGHBOUR_MARGIN_DB)
            << "frame " << frame << " is nearer its predecessor's render";
    }
}

TEST(CaptureFile, RefusalsSayWhyExitNonZeroAndLeaveNoFile) {
    const std::string dir = makeScratchDir("refusals");
    struct Case {
        std::vector<std::string> args;
        std::string file;
        int exitCode;
        std::string says;
    } cases[] = {
        {{"--capture", dir + "/no/such/dir/x.mp4", "--end", "1"}, dir + "/no/such/dir/x.mp4", CAPTURE_FAILED,
         "cannot write"},
        {{"--capture", "/proc/kv_capture.mp4", "--end", "1"}, "/proc/kv_capture.mp4", CAPTURE_FAILED,
         "cannot write"},
        {{"--capture", dir + "/x.avi", "--end", "1"}, dir + "/x.avi", CAPTURE_BAD_OPTIONS,
         "unknown file extension"},
        {{"--capture", dir + "/x.mp4", "--start", "10", "--end", "5"}, dir + "/x.mp4", CAPTURE_BAD_OPTIONS,
         "--end must be after --start"},
    };
    for (const Case& c : cases) {
        const Outcome run = capture(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.file;
        EXPECT_NE(run.stderrText.find(c.says), std::string::npos) << run.stderrText;
        EXPECT_EQ(std::count(run.stderrText.begin(), run.stderrText.end(), '\n'), 1) << run.stderrText;
        EXPECT_FALSE(fs::exists(c.file));
        EXPECT_FALSE(fs::exists(c.file + ".part"));
    }
}

TEST(CaptureFile, InterruptMidwayFinishesAPlayableFileOfWhatWasCaptured) {
    const std::string dir = makeScratchDir("interrupt");
    const std::string file = dir + "/whole.mp4";
    RealDemo run;
    run.start(800, 600, {"--capture", file, "--size", "320x240"});
    // Midway: once the encoder has written a few hundred frames' worth.
    waitUntil(
        [&] {
            std::error_code missing;
            const auto size = fs::file_size(file + ".part", missing);
            return !missing && size >= 200 * 1024;
        },
        120.0);
    ASSERT_EQ(kill(run.process.pid, SIGINT), 0);
    const int code = run.exitCode(60.0);
    const std::string said = run.errorOutput();

    EXPECT_EQ(code, CAPTURE_INTERRUPTED) << said;
    EXPECT_NE(said.find("interrupted"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(file + ".part"));
    VideoFile v;
    ASSERT_TRUE(readVideoFile(file, v)) << said;
    EXPECT_GT(v.frames.size(), size_t(FPS));
    EXPECT_LT(v.frames.size(), size_t(170 * FPS)) << "stopped before the end";
    const double videoSeconds = double(v.frames.size()) / FPS;
    EXPECT_NEAR(double(v.mono.size()) / v.audioRate, videoSeconds, 0.05) << "sound as long as the pictures";
    ASSERT_FALSE(v.chapters.empty());
    EXPECT_LT(v.chapters.back().startSeconds, videoSeconds) << "only the chapters it reached";
    EXPECT_NEAR(v.chapters.back().endSeconds, videoSeconds, 0.002) << "the last one ends with the file";
}

// From 28 s to 32 s: the end of the title, then the spin scene from 29.98 s.
struct ContainerCase {
    const char* extension;
    const char* dateTag;  // the container's own name for the year
    bool cover;
};
class CaptureContainer : public ::testing::TestWithParam<ContainerCase> {};

TEST_P(CaptureContainer, FourSecondsAt28sCarryTagsChaptersAndTheCover) {
    const ContainerCase& c = GetParam();
    const std::string file = makeScratchDir(std::string("meta_") + (c.extension + 1)) + "/clip" + c.extension;
    const Outcome run = capture({"--capture", file, "--size", "320x240", "--start", "28", "--end", "32", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    VideoFile v;
    ASSERT_TRUE(readVideoFile(file, v));
    EXPECT_EQ(v.frames.size(), size_t(4 * FPS)) << "the cover is not the film";
    EXPECT_EQ(tagOf(v, "title"), "KV 2007 Demo - Zorblax!");
    EXPECT_EQ(tagOf(v, "artist"), "Zorblax");
    EXPECT_EQ(tagOf(v, c.dateTag), "2007");
    const std::string comment = tagOf(v, "comment"), range = ", 0:28.00 to 0:32.00 of the timeline";
    EXPECT_EQ(comment.rfind("kv2007demo ", 0), 0u) << comment;
    EXPECT_TRUE(comment.size() > range.size() && comment.substr(comment.size() - range.size()) == range) << comment;
    ASSERT_EQ(v.chapters.size(), 2u);
    EXPECT_EQ(v.chapters[0].title, "Title");
    EXPECT_EQ(v.chapters[0].startSeconds, 0.0);
    EXPECT_EQ(v.chapters[1].title, "Spin");
    EXPECT_NEAR(v.chapters[1].startSeconds, 29.984 - 28, 0.002);
    EXPECT_NEAR(v.chapters[0].endSeconds, v.chapters[1].startSeconds, 0.002);
    EXPECT_NEAR(v.chapters[1].endSeconds, 4.0, 0.002);
    EXPECT_EQ(v.hasCover, c.cover);
}

INSTANTIATE_TEST_SUITE_P(Extensions, CaptureContainer, ::testing::Values(
    ContainerCase{".mp4", "date", true}, ContainerCase{".mkv", "date_released", true},
    ContainerCase{".webm", "date_released", false}));

TEST(CaptureFile, ListPartsPrintsTheChaptersOfTheTimelineOrOfARange) {
    struct Case {
        std::string args, lines;
    } cases[] = {
        {"--list-parts",
         "0:00 Logo\n0:15 Title\n0:30 Spin\n1:00 Greetings\n1:15 Photo\n1:30 Meshes\n2:15 Lyrics\n"},
        // Spin's last 4.96 s go to Greetings (59.96 s), Meshes' first 9.81 s
        // (from 90.19 s) to Photo (74.81 s).
        {"--list-parts --start 55 --end 100", "0:00 Greetings\n0:20 Photo\n"},
        {"--start 1:25 --end 95 --list-parts", "0:00 Meshes\n"},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(runCommand(shellQuoted(DEMO_BINARY) + " " + c.args, output), 0) << c.args;
        EXPECT_EQ(output, c.lines) << c.args;
    }
}
