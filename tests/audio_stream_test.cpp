// The streamed track without a device: exact length at open, the ring kept
// within its capacity while playback moves through a track several times its
// size, samples identical to a whole-file decode, a starved decoder read as
// silence, moves inside and outside the ring, a pinned spectrum window (each
// with the decoder on its thread and decoding inline, as in a browser), and
// the decoder thread gone once the stream is.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "audio/decoded_track.h"
#include "audio/fft_magnitudes.h"
#include "audio/track_stream.h"
#include "support/audio_fixtures.h"

namespace {

// A ring of about a third of a second on the 3 s tone: it wraps many times.
constexpr StreamBuffering SMALL_RING = {0.25, 0.1};

// Polls `done` until it holds; false after a deadline far beyond any machine
// the tests run on, which only a decoder that stopped working reaches.
bool eventually(const std::function<bool()>& done) { return waitUntil(done, 20.0, 0.001); }

uint64_t lowestNeeded(const TrackStream& s) {
    const uint64_t play = s.playFrame.load();
    return play > s.behind ? play - s.behind : 0;
}

// The decoder has filled the ring as far as playback lets it: the next
// chunk would not fit, or the track is decoded to its end.
bool decoderCaughtUp(const TrackStream& s) {
    const uint64_t end = s.decodedEnd.load();
    const uint64_t limit = std::min(lowestNeeded(s) + s.capacity, s.format.frames);
    return end == s.format.frames || end + std::min(DECODE_CHUNK_FRAMES, s.format.frames - end) > limit;
}

// Frames copied from the stream against the same frames of the whole-file
// decode; frames past the track compare with silence.
::testing::AssertionResult sameFrames(const DecodedTrack& reference, uint64_t first, const std::vector<int16_t>& copied) {
    const int channels = reference.channels;
    for (size_t i = 0; i < copied.size(); ++i) {
        const uint64_t value = first * channels + i;
        const int16_t expected = value < reference.samples.size() ? reference.samples[value] : 0;
        if (copied[i] != expected)
            return ::testing::AssertionFailure() << "frame " << first + i / channels << " channel " << i % channels
                                                 << ": " << copied[i] << " instead of " << expected;
    }
    return ::testing::AssertionSuccess();
}

// The parameter is decodeTrackOnThread for the streams the case opens.
class TrackStreaming : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        decodeTrackOnThread = GetParam();
        ASSERT_TRUE(decodeMp3File(audioFixturePath(TONE_44K_STEREO).c_str(), reference));
    }
    void TearDown() override { decodeTrackOnThread = true; }

    std::unique_ptr<TrackStream> openTone(const StreamBuffering& buffering = SMALL_RING) {
        return openTrackStream(audioFixturePath(TONE_44K_STEREO).c_str(), buffering);
    }
    // Copies `count` frames from `first` as the spectrum does.
    std::vector<int16_t> copy(TrackStream& s, uint64_t first, int count, int* held = nullptr) {
        std::vector<int16_t> out(count * s.format.channels, 1);
        const int n = copyHeldFrames(s, first, count, out.data());
        if (held) *held = n;
        return out;
    }

    DecodedTrack reference;
};

TEST_P(TrackStreaming, OpensWithTheExactLengthAndAFirstChunkReady) {
    for (const AudioFixture& fixture : {TONE_44K_STEREO, TONE_22K_MONO, TRACK_180S}) {
        SCOPED_TRACE(fixture.file);
        const auto s = openTrackStream(audioFixturePath(fixture).c_str());
        ASSERT_TRUE(s);
        EXPECT_EQ(s->format.rate, 44100);
        EXPECT_EQ(s->format.channels, 2);
        EXPECT_EQ(s->format.frames, decodedFrames(fixture));
        // Three seconds ahead, one behind, at the decoded rate.
        EXPECT_EQ(s->capacity, 4u * 44100);
        EXPECT_EQ(s->ring.size(), s->capacity * 2);
        const HeldFrames held = heldFrames(*s);
        EXPECT_EQ(held.begin, 0u);
        EXPECT_GE(held.end, std::min<uint64_t>(DECODE_CHUNK_FRAMES, decodedFrames(fixture)));
    }
}

