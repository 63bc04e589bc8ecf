// The FFmpeg side of capture: one table row per extension names the muxer and
// both encoders; video frames arrive converted, the music is cut into encoder
// frames through libswresample and an audio FIFO, and packets go to the file
// interleaved; tags, chapters and the cover are handed to the muxer in the
// forms it takes. Reads nothing global; one thread at a time.
#include "capture/video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// How a container carries a cover: MP4 as a video stream of one picture
// (the muxer's "covr" item), Matroska as an attached file; WebM takes none.
enum class CoverForm { None, AttachedPicture, Attachment };

struct ContainerChoice {
    const char* extension;   // lower case, with the dot
    const char* muxer;       // libavformat's short name
    const char* videoCodec;  // libavcodec encoder names
    const char* audioCodec;
    int defaultCrf;          // the codec's usual "visually lossless" point
    int maxCrf;              // highest quality value the codec takes
    CoverForm cover;
    const char* dateKey;     // the container's own tag for the year (Matroska's DATE_RELEASED)
};
const ContainerChoice CONTAINERS[] = {
    {".mp4", "mp4", "libx264", "aac", 18, 51, CoverForm::AttachedPicture, "date"},
    {".mkv", "matroska", "libx264", "flac", 18, 51, CoverForm::Attachment, "DATE_RELEASED"},
    {".webm", "webm", "libvpx-vp9", "libopus", 31, 63, CoverForm::None, "DATE_RELEASED"},
};
constexpr AVRational CHAPTER_TIME_BASE = {1, 1000};  // milliseconds
// The attached picture's stream never has another packet, so the interleaver
// cannot wait for every stream: it lets the oldest packet go once the queue
// spans this long (the default, 10 s, holds 10 s of video in memory).
constexpr int64_t INTERLEAVE_SPAN_WITH_COVER = AV_TIME_BASE;

// x264's speed against size. On two cores with Mesa's llvmpipe drawing,
// rendering takes over half the CPU; "superfast" costs about 4 ms of CPU a
// frame less than "veryfast" at 800x600 for files about 1.8 times as large.
// libvpx's VP9 is slower still: its real-time mode at speed 8 takes about
// 0.4 of the CPU of "good" at speed 5, for files about 1.4 times as large.
// At 1080p on two cores the capture is bound by the CPU as a whole (about 46
// ms of it a frame, against 33 ms the two cores have at 60 fps; llvmpipe's
// rasterising is the largest share): "ultrafast" there saves about 7 ms of
// it, 12 % of the whole timeline's wall time, for files 1.7 times as large
// at 1.4 dB less PSNR. The file is what gets shared, so the preset stays.
const char* const X264_PRESET = "superfast";
const char* const VPX_DEADLINE = "realtime";
const char* const VPX_CPU_USED = "8";
constexpr int64_t AAC_BIT_RATE = 192000;   // bits per second, stereo
constexpr int64_t OPUS_BIT_RATE = 160000;
constexpr int FALLBACK_AUDIO_FRAME = 1024;  // samples per frame for encoders that take any size
constexpr uint64_t MUSIC_PIECE = 4096;      // track frames resampled per call

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string lowerExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

const ContainerChoice* containerFor(const std::string& path) {
    const std::string ext = lowerExtension(path);
    for (const ContainerChoice& c : CONTAINERS)
        if (ext == c.extension) return &c;
    return nullptr;
}

void releaseAll(VideoEncoder& e) {
    if (e.container && e.fileOpen) avio_closep(&e.container->pb);
    avformat_free_context(e.container);
    e.container = nullptr;
    avcodec_free_context(&e.video);
    avcodec_free_context(&e.audio);
    av_packet_free(&e.packet);
    swr_free(&e.resampler);
    if (e.audioFifo) av_audio_fifo_free(e.audioFifo);
    e.audioFifo = nullptr;
    av_frame_free(&e.audioFrame);
}

