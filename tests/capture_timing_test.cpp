// Capture arithmetic where an off-by-one shows as a frame out of step: the
// music position of each frame, the number of frames, the options refused,
// and the progress figures and their text.
#include <gtest/gtest.h>

#include "capture/progress.h"
#include "scenes/scenes.h"
#include "shell/capture_run.h"
#include "shell/command_line.h"

TEST(CapturePosition, FrameKIsStartPlusKOverFpsRoundedDownToAWholeSampleFrame) {
    EXPECT_EQ(captureBytePosition(0.0, 0, 60), 0u);
    EXPECT_EQ(captureBytePosition(0.0, 1, 60), 735u * 4);        // 44100 / 60 exactly
    EXPECT_EQ(captureBytePosition(22.0, 60, 60), 23u * 176400);  // on a whole second, not one frame below
    EXPECT_EQ(captureBytePosition(0.0, 1, 7), 6300u * 4);        // 44100 / 7 = 6300
    EXPECT_EQ(captureBytePosition(0.0, 1, 30000), 1u * 4);       // 1.47 sample frames, rounded down
    EXPECT_EQ(captureBytePosition(0.5, 0, 60), 22050u * 4);
    EXPECT_EQ(captureBytePosition(1.0 / 3.0, 0, 60), 14700u * 4);
    // Three hours in, the whole and fractional parts still add up exactly.
    EXPECT_EQ(captureBytePosition(0.0, 648000, 60), 10800ull * 176400);
}

TEST(CaptureFrameCount, UpToTheEndOrThroughTheFrameThatEndsTheLastScene) {
    EXPECT_EQ(captureFrameCount(22.0, 24.0, 60), 120u);
    EXPECT_EQ(captureFrameCount(22.0, 24.01, 60), 121u);
    const uint64_t whole = captureFrameCount(0.0, -1, 60);
    EXPECT_GE(captureBytePosition(0.0, whole - 1, 60), lyricsEnd);
    EXPECT_LT(captureBytePosition(0.0, whole - 2, 60), lyricsEnd);
    EXPECT_EQ(captureFrameCount(0.0, 1000.0, 60), whole) << "an end past the timeline stops with it";
    EXPECT_EQ(captureFrameCount(200.0, -1, 60), 0u);
}

// Every whole millisecond --start accepts names the same sample frame for play
// (bytesAtSeconds) and for capture's first frame: ms * 44.1, rounded down.
TEST(CapturePosition, PlayAndCaptureStartOnTheSameSampleFrameForEveryMillisecond) {
    int mismatches = 0;
    for (uint64_t ms = 0; ms <= 176352; ++ms) {
        const std::string text = std::to_string(ms / 1000) + "." + std::to_string(1000 + ms % 1000).substr(1);
        const double seconds = parseTimeOfMusic(text);
        const uint64_t exact = ms * 441 / 10 * 4;
        if (bytesAtSeconds(seconds) != exact || captureBytePosition(seconds, 0, 60) != exact) {
            if (++mismatches <= 3) ADD_FAILURE() << "--start " << text << ": play " << bytesAtSeconds(seconds)
                                                 << ", capture " << captureBytePosition(seconds, 0, 60)
                                                 << ", exact " << exact;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(bytesAtSeconds(0.35), 15435u * 4);
}

TEST(CaptureOptionsCheck, RefusesWhatCannotBeCaptured) {
    CaptureOptions o;
    o.path = "out.MP4";
    EXPECT_EQ(checkCaptureOptions(o), "");
    auto refusal = [&](auto change) {
        CaptureOptions changed = o;
        change(changed);
        return checkCaptureOptions(changed);
    };
    EXPECT_NE(refusal([](CaptureOptions& c) { c.path = "out.avi"; }), "");
    EXPECT_NE(refusal([](CaptureOptions& c) { c.path = "mp4"; }), "");
    EXPECT_NE(refusal([](CaptureOptions& c) { c.width = 3842; }), "");
    EXPECT_NE(refusal([](CaptureOptions& c) { c.width = 321; }), "") << "yuv420p needs even sizes";
    EXPECT_EQ(refusal([](CaptureOptions& c) { c.width = 3840, c.height = 2160; }), "");
    EXPECT_NE(refusal([](CaptureOptions& c) { c.fps = 0; }), "");
    EXPECT_NE(refusal([](CaptureOptions& c) { c.startSeconds = 5, c.endSeconds = 5; }), "");
    EXPECT_NE(refusal([](CaptureOptions& c) { c.startSeconds = 190; }), "");
}

TEST(CaptureProgress, FiguresAndTheirText) {
    const ProgressFigures f = progressFigures(1200, 12000, 60, 10.0);  // 20 s of video in 10 s
    EXPECT_DOUBLE_EQ(f.percent, 10.0);
    EXPECT_DOUBLE_EQ(f.speed, 2.0);
    EXPECT_DOUBLE_EQ(f.secondsLeft, 90.0);
    EXPECT_EQ(formatLine(f), "capture: 10% (1200/12000 frames), 2.00x real time, 1:30 left");
    EXPECT_EQ(formatBar(f, 10).substr(0, 12), "[#.........]");
    EXPECT_EQ(formatClock(3723.4), "1:02:03");
    EXPECT_EQ(formatClock(-1), "--:--");
    EXPECT_LT(progressFigures(0, 100, 60, 0.0).secondsLeft, 0) << "unknown before the first frame";

    // Lines style: one line per tenth passed, none in between.
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    Progress p;
    p.style = ProgressStyle::Lines;
    p.total = 100;
    for (uint64_t done = 1; done <= 100; ++done) updateProgress(p, done, done * 0.01, out);
    std::fclose(out);
    EXPECT_EQ(std::count(text, text + size, '\n'), 10);
    std::free(text);
}
