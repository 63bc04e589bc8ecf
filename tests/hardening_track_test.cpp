// A damaged or unusual music file, each case in a data directory of its own:
// the boxes startMusic shows, and a position that keeps advancing past the
// end of whatever was decoded (or on the silent clock when nothing was), so
// the timeline always reaches its end.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "audio/music.h"
#include "shell/demo.h"
#include "support/audio_fixtures.h"
#include "support/demo_messages.h"
#include "support/position_probe.h"
#include "support/test_support.h"
#include "support/working_directory.h"

namespace {

const char* const MUSIC_PATH = "data/KV07.mp3";

using Bytes = std::string;
using Texts = std::vector<std::string>;

Bytes fixtureBytes(const AudioFixture& f) { return readFileBytes(audioFixturePath(f)); }

Bytes firstHalfOf(const Bytes& file) { return {file.begin(), file.begin() + file.size() / 2}; }

Bytes noise(size_t size) {
    std::mt19937 random(176);
    Bytes bytes(size, 0);
    for (char& b : bytes) b = static_cast<char>(random());
    return bytes;
}

struct TrackCase {
    const char* name;
    std::function<Bytes()> file;  // null: no file at all
    bool withDevice;              // false: SDL is given an audio driver that does not exist
    Texts messages;               // the boxes, in order
    double bytesPerSecond;        // the timeline's byte rate, with a stream of any format or none
};

std::ostream& operator<<(std::ostream& out, const TrackCase& c) { return out << c.name; }

const TrackCase TRACK_CASES[] = {
    {"Missing", nullptr, true, {MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED}, 176400},
    {"Empty", [] { return Bytes{}; }, true, {MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED}, 176400},
    {"RandomBytes", [] { return noise(200000); }, true, {MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED},
     176400},
    {"WavNamedMp3", [] { return readFileBytes(audioFixtureWavPath(TONE_44K_STEREO)); }, true,
     {MUSIC_LOADING_FAILED, MUSIC_PLAY_FAILED}, 176400},
    {"TruncatedHalfway", [] { return firstHalfOf(fixtureBytes(TONE_44K_STEREO)); }, true, {}, 176400},
    {"Mono22kHz", [] { return fixtureBytes(TONE_22K_MONO); }, true, {}, 176400},
    {"OneSecond", [] { return fixtureBytes(TONE_1S); }, true, {}, 176400},
    {"OneSecondWithoutDevice", [] { return fixtureBytes(TONE_1S); }, false, {MUSIC_INIT_FAILED},
     176400},
};

class BrokenTrack : public ::testing::TestWithParam<TrackCase> {
protected:
    void SetUp() override {
        const std::string dir = makeScratchDir(GetParam().name);
        if (GetParam().file) writeFileBytes(dir + "/" + MUSIC_PATH, GetParam().file());
        inDataDir.emplace(dir);
        if (!GetParam().withDevice) noDevice.emplace("SDL_AUDIODRIVER", "no_such_audio_driver");
        installMessageRecorder();
    }
    void TearDown() override {
        stopMusic();
        removeMessageRecorder();
    }
    std::optional<ScopedWorkingDirectory> inDataDir;  // left after TearDown
    std::optional<ScopedEnv> noDevice;
};

// The demo's own per-frame read of the position.
uint64_t refreshedPosition() {
    refreshSyncSignals();
    return static_cast<uint64_t>(musicBytePos);
}

bool spectrumSilent() {
    for (float bin : fftBins)
        if (bin != 0.0f) return false;
    return true;
}

// Decoded length in bytes of what the file yields; 0 when it yields nothing.
uint64_t decodedBytes() {
    DecodedTrack track;
    if (!decodeMp3File(MUSIC_PATH, track)) return 0;
    return track.frames() * track.bytesPerFrame();
}

TEST_P(BrokenTrack, ShowsItsBoxesAndThePositionRunsOnPastTheEnd) {
    const TrackCase& c = GetParam();
    const uint64_t trackEnd = decodedBytes();
    startMusic();

    EXPECT_EQ(recordedTexts(), c.messages);
    expectOnlyErrorBoxes();
    EXPECT_EQ(musicStream != 0, trackEnd != 0) << "a stream exactly when the file decodes";

    // Past the last decoded byte: bounded by real time, so a wait of the
    // track's length plus a generous margin.
    const double waitLimit = steadySeconds() + double(trackEnd) / c.bytesPerSecond + 30.0;
    TimedReading first = readTimed(refreshedPosition);
    while (first.bytes <= trackEnd && steadySeconds() < waitLimit) {
        sleepSeconds(0.05);
        first = readTimed(refreshedPosition);
    }
    ASSERT_GT(first.bytes, trackEnd) << "the position never passed the end of the track";
    EXPECT_TRUE(spectrumSilent()) << "past the end, or without a track, there is only silence";

    const double window = 0.5;
    sleepSeconds(window);
    const TimedReading second = readTimed(refreshedPosition);
    ASSERT_GT(second.bytes, first.bytes) << "the position stopped after the end";
    const RateBounds rate = rateBetween(first, second, c.bytesPerSecond);
    // The silent clock keeps real time exactly. A device's clock moves in
    // steps of its buffer, and may run late on a busy machine, so it gets one
    // buffer of slack above and no bound below.
    const bool silentClock = !c.withDevice || musicStream == 0;
    const double bufferShare = silentClock ? 0.0 : DEVICE_BUFFER_FRAMES / 44100.0 / window;
    EXPECT_LE(rate.low, 1.002 + bufferShare) << "faster than the stream's own byte rate";
    if (silentClock) {
        EXPECT_GE(rate.high, 0.998) << "slower than real time";
    }
    EXPECT_EQ(musicSeconds, static_cast<float>(double(static_cast<uint64_t>(musicBytePos)) /
                                               c.bytesPerSecond));
}

INSTANTIATE_TEST_SUITE_P(Hardening, BrokenTrack, ::testing::ValuesIn(TRACK_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
