// Music playback and the signals that time every picture: the play position in
// bytes of decoded audio, the phase and seconds derived from it, a 512-bin
// spectrum of the sound at that position, and the seconds since start-up. One
// function, setFrameInput, writes all of them for every target.
#pragma once
#include <cstdint>
#include <optional>

#include "audio/music_format.h"

struct DecodedTrack;

constexpr int FFT_BIN_COUNT = 512;
constexpr const char* MUSIC_FILE = "data/KV07.mp3";  // the track, as catalogued in the data set

extern uint32_t musicStream;          // stream handle; 0 when creating it failed
extern float musicBytePos;            // play position, bytes of decoded 16-bit samples
extern float spinPhase;               // musicBytePos / 200000
extern float musicSeconds;            // play position in seconds
extern float fftBins[FFT_BIN_COUNT];  // spectrum magnitudes, lowest frequency first
// Seconds since start-up as of the last presented frame (0 before), the one
// signal not tied to the music: live play takes it from its frame timer, a
// capture from its own clock.
extern float elapsedSeconds;
// How much later the picture follows the sound, in bytes of music (whole
// frames; negative: earlier): the signals stand this far behind the position
// heard. 0 unless the shell sets it, for outputs with latency of their own.
extern int64_t pictureDelayBytes;

// Where a frame's spectrum comes from.
struct SpectrumSource {
    enum class From {
        Kept,     // fftBins stay as they are
        Silence,  // all zero
        Device,   // the playing stream's, offsetBytes from the position last read
        Track,    // the decoded track's, at the frame's own position
    };
    From from = From::Kept;
    int64_t offsetBytes = 0;              // Device only
    const DecodedTrack* track = nullptr;  // Track only
};

// Everything a frame reads. An empty field keeps what the last write left.
struct FrameInput {
    std::optional<uint64_t> positionBytes;  // sets musicBytePos, spinPhase, musicSeconds
    SpectrumSource spectrum;                // sets fftBins
    std::optional<float> elapsed;           // sets elapsedSeconds
};

// The one writer of musicBytePos, spinPhase, musicSeconds, fftBins and
// elapsedSeconds: live play (refreshSyncSignals and its frame timer), capture,
// the start-anywhere preparation and the tests all go through it.
// musicBytePos is the nearest float to the position; musicSeconds are those of
// that float, not of the exact count.
void setFrameInput(const FrameInput& input);

// A position with a silent spectrum, elapsedSeconds kept: how frames are set
// when no sound is heard (the preparation of a later start).
void setSilentFrameAt(uint64_t positionBytes);

// Starting the music, step by step, each false when it failed: the output
// device, the track (musicStream), then playing it from its start (without a
// device or a track, on a silent clock). The shell runs them in this order
// and reports each failure before the next step begins.
bool openMusicOutput();
bool openMusicTrack(const char* path);
bool playMusicFromStart();
// Playing from `bytes` instead of the start, also on the silent clock of a
// missing track: a later start of music and timeline.
bool playMusicFrom(uint64_t bytes);
// Pausing: the position heard is held (returned, bytes) and the signals
// refreshed from it stand still; playMusicFrom that position resumes.
// holdMusicAt moves a held position without playing.
uint64_t pauseMusic();
void holdMusicAt(uint64_t bytes);
// Silence while muted, the position running on; false when there is no output
// device to mute.
bool setMusicMuted(bool muted);
// The position heard, less pictureDelayBytes, and the device's spectrum there.
void refreshSyncSignals();
void stopMusic();
