// Video files through FFmpeg's libraries: container and codecs picked by the
// file name's extension, yuv420p video tagged BT.709 limited range at a
// constant frame rate, the music resampled as the audio encoder needs, both
// streams from timestamp 0, with the file's tags, chapters and cover where
// the container takes them. Written as NAME.part and renamed when finished;
// every failure comes back as a message and leaves no file behind.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct AVAudioFifo;

// A chapter of the file, in seconds from the first frame.
struct EncoderChapter {
    std::string title;
    double start = 0;
    double end = 0;
};

// A picture for the file's cover: the bytes of a JPEG or PNG file.
struct CoverPicture {
    std::vector<uint8_t> bytes;  // empty, or neither JPEG nor PNG: no cover
};

struct EncoderSettings {
    std::string path;     // the finished file; .mp4, .mkv or .webm (any case)
    int width = 800;      // pixels, even
    int height = 600;     // pixels, even
    int fps = 60;         // video frames per second
    int crf = -1;         // constant-rate quality; -1: the codec's default below
    // The music from the first video frame's moment on: 16-bit interleaved.
    // Past audioFrames the sound goes on as silence, as long as the video.
    const int16_t* audio = nullptr;  // null: no audio stream
    uint64_t audioFrames = 0;        // sample frames at `audio`
    int audioRate = 0;               // Hz
    int audioChannels = 2;           // 1 or 2
    // Generic libavformat keys (title, artist, date, comment), which each
    // muxer writes in its container's own form.
    std::vector<std::pair<std::string, std::string>> tags;
    // In time order; finishEncoder hands the muxer those the file reaches,
    // the last cut to its end.
    std::vector<EncoderChapter> chapters;
    CoverPicture cover;  // an attached picture in .mp4, an attachment in .mkv, none in .webm
};

struct VideoEncoder {
    std::string finalPath;  // what the .part becomes
    std::string partPath;   // finalPath + ".part"; exists from open until finish or abandon
    int fps = 0;
    AVFormatContext* container = nullptr;
    AVCodecContext* video = nullptr;
    AVStream* videoStream = nullptr;
    AVCodecContext* audio = nullptr;  // null: no audio stream
    AVStream* audioStream = nullptr;
    AVStream* coverStream = nullptr;  // .mp4's attached picture, .mkv's attachment, or null
    std::vector<EncoderChapter> chapters;  // as planned; the container gets them at the trailer
    AVPacket* packet = nullptr;
    SwrContext* resampler = nullptr;  // track format to the audio encoder's
    AVAudioFifo* audioFifo = nullptr; // resampled samples not yet a whole encoder frame
    AVFrame* audioFrame = nullptr;    // one encoder frame of samples
    std::vector<uint8_t> resampled;   // one piece of the music in the encoder's format
    const int16_t* music = nullptr;   // EncoderSettings::audio
    uint64_t musicFrames = 0;         // sample frames at `music`
    int musicRate = 0;                // Hz
    int musicChannels = 0;
    uint64_t musicFed = 0;      // track frames handed to the resampler (silence past musicFrames)
    int64_t audioPts = 0;       // next audio frame's timestamp, encoder samples from 0
    int64_t videoFrames = 0;    // video frames encoded; the next one's timestamp
    bool fileOpen = false;      // partPath was created
};

// The container and codecs for `path`, e.g. "mp4: libx264 + aac"; empty for
// an extension no container is chosen for.
std::string describeFormatFor(const std::string& path);
// What is wrong with `path` as an output file name ("" when its extension
// names a container), in the one line a user is shown.
std::string checkOutputExtension(const std::string& path);

// Opens the codecs and NAME.part and writes the header. "" on success; else
// the reason, with nothing left open and no file.
std::string openEncoder(VideoEncoder& encoder, const EncoderSettings& settings);

// A picture of the encoder's size in yuv420p for the next video frame, its
// timestamp set here; then the music up to the end of that frame's interval,
// so both streams reach the file side by side. "" on success.
std::string encodeVideoFrame(VideoEncoder& encoder, AVFrame* picture);

// Drains both encoders, keeps the chapters the frames reached (the last one
// ending with the file), writes the trailer and renames NAME.part to NAME.
// "" on success; on failure the .part is removed.
std::string finishEncoder(VideoEncoder& encoder);

// Releases everything and removes NAME.part; for any failure after open.
void abandonEncoder(VideoEncoder& encoder);
