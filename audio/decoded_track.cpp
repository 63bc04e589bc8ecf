// Whole-file decoding over Mp3File: the buffer sized once from the scanned
// length, then one pass of decoding, cut back to what the file yielded.
#include "audio/decoded_track.h"

bool decodeMp3File(const char* path, DecodedTrack& track) {
    track = DecodedTrack{};
    Mp3File file;
    if (!openMp3File(path, file)) return false;
    track.rate = file.rate;
    track.channels = file.channels;
    track.samples.resize(file.frames * file.channels);
    const uint64_t decoded = readMp3Frames(file, track.samples.data(), file.frames);
    closeMp3File(file);
    if (decoded == 0) {
        track = DecodedTrack{};
        return false;
    }
    track.samples.resize(decoded * track.channels);
    track.samples.shrink_to_fit();
    return true;
}
