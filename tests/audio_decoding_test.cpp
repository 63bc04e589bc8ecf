// Streams from files: exact decoded length, converted to 44.1 kHz stereo,
// known when the stream is created; bytes to seconds at that rate whatever
// the file's own; and files that must
// give no stream (or a shorter one) without crashing: missing, empty,
// truncated, damaged, random, WAV under an MP3 name.
#include <gtest/gtest.h>

#include <random>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "audio/track_stream.h"
#include "support/audio_fixtures.h"
#include "support/test_support.h"

namespace {

class AudioDecoding : public ::testing::Test {
protected:
    void TearDown() override { audioFree(); }
};

TEST_F(AudioDecoding, FixtureTracksDecodeToTheirExactLengthAt44kStereo) {
    for (const AudioFixture& fixture : {TONE_44K_STEREO, TONE_22K_MONO}) {
        SCOPED_TRACE(fixture.file);
        DecodedTrack track;
        ASSERT_TRUE(decodeMp3File(audioFixturePath(fixture).c_str(), track));
        EXPECT_EQ(track.rate, 44100);
        EXPECT_EQ(track.channels, 2);
        // Gapless decoding drops the encoder's delay and padding exactly,
        // also through the conversion to 44.1 kHz.
        EXPECT_EQ(track.frames(), decodedFrames(fixture));
        EXPECT_EQ(track.samples.size(), decodedFrames(fixture) * 2);
        // A stream knows that length as it is created, long before its
        // decoder gets to the end: the last frame is a valid position, the
        // one after it is not.
        const uint32_t stream = audioStreamCreateFile(audioFixturePath(fixture).c_str());
        ASSERT_NE(stream, 0u);
        const uint64_t length = decodedFrames(fixture) * track.bytesPerFrame();
        EXPECT_TRUE(audioChannelSetPosition(stream, length));
        EXPECT_FALSE(audioChannelSetPosition(stream, length + track.bytesPerFrame()));
    }
}

TEST_F(AudioDecoding, BytesToSecondsCountsTheConvertedRateForEveryTrack) {
    const uint32_t stereo = audioStreamCreateFile(audioFixturePath(TONE_44K_STEREO).c_str());
    ASSERT_NE(stereo, 0u);
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(stereo, 176400), 1.0);
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(stereo, TONE_44K_STEREO.frames * 4), 3.0);
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(stereo, 4), 1.0 / 44100);

    const uint32_t mono = audioStreamCreateFile(audioFixturePath(TONE_22K_MONO).c_str());
    ASSERT_NE(mono, 0u);
    EXPECT_NE(mono, stereo);
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(mono, 176400), 1.0);
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(mono, decodedFrames(TONE_22K_MONO) * 4), 2.0);
    // The replaced stream's handle now counts as no stream: the timeline's rate.
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(stereo, 44100), 0.25);
    EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(0, 176400), 1.0);
}

TEST_F(AudioDecoding, FilesThatAreNoMp3GiveNoStream) {
    const std::string dir = makeScratchDir("not_mp3");
    const std::string mp3 = readFileBytes(audioFixturePath(TONE_44K_STEREO));
    ASSERT_GT(mp3.size(), 1000u);
    std::mt19937 random(2007);
    std::string noise(64 * 1024, 0);
    for (char& b : noise) b = static_cast<char>(random());

    writeFileBytes(dir + "/empty.mp3", "");
    writeFileBytes(dir + "/wav.mp3", readFileBytes(audioFixtureWavPath(TONE_44K_STEREO)));
    writeFileBytes(dir + "/noise.mp3", noise);
    writeFileBytes(dir + "/header_only.mp3", {mp3.begin(), mp3.begin() + 300});
    for (const std::string name :
         {"missing.mp3", "empty.mp3", "wav.mp3", "noise.mp3", "header_only.mp3", ""}) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/" + name;  // "" names the directory itself
        DecodedTrack track;
        EXPECT_FALSE(decodeMp3File(path.c_str(), track));
        EXPECT_EQ(track.frames(), 0u);
        EXPECT_EQ(audioStreamCreateFile(path.c_str()), 0u);
    }
    EXPECT_EQ(audioStreamCreateFile(nullptr), 0u);
}

TEST_F(AudioDecoding, DamagedMp3DecodesAsFarAsItHoldsTogether) {
    const std::string dir = makeScratchDir("damaged");
    const std::string mp3 = readFileBytes(audioFixturePath(TONE_44K_STEREO));
    writeFileBytes(dir + "/half.mp3", {mp3.begin(), mp3.begin() + mp3.size() / 2});
    DecodedTrack track;
    ASSERT_TRUE(decodeMp3File((dir + "/half.mp3").c_str(), track));
    EXPECT_GT(track.frames(), TONE_44K_STEREO.frames / 4);
    EXPECT_LT(track.frames(), TONE_44K_STEREO.frames);
    // Streamed, the cut file is as long as the frames it still holds.
    const auto half = openTrackStream((dir + "/half.mp3").c_str());
    ASSERT_TRUE(half);
    EXPECT_EQ(half->format.frames, track.frames());

    // Bytes overwritten all through the file, tags and headers included.
    std::mt19937 random(74);
    for (int round = 0; round < 20; ++round) {
        std::string damaged = mp3;
        for (int i = 0; i < 16; ++i) damaged[random() % damaged.size()] = static_cast<char>(random());
        writeFileBytes(dir + "/damaged.mp3", damaged);
        const bool decoded = decodeMp3File((dir + "/damaged.mp3").c_str(), track);
        // A stream opens for exactly the files that decode; its length is the
        // scanned one, which what decodes never exceeds (the rest plays silent).
        const auto stream = openTrackStream((dir + "/damaged.mp3").c_str());
        EXPECT_EQ(stream != nullptr, decoded);
        if (decoded) {
            EXPECT_GT(track.rate, 0);
            EXPECT_TRUE(track.channels == 1 || track.channels == 2);
            EXPECT_GT(track.frames(), 0u);
            EXPECT_EQ(track.samples.size() % track.channels, 0u);
            if (stream) {
                EXPECT_LE(track.frames(), stream->format.frames);
            }
        } else {
            EXPECT_TRUE(track.samples.empty());
        }
    }
}

}  // namespace