std::string configureVideo(VideoEncoder& e, const ContainerChoice& choice, const EncoderSettings& s) {
    const AVCodec* codec = avcodec_find_encoder_by_name(choice.videoCodec);
    if (!codec) return std::string("this FFmpeg has no ") + choice.videoCodec + " encoder";
    e.video = avcodec_alloc_context3(codec);
    AVCodecContext* c = e.video;
    c->width = s.width;
    c->height = s.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, s.fps};
    c->framerate = AVRational{s.fps, 1};
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_range = AVCOL_RANGE_MPEG;
    if (e.container->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    const int crf = s.crf < 0 ? choice.defaultCrf : s.crf;
    if (crf > choice.maxCrf)
        return "--crf " + std::to_string(crf) + " is out of range for " + choice.videoCodec +
               " (0 to " + std::to_string(choice.maxCrf) + ")";
    av_opt_set_int(c->priv_data, "crf", crf, 0);
    if (std::string(choice.videoCodec) == "libx264") {
        av_opt_set(c->priv_data, "preset", X264_PRESET, 0);
    } else {
        c->bit_rate = 0;  // constant quality alone
        av_opt_set(c->priv_data, "deadline", VPX_DEADLINE, 0);
        av_opt_set(c->priv_data, "cpu-used", VPX_CPU_USED, 0);
        av_opt_set_int(c->priv_data, "row-mt", 1, 0);
    }
    int rc = avcodec_open2(c, codec, nullptr);
    if (rc < 0) return std::string("cannot open the ") + choice.videoCodec + " encoder: " + ffmpegError(rc);

    e.videoStream = avformat_new_stream(e.container, nullptr);
    if (!e.videoStream) return "out of memory";
    e.videoStream->time_base = c->time_base;
    e.videoStream->avg_frame_rate = c->framerate;
    rc = avcodec_parameters_from_context(e.videoStream->codecpar, c);
    return rc < 0 ? "video stream parameters: " + ffmpegError(rc) : "";
}

bool isPng(const std::vector<uint8_t>& bytes) {
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    return bytes.size() > 8 && std::memcmp(bytes.data(), SIGNATURE, 8) == 0;
}

bool isJpeg(const std::vector<uint8_t>& bytes) {
    return bytes.size() > 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff;
}

// Width and height from a PNG's IHDR chunk or a JPEG's start-of-frame
// segment, which the MP4 muxer needs for the picture; false when not found.
bool pictureSize(const std::vector<uint8_t>& b, bool png, int& width, int& height) {
    auto big16 = [&](size_t at) { return b[at] << 8 | b[at + 1]; };
    if (png) {
        if (b.size() < 24) return false;
        width = big16(18);  // the high halves of both 32-bit sides are 0 for any real cover
        height = big16(22);
        return width > 0 && height > 0;
    }
    for (size_t at = 2; at + 9 < b.size() && b[at] == 0xff;) {
        const uint8_t marker = b[at + 1];
        const bool startOfFrame = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (startOfFrame) {
            height = big16(at + 5);
            width = big16(at + 7);
            return width > 0 && height > 0;
        }
        at += 2 + big16(at + 2);
    }
    return false;
}

