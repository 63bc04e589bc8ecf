// A video file read back whole with libavformat and libavcodec: its streams'
// codecs and picture format, every frame as RGB, the sound as mono, the
// container's tags, chapters and attachments; and the comparisons the capture
// checks make on what was read: PSNR of two frames, the sound's lag on a track.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "audio/decoded_track.h"

struct VideoChapter {
    double startSeconds = 0, endSeconds = 0;
    std::string title;  // the chapter's "title" tag
};

// A Matroska attachment (a stream of codec type attachment), by its tags.
struct VideoAttachment {
    std::string fileName, mimeType;
};

struct VideoFile {
    std::string videoCodec, audioCodec;  // libavcodec's names: "h264", "aac"
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    AVColorSpace colourSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorRange colourRange = AVCOL_RANGE_UNSPECIFIED;
    int width = 0, height = 0;
    std::vector<std::vector<uint8_t>> frames;  // RGB24, top row first, BT.709 limited range undone
    int audioRate = 0;
    std::vector<float> mono;                   // decoded sound, channels averaged
    double firstVideoSeconds = -1, firstAudioSeconds = -1;  // first decoded timestamps
    std::map<std::string, std::string> tags;   // the container's own metadata
    std::vector<VideoChapter> chapters;
    std::vector<VideoAttachment> attachments;
    bool hasCover = false;  // an attached-picture stream, or an image among the attachments
};

// Reads and decodes `path` whole into `v`; false when it does not open or
// lacks a video or an audio stream that decodes.
bool readVideoFile(const std::string& path, VideoFile& v);

// Peak signal-to-noise ratio of two byte images of one size, in dB; 99 when equal.
double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Lag of `sound` (mono at 44.1 kHz) against the track's channels averaged from
// `trackFrame` on, in samples, by normalised cross-correlation over one second
// starting 0.1 s in, searched 10 ms either way.
struct SoundAlignment {
    int lag;
    double correlation;
};
SoundAlignment alignWithTrack(const std::vector<float>& sound, const DecodedTrack& track,
                              uint64_t trackFrame);