// Playback moves a chunk at a time through the tone, ten times the ring's
// size; each time the decoder catches up, the ring holds the frames behind and
// ahead of the play frame exactly as the whole-file decode has them, and never
// more than its capacity past the lowest frame playback may still need.
TEST_P(TrackStreaming, RingStaysWithinItsCapacityAndHoldsTheTracksOwnSamples) {
    const auto s = openTone();
    ASSERT_TRUE(s);
    ASSERT_LT(s->capacity * 5, s->format.frames);
    const size_t ringValues = s->ring.size();
    for (uint64_t play = 0; play <= s->format.frames; play += 7001) {
        notePlayFrame(*s, play);
        ASSERT_TRUE(eventually([&] { return decoderCaughtUp(*s); })) << "play frame " << play;
        const HeldFrames held = heldFrames(*s);
        // Nothing playback may still need was dropped, nothing past a ring's
        // length beyond it decoded.
        EXPECT_LE(held.begin, lowestNeeded(*s));
        EXPECT_LE(held.end, lowestNeeded(*s) + s->capacity);
        const uint64_t first = lowestNeeded(*s);
        EXPECT_TRUE(sameFrames(reference, first, copy(*s, first, static_cast<int>(held.end - first))));
    }
    EXPECT_EQ(heldFrames(*s).end, s->format.frames);  // decoded to the end, and not a frame more
    EXPECT_EQ(s->ring.size(), ringValues);
}

TEST_P(TrackStreaming, StarvedDecoderReadsAsSilenceWithoutWaiting) {
    const auto s = openTone();
    ASSERT_TRUE(s);
    ASSERT_TRUE(eventually([&] { return decoderCaughtUp(*s); }));
    // A decoder that gets no time: playback runs past all it decoded.
    pauseDecoder(*s);
    const uint64_t ahead = heldFrames(*s).end + 20000;
    notePlayFrame(*s, ahead);
    const HeldFrames held = heldFrames(*s);
    EXPECT_EQ(heldFrame(*s, held, ahead), nullptr);
    EXPECT_EQ(heldFrame(*s, held, held.end), nullptr);
    EXPECT_NE(heldFrame(*s, held, held.end - 1), nullptr);
    int heldCount = -1;
    const std::vector<int16_t> window = copy(*s, ahead, FFT_SIZE, &heldCount);
    EXPECT_EQ(heldCount, 0);
    EXPECT_EQ(window, std::vector<int16_t>(window.size(), 0));
    // A window straddling the decoded end: the decoded part, then silence.
    const std::vector<int16_t> straddling = copy(*s, held.end - 100, FFT_SIZE, &heldCount);
    EXPECT_EQ(heldCount, 100);
    EXPECT_TRUE(sameFrames(reference, held.end - 100, {straddling.begin(), straddling.begin() + 200}));
    EXPECT_EQ(std::vector<int16_t>(straddling.begin() + 200, straddling.end()),
              std::vector<int16_t>(straddling.size() - 200, 0));

    // Given time again, it catches up with playback.
    resumeDecoder(*s);
    ASSERT_TRUE(eventually([&] { return heldFrame(*s, heldFrames(*s), ahead + FFT_SIZE) != nullptr; }));
    EXPECT_TRUE(sameFrames(reference, ahead, copy(*s, ahead, FFT_SIZE, &heldCount)));
    EXPECT_EQ(heldCount, FFT_SIZE);
}

TEST_P(TrackStreaming, WindowsReachingPastTheTrackReadSilenceThere) {
    const auto s = openTone(DEFAULT_BUFFERING);  // the whole tone fits
    ASSERT_TRUE(s);
    ASSERT_TRUE(eventually([&] { return heldFrames(*s).end == s->format.frames; }));
    const uint64_t end = s->format.frames;
    int heldCount = -1;
    const std::vector<int16_t> tail = copy(*s, end - 10, FFT_SIZE, &heldCount);
    EXPECT_EQ(heldCount, 10);
    EXPECT_TRUE(sameFrames(reference, end - 10, tail));
    for (uint64_t first : {end, uint64_t{1} << 40, ~uint64_t{0} - 5}) {
        EXPECT_EQ(copy(*s, first, FFT_SIZE, &heldCount), std::vector<int16_t>(FFT_SIZE * 2, 0)) << first;
        EXPECT_EQ(heldCount, 0);
    }
}

