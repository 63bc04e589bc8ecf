// Starts the demo's one music track, writes every signal a frame reads (live
// play refreshes them once per presented frame from the track's play position
// and spectrum), and frees the audio layer at shutdown. Each start-up step
// tells whether it failed; the demo goes on either way.
#include "audio/music.h"

#include <algorithm>
#include <iterator>

#include "audio/audio_layer.h"
#include "audio/fft_magnitudes.h"

static_assert(FFT_BIN_COUNT == SPECTRUM_BINS, "the spectrum fills fftBins exactly");

uint32_t musicStream = 0;          // stream handle, 0: none
float musicBytePos = 0;            // bytes of music
float spinPhase = 0;               // musicBytePos / PHASE_DIVISOR
float musicSeconds = 0;            // seconds of music
float fftBins[FFT_BIN_COUNT] = {};  // magnitudes, 0.5 for a full-scale sine on its bin
float elapsedSeconds = 0;          // seconds since start-up
int64_t pictureDelayBytes = 0;     // bytes of music, whole frames

namespace {

constexpr float PHASE_DIVISOR = 200000.0f;  // bytes of music per unit of spinPhase

// A float position back to a byte count, truncated toward zero. Counts of 2^63
// or more come back as 2^63 alone, as a signed 64-bit conversion yields.
uint64_t floatPositionToCount(float position) {
    constexpr float TOP_BIT = 9223372036854775808.0f;  // 2^63
    return position < TOP_BIT ? static_cast<uint64_t>(position) : 1ull << 63;
}

void placeAt(uint64_t positionBytes) {
    musicBytePos = static_cast<float>(positionBytes);  // nearest float, the count taken as unsigned
    spinPhase = musicBytePos / PHASE_DIVISOR;
    musicSeconds = static_cast<float>(secondsAtBytes(double(floatPositionToCount(musicBytePos))));
}

// `positionBytes`: the frame's exact position, for a decoded track's spectrum.
void readSpectrumFrom(const SpectrumSource& source, uint64_t positionBytes) {
    switch (source.from) {
    case SpectrumSource::From::Kept:
        break;
    case SpectrumSource::From::Silence:
        std::fill(std::begin(fftBins), std::end(fftBins), 0.0f);
        break;
    case SpectrumSource::From::Device:
        audioChannelGetFFT1024(musicStream, fftBins, source.offsetBytes);
        break;
    case SpectrumSource::From::Track:
        // The frames live play's spectrum reads at the same position.
        readSpectrum(*source.track, positionBytes / MUSIC_BYTES_PER_FRAME, fftBins);
        break;
    }
}

}  // namespace

void setFrameInput(const FrameInput& input) {
    if (input.positionBytes) placeAt(*input.positionBytes);
    readSpectrumFrom(input.spectrum, input.positionBytes.value_or(floatPositionToCount(musicBytePos)));
    if (input.elapsed) elapsedSeconds = *input.elapsed;
}

void setSilentFrameAt(uint64_t positionBytes) {
    setFrameInput({positionBytes, {SpectrumSource::From::Silence}, std::nullopt});
}

bool openMusicOutput() { return audioInit(); }

bool openMusicTrack(const char* path) {
    musicStream = audioStreamCreateFile(path);
    return musicStream != 0;
}

bool playMusicFrom(uint64_t bytes) { return audioChannelPlayFrom(musicStream, bytes); }

uint64_t pauseMusic() { return audioChannelPause(musicStream); }

void holdMusicAt(uint64_t bytes) { audioChannelHoldAt(musicStream, bytes); }

bool setMusicMuted(bool muted) { return audioSetMuted(muted); }

// A failed play leaves no stream, so the move to 0 that follows is a no-op
// then: the order against a report shown in between does not matter.
bool playMusicFromStart() {
    const bool playing = audioChannelPlay(musicStream);
    audioChannelSetPosition(musicStream, 0);
    return playing;
}

void refreshSyncSignals() {
    const uint64_t heard = audioChannelGetPosition(musicStream);
    const int64_t shown = int64_t(heard) - pictureDelayBytes;
    setFrameInput({uint64_t(shown > 0 ? shown : 0), {SpectrumSource::From::Device, -pictureDelayBytes},
                   std::nullopt});
}

void stopMusic() { audioFree(); }
