// startMusic, refreshSyncSignals and stopMusic as the demo sees them: the
// signals before the first refresh, their float conversions, and what a user
// sees and hears when the device, the file, or both are missing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "audio/music.h"
#include "scenes/timeline.h"
#include "shell/demo.h"
#include "support/audio_fixtures.h"
#include "support/demo_messages.h"
#include "support/test_support.h"
#include "support/working_directory.h"

namespace {

using Texts = std::vector<std::string>;

bool allBinsZero() {
    for (float b : fftBins)
        if (b != 0.0f) return false;
    return true;
}

// Each case runs in its own scratch directory, whose data/KV07.mp3 is what the
// case puts there, with the message recorder in place of real boxes.
class Music : public ::testing::Test {
protected:
    void SetUp() override { installMessageRecorder(); }
    void TearDown() override {
        stopMusic();
        removeMessageRecorder();
    }
    void enterDataDir(const std::string& name, const std::string* musicFile) {
        const std::string dir = makeScratchDir(name);
        if (musicFile) writeFileBytes(dir + "/data/KV07.mp3", *musicFile);
        inDataDir.emplace(dir);
    }
    void withoutDevice() { noDevice.emplace("SDL_AUDIODRIVER", "no_such_audio_driver"); }
    std::optional<ScopedEnv> noDevice;

