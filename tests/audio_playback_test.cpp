// Real playback through SDL's dummy driver: the reported position against the
// wall clock and against the bytes handed to the device, after the end of the
// track, after a seek, for a mono 22.05 kHz track (converted to 44.1 kHz
// stereo), and after the layer is freed; play started part-way, with a
// device, without one and without a stream; the spectrum at an offset.
#include <gtest/gtest.h>

#include <algorithm>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "support/audio_fixtures.h"
#include "support/position_probe.h"

namespace {

struct PositionTrace {
    bool monotonic = true;         // no reading below the one before
    bool withinHanded = true;      // no reading past the bytes handed to the device
    uint64_t maxLag = 0;           // most bytes handed but not yet reported as heard
    double overallRate = 0;        // position gained over the whole trace, as a share of byteRate
    double fastestWindowRate = 0;  // largest position rate over one window, as a share of byteRate
};

// Samples the position every few milliseconds for `windows` windows of
// `windowMs` each.
PositionTrace tracePosition(uint32_t handle, double byteRate, int windows, int windowMs) {
    PositionTrace trace;
    const double start = steadySeconds();
    const uint64_t startPos = audioChannelGetPosition(handle);
    uint64_t previous = startPos;
    for (int w = 0; w < windows; ++w) {
        const double windowStart = steadySeconds();
        const uint64_t windowStartPos = audioChannelGetPosition(handle);
        double now = windowStart;
        uint64_t pos = windowStartPos;
        while ((now - windowStart) * 1000 < windowMs) {
            sleepSeconds(0.003);
            const uint64_t handedBefore = audioChannelGetHandedBytes(handle);
            pos = audioChannelGetPosition(handle);
            const uint64_t handed = audioChannelGetHandedBytes(handle);
            now = steadySeconds();
            trace.monotonic = trace.monotonic && pos >= previous;
            trace.withinHanded = trace.withinHanded && pos <= handed;
            // The lag only from readings that no device callback came between.
            if (handed == handedBefore && pos <= handed) trace.maxLag = std::max(trace.maxLag, handed - pos);
            previous = pos;
        }
        const double windowRate = (pos - windowStartPos) / ((now - windowStart) * byteRate);
        trace.fastestWindowRate = std::max(trace.fastestWindowRate, windowRate);
        trace.overallRate = (pos - startPos) / ((now - start) * byteRate);
    }
    return trace;
}

class AudioPlayback : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(audioInit()) << "SDL_AUDIODRIVER=dummy expected"; }
    void TearDown() override { audioFree(); }

    uint32_t playFixture(const AudioFixture& fixture) {
        const uint32_t handle = audioStreamCreateFile(audioFixturePath(fixture).c_str());
        EXPECT_NE(handle, 0u);
        EXPECT_TRUE(audioChannelPlay(handle));
        return handle;
    }
};

// SDL's dummy driver is a sleep loop: on a busy machine it wakes late and
// consumes less, and the listener's position rightly falls behind with it.
// So the wall clock bounds the rate from above over the whole run (the
// position never outruns real time), and from below on the window in which
// the device kept time.
TEST_F(AudioPlayback, PositionFollowsTheWallClockAndNeverPassesTheHandedBytes) {
    const uint32_t handle = playFixture(TONE_44K_STEREO);
    sleepSeconds(0.05);  // past the first callback
    const PositionTrace trace = tracePosition(handle, 176400, 8, 250);
    EXPECT_TRUE(trace.monotonic);
    EXPECT_TRUE(trace.withinHanded);
    // The listener is behind the device by at most the one buffer it holds.
    EXPECT_LE(trace.maxLag, DEVICE_BUFFER_FRAMES * 4u);
    EXPECT_GT(trace.maxLag, 0u);
    EXPECT_LT(trace.overallRate, 1.01);
    EXPECT_GT(trace.fastestWindowRate, 0.99);
    EXPECT_LT(trace.fastestWindowRate, 1.01);
}

TEST_F(AudioPlayback, PositionKeepsAdvancingPastTheEndOfTheTrack) {
    const uint32_t handle = playFixture(TONE_44K_STEREO);
    const uint64_t length = TONE_44K_STEREO.frames * 4;
    ASSERT_TRUE(audioChannelSetPosition(handle, length - 17640));  // 0.1 s before the end
    sleepSeconds(0.3);
    const uint64_t past = audioChannelGetPosition(handle);
    EXPECT_GT(past, length);
    sleepSeconds(0.1);
    EXPECT_GT(audioChannelGetPosition(handle), past);
    float bins[SPECTRUM_BINS];
    audioChannelGetFFT1024(handle, bins);
    for (float b : bins) EXPECT_EQ(b, 0.0f);  // silence after the end
}

