// Music playback and the sync signals that time every picture: the play
// position in bytes of decoded audio, the phase and seconds derived from it,
// and a 512-bin spectrum of the sound now playing.
#pragma once
#include <cstdint>

constexpr int FFT_BIN_COUNT = 512;
constexpr const char* MUSIC_FILE = "data/KV07.mp3";  // the track, as catalogued in the data set

extern uint32_t musicStream;          // stream handle; 0 when creating it failed
extern float musicBytePos;            // play position, bytes of decoded 16-bit samples
extern float spinPhase;               // musicBytePos / 200000
extern float musicSeconds;            // play position in seconds
extern float fftBins[FFT_BIN_COUNT];  // spectrum magnitudes, lowest frequency first
// How much later the picture follows the sound, in bytes of music (whole
// frames; negative: earlier): the signals stand this far behind the position
// heard. 0 unless the shell sets it, for outputs with latency of their own.
extern int64_t pictureDelayBytes;

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
void refreshSyncSignals();
// Steps of refreshSyncSignals after the position read: musicBytePos,
// spinPhase and musicSeconds from a position in bytes.
void deriveSyncSignals(uint64_t positionBytes);
void stopMusic();