// The cover's stream after the video and audio, so that players keep to the
// real picture; its one packet follows the header (sendCover).
std::string configureCover(VideoEncoder& e, const ContainerChoice& choice, const CoverPicture& cover) {
    const bool png = isPng(cover.bytes);
    int width = 0, height = 0;
    if (choice.cover == CoverForm::None || !(png || isJpeg(cover.bytes)) ||
        !pictureSize(cover.bytes, png, width, height))
        return "";
    e.coverStream = avformat_new_stream(e.container, nullptr);
    if (!e.coverStream) return "out of memory";
    AVCodecParameters* p = e.coverStream->codecpar;
    p->codec_id = png ? AV_CODEC_ID_PNG : AV_CODEC_ID_MJPEG;
    if (choice.cover == CoverForm::AttachedPicture) {
        p->codec_type = AVMEDIA_TYPE_VIDEO;
        p->width = width;
        p->height = height;
        e.coverStream->disposition = AV_DISPOSITION_ATTACHED_PIC;
        e.coverStream->time_base = AVRational{1, e.fps};
        e.container->max_interleave_delta = INTERLEAVE_SPAN_WITH_COVER;
        return "";
    }
    p->codec_type = AVMEDIA_TYPE_ATTACHMENT;
    p->extradata = static_cast<uint8_t*>(av_mallocz(cover.bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!p->extradata) return "out of memory";
    std::memcpy(p->extradata, cover.bytes.data(), cover.bytes.size());
    p->extradata_size = static_cast<int>(cover.bytes.size());
    // Matroska's names for a file's cover art.
    av_dict_set(&e.coverStream->metadata, "filename", png ? "cover.png" : "cover.jpg", 0);
    av_dict_set(&e.coverStream->metadata, "mimetype", png ? "image/png" : "image/jpeg", 0);
    return "";
}

std::string sendCover(VideoEncoder& e, const CoverPicture& cover) {
    if (!e.coverStream || e.coverStream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) return "";
    int rc = av_new_packet(e.packet, static_cast<int>(cover.bytes.size()));
    if (rc < 0) return "out of memory";
    std::memcpy(e.packet->data, cover.bytes.data(), cover.bytes.size());
    e.packet->stream_index = e.coverStream->index;
    e.packet->flags |= AV_PKT_FLAG_KEY;
    e.packet->pts = e.packet->dts = 0;
    rc = av_interleaved_write_frame(e.container, e.packet);
    return rc < 0 ? "writing " + e.partPath + " failed: " + ffmpegError(rc) : "";
}

// The container's chapter list made anew from `chapters`.
std::string setContainerChapters(AVFormatContext* c, const std::vector<EncoderChapter>& chapters) {
    for (unsigned i = 0; i < c->nb_chapters; ++i) {
        av_dict_free(&c->chapters[i]->metadata);
        av_freep(&c->chapters[i]);
    }
    av_freep(&c->chapters);
    c->nb_chapters = 0;
    if (chapters.empty()) return "";
    c->chapters = static_cast<AVChapter**>(av_calloc(chapters.size(), sizeof(AVChapter*)));
    if (!c->chapters) return "out of memory";
    for (const EncoderChapter& chapter : chapters) {
        auto* made = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!made) return "out of memory";
        c->chapters[c->nb_chapters++] = made;
        made->id = c->nb_chapters;  // Matroska's chapter UIDs: 1, 2, ...
        made->time_base = CHAPTER_TIME_BASE;
        made->start = std::llround(chapter.start / av_q2d(CHAPTER_TIME_BASE));
        made->end = std::llround(chapter.end / av_q2d(CHAPTER_TIME_BASE));
        av_dict_set(&made->metadata, "title", chapter.title.c_str(), 0);
    }
    return "";
}

// The chapters a file of `seconds` reaches: those that start in it, the last
// one ending with it.
std::vector<EncoderChapter> chaptersWithin(std::vector<EncoderChapter> chapters, double seconds) {
    while (chapters.size() > 1 && chapters.back().start >= seconds) chapters.pop_back();
    if (!chapters.empty()) chapters.back().end = seconds;
    return chapters;
}

// The track's rate when the encoder takes it, else 48 kHz (Opus takes nothing else).
int audioRateFor(const AVCodec* codec, int trackRate) {
    if (!codec->supported_samplerates) return trackRate;
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (*r == trackRate) return trackRate;
    return 48000;
}

