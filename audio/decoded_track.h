// An MP3 file decoded whole into 16-bit samples at the file's own rate and
// channel count. The samples never change after decoding, so the audio thread
// and the frame loop read them without a lock.
#pragma once
#include <cstdint>
#include <vector>

struct DecodedTrack {
    int rate = 0;                  // samples per second per channel, Hz
    int channels = 0;              // 1 or 2 (MPEG audio has no more)
    std::vector<int16_t> samples;  // interleaved, frames() * channels values

    uint64_t frames() const { return channels ? samples.size() / channels : 0; }
    uint32_t bytesPerFrame() const { return 2u * channels; }
};

// Longest decoded track accepted, in bytes: about 50 minutes of 44.1 kHz
// stereo. Anything claiming more is refused rather than exhausting memory.
constexpr uint64_t MAX_DECODED_BYTES = 512ull << 20;

// Decodes `path` completely, gapless (encoder delay and padding removed), so
// the length is exact. False, with `track` emptied, for a missing, empty,
// non-MPEG or oversized file, or one that yields no samples at all.
bool decodeMp3File(const char* path, DecodedTrack& track);
