// The default track, read with the demo's own audio layer: long enough for the
// whole timeline at 44.1 kHz stereo, and a beat that moves the intro's bins.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "audio/fft_magnitudes.h"
#include "scenes/timeline.h"

namespace {

const std::string TRACK = std::string(DEMO_SOURCE_DIR) + "/data/KV07.mp3";
const uint64_t TIMELINE_END_BYTES = uint64_t(TIMELINE_END);  // where the last scene ends
const uint64_t BYTES_PER_SECOND = 176400;                     // 44.1 kHz, stereo, 16-bit

TEST(DataSetMusic, TrackCoversTheTimelineAt44100HzStereo) {
    DecodedTrack track;
    ASSERT_TRUE(decodeMp3File(TRACK.c_str(), track));
    EXPECT_EQ(track.rate, 44100);
    EXPECT_EQ(track.channels, 2);
    const uint64_t bytes = track.frames() * track.bytesPerFrame();
    EXPECT_GE(bytes, TIMELINE_END_BYTES);
    EXPECT_GE(bytes, 178 * BYTES_PER_SECOND) << "the track should outlast the timeline";

    const uint32_t stream = audioStreamCreateFile(TRACK.c_str());
    ASSERT_NE(stream, 0u);
    EXPECT_NEAR(audioChannelBytes2Seconds(stream, TIMELINE_END_BYTES), 176.35, 0.01);
    audioFree();
}

// Peak over median of one bin across the intro, sampled at 30 frames a second.
float peakOverMedian(const std::vector<float>& values) {
    std::vector<float> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const float median = sorted[sorted.size() / 2];
    return median > 0 ? sorted.back() / median : 0.0f;
}

TEST(DataSetMusic, IntroBeatMovesTheBinsTheLogoReads) {
    DecodedTrack track;
    ASSERT_TRUE(decodeMp3File(TRACK.c_str(), track));
    ASSERT_TRUE(openSpectrum());
    std::vector<float> bin1, bin4;
    float spectrum[SPECTRUM_BINS];
    for (uint64_t frame = 0; frame < 15 * 44100; frame += 44100 / 30) {
        readSpectrum(track, frame, spectrum);
        bin1.push_back(spectrum[1]);
        bin4.push_back(spectrum[4]);
    }
    closeSpectrum();
    EXPECT_GE(peakOverMedian(bin1), 3.0f);
    EXPECT_GE(peakOverMedian(bin4), 3.0f);
    EXPECT_GT(*std::max_element(bin1.begin(), bin1.end()), 0.01f) << "the kick should be heard";
}

}  // namespace