std::string configureAudio(VideoEncoder& e, const ContainerChoice& choice, const EncoderSettings& s) {
    const AVCodec* codec = avcodec_find_encoder_by_name(choice.audioCodec);
    if (!codec) return std::string("this FFmpeg has no ") + choice.audioCodec + " encoder";
    e.audio = avcodec_alloc_context3(codec);
    AVCodecContext* c = e.audio;
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    c->sample_rate = audioRateFor(codec, s.audioRate);
    av_channel_layout_default(&c->ch_layout, s.audioChannels);
    c->time_base = AVRational{1, c->sample_rate};
    if (std::string(choice.audioCodec) == "aac") c->bit_rate = AAC_BIT_RATE;
    if (std::string(choice.audioCodec) == "libopus") c->bit_rate = OPUS_BIT_RATE;
    if (e.container->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int rc = avcodec_open2(c, codec, nullptr);
    if (rc < 0) return std::string("cannot open the ") + choice.audioCodec + " encoder: " + ffmpegError(rc);

    e.audioStream = avformat_new_stream(e.container, nullptr);
    if (!e.audioStream) return "out of memory";
    e.audioStream->time_base = c->time_base;
    rc = avcodec_parameters_from_context(e.audioStream->codecpar, c);
    if (rc < 0) return "audio stream parameters: " + ffmpegError(rc);

    AVChannelLayout trackLayout;
    av_channel_layout_default(&trackLayout, s.audioChannels);
    rc = swr_alloc_set_opts2(&e.resampler, &c->ch_layout, c->sample_fmt, c->sample_rate,
                             &trackLayout, AV_SAMPLE_FMT_S16, s.audioRate, 0, nullptr);
    if (rc < 0 || (rc = swr_init(e.resampler)) < 0) return "audio resampler: " + ffmpegError(rc);

    const int frameSize = c->frame_size > 0 ? c->frame_size : FALLBACK_AUDIO_FRAME;
    e.audioFifo = av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, frameSize * 4);
    e.audioFrame = av_frame_alloc();
    if (!e.audioFifo || !e.audioFrame) return "out of memory";
    e.audioFrame->format = c->sample_fmt;
    e.audioFrame->sample_rate = c->sample_rate;
    av_channel_layout_copy(&e.audioFrame->ch_layout, &c->ch_layout);
    e.audioFrame->nb_samples = frameSize;
    rc = av_frame_get_buffer(e.audioFrame, 0);
    return rc < 0 ? "audio frame: " + ffmpegError(rc) : "";
}

std::string writePackets(VideoEncoder& e, AVCodecContext* codec, AVStream* stream) {
    for (;;) {
        int rc = avcodec_receive_packet(codec, e.packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return "";
        if (rc < 0) return "encoding failed: " + ffmpegError(rc);
        av_packet_rescale_ts(e.packet, codec->time_base, stream->time_base);
        e.packet->stream_index = stream->index;
        rc = av_interleaved_write_frame(e.container, e.packet);
        if (rc < 0) return "writing " + e.partPath + " failed: " + ffmpegError(rc);
    }
}

std::string sendAndWrite(VideoEncoder& e, AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    const int rc = avcodec_send_frame(codec, frame);
    if (rc < 0 && rc != AVERROR_EOF) return "encoding failed: " + ffmpegError(rc);
    return writePackets(e, codec, stream);
}

// Track frames [musicFed, upTo) through the resampler into the FIFO, in
// pieces of at most MUSIC_PIECE frames; silence past the end of the track.
std::string feedMusic(VideoEncoder& e, uint64_t upTo) {
    static const std::vector<int16_t> silence(MUSIC_PIECE * 2, 0);
    const int channels = e.audio->ch_layout.nb_channels;
    while (e.musicFed < upTo) {
        const bool inTrack = e.musicFed < e.musicFrames;
        const uint64_t available = inTrack ? e.musicFrames - e.musicFed : MUSIC_PIECE;
        const int count = static_cast<int>(std::min<uint64_t>({upTo - e.musicFed, available, MUSIC_PIECE}));
        const int16_t* from = inTrack ? e.music + e.musicFed * e.musicChannels : silence.data();
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(from)};

        const int room = swr_get_out_samples(e.resampler, count);
        const int bytes = av_samples_get_buffer_size(nullptr, channels, room, e.audio->sample_fmt, 1);
        if (room < 0 || bytes < 0) return "audio resampling failed";
        e.resampled.resize(static_cast<size_t>(bytes));
        uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
        av_samples_fill_arrays(planes, nullptr, e.resampled.data(), channels, room, e.audio->sample_fmt, 1);
        const int converted = swr_convert(e.resampler, planes, room, in, count);
        if (converted < 0) return "audio resampling failed: " + ffmpegError(converted);
        if (av_audio_fifo_write(e.audioFifo, reinterpret_cast<void**>(planes), converted) < converted)
            return "out of memory";
        e.musicFed += count;
    }
    return "";
}

