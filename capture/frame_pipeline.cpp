// Conversion and encoding threads over two pools and four hand-overs: raw
// frames go free -> toConvert -> free, pictures free -> toEncode -> free.
// After a failure the encoding thread keeps taking pictures without encoding
// them, so the renderer never waits on a dead pipeline; it reads `failed`.
#include "capture/frame_pipeline.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <chrono>

namespace {

// Full-range RGB in, BT.709 limited range out; brightness, contrast and
// saturation neutral (16.16 fixed point).
void setBt709Limited(SwsContext* converter) {
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(converter, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
}

// GL rows run bottom-up: start at the last row and step backwards.
void convertFrame(FramePipeline& p, const RawFrame& raw, AVFrame* picture) {
    const int stride = p.width * 4;
    const uint8_t* source[1] = {raw.bgra.data() + size_t(p.height - 1) * stride};
    const int sourceStride[1] = {-stride};
    sws_scale(p.converter, source, sourceStride, 0, p.height, picture->data, picture->linesize);
}

void convertLoop(FramePipeline& p) {
    while (RawFrame* raw = p.toConvert.pop()) {
        AVFrame* picture = p.freePictures.pop();
        const uint64_t begin = steadyNanoseconds();
        // The encoder may still hold a reference to the last use of this buffer.
        if (av_frame_make_writable(picture) == 0) convertFrame(p, *raw, picture);
        p.times.convert += steadyNanoseconds() - begin;
        p.freeRaw.push(raw);
        p.toEncode.push(picture);
    }
    p.toEncode.close();
}

void encodeLoop(FramePipeline& p) {
    while (AVFrame* picture = p.toEncode.pop()) {
        if (!p.failed) {
            const uint64_t begin = steadyNanoseconds();
            std::string failure = encodeVideoFrame(*p.encoder, picture);
            p.times.encode += steadyNanoseconds() - begin;
            if (failure.empty()) {
                ++p.framesEncoded;
            } else {
                p.failure = failure;
                p.failed = true;
            }
        }
        p.freePictures.push(picture);
    }
}

void releasePools(FramePipeline& p) {
    for (AVFrame*& picture : p.pictures) av_frame_free(&picture);
    p.pictures.clear();
    p.rawFrames.clear();
    sws_freeContext(p.converter);
    p.converter = nullptr;
}

}  // namespace

uint64_t steadyNanoseconds() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count());
}

std::string startPipeline(FramePipeline& p, VideoEncoder& encoder, int width, int height) {
    p.width = width;
    p.height = height;
    p.encoder = &encoder;
    p.converter = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P,
                                 SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!p.converter) return "no colour conversion from BGRA to yuv420p";
    setBt709Limited(p.converter);

    p.rawFrames.resize(RAW_FRAME_POOL);
    for (RawFrame& raw : p.rawFrames) {
        raw.bgra.resize(size_t(width) * height * 4);
        p.freeRaw.push(&raw);
    }
    for (int i = 0; i < PICTURE_POOL; ++i) {
        AVFrame* picture = av_frame_alloc();
        if (!picture) break;
        p.pictures.push_back(picture);
        picture->format = AV_PIX_FMT_YUV420P;
        picture->width = width;
        picture->height = height;
        picture->color_primaries = AVCOL_PRI_BT709;
        picture->color_trc = AVCOL_TRC_BT709;
        picture->colorspace = AVCOL_SPC_BT709;
        picture->color_range = AVCOL_RANGE_MPEG;
        if (av_frame_get_buffer(picture, 0) < 0) break;
        p.freePictures.push(picture);
    }
    if (p.pictures.size() != size_t(PICTURE_POOL) || !p.pictures.back()->data[0]) {
        releasePools(p);
        return "out of memory for the frame pool";
    }
    p.converting = std::thread(convertLoop, std::ref(p));
    p.encoding = std::thread(encodeLoop, std::ref(p));
    return "";
}

RawFrame* takeRawFrame(FramePipeline& p) {
    const uint64_t begin = steadyNanoseconds();
    RawFrame* raw = p.freeRaw.pop();
    p.times.waitForPool += steadyNanoseconds() - begin;
    return raw;
}

void submitRawFrame(FramePipeline& p, RawFrame* frame) { p.toConvert.push(frame); }

std::string stopPipeline(FramePipeline& p) {
    p.toConvert.close();
    if (p.converting.joinable()) p.converting.join();
    if (p.encoding.joinable()) p.encoding.join();
    releasePools(p);
    return p.failed ? p.failure : "";
}
