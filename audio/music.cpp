// Starts the demo's one music track, refreshes the sync signals once per
// presented frame from the track's play position and spectrum, and frees the
// audio layer at shutdown. Each start-up step tells whether it failed; the
// demo goes on either way.
#include "audio/music.h"

#include "audio/audio_layer.h"

static_assert(FFT_BIN_COUNT == SPECTRUM_BINS, "the spectrum fills fftBins exactly");

uint32_t musicStream = 0;
float musicBytePos = 0;
float spinPhase = 0;
float musicSeconds = 0;
float fftBins[FFT_BIN_COUNT] = {};
int64_t pictureDelayBytes = 0;

namespace {

constexpr float PHASE_DIVISOR = 200000.0f;  // bytes of music per unit of spinPhase

// A float position back to a byte count, truncated toward zero. Counts of 2^63
// or more come back as 2^63 alone, as a signed 64-bit conversion yields.
uint64_t floatPositionToCount(float position) {
    constexpr float TOP_BIT = 9223372036854775808.0f;  // 2^63
    return position < TOP_BIT ? static_cast<uint64_t>(position) : 1ull << 63;
}

}  // namespace

bool openMusicOutput() { return audioInit(); }

bool openMusicTrack(const char* path) {
    musicStream = audioStreamCreateFile(path);
    return musicStream != 0;
}

bool playMusicFrom(uint64_t bytes) { return audioChannelPlayFrom(musicStream, bytes); }

// A failed play leaves no stream, so the move to 0 that follows is a no-op
// then: the order against a report shown in between does not matter.
bool playMusicFromStart() {
    const bool playing = audioChannelPlay(musicStream);
    audioChannelSetPosition(musicStream, 0);
    return playing;
}

void deriveSyncSignals(uint64_t positionBytes) {
    musicBytePos = static_cast<float>(positionBytes);  // nearest float, the count taken as unsigned
    spinPhase = musicBytePos / PHASE_DIVISOR;
    musicSeconds = static_cast<float>(
        audioChannelBytes2Seconds(musicStream, floatPositionToCount(musicBytePos)));
}

void refreshSyncSignals() {
    const uint64_t heard = audioChannelGetPosition(musicStream);
    const int64_t shown = int64_t(heard) - pictureDelayBytes;
    deriveSyncSignals(shown > 0 ? uint64_t(shown) : 0);
    audioChannelGetFFT1024(musicStream, fftBins, -pictureDelayBytes);
}

void stopMusic() { audioFree(); }
