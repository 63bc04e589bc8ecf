// The captured frames' way from read-back to the file on two threads of their
// own: one converts BGRA (rows bottom-up, as OpenGL reads them) to yuv420p
// BT.709 limited range with libswscale, one encodes. Frames come from fixed
// pools, so whatever the length the memory stays flat: the renderer waits for
// a free frame when the encoder falls behind.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/video_encoder.h"

struct AVFrame;
struct SwsContext;

constexpr int RAW_FRAME_POOL = 4;        // frames between read-back and conversion
constexpr int PICTURE_POOL = 4;          // converted frames between conversion and encoding

// Pointers handed between threads in order; pop waits for one or for close.
template <typename T>
class HandOver {
public:
    void push(T* item) {
        { std::lock_guard<std::mutex> lock(mutex); items.push_back(item); }
        ready.notify_one();
    }
    // Null once closed and empty.
    T* pop() {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return !items.empty() || closed; });
        if (items.empty()) return nullptr;
        T* item = items.front();
        items.pop_front();
        return item;
    }
    void close() {
        { std::lock_guard<std::mutex> lock(mutex); closed = true; }
        ready.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<T*> items;
    bool closed = false;
};

struct RawFrame {
    std::vector<uint8_t> bgra;  // width * height * 4 bytes, bottom row first
};

// Busy time of each stage, nanoseconds summed over the frames.
struct StageTimes {
    std::atomic<uint64_t> render{0};      // the scene chain (and, on Mesa's llvmpipe, little else)
    std::atomic<uint64_t> readBack{0};    // glReadPixels into the ring and the copy out of it
    std::atomic<uint64_t> waitForPool{0}; // the renderer held up by a full pipeline
    std::atomic<uint64_t> convert{0};     // libswscale
    std::atomic<uint64_t> encode{0};      // both encoders and the muxer
};

struct FramePipeline {
    int width = 0, height = 0;  // pixels
    VideoEncoder* encoder = nullptr;  // owned by the encoding thread while it runs
    SwsContext* converter = nullptr;
    std::vector<RawFrame> rawFrames;     // RAW_FRAME_POOL of them
    std::vector<AVFrame*> pictures;      // PICTURE_POOL of them
    HandOver<RawFrame> freeRaw, toConvert;
    HandOver<AVFrame> freePictures, toEncode;
    std::thread converting, encoding;
    std::atomic<uint64_t> framesEncoded{0};
    std::atomic<bool> failed{false};  // the encoder refused a frame; failure says why
    std::string failure;              // written once by the encoding thread before `failed`
    StageTimes times;
};

// Allocates the pools and starts both threads over an open encoder. "" on success.
std::string startPipeline(FramePipeline& pipeline, VideoEncoder& encoder, int width, int height);

// A free raw frame, waiting while all are on their way; the renderer's side.
RawFrame* takeRawFrame(FramePipeline& pipeline);
// The raw frame, filled, goes to conversion and then encoding in order.
void submitRawFrame(FramePipeline& pipeline, RawFrame* frame);

// Lets every submitted frame through and joins both threads; the encoder is
// the caller's again. The first failure of the encoder, or "".
std::string stopPipeline(FramePipeline& pipeline);

// Nanoseconds of a steady clock, for the stage times.
uint64_t steadyNanoseconds();