// Every whole encoder frame in the FIFO; with `last`, the remainder as well,
// padded with silence unless the encoder takes a short last frame.
std::string encodeFifo(VideoEncoder& e, bool last) {
    const int frameSize = e.audioFrame->nb_samples;
    const bool shortLastAllowed =
        e.audio->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    while (av_audio_fifo_size(e.audioFifo) >= frameSize || (last && av_audio_fifo_size(e.audioFifo) > 0)) {
        int rc = av_frame_make_writable(e.audioFrame);
        if (rc < 0) return "audio frame: " + ffmpegError(rc);
        const int count = std::min(frameSize, av_audio_fifo_size(e.audioFifo));
        av_audio_fifo_read(e.audioFifo, reinterpret_cast<void**>(e.audioFrame->data), count);
        if (count < frameSize) {
            if (shortLastAllowed) {
                e.audioFrame->nb_samples = count;
            } else {
                av_samples_set_silence(e.audioFrame->data, count, frameSize - count,
                                       e.audio->ch_layout.nb_channels, e.audio->sample_fmt);
            }
        }
        e.audioFrame->pts = e.audioPts;
        e.audioPts += e.audioFrame->nb_samples;
        std::string failure = sendAndWrite(e, e.audio, e.audioStream, e.audioFrame);
        e.audioFrame->nb_samples = frameSize;
        if (!failure.empty()) return failure;
    }
    return "";
}

// Track frames that belong to the first `videoFrames` video frames.
uint64_t musicFramesFor(const VideoEncoder& e, int64_t videoFrames) {
    return static_cast<uint64_t>(videoFrames) * e.musicRate / e.fps;
}

std::string encodeMusicUntil(VideoEncoder& e, uint64_t upTo) {
    if (!e.audio) return "";
    std::string failure = feedMusic(e, upTo);
    return failure.empty() ? encodeFifo(e, false) : failure;
}

// What the resampler still holds, then the FIFO's last partial frame.
std::string drainMusic(VideoEncoder& e) {
    if (!e.audio) return "";
    for (;;) {
        if (av_frame_make_writable(e.audioFrame) < 0) return "out of memory";
        const int rc = swr_convert(e.resampler, e.audioFrame->data, e.audioFrame->nb_samples, nullptr, 0);
        if (rc < 0) return "audio resampling failed: " + ffmpegError(rc);
        if (rc == 0) break;
        if (av_audio_fifo_write(e.audioFifo, reinterpret_cast<void**>(e.audioFrame->data), rc) < rc)
            return "out of memory";
    }
    std::string failure = encodeFifo(e, true);
    return failure.empty() ? sendAndWrite(e, e.audio, e.audioStream, nullptr) : failure;
}

}  // namespace

std::string describeFormatFor(const std::string& path) {
    const ContainerChoice* c = containerFor(path);
    return c ? std::string(c->muxer) + ": " + c->videoCodec + " + " + c->audioCodec : "";
}

std::string checkOutputExtension(const std::string& path) {
    return containerFor(path) ? "" : "unknown file extension in \"" + path + "\": use .mp4, .mkv or .webm";
}