    std::optional<ScopedWorkingDirectory> inDataDir;  // left after TearDown
    const std::string tone = readFileBytes(audioFixturePath(TONE_44K_STEREO));
};

// Runs first in a fresh process, as the first frame of the demo does.
TEST_F(Music, EverySignalIsZeroUntilTheFirstRefresh) {
    enterDataDir("first_frame", &tone);
    startMusic();
    sleepSeconds(0.03);
    EXPECT_EQ(musicBytePos, 0.0f);
    EXPECT_EQ(spinPhase, 0.0f);
    EXPECT_EQ(musicSeconds, 0.0f);
    EXPECT_TRUE(allBinsZero());
}

TEST_F(Music, StartsTheTrackAndRefreshesFromItsPosition) {
    enterDataDir("plays", &tone);
    startMusic();
    EXPECT_EQ(recordedTexts(), Texts{});
    EXPECT_NE(musicStream, 0u);
    sleepSeconds(0.15);
    refreshSyncSignals();
    EXPECT_GT(musicBytePos, 0.0f);
    EXPECT_EQ(spinPhase, musicBytePos / 200000.0f);
    EXPECT_FLOAT_EQ(musicSeconds, musicBytePos / 176400.0f);
    EXPECT_EQ(peakBin(fftBins, FFT_BIN_COUNT), TONE_BIN);
    EXPECT_NEAR(fftBins[TONE_BIN], TONE_LEVEL, TONE_LEVEL_TOLERANCE);
    const float before = musicBytePos;
    sleepSeconds(0.03);
    refreshSyncSignals();
    EXPECT_GT(musicBytePos, before);
}

TEST_F(Music, PositionConvertsToTheNearestFloatAndSecondsFollowTheFloat) {
    musicStream = 0;  // no stream: bytes count at 176400 per second, like the track
    struct Case {
        uint64_t bytes;
        float position;
    };
    const Case cases[] = {
        {0, 0.0f},
        {16777215, 16777215.0f},
        {16777216, 16777216.0f},  // 2^24: the last exact step of one
        {16777217, 16777216.0f},  // ties go to the even neighbour
        {16777218, 16777218.0f},
        {16777219, 16777220.0f},
        {33554431, 33554432.0f},  // 2^25 - 1 rounds up to 2^25
        {uint64_t(TIMELINE_END), float(TIMELINE_END)},  // the end of the timeline is exact
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        setFrameInput({c.bytes, {}, {}});
        EXPECT_EQ(musicBytePos, c.position);
        EXPECT_EQ(spinPhase, c.position / 200000.0f);
        EXPECT_EQ(musicSeconds, static_cast<float>(static_cast<double>(c.position) / 176400.0));
    }
    // The seconds are those of the float position, not of the exact count.
    setFrameInput({16777217, {}, {}});
    EXPECT_NE(musicSeconds, static_cast<float>(16777217 / 176400.0));

    setFrameInput({200000, {}, {}});
    EXPECT_EQ(spinPhase, 1.0f);
}

TEST_F(Music, CountsWithTheTopBitSetStayPositive) {
    musicStream = 0;
    setFrameInput({~uint64_t{0}, {}, {}});
    EXPECT_EQ(musicBytePos, 18446744073709551616.0f);  // 2^64, about 1.8446744e19
    EXPECT_GT(musicBytePos, float(TIMELINE_END));      // past every scene threshold
    EXPECT_EQ(spinPhase, musicBytePos / 200000.0f);
    // Back to an integer for the seconds, the count is 2^63 alone.
    EXPECT_EQ(musicSeconds, static_cast<float>(9223372036854775808.0 / 176400.0));

    setFrameInput({(uint64_t{1} << 63) + 1, {}, {}});
    EXPECT_EQ(musicBytePos, 9223372036854775808.0f);
    EXPECT_EQ(musicSeconds, static_cast<float>(9223372036854775808.0 / 176400.0));
}

TEST_F(Music, MissingFileShowsTwoBoxesThenRunsASilentClock) {
    enterDataDir("missing", nullptr);
    startMusic();
    EXPECT_EQ(recordedTexts(), (Texts{MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED}));
    expectOnlyErrorBoxes();
    EXPECT_EQ(musicStream, 0u);
    sleepSeconds(0.1);
    refreshSyncSignals();
    // At least the time slept, in bytes of 44.1 kHz stereo.
    EXPECT_GE(musicBytePos, 0.1f * 176400);
    EXPECT_TRUE(allBinsZero());
    const float before = musicBytePos;
    sleepSeconds(0.02);
    refreshSyncSignals();
    EXPECT_GT(musicBytePos, before);
    EXPECT_TRUE(allBinsZero());
}

TEST_F(Music, FileThatIsNoMp3ShowsTheSameTwoBoxes) {
    const std::string wav = readFileBytes(audioFixtureWavPath(TONE_44K_STEREO));
    enterDataDir("wav_named_mp3", &wav);
    startMusic();
    EXPECT_EQ(recordedTexts(), (Texts{MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED}));
    EXPECT_EQ(musicStream, 0u);
}

TEST_F(Music, NoDeviceShowsTheInitBoxThenPlaysSilentlyWithTheTracksSpectrum) {
    withoutDevice();
    enterDataDir("no_device", &tone);
    startMusic();
    EXPECT_EQ(recordedTexts(), Texts{MUSIC_INIT_FAILED});
    EXPECT_NE(musicStream, 0u);
    sleepSeconds(0.1);
    refreshSyncSignals();
    EXPECT_GE(musicBytePos, 0.1f * 176400);
    EXPECT_EQ(peakBin(fftBins, FFT_BIN_COUNT), TONE_BIN);
    EXPECT_NEAR(fftBins[TONE_BIN], TONE_LEVEL, TONE_LEVEL_TOLERANCE);
}

TEST_F(Music, NoDeviceAndNoFileShowEveryBoxInOrder) {
    withoutDevice();
    enterDataDir("nothing", nullptr);
    startMusic();
    EXPECT_EQ(recordedTexts(), (Texts{MUSIC_INIT_FAILED, MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED}));
    sleepSeconds(0.02);
    refreshSyncSignals();
    EXPECT_GT(musicBytePos, 0.0f);
}

TEST_F(Music, StopIsSafeWithoutStartAndTwice) {
    stopMusic();
    stopMusic();
    refreshSyncSignals();  // the loop may still refresh after a failed start
    EXPECT_TRUE(allBinsZero());
    EXPECT_EQ(recordedTexts(), Texts{});
}

}  // namespace
