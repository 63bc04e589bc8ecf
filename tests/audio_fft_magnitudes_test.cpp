// The spectrum: level and place of a sine centred on a bin, silence, channel
// averaging, windows reaching past the track, and the decoded fixture tones.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "audio/decoded_track.h"
#include "audio/fft_magnitudes.h"
#include "support/audio_fixtures.h"

namespace {

constexpr double FULL_SCALE = 32767.0;

// A track whose channel c holds sample(frame, c).
DecodedTrack makeTrack(int channels, uint64_t frames, const std::function<double(uint64_t, int)>& sample) {
    DecodedTrack track{44100, channels, {}};
    for (uint64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            track.samples.push_back(static_cast<int16_t>(std::lround(sample(i, c))));
    return track;
}

// A sine that completes `bin` periods in FFT_SIZE frames: centred on that bin.
double binSine(uint64_t frame, double bin, double amplitude) {
    return amplitude * std::sin(2.0 * M_PI * bin * static_cast<double>(frame) / FFT_SIZE);
}

class Spectrum : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(openSpectrum()); }
    void TearDown() override { closeSpectrum(); }
    float bins[SPECTRUM_BINS];
};

TEST_F(Spectrum, FullScaleSineOnABinReadsHalfThereAndHannLeakageBesideIt) {
    for (int bin : {5, 32, 200}) {
        SCOPED_TRACE(bin);
        const DecodedTrack track =
            makeTrack(2, 4096, [&](uint64_t i, int) { return binSine(i, bin, FULL_SCALE); });
        readSpectrum(track, 1000, bins);
        EXPECT_EQ(peakBin(bins, SPECTRUM_BINS), bin);  // lowest frequency first
        EXPECT_NEAR(bins[bin], 0.5f, 1e-3f);
        EXPECT_NEAR(bins[bin - 1], 0.25f, 1e-3f);
        EXPECT_NEAR(bins[bin + 1], 0.25f, 1e-3f);
        for (int k = 0; k < SPECTRUM_BINS; ++k)
            if (std::abs(k - bin) > 1) {
                EXPECT_LT(bins[k], 1e-3f) << "bin " << k;
            }
    }
}

TEST_F(Spectrum, SilenceAndCancellingChannelsReadZero) {
    const DecodedTrack silence = makeTrack(2, 2048, [](uint64_t, int) { return 0.0; });
    readSpectrum(silence, 0, bins);
    for (float b : bins) EXPECT_EQ(b, 0.0f);

    // Opposite channels average to nothing.
    const DecodedTrack opposite = makeTrack(2, 2048, [](uint64_t i, int c) {
        return (c == 0 ? 1 : -1) * binSine(i, 32, FULL_SCALE);
    });
    readSpectrum(opposite, 0, bins);
    for (float b : bins) EXPECT_LT(b, 1e-6f);
}

TEST_F(Spectrum, ChannelsAreAveragedToMono) {
    const DecodedTrack mono = makeTrack(1, 2048, [](uint64_t i, int) { return binSine(i, 32, FULL_SCALE); });
    readSpectrum(mono, 0, bins);
    EXPECT_NEAR(bins[32], 0.5f, 1e-3f);

    const DecodedTrack leftOnly = makeTrack(2, 2048, [](uint64_t i, int c) {
        return c == 0 ? binSine(i, 32, FULL_SCALE) : 0.0;
    });
    readSpectrum(leftOnly, 0, bins);
    EXPECT_NEAR(bins[32], 0.25f, 1e-3f);
}

TEST_F(Spectrum, FramesPastTheTrackAreSilence) {
    auto loud = [](uint64_t i, int) { return binSine(i, 32, FULL_SCALE); };
    const DecodedTrack track = makeTrack(2, 3000, loud);
    for (uint64_t start : {uint64_t{3000}, uint64_t{1} << 40, ~uint64_t{0}}) {
        readSpectrum(track, start, bins);
        for (float b : bins) EXPECT_EQ(b, 0.0f) << "start " << start;
    }
    // A window over the last 500 frames reads as if the track went on silent.
    DecodedTrack padded = track;
    padded.samples.resize(padded.samples.size() + 2 * FFT_SIZE, 0);
    float paddedBins[SPECTRUM_BINS];
    readSpectrum(track, 2500, bins);
    readSpectrum(padded, 2500, paddedBins);
    for (int k = 0; k < SPECTRUM_BINS; ++k) EXPECT_FLOAT_EQ(bins[k], paddedBins[k]) << "bin " << k;
    EXPECT_GT(bins[32], 0.01f);

    // A track shorter than one window.
    const DecodedTrack tiny = makeTrack(1, 10, loud);
    readSpectrum(tiny, 0, bins);
    for (float b : bins) EXPECT_TRUE(std::isfinite(b));
}

TEST_F(Spectrum, NoPlanReadsZero) {
    const DecodedTrack track = makeTrack(1, 2048, [](uint64_t i, int) { return binSine(i, 32, FULL_SCALE); });
    closeSpectrum();
    readSpectrum(track, 0, bins);
    for (float b : bins) EXPECT_EQ(b, 0.0f);
}

TEST_F(Spectrum, DecodedFixtureTonesPeakOnTheirBin) {
    for (const AudioFixture& fixture : {TONE_44K_STEREO, TONE_22K_MONO}) {
        SCOPED_TRACE(fixture.file);
        DecodedTrack track;
        ASSERT_TRUE(decodeMp3File(audioFixturePath(fixture).c_str(), track));
        // Read at 44.1 kHz: the 22.05 kHz tone's frequency falls on half its bin.
        readSpectrum(track, track.frames() / 2, bins);
        EXPECT_EQ(peakBin(bins, SPECTRUM_BINS), decodedToneBin(fixture));
        EXPECT_NEAR(bins[decodedToneBin(fixture)], TONE_LEVEL, TONE_LEVEL_TOLERANCE);
    }
}

}  // namespace