std::string openEncoder(VideoEncoder& e, const EncoderSettings& s) {
    e = VideoEncoder{};
    // The libraries' own reports (x264's statistics, the muxer's notes) stay
    // off stderr; every failure comes back here as a message instead.
    av_log_set_level(AV_LOG_FATAL);
    const ContainerChoice* choice = containerFor(s.path);
    if (!choice) return checkOutputExtension(s.path);
    e.finalPath = s.path;
    e.partPath = s.path + ".part";
    e.fps = s.fps;
    e.music = s.audio;
    e.musicFrames = s.audioFrames;
    e.musicRate = s.audioRate;
    e.musicChannels = s.audioChannels;
    e.chapters = s.chapters;

    std::string failure;
    int rc = avformat_alloc_output_context2(&e.container, nullptr, choice->muxer, e.partPath.c_str());
    if (rc < 0 || !e.container) failure = std::string("no ") + choice->muxer + " muxer: " + ffmpegError(rc);
    if (failure.empty()) failure = configureVideo(e, *choice, s);
    if (failure.empty() && s.audio) failure = configureAudio(e, *choice, s);
    if (failure.empty()) failure = configureCover(e, *choice, s.cover);
    if (failure.empty()) {
        // Players start with the streams marked default: the film and its sound.
        e.videoStream->disposition |= AV_DISPOSITION_DEFAULT;
        if (e.audioStream) e.audioStream->disposition |= AV_DISPOSITION_DEFAULT;
        for (const auto& [key, value] : s.tags)
            av_dict_set(&e.container->metadata, key == "date" ? choice->dateKey : key.c_str(), value.c_str(), 0);
    }
    if (failure.empty() && !(e.packet = av_packet_alloc())) failure = "out of memory";
    if (failure.empty()) {
        rc = avio_open(&e.container->pb, e.partPath.c_str(), AVIO_FLAG_WRITE);
        if (rc < 0) failure = "cannot write " + e.partPath + ": " + ffmpegError(rc);
        else e.fileOpen = true;
    }
    if (failure.empty()) {
        AVDictionary* options = nullptr;
        // The index at the front, so that players start before the whole file is there.
        if (std::string(choice->muxer) == "mp4") av_dict_set(&options, "movflags", "+faststart", 0);
        rc = avformat_write_header(e.container, &options);
        av_dict_free(&options);
        if (rc < 0) failure = "writing " + e.partPath + " failed: " + ffmpegError(rc);
    }
    if (failure.empty()) failure = sendCover(e, s.cover);
    if (!failure.empty()) abandonEncoder(e);
    return failure;
}

std::string encodeVideoFrame(VideoEncoder& e, AVFrame* picture) {
    picture->pts = e.videoFrames++;
    std::string failure = sendAndWrite(e, e.video, e.videoStream, picture);
    if (!failure.empty()) return failure;
    return encodeMusicUntil(e, musicFramesFor(e, e.videoFrames));
}

std::string finishEncoder(VideoEncoder& e) {
    std::string failure = sendAndWrite(e, e.video, e.videoStream, nullptr);
    if (failure.empty()) failure = encodeMusicUntil(e, musicFramesFor(e, e.videoFrames));
    if (failure.empty()) failure = drainMusic(e);
    // Both muxers write the chapters they have at the header there and never
    // again (MP4 as a text track, Matroska as its Chapters element), so a file
    // stopped early would list parts it never reached. Given none with the
    // header, each writes those it has at the trailer instead (Matroska after
    // the clusters, listed in the seek head; MP4 in the index that faststart
    // moves to the front), cut to where the file ends.
    if (failure.empty())
        failure = setContainerChapters(e.container, chaptersWithin(e.chapters, double(e.videoFrames) / e.fps));
    if (failure.empty()) {
        const int rc = av_write_trailer(e.container);
        if (rc < 0) failure = "writing " + e.partPath + " failed: " + ffmpegError(rc);
    }
    if (failure.empty()) {
        // Closing flushes the last buffered bytes, where a full disk shows last.
        const int rc = avio_closep(&e.container->pb);
        e.fileOpen = false;
        if (rc < 0) failure = "writing " + e.partPath + " failed: " + ffmpegError(rc);
    }
    if (failure.empty() && std::rename(e.partPath.c_str(), e.finalPath.c_str()) != 0)
        failure = "cannot rename " + e.partPath + " to " + e.finalPath;
    if (!failure.empty()) {
        abandonEncoder(e);
        return failure;
    }
    releaseAll(e);
    return "";
}

void abandonEncoder(VideoEncoder& e) {
    const bool created = e.fileOpen || !e.partPath.empty();
    releaseAll(e);
    e.fileOpen = false;
    if (created) std::remove(e.partPath.c_str());
}
