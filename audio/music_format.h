// The one format every track is decoded to, played in and counted in: 44.1 kHz
// stereo 16-bit. A position in bytes of it means the same moment in any track,
// which is what the timeline's thresholds and every start option are written in.
#pragma once
#include <cstdint>

constexpr int MUSIC_FRAMES_PER_SECOND = 44100;  // sample frames a second
constexpr int MUSIC_CHANNELS = 2;               // stereo
constexpr int MUSIC_BYTES_PER_FRAME = MUSIC_CHANNELS * 2;  // 16-bit samples
constexpr int MUSIC_BYTES_PER_SECOND = MUSIC_FRAMES_PER_SECOND * MUSIC_BYTES_PER_FRAME;

// `bytes` of music in seconds; a pure division, the same for every stream.
constexpr double secondsAtBytes(double bytes) { return bytes / MUSIC_BYTES_PER_SECOND; }

// A count of sample frames, down to a whole frame. A value within a millionth
// of a frame below a whole one is that frame: times written in decimal (0.35 s
// is exactly 15435 frames) land on the frame they name, not one before it.
uint64_t wholeFramesAt(double frames);

// The music position of `seconds` in bytes, down to a whole sample frame as
// wholeFramesAt rounds. Every start option of every target goes through it.
uint64_t bytesAtSeconds(double seconds);