TEST_P(TrackStreaming, MovesInsideTheRingKeepItAndMovesOutsideRestartTheDecoderThere) {
    const auto s = openTone();
    ASSERT_TRUE(s);
    notePlayFrame(*s, 60000);
    ASSERT_TRUE(eventually([&] { return decoderCaughtUp(*s); }));
    HeldFrames held = heldFrames(*s);
    ASSERT_GT(held.begin, 0u);

    // Back a little, still held: nothing is decoded again.
    const uint64_t inside = held.begin + 10;
    pauseDecoder(*s);
    prepareMove(*s, inside);
    EXPECT_FALSE(s->restartPending);
    commitMove(*s, inside);
    resumeDecoder(*s);
    EXPECT_EQ(heldFrames(*s).begin, held.begin);
    EXPECT_EQ(s->playFrame.load(), inside);
    EXPECT_TRUE(sameFrames(reference, inside, copy(*s, inside, FFT_SIZE)));

    // Back to the start, long dropped: the first chunk is there as the move
    // completes, before the decoder runs again, and the rest follows.
    pauseDecoder(*s);
    prepareMove(*s, 0);
    EXPECT_TRUE(s->restartPending);
    commitMove(*s, 0);
    held = heldFrames(*s);
    EXPECT_EQ(held.begin, 0u);
    EXPECT_EQ(held.end, DECODE_CHUNK_FRAMES);
    EXPECT_TRUE(sameFrames(reference, 0, copy(*s, 0, DECODE_CHUNK_FRAMES)));
    resumeDecoder(*s);
    ASSERT_TRUE(eventually([&] { return decoderCaughtUp(*s); }));
    EXPECT_TRUE(sameFrames(reference, 0, copy(*s, 0, static_cast<int>(heldFrames(*s).end))));

    // Far ahead (its first chunk straddling the ring's end), and to the very
    // end, where nothing is left to decode.
    for (uint64_t target : {3 * s->capacity - 1000, s->format.frames}) {
        pauseDecoder(*s);
        prepareMove(*s, target);
        commitMove(*s, target);
        resumeDecoder(*s);
        ASSERT_TRUE(eventually([&] { return decoderCaughtUp(*s); })) << target;
        held = heldFrames(*s);
        EXPECT_EQ(held.begin, target);
        EXPECT_TRUE(sameFrames(reference, target, copy(*s, target, static_cast<int>(held.end - target)))) << target;
    }
    EXPECT_EQ(held.end, s->format.frames);
}

