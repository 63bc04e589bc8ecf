// An MP3 file open for decoding with libmpg123 to 44.1 kHz stereo 16-bit
// whatever its own rate and channel count (the library resamples and copies
// mono to both sides), gapless (encoder delay and padding removed), its exact
// decoded length scanned from the frame headers without decoding.
#pragma once
#include <cstdint>
#include <cstdio>

#include "audio/music_format.h"

struct mpg123_handle_struct;

// Every file decodes to the music's one format, so a byte count means the
// same time in every track.
constexpr int DECODED_RATE = MUSIC_FRAMES_PER_SECOND;
constexpr int DECODED_CHANNELS = MUSIC_CHANNELS;

// Longest decoded track accepted, in bytes: about 50 minutes of 44.1 kHz
// stereo. Anything claiming more is refused rather than trusted.
constexpr uint64_t MAX_DECODED_BYTES = 512ull << 20;

struct Mp3File {
    mpg123_handle_struct* decoder = nullptr;  // null when closed
    std::FILE* source = nullptr;              // the file, read through a large stdio buffer
    int rate = 0;                             // DECODED_RATE once open
    int channels = 0;                         // DECODED_CHANNELS once open
    uint64_t frames = 0;                      // exact decoded length, sample frames at DECODED_RATE
};

// False, with `file` closed, for a missing, empty, non-MPEG or oversized file,
// or one whose scan finds no samples. Costs a pass over the frame headers
// (about a millisecond for three minutes of 128 kbit/s).
bool openMp3File(const char* path, Mp3File& file);
void closeMp3File(Mp3File& file);

// Decodes up to `frames` sample frames into `out` (interleaved). Fewer only
// where decoding stops: the end of the file, damage the library cannot get
// past, or a change of format mid-way.
uint64_t readMp3Frames(Mp3File& file, int16_t* out, uint64_t frames);

// Moves decoding to sample frame `frame`, exactly (the scan indexed every
// frame header). False when the library refuses. A resampled file decodes the
// same frames after a move, but its samples may differ from a decode from
// the start by one step of the last bit here and there (libmpg123's
// resampling synthesis rounds by where its filter buffer stands).
bool seekMp3Frame(Mp3File& file, uint64_t frame);
