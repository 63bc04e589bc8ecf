// Reading a video file back with libavformat and libavcodec, the frames
// converted by libswscale and the sound by libswresample; the frame and sound
// comparisons on what was read.
#include "support/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>

namespace {

// Decoded YUV to full-range RGB, undoing BT.709 limited range.
std::vector<uint8_t> toRgb(const AVFrame* f) {
    SwsContext* c = sws_getContext(f->width, f->height, AVPixelFormat(f->format), f->width, f->height,
                                   AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(c, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
    std::vector<uint8_t> rgb(size_t(f->width) * f->height * 3);
    uint8_t* out[1] = {rgb.data()};
    const int stride[1] = {f->width * 3};
    sws_scale(c, f->data, f->linesize, 0, f->height, out, stride);
    sws_freeContext(c);
    return rgb;
}

void appendMono(const AVFrame* f, SwrContext*& swr, std::vector<float>& mono) {
    if (!swr) {
        AVChannelLayout monoLayout = AV_CHANNEL_LAYOUT_MONO, frameLayout;
        av_channel_layout_copy(&frameLayout, &f->ch_layout);
        swr_alloc_set_opts2(&swr, &monoLayout, AV_SAMPLE_FMT_FLT, f->sample_rate, &frameLayout,
                            AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
        swr_init(swr);
    }
    std::vector<float> out(f->nb_samples + 64);
    uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const int n = swr_convert(swr, planes, int(out.size()), const_cast<const uint8_t**>(f->extended_data),
                              f->nb_samples);
    mono.insert(mono.end(), out.begin(), out.begin() + std::max(n, 0));
}

bool openDecoder(AVFormatContext* fc, AVMediaType type, int& index, AVCodecContext*& ctx) {
    const AVCodec* codec = nullptr;
    index = av_find_best_stream(fc, type, -1, -1, &codec, 0);
    if (index < 0) return false;
    ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, fc->streams[index]->codecpar);
    return avcodec_open2(ctx, codec, nullptr) == 0;
}

std::string tag(const AVDictionary* dictionary, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(dictionary, key, nullptr, 0);
    return e ? e->value : "";
}

// Tags, chapters and attachments: what the container says beside the streams.
void readContainer(const AVFormatContext* fc, VideoFile& v) {
    for (const AVDictionaryEntry* e = nullptr; (e = av_dict_get(fc->metadata, "", e, AV_DICT_IGNORE_SUFFIX));)
        v.tags[e->key] = e->value;
    for (unsigned i = 0; i < fc->nb_chapters; ++i) {
        const AVChapter* c = fc->chapters[i];
        v.chapters.push_back({c->start * av_q2d(c->time_base), c->end * av_q2d(c->time_base),
                              tag(c->metadata, "title")});
    }
    for (unsigned i = 0; i < fc->nb_streams; ++i) {
        const AVStream* s = fc->streams[i];
        if (s->disposition & AV_DISPOSITION_ATTACHED_PIC) v.hasCover = true;
        if (s->codecpar->codec_type != AVMEDIA_TYPE_ATTACHMENT) continue;
        v.attachments.push_back({tag(s->metadata, "filename"), tag(s->metadata, "mimetype")});
        if (v.attachments.back().mimeType.rfind("image/", 0) == 0) v.hasCover = true;
    }
}

}  // namespace

bool readVideoFile(const std::string& path, VideoFile& v) {
    AVFormatContext* fc = nullptr;
    if (avformat_open_input(&fc, path.c_str(), nullptr, nullptr) < 0) return false;
    avformat_find_stream_info(fc, nullptr);
    readContainer(fc, v);
    int vi = -1, ai = -1;
    AVCodecContext *vc = nullptr, *ac = nullptr;
    const bool opened = openDecoder(fc, AVMEDIA_TYPE_VIDEO, vi, vc) && openDecoder(fc, AVMEDIA_TYPE_AUDIO, ai, ac);
    if (opened) {
        v.videoCodec = avcodec_get_name(vc->codec_id);
        v.audioCodec = avcodec_get_name(ac->codec_id);
        v.pixelFormat = vc->pix_fmt;
        v.colourSpace = vc->colorspace;
        v.colourRange = vc->color_range;
        v.width = vc->width;
        v.height = vc->height;
        v.audioRate = ac->sample_rate;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwrContext* swr = nullptr;
    auto drain = [&](AVCodecContext* c, int index) {
        while (avcodec_receive_frame(c, frame) == 0) {
            const double seconds = frame->best_effort_timestamp * av_q2d(fc->streams[index]->time_base);
            if (index == vi) {
                if (v.frames.empty()) v.firstVideoSeconds = seconds;
                v.frames.push_back(toRgb(frame));
            } else {
                if (v.mono.empty()) v.firstAudioSeconds = seconds;
                appendMono(frame, swr, v.mono);
            }
        }
    };
    while (opened && av_read_frame(fc, packet) >= 0) {
        AVCodecContext* c = packet->stream_index == vi ? vc : packet->stream_index == ai ? ac : nullptr;
        if (c && avcodec_send_packet(c, packet) >= 0) drain(c, packet->stream_index);
        av_packet_unref(packet);
    }
    if (opened) {
        avcodec_send_packet(vc, nullptr);
        drain(vc, vi);
        avcodec_send_packet(ac, nullptr);
        drain(ac, ai);
    }
    swr_free(&swr);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&vc);
    avcodec_free_context(&ac);
    avformat_close_input(&fc);
    return opened;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) squares += (a[i] - b[i]) * double(a[i] - b[i]);
    const double mse = squares / double(a.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

SoundAlignment alignWithTrack(const std::vector<float>& sound, const DecodedTrack& track,
                              uint64_t trackFrame) {
    const int from = 4410, length = 44100, search = 441;
    auto trackAt = [&](int64_t i) {
        const int16_t* s = &track.samples[size_t(trackFrame + i) * track.channels];
        return (s[0] + s[track.channels - 1]) / 65536.0;
    };
    SoundAlignment best{0, -2};
    for (int lag = -search; lag <= search; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (int i = from; i < from + length; ++i) {
            const double x = sound[i], y = trackAt(i + lag);
            xy += x * y, xx += x * x, yy += y * y;
        }
        const double r = xy / std::sqrt(xx * yy + 1e-30);
        if (r > best.correlation) best = {lag, r};
    }
    return best;
}