// A spectrum window copied long after its position was read: while it is
// pinned the decoder stops short of its slots, however far playback runs.
TEST_P(TrackStreaming, DecoderNeverOverwritesAPinnedWindow) {
    const auto s = openTone();
    ASSERT_TRUE(s);
    const uint64_t pinned = 5000;
    s->readerPin.store(pinned);
    notePlayFrame(*s, 80000);
    // It decodes up to the pinned frame's slot, and no further.
    ASSERT_TRUE(eventually([&] { return s->decodedEnd.load() + DECODE_CHUNK_FRAMES > pinned + s->capacity; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(4 * DECODER_POLL_MS));
    EXPECT_LE(s->decodedEnd.load(), pinned + s->capacity);
    const HeldFrames held = heldFrames(*s);
    ASSERT_LE(held.begin, pinned);
    std::vector<int16_t> window(FFT_SIZE * 2);
    for (int i = 0; i < FFT_SIZE; ++i) {
        const int16_t* frame = heldFrame(*s, held, pinned + i);
        ASSERT_NE(frame, nullptr);
        window[2 * i] = frame[0];
        window[2 * i + 1] = frame[1];
    }
    EXPECT_TRUE(sameFrames(reference, pinned, window));
    // Unpinned, it goes on to the play frame (inline, at the device's next read).
    s->readerPin.store(NO_PIN);
    notePlayFrame(*s, 80000);
    ASSERT_TRUE(eventually([&] { return heldFrame(*s, heldFrames(*s), 80000) != nullptr; }));
    EXPECT_GT(heldFrames(*s).begin, pinned);
}

// Playback on a thread of its own reads as the device callback does while
// this thread copies windows lagging it, as the spectrum does, some by more
// than the ring keeps. Every frame either side reads as held is the track's
// own; the rest is silence.
TEST_P(TrackStreaming, ConcurrentReadersOnlyEverSeeTheTracksSamples) {
    const auto s = openTone();
    ASSERT_TRUE(s);
    auto isTracks = [&](const int16_t* samples, uint64_t frame) {
        return frame < reference.frames() && samples[0] == reference.samples[2 * frame] &&
               samples[1] == reference.samples[2 * frame + 1];
    };
    std::atomic<bool> wrongSample{false};
    std::atomic<uint64_t> played{0};
    std::thread device([&] {
        for (uint64_t frame = 0; frame < s->format.frames + 2048; frame += 512) {
            const HeldFrames held = heldFrames(*s);
            for (uint64_t f = frame; f < frame + 512; ++f) {
                const int16_t* samples = heldFrame(*s, held, f);
                if (samples && !isTracks(samples, f)) wrongSample = true;
            }
            notePlayFrame(*s, frame + 512);
            played = frame + 512;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    int windows = 0;
    while (played.load() < s->format.frames) {
        const uint64_t play = played.load();
        const uint64_t lag = windows % 3 == 2 ? 3 * s->capacity : 700;  // every third far too late
        const uint64_t first = play > lag ? play - lag : 0;
        const std::vector<int16_t> window = copy(*s, first, FFT_SIZE);
        for (int i = 0; i < FFT_SIZE; ++i) {
            const int16_t* samples = &window[2 * i];
            if ((samples[0] || samples[1]) && !isTracks(samples, first + i)) wrongSample = true;
        }
        ++windows;
    }
    device.join();
    EXPECT_FALSE(wrongSample.load());
    EXPECT_GT(windows, 10);
}

INSTANTIATE_TEST_SUITE_P(Decoder, TrackStreaming, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "OnItsThread" : "Inline";
                         });

// The 22.05 kHz mono tone decodes through libmpg123's resampling: a move that
// restarts the decoder lands on the same output frame a decode from the start
// reaches (whose rounding may differ from it by one step here and there).
TEST(TrackStream, ConvertedTrackRestartsAtTheExactFrame) {
    DecodedTrack reference;
    ASSERT_TRUE(decodeMp3File(audioFixturePath(TONE_22K_MONO).c_str(), reference));
    const auto s = openTrackStream(audioFixturePath(TONE_22K_MONO).c_str(), SMALL_RING);
    ASSERT_TRUE(s);
    // Far ahead, back to a frame long dropped, and close to the end.
    for (uint64_t target : {uint64_t{60001}, uint64_t{1}, reference.frames() - 1000}) {
        SCOPED_TRACE(target);
        pauseDecoder(*s);
        prepareMove(*s, target);
        EXPECT_TRUE(s->restartPending);
        commitMove(*s, target);
        const int count = static_cast<int>(heldFrames(*s).end - target);
        std::vector<int16_t> copied(2 * count);
        EXPECT_EQ(copyHeldFrames(*s, target, count, copied.data()), count);
        resumeDecoder(*s);
        EXPECT_EQ(count, static_cast<int>(std::min<uint64_t>(DECODE_CHUNK_FRAMES, reference.frames() - target)));
        int largestDifference = 0;
        for (size_t i = 0; i < copied.size(); ++i)
            largestDifference = std::max(largestDifference, std::abs(copied[i] - reference.samples[2 * target + i]));
        EXPECT_LE(largestDifference, 1);
    }
}

TEST(TrackStream, FreeingStopsTheDecoderWhateverItIsDoing) {
    const std::string track = audioFixturePath(TRACK_180S);
    // Freed while decoding its first seconds, while idle with a full ring,
    // while paused.
    for (int round = 0; round < 5; ++round) openTrackStream(track.c_str()).reset();
    auto idle = openTrackStream(track.c_str());
    ASSERT_TRUE(idle);
    ASSERT_TRUE(eventually([&] { return decoderCaughtUp(*idle); }));
    EXPECT_EQ(threadsNamed("TrackDecoder"), 1);
    idle.reset();
    auto paused = openTrackStream(track.c_str());
    ASSERT_TRUE(paused);
    pauseDecoder(*paused);
    paused.reset();
    EXPECT_EQ(threadsNamed("TrackDecoder"), 0);
}

}  // namespace
