// Whole-file MP3 decoding with libmpg123: a full scan first for the exact
// length, then one pass of 16-bit decoding at the file's own rate and channels.
// Damaged files decode as far as they hold together.
#include "audio/decoded_track.h"

#include <mpg123.h>

#include <algorithm>

namespace {

// One handle per decode; the flags keep the output format fixed for the whole
// file (a stream that changes format mid-way ends there) and the library quiet.
mpg123_handle* openDecoder(const char* path) {
    mpg123_init();  // a no-op from libmpg123 1.27 on, required before that
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    if (!mh) return nullptr;
    const long flags = MPG123_QUIET | MPG123_NO_FRANKENSTEIN | MPG123_GAPLESS;
    const bool configured =
        mpg123_param(mh, MPG123_ADD_FLAGS, flags, 0) == MPG123_OK &&
        mpg123_format_none(mh) == MPG123_OK &&
        mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK;
    if (!configured || mpg123_open(mh, path) != MPG123_OK) {
        mpg123_delete(mh);
        return nullptr;
    }
    return mh;
}

bool readFormat(mpg123_handle* mh, DecodedTrack& track) {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) return false;
    if (encoding != MPG123_ENC_SIGNED_16 || rate <= 0 || (channels != 1 && channels != 2)) return false;
    track.rate = static_cast<int>(rate);
    track.channels = channels;
    return true;
}

// Decodes into track.samples, sized up front from the scanned length; a file
// that yields more than the scan promised grows the buffer a second at a time
// up to the size limit.
void decodeSamples(mpg123_handle* mh, uint64_t expectedFrames, DecodedTrack& track) {
    const size_t maxSamples = MAX_DECODED_BYTES / sizeof(int16_t);
    const size_t growth = static_cast<size_t>(track.rate) * track.channels;
    size_t filled = 0;
    track.samples.resize(expectedFrames * track.channels);
    for (;;) {
        if (filled == track.samples.size()) {
            if (filled >= maxSamples) break;
            track.samples.resize(std::min(filled + growth, maxSamples));
        }
        size_t doneBytes = 0;
        const int result = mpg123_read(mh, track.samples.data() + filled,
                                       (track.samples.size() - filled) * sizeof(int16_t), &doneBytes);
        filled += doneBytes / sizeof(int16_t);
        if (result != MPG123_OK || doneBytes == 0) break;  // done, damaged, or a format change
    }
    filled -= filled % track.channels;  // whole frames only
    track.samples.resize(filled);
    track.samples.shrink_to_fit();
}

}  // namespace

bool decodeMp3File(const char* path, DecodedTrack& track) {
    track = DecodedTrack{};
    mpg123_handle* mh = openDecoder(path);
    if (!mh) return false;
    bool ok = readFormat(mh, track) && mpg123_scan(mh) == MPG123_OK;
    if (ok) {
        const off_t length = mpg123_length(mh);
        const uint64_t expected = length > 0 ? static_cast<uint64_t>(length) : 0;
        ok = expected <= MAX_DECODED_BYTES / track.bytesPerFrame();
        if (ok) decodeSamples(mh, expected, track);
    }
    mpg123_delete(mh);  // closes the file too
    if (!ok || track.frames() == 0) {
        track = DecodedTrack{};
        return false;
    }
    return true;
}