TEST_F(AudioPlayback, SeekWhilePlayingContinuesFromTheTarget) {
    const uint32_t handle = playFixture(TONE_44K_STEREO);
    sleepSeconds(0.05);
    ASSERT_TRUE(audioChannelSetPosition(handle, 176400 + 3));  // a byte count inside a frame
    EXPECT_EQ(audioChannelGetPosition(handle) % 4, 0u);
    sleepSeconds(0.1);
    const uint64_t pos = audioChannelGetPosition(handle);
    EXPECT_GE(pos, 176400u);
    EXPECT_LT(pos, 176400u + 176400u);  // well under a second on from the target
    EXPECT_FALSE(audioChannelSetPosition(handle, TONE_44K_STEREO.frames * 4 + 4));

    float bins[SPECTRUM_BINS];
    audioChannelGetFFT1024(handle, bins);
    EXPECT_EQ(peakBin(bins, SPECTRUM_BINS), TONE_BIN);
}

// The timeline's bytes are seconds at 176400 a second, for this track too.
TEST_F(AudioPlayback, Mono22kHzTrackAdvancesAt176400BytesASecond) {
    const uint32_t handle = playFixture(TONE_22K_MONO);
    sleepSeconds(0.05);
    const PositionTrace trace = tracePosition(handle, 176400, 4, 125);
    EXPECT_TRUE(trace.monotonic);
    EXPECT_TRUE(trace.withinHanded);
    EXPECT_EQ(audioChannelGetPosition(handle) % 4, 0u);  // whole stereo frames
    EXPECT_LT(trace.overallRate, 1.02);
    EXPECT_GT(trace.fastestWindowRate, 0.98);
}

TEST_F(AudioPlayback, FreeStopsEverythingAndLeavesNoStream) {
    const uint32_t handle = playFixture(TONE_44K_STEREO);
    sleepSeconds(0.03);
    audioFree();
    EXPECT_EQ(audioChannelGetPosition(handle), 0u);
    audioFree();  // twice is harmless
    ASSERT_TRUE(audioInit());  // and the layer starts again
    EXPECT_NE(audioStreamCreateFile(audioFixturePath(TONE_44K_STEREO).c_str()), 0u);
}

// Starting 80 s in, with a device, on the silent clock of a stream without
// one, and on the silent clock of no stream: the first position read is the
// start (give or take the time the call took), the position runs on in real
// time from there, and the spectrum at once is the track's own there.
TEST(AudioPlayFrom, PositionAndSpectrumBeginAtTheStart) {
    const uint64_t start = 80 * 176400;
    struct Case {
        const char* name;
        bool device;
        bool stream;
    };
    for (const Case c : {Case{"device", true, true}, Case{"no device", false, true}, Case{"no stream", true, false}}) {
        SCOPED_TRACE(c.name);
        if (c.device) {
            ASSERT_TRUE(audioInit());
        }
        const uint32_t handle = c.stream ? audioStreamCreateFile(audioFixturePath(TRACK_180S).c_str()) : 0;
        const double called = steadySeconds();
        EXPECT_EQ(audioChannelPlayFrom(handle, start + 3), c.stream);  // a byte count inside a frame
        const TimedReading first = readTimed([&] { return audioChannelGetPosition(handle); });
        EXPECT_GE(first.bytes, start);
        EXPECT_LE(first.bytes, start + (first.after - called) * 176400 + 4);
        EXPECT_EQ(first.bytes % 4, 0u);

        float bins[SPECTRUM_BINS];
        audioChannelGetFFT1024(handle, bins);
        if (c.stream) {
            EXPECT_EQ(peakBin(bins, SPECTRUM_BINS), TONE_BIN);
            EXPECT_NEAR(bins[TONE_BIN], TONE_LEVEL, TONE_LEVEL_TOLERANCE);
        } else {
            EXPECT_EQ(*std::max_element(bins, bins + SPECTRUM_BINS), 0.0f);
        }

        sleepSeconds(0.5);
        const TimedReading second = readTimed([&] { return audioChannelGetPosition(handle); });
        const RateBounds rate = rateBetween(first, second, 176400);
        // A device's clock moves a buffer at a time and may fall behind on a
        // busy machine; the silent clock keeps real time.
        const bool silentClock = !c.device || !c.stream;
        EXPECT_LE(rate.low, silentClock ? 1.002 : 1.002 + DEVICE_BUFFER_FRAMES / 44100.0 / 0.5);
        EXPECT_GE(rate.high, silentClock ? 0.998 : 0.5);
        audioFree();
    }
    // Past the end of a stream, it starts at the end.
    const uint32_t handle = audioStreamCreateFile(audioFixturePath(TONE_1S).c_str());
    const double called = steadySeconds();
    EXPECT_TRUE(audioChannelPlayFrom(handle, ~uint64_t{0}));
    const TimedReading atEnd = readTimed([&] { return audioChannelGetPosition(handle); });
    EXPECT_GE(atEnd.bytes, TONE_1S.frames * 4);
    EXPECT_LE(atEnd.bytes, TONE_1S.frames * 4 + (atEnd.after - called) * 176400 + 4);
    audioFree();
}

