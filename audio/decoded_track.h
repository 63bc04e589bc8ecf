// An MP3 file decoded whole into 16-bit samples at 44.1 kHz stereo, as
// Mp3File converts it: the reference the streaming layer is checked against,
// and the cost of decoding alone for the performance probe.
#pragma once
#include <cstdint>
#include <vector>

#include "audio/mp3_file.h"

struct DecodedTrack {
    int rate = 0;                  // samples per second per channel, Hz (DECODED_RATE when decoded)
    int channels = 0;              // 1 or 2 (DECODED_CHANNELS when decoded)
    std::vector<int16_t> samples;  // interleaved, frames() * channels values

    uint64_t frames() const { return channels ? samples.size() / channels : 0; }
    uint32_t bytesPerFrame() const { return 2u * channels; }
};

// Decodes `path` up to its scanned length, as far as the file holds together.
// False, with `track` emptied, for a missing, empty, non-MPEG or oversized
// file, or one that yields no samples at all.
bool decodeMp3File(const char* path, DecodedTrack& track);
