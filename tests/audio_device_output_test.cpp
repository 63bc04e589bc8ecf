// What the device is handed, read back through SDL's disk driver (which writes
// every buffer to a file): from play on, each buffer is the track's own
// frames at their moment, as decoded to 44.1 kHz stereo, or silence where
// the decoder had not caught up; never anything else, also
// when the device runs far faster than the decoder.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "support/audio_fixtures.h"
#include "support/test_support.h"

namespace {

constexpr int BLOCK_VALUES = DEVICE_BUFFER_FRAMES * 2;  // one device buffer, stereo

struct OutputCheck {
    uint64_t exactFrames = 0;   // the track's own frame at its moment
    uint64_t silentFrames = 0;  // silence in its place: the decoder was behind
    uint64_t wrongFrames = 0;   // anything else
    uint64_t firstWrong = 0;    // output frame of the first wrong one
    bool startsExact = false;   // the first buffer after play is the track's start
};

// The stereo output frame `outputFrame` frames after play: the track frame at
// the same moment (nearest below), mono to both sides, silence past the end.
void expectedFrame(const DecodedTrack& track, uint64_t outputFrame, int16_t out[2]) {
    const uint64_t frame = outputFrame * track.rate / 44100;
    if (frame >= track.frames()) {
        out[0] = out[1] = 0;
        return;
    }
    out[0] = track.samples[frame * track.channels];
    out[1] = track.samples[frame * track.channels + track.channels - 1];
}

// Buffers before play are silence; play starts at the first one that is not.
// The check covers the track's length from there.
OutputCheck checkOutput(const std::string& bytes, const DecodedTrack& track) {
    const int16_t* values = reinterpret_cast<const int16_t*>(bytes.data());
    const uint64_t frames = bytes.size() / (2 * sizeof(int16_t));
    uint64_t first = 0;  // output frame where play starts, on a buffer boundary
    while (first < frames && values[2 * first] == 0 && values[2 * first + 1] == 0) ++first;
    first -= first % DEVICE_BUFFER_FRAMES;
    OutputCheck check;
    check.startsExact = first + DEVICE_BUFFER_FRAMES <= frames;
    const uint64_t outputFrames = track.frames() * 44100 / track.rate;
    for (uint64_t i = 0; i < outputFrames && first + i < frames; ++i) {
        int16_t expected[2];
        expectedFrame(track, i, expected);
        const int16_t* got = values + 2 * (first + i);
        const bool exact = got[0] == expected[0] && got[1] == expected[1];
        if (i < DEVICE_BUFFER_FRAMES) check.startsExact = check.startsExact && exact;
        if (exact) {
            ++check.exactFrames;
        } else if (got[0] == 0 && got[1] == 0) {
            ++check.silentFrames;
        } else if (check.wrongFrames++ == 0) {
            check.firstWrong = i;
        }
    }
    return check;
}

class DeviceOutput : public ::testing::Test {
protected:
    void TearDown() override {
        audioFree();
        if (!outputPath.empty()) std::filesystem::remove(outputPath);
    }

    // Plays `fixture` on the disk driver, `delayMs` per buffer, until the
    // device was handed the whole track, and returns what it wrote.
    std::string playToTheEnd(const AudioFixture& fixture, int delayMs) {
        // One directory per case: ctest may run the cases side by side.
        const std::string caseName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        outputPath = makeScratchDir("device_output_" + caseName) + "/out.raw";
        const ScopedEnv disk({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + outputPath,
                              "SDL_DISKAUDIODELAY=" + std::to_string(delayMs)});
        EXPECT_TRUE(audioInit());
        const uint32_t handle = audioStreamCreateFile(audioFixturePath(fixture).c_str());
        EXPECT_NE(handle, 0u);
        EXPECT_TRUE(audioChannelPlay(handle));
        const uint64_t length = decodedFrames(fixture) * 4;
        waitUntil([&] { return audioChannelGetHandedBytes(handle) > length; }, 60.0, 0.005);
        EXPECT_GT(audioChannelGetHandedBytes(handle), length) << "the device stalled";
        audioFree();  // closes the file
        return readFileBytes(outputPath);
    }

    std::string outputPath;
};

TEST_F(DeviceOutput, DeviceIsHandedEveryFrameOfTheTrackAtItsMoment) {
    for (const AudioFixture& fixture : {TONE_44K_STEREO, TONE_22K_MONO}) {
        SCOPED_TRACE(fixture.file);
        DecodedTrack track;
        ASSERT_TRUE(decodeMp3File(audioFixturePath(fixture).c_str(), track));
        // About five times real time: the decoder keeps well ahead.
        const OutputCheck check = checkOutput(playToTheEnd(fixture, 4), track);
        EXPECT_TRUE(check.startsExact);
        EXPECT_EQ(check.wrongFrames, 0u) << "first at output frame " << check.firstWrong;
        EXPECT_EQ(check.exactFrames + check.silentFrames, fixture.frames * 44100 / fixture.rate);
    }
}

// No delay: the device takes buffers as fast as SDL's thread can fill them,
// through the three minutes of the long track and the ring's many turns.
TEST_F(DeviceOutput, DeviceOutrunningTheDecoderIsHandedSilenceNotGarbage) {
    DecodedTrack track;
    ASSERT_TRUE(decodeMp3File(audioFixturePath(TRACK_180S).c_str(), track));
    const OutputCheck check = checkOutput(playToTheEnd(TRACK_180S, 0), track);
    EXPECT_TRUE(check.startsExact);
    EXPECT_EQ(check.wrongFrames, 0u) << "first at output frame " << check.firstWrong;
    EXPECT_EQ(check.exactFrames + check.silentFrames, TRACK_180S.frames);
    RecordProperty("exact_frames", std::to_string(check.exactFrames));
    RecordProperty("silent_frames", std::to_string(check.silentFrames));
}

}  // namespace