// The spectrum `offset` bytes from the position last read, against the
// whole-file decode's spectrum at the frame that offset reaches.
::testing::AssertionResult spectrumAtOffsetIsTheTracks(uint32_t handle, const DecodedTrack& track,
                                                       uint64_t position, int64_t offset, uint64_t frame) {
    float shifted[SPECTRUM_BINS], expected[SPECTRUM_BINS];
    audioChannelGetFFT1024(handle, shifted, offset);
    readSpectrum(track, frame, expected);
    for (int k = 0; k < SPECTRUM_BINS; ++k)
        if (std::abs(shifted[k] - expected[k]) > 1e-6f)
            return ::testing::AssertionFailure() << "offset " << offset << " from " << position << ", bin " << k
                                                 << ": " << shifted[k] << " instead of " << expected[k];
    return ::testing::AssertionSuccess();
}

// Offsets ahead of the position and behind it, inside what the stream keeps
// decoded, read the track's own frames; windows that run off the end of the
// tone tell one frame from the next. On the silent clock, where the position
// read stays put until the next read.
TEST(AudioSpectrumOffset, ShiftedSpectrumIsTheTracksSpectrumAtTheShiftedPosition) {
    DecodedTrack track;
    ASSERT_TRUE(decodeMp3File(audioFixturePath(TONE_44K_STEREO).c_str(), track));
    const uint64_t end = track.frames();
    const uint32_t handle = audioStreamCreateFile(audioFixturePath(TONE_44K_STEREO).c_str());
    // 1.5 s before the end; 0.8 s on, the frames since the start are held.
    ASSERT_TRUE(audioChannelPlayFrom(handle, (end - 66150) * 4));
    sleepSeconds(0.8);
    uint64_t position = audioChannelGetPosition(handle);
    ASSERT_LT(position / 4 + 2000, end);
    // Ahead, with 300 frames of tone left in the window (the extra bytes
    // round down), and behind by 0.7 s.
    const int64_t ahead = static_cast<int64_t>(end - 300 - position / 4) * 4 + 3;
    EXPECT_TRUE(spectrumAtOffsetIsTheTracks(handle, track, position, ahead, end - 300));
    EXPECT_TRUE(spectrumAtOffsetIsTheTracks(handle, track, position, -30870 * 4, position / 4 - 30870));

    sleepSeconds(0.9);  // past the end: behind, the window runs off it
    position = audioChannelGetPosition(handle);
    ASSERT_GT(position / 4, end);
    const int64_t behind = -static_cast<int64_t>(position / 4 - (end - 300)) * 4 - 1;  // a byte into the frame before
    EXPECT_TRUE(spectrumAtOffsetIsTheTracks(handle, track, position, behind, end - 301));
    float bins[SPECTRUM_BINS];
    audioChannelGetFFT1024(handle, bins, behind);
    EXPECT_GT(bins[TONE_BIN], 0.01f);

    // From the start: further back than that is the first frame.
    ASSERT_TRUE(audioChannelPlayFrom(handle, 0));
    position = audioChannelGetPosition(handle);
    EXPECT_TRUE(spectrumAtOffsetIsTheTracks(handle, track, position, INT64_MIN, 0));
    audioFree();
}

}  // namespace
