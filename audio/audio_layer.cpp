// The audio layer over SDL2, libmpg123 and kissfft. The device callback on
// SDL's audio thread and the calls from the frame loop share the current
// stream and its play clock under one mutex; the decoded samples are
// immutable, so mixing and spectra read them without waiting on anything.
#include "audio/audio_layer.h"

#include <SDL.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "audio/play_clock.h"

namespace {

constexpr int OUTPUT_CHANNELS = 2;  // stereo device
// What a handle without a stream counts in: 44.1 kHz stereo, the rate of the
// timeline's byte thresholds, with no samples (so its spectrum is silence).
constexpr int NO_STREAM_RATE = 44100;
constexpr int NO_STREAM_CHANNELS = 2;

struct Channel {
    uint32_t handle = 0;
    DecodedTrack track;
    PlayClock clock;
    uint64_t reportedTrackFrame = 0;  // where the last position read fell, in track frames
};

std::mutex channelMutex;           // guards `stream` and every channel's clock
std::unique_ptr<Channel> stream;   // the one stream; null when none was created
Channel noStream{0, {NO_STREAM_RATE, NO_STREAM_CHANNELS, {}}, {}, 0};  // handle 0 and stale handles
uint32_t lastHandle = 0;           // handle of the newest stream, counting from 1
SDL_AudioDeviceID device = 0;      // the open output device; 0 when none

uint64_t now() { return SDL_GetPerformanceCounter(); }

Channel& channelFor(uint32_t handle) {
    return stream && handle != 0 && handle == stream->handle ? *stream : noStream;
}

bool isStream(const Channel& channel) { return &channel != &noStream; }

uint64_t trackFrameAt(const Channel& channel, uint64_t outputFrame) {
    return scaleCount(outputFrame, channel.track.rate, OUTPUT_RATE);
}

// Writes `frames` stereo output frames starting at output frame `first`, taking
// each from the track frame at the same moment (nearest below: a track at
// another rate is resampled by repetition or dropping) and mono to both
// sides. Past the end of the track, silence.
void renderFrames(const Channel& channel, uint64_t first, int frames, int16_t* out) {
    const DecodedTrack& track = channel.track;
    const uint64_t trackFrames = track.frames();
    const int right = track.channels - 1;
    for (int i = 0; i < frames; ++i, out += OUTPUT_CHANNELS) {
        const uint64_t source = trackFrameAt(channel, first + i);
        if (source >= trackFrames) {
            out[0] = out[1] = 0;
            continue;
        }
        const int16_t* frame = track.samples.data() + source * track.channels;
        out[0] = frame[0];
        out[1] = frame[right];
    }
}

void SDLCALL fillDevice(void*, Uint8* bytes, int length) {
    const int frames = length / static_cast<int>(OUTPUT_CHANNELS * sizeof(int16_t));
    std::lock_guard<std::mutex> lock(channelMutex);
    if (!stream || !stream->clock.running || !stream->clock.deviceDriven) {
        std::memset(bytes, 0, length);
        return;
    }
    renderFrames(*stream, stream->clock.handedFrames, frames, reinterpret_cast<int16_t*>(bytes));
    noteDeviceFill(stream->clock, frames, now());
}

}  // namespace

bool audioInit() {
    if (device) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = OUTPUT_RATE;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = OUTPUT_CHANNELS;
    wanted.samples = DEVICE_BUFFER_FRAMES;
    wanted.callback = fillDevice;
    // No changes allowed: SDL converts if the hardware differs, and the
    // callback always sees this format and buffer size.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (!device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

uint32_t audioStreamCreateFile(const char* path) {
    auto created = std::make_unique<Channel>();
    if (!path || !decodeMp3File(path, created->track) || !openSpectrum()) return 0;
    if (++lastHandle == 0) ++lastHandle;
    created->handle = lastHandle;
    std::unique_ptr<Channel> previous;
    {
        std::lock_guard<std::mutex> lock(channelMutex);
        previous = std::move(stream);
        stream = std::move(created);
    }
    return lastHandle;  // `previous` is released here, outside the lock
}

bool audioChannelPlay(uint32_t handle) {
    std::lock_guard<std::mutex> lock(channelMutex);
    Channel& channel = channelFor(handle);
    const bool playable = isStream(channel);
    startClock(channel.clock, 0, playable && device != 0, now());
    channel.reportedTrackFrame = 0;
    return playable;
}

bool audioChannelSetPosition(uint32_t handle, uint64_t bytes) {
    std::lock_guard<std::mutex> lock(channelMutex);
    Channel& channel = channelFor(handle);
    const uint64_t trackFrame = bytes / channel.track.bytesPerFrame();
    if (!isStream(channel) || trackFrame > channel.track.frames()) return false;
    // The first output frame that maps onto that track frame (rounded up).
    const uint64_t rate = channel.track.rate;
    const uint64_t outputFrame = (trackFrame * OUTPUT_RATE + rate - 1) / rate;
    seekClock(channel.clock, outputFrame, now());
    channel.reportedTrackFrame = trackFrameAt(channel, outputFrame);
    return true;
}

uint64_t audioChannelGetPosition(uint32_t handle) {
    std::lock_guard<std::mutex> lock(channelMutex);
    Channel& channel = channelFor(handle);
    const uint64_t outputFrame = readClock(channel.clock, now(), SDL_GetPerformanceFrequency());
    channel.reportedTrackFrame = trackFrameAt(channel, outputFrame);
    return channel.reportedTrackFrame * channel.track.bytesPerFrame();
}

uint64_t audioChannelGetHandedBytes(uint32_t handle) {
    std::lock_guard<std::mutex> lock(channelMutex);
    const Channel& channel = channelFor(handle);
    const PlayClock& clock = channel.clock;
    const uint64_t outputFrame = clock.deviceDriven ? clock.handedFrames : clock.reportedFrame;
    return trackFrameAt(channel, outputFrame) * channel.track.bytesPerFrame();
}

double audioChannelBytes2Seconds(uint32_t handle, uint64_t bytes) {
    std::lock_guard<std::mutex> lock(channelMutex);
    const DecodedTrack& track = channelFor(handle).track;
    return static_cast<double>(bytes) / (static_cast<double>(track.rate) * track.bytesPerFrame());
}

void audioChannelGetFFT1024(uint32_t handle, float out[SPECTRUM_BINS]) {
    uint64_t firstFrame;
    const Channel* channel;
    {
        std::lock_guard<std::mutex> lock(channelMutex);
        channel = &channelFor(handle);
        firstFrame = channel->reportedTrackFrame;
    }
    // Safe outside the lock: only this thread replaces or frees the stream.
    readSpectrum(channel->track, firstFrame, out);
}

void audioFree() {
    if (device) {
        SDL_CloseAudioDevice(device);  // returns once the callback has finished for good
        device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // The last subsystem out releases SDL's process-wide state (its D-Bus link).
        if (SDL_WasInit(0) == 0) SDL_Quit();
    }
    std::unique_ptr<Channel> released;
    {
        std::lock_guard<std::mutex> lock(channelMutex);
        released = std::move(stream);
        noStream.clock = PlayClock{};
        noStream.reportedTrackFrame = 0;
    }
    closeSpectrum();
}
