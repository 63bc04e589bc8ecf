// The audio layer over SDL2, libmpg123 and kissfft. The device callback on
// SDL's audio thread and the calls from the frame loop share the current
// stream and its play clock under one mutex; the stream's own decoder thread
// never takes it, and mixing and spectra read what it has decoded without
// waiting on it.
#include "audio/audio_layer.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "audio/play_clock.h"
#include "audio/track_stream.h"

namespace {

constexpr int OUTPUT_CHANNELS = MUSIC_CHANNELS;
// Tracks decode in the device's format, so a track frame is an output frame.
static_assert(DECODED_RATE == OUTPUT_RATE && DECODED_CHANNELS == OUTPUT_CHANNELS, "one frame format");
// What a handle without a stream counts in: 44.1 kHz stereo, the rate of the
// timeline's byte thresholds, with no samples (so its spectrum is silence).
const TrackFormat NO_STREAM_FORMAT = {MUSIC_FRAMES_PER_SECOND, MUSIC_CHANNELS, 0};

struct Channel {
    uint32_t handle = 0;
    std::unique_ptr<TrackStream> track;  // null for no stream
    PlayClock clock;  // in track frames
};

std::mutex channelMutex;           // guards `stream` and every channel's clock
std::unique_ptr<Channel> stream;   // the one stream; null when none was created
Channel noStream;                  // handle 0 and stale handles
uint32_t lastHandle = 0;           // handle of the newest stream, counting from 1
SDL_AudioDeviceID device = 0;      // the open output device; 0 when none
bool deviceMuted = false;          // the callback hands silence, clocks run on; under channelMutex
int16_t spectrumWindow[FFT_SIZE * 2];  // frames copied for a spectrum; frame loop only

uint64_t now() { return SDL_GetPerformanceCounter(); }

Channel& channelFor(uint32_t handle) {
    return stream && handle != 0 && handle == stream->handle ? *stream : noStream;
}

bool isStream(const Channel& channel) { return &channel != &noStream; }

const TrackFormat& formatOf(const Channel& channel) {
    return channel.track ? channel.track->format : NO_STREAM_FORMAT;
}

// SDL reports a device it lost (a card unplugged, the sound server gone) as
// stopped. Its callback may go on firing on a timer of its own or not at all,
// so from then on the position follows the silent clock, not the callbacks.
bool devicePlaying() { return device != 0 && SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_STOPPED; }

// Writes `frames` output frames starting at track frame `first`: silence past
// the end of the track and where the decoder has not caught up. Then lets the
// decoder move on past what was read.
void renderFrames(TrackStream& track, uint64_t first, int frames, int16_t* out) {
    const HeldFrames held = heldFrames(track);
    for (int i = 0; i < frames; ++i, out += OUTPUT_CHANNELS) {
        const int16_t* frame = heldFrame(track, held, first + i);
        out[0] = frame ? frame[0] : 0;
        out[1] = frame ? frame[1] : 0;
    }
    notePlayFrame(track, first + frames);
}

// Puts the channel's play frame at `frame`; `moveClock` sets the clock to
// match under the lock that keeps the device callback out. Forward within the
// ring the decoder runs on; any other move pauses it meanwhile, and one
// outside the ring costs the caller a seek and a chunk of decoding.
template <typename MoveClock>
void moveChannel(Channel& channel, uint64_t frame, MoveClock moveClock) {
    TrackStream* track = channel.track.get();
    {
        std::lock_guard<std::mutex> lock(channelMutex);
        if (!track || moveAhead(*track, frame)) {
            moveClock(channel.clock);
            return;
        }
    }
    pauseDecoder(*track);
    prepareMove(*track, frame);
    {
        std::lock_guard<std::mutex> lock(channelMutex);
        commitMove(*track, frame);
        moveClock(channel.clock);
    }
    resumeDecoder(*track);
}

// The frame `offsetBytes` from frame `frame`, rounded down, clamped to 0
// below and to the largest count above.
uint64_t offsetFrame(uint64_t frame, int64_t offsetBytes, uint32_t bytesPerFrame) {
    if (offsetBytes >= 0) return frame + std::min<uint64_t>(offsetBytes / bytesPerFrame, ~frame);
    // -(offsetBytes + 1) is |offsetBytes| - 1, which fits even for the lowest value.
    const uint64_t framesBack = static_cast<uint64_t>(-(offsetBytes + 1)) / bytesPerFrame + 1;
    return frame > framesBack ? frame - framesBack : 0;
}

void SDLCALL fillDevice(void*, Uint8* bytes, int length) {
    const int frames = length / static_cast<int>(OUTPUT_CHANNELS * sizeof(int16_t));
    std::lock_guard<std::mutex> lock(channelMutex);
    if (!stream || !stream->clock.running || !stream->clock.deviceDriven) {
        std::memset(bytes, 0, length);
        return;
    }
    renderFrames(*stream->track, stream->clock.handedFrames, frames, reinterpret_cast<int16_t*>(bytes));
    if (deviceMuted) std::memset(bytes, 0, length);
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
    created->track = openTrackStream(path);
    if (!created->track || !openSpectrum()) return 0;
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

namespace {

// Only this thread creates, replaces or frees the stream, so finding the
// channel needs no lock; moveChannel changes what the callback reads under it.
// False when the handle has no stream.
bool placeChannel(uint32_t handle, uint64_t bytes, bool playing) {
    Channel& channel = channelFor(handle);
    const TrackFormat& format = formatOf(channel);
    const bool playable = isStream(channel);
    const bool deviceDriven = playable && devicePlaying();
    // The silent clock of no stream has no length to stop at.
    const uint64_t wholeFrames = bytes / format.bytesPerFrame();
    const uint64_t frame = playable ? std::min(wholeFrames, format.frames) : wholeFrames;
    moveChannel(channel, frame, [&](PlayClock& clock) {
        startClock(clock, frame, deviceDriven, now());
        clock.running = playing;
    });
    return playable;
}

}  // namespace

bool audioChannelPlayFrom(uint32_t handle, uint64_t bytes) { return placeChannel(handle, bytes, true); }

void audioChannelHoldAt(uint32_t handle, uint64_t bytes) { placeChannel(handle, bytes, false); }

uint64_t audioChannelPause(uint32_t handle) {
    std::lock_guard<std::mutex> lock(channelMutex);
    Channel& channel = channelFor(handle);
    const uint64_t frame = readClock(channel.clock, now(), SDL_GetPerformanceFrequency());
    channel.clock.running = false;
    return frame * formatOf(channel).bytesPerFrame();
}

bool audioSetMuted(bool muted) {
    if (!device) return false;
    std::lock_guard<std::mutex> lock(channelMutex);
    deviceMuted = muted;
    return true;
}

bool audioChannelPlay(uint32_t handle) { return audioChannelPlayFrom(handle, 0); }

bool audioChannelSetPosition(uint32_t handle, uint64_t bytes) {
    Channel& channel = channelFor(handle);
    const TrackFormat& format = formatOf(channel);
    const uint64_t frame = bytes / format.bytesPerFrame();
    if (!isStream(channel) || frame > format.frames) return false;
    moveChannel(channel, frame, [&](PlayClock& clock) { seekClock(clock, frame, now()); });
    return true;
}

uint64_t audioChannelGetPosition(uint32_t handle) {
    std::lock_guard<std::mutex> lock(channelMutex);
    Channel& channel = channelFor(handle);
    const uint64_t tick = now(), ticksPerSecond = SDL_GetPerformanceFrequency();
    if (channel.clock.deviceDriven && !devicePlaying()) leaveDevice(channel.clock, tick, ticksPerSecond);
    const uint64_t frame = readClock(channel.clock, tick, ticksPerSecond);
    // Without the device's callbacks the listener's position is the play frame.
    if (channel.track && !channel.clock.deviceDriven) notePlayFrame(*channel.track, frame);
    return frame * formatOf(channel).bytesPerFrame();
}

uint64_t audioChannelGetHandedBytes(uint32_t handle) {
    std::lock_guard<std::mutex> lock(channelMutex);
    const Channel& channel = channelFor(handle);
    const PlayClock& clock = channel.clock;
    const uint64_t frame = clock.deviceDriven ? clock.handedFrames : clock.reportedFrame;
    return frame * formatOf(channel).bytesPerFrame();
}

double audioChannelBytes2Seconds(uint32_t handle, uint64_t bytes) {
    std::lock_guard<std::mutex> lock(channelMutex);
    const TrackFormat& format = formatOf(channelFor(handle));
    return static_cast<double>(bytes) / (static_cast<double>(format.rate) * format.bytesPerFrame());
}

void audioChannelGetFFT1024(uint32_t handle, float out[SPECTRUM_BINS], int64_t offsetBytes) {
    uint64_t firstFrame;
    Channel* channel;
    {
        std::lock_guard<std::mutex> lock(channelMutex);
        channel = &channelFor(handle);
        firstFrame = offsetFrame(channel->clock.reportedFrame, offsetBytes, formatOf(*channel).bytesPerFrame());
    }
    // Safe outside the lock: only this thread replaces or frees the stream.
    TrackStream* track = channel->track.get();
    const int held = track ? copyHeldFrames(*track, firstFrame, FFT_SIZE, spectrumWindow) : 0;
    readSpectrumFrames(spectrumWindow, formatOf(*channel).channels, held ? FFT_SIZE : 0, out);
}

void audioFree() {
    if (device) {
        SDL_CloseAudioDevice(device);  // returns once the callback has finished for good
        device = 0;
        deviceMuted = false;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // The last subsystem out releases SDL's process-wide state (its D-Bus link).
        if (SDL_WasInit(0) == 0) SDL_Quit();
    }
    std::unique_ptr<Channel> released;
    {
        std::lock_guard<std::mutex> lock(channelMutex);
        released = std::move(stream);
        noStream.clock = PlayClock{};
    }
    closeSpectrum();
}
