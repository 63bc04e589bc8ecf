// Seconds of music to whole sample frames and bytes: one rounding for every caller.
#include "audio/music_format.h"

#include <cmath>

uint64_t wholeFramesAt(double frames) {
    if (!(frames > 0)) return 0;  // nothing before the start
    constexpr double FRAME_TOLERANCE = 1e-6;  // frames; far below any step a time option can name
    return static_cast<uint64_t>(std::floor(frames + FRAME_TOLERANCE));
}

uint64_t bytesAtSeconds(double seconds) {
    return wholeFramesAt(seconds * MUSIC_FRAMES_PER_SECOND) * MUSIC_BYTES_PER_FRAME;
}
