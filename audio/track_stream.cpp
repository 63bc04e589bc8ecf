// The ring behind TrackStream and its decoder thread. Decoder and readers
// agree through atomics alone: the decoder reserves slots (writeEnd) before
// writing into them and publishes frames (decodedEnd) after; playback
// publishes how far it has read (playFrame); the spectrum pins the window it
// copies (readerPin). Reservation and pin are sequentially consistent, so of a
// decoder about to overwrite a pinned window and a reader about to copy it, at
// least one sees the other and keeps clear. Without decodeTrackOnThread the
// device side decodes instead, between its reads.
#include "audio/track_stream.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "resources/platform.h"

// A page has no threads (it is served without the headers they need).
bool decodeTrackOnThread = !IN_BROWSER;

namespace {

uint64_t secondsToFrames(double seconds, int rate) { return static_cast<uint64_t>(seconds * rate + 0.5); }

// Where frame `frame` sits in the ring, in values.
size_t slotOffset(const TrackStream& s, uint64_t frame) { return (frame % s.capacity) * s.format.channels; }

// Calls visit(ringOffset, framesBefore, runFrames) for each of the (at most
// two) runs that frames [first, first + count) occupy in the ring.
template <typename Visit>
void forEachRingRun(const TrackStream& s, uint64_t first, uint64_t count, Visit visit) {
    for (uint64_t done = 0; done < count;) {
        const uint64_t run = std::min(count - done, s.capacity - (first + done) % s.capacity);
        visit(slotOffset(s, first + done), done, run);
        done += run;
    }
}

// The first frame the decoder may not reach: a ring's length past the lowest
// frame playback may still need.
uint64_t decodeLimit(const TrackStream& s) {
    const uint64_t play = s.playFrame.load(std::memory_order_acquire);
    const uint64_t lowestNeeded = play > s.behind ? play - s.behind : 0;
    return std::min(lowestNeeded + s.capacity, s.format.frames);
}

bool decodingOver(const TrackStream& s) {
    return s.fileEnded || s.decodedEnd.load(std::memory_order_relaxed) >= s.format.frames;
}

// Frames the next step decodes: a whole chunk (or the rest of the track) once
// it fits below the limit, cut at the ring's end; 0 to wait.
uint64_t nextStepFrames(const TrackStream& s) {
    if (decodingOver(s)) return 0;
    const uint64_t end = s.decodedEnd.load(std::memory_order_relaxed);
    const uint64_t wanted = std::min(DECODE_CHUNK_FRAMES, s.format.frames - end);
    if (decodeLimit(s) < end + wanted) return 0;
    return std::min(wanted, s.capacity - end % s.capacity);
}

// Decoding goes on from `frame` without a restart: held, or the next to decode.
bool isHeldOrNext(const HeldFrames& held, uint64_t frame) { return frame >= held.begin && frame <= held.end; }

// Writing frames below `reservedEnd` overwrites frames below reservedEnd -
// capacity: does that reach a window pinned at `pin`?
bool overwritesPinned(const TrackStream& s, uint64_t reservedEnd, uint64_t pin) {
    return pin != NO_PIN && reservedEnd > s.capacity && reservedEnd - s.capacity > pin;
}

// Decodes `frames` into the ring after decodedEnd. False, having decoded
// nothing, while a pinned window lies in the slots it would overwrite.
bool decodeStep(TrackStream& s, uint64_t frames) {
    const uint64_t end = s.decodedEnd.load(std::memory_order_relaxed);
    // A pin seen before reserving keeps readers from seeing a reservation
    // that is taken back; the look after it catches a pin set meanwhile.
    if (overwritesPinned(s, end + frames, s.readerPin.load())) return false;
    s.writeEnd.store(end + frames);
    if (overwritesPinned(s, end + frames, s.readerPin.load())) {
        s.writeEnd.store(end);
        return false;
    }
    const uint64_t decoded = readMp3Frames(s.file, s.ring.data() + slotOffset(s, end), frames);
    s.fileEnded = decoded < frames;
    s.decodedEnd.store(end + decoded, std::memory_order_release);
    s.writeEnd.store(end + decoded);
    return true;
}

// Without a decoder thread: the device side decodes whatever fits each time
// it has read (notePlayFrame), a chunk or two per callback, and the ring's
// first seconds are decoded at opening. Under `control`, as the thread's
// steps are, but never waiting for it: a caller pausing or resuming holds it
// only for a moment, and the next read decodes instead.
void decodeWhatFits(TrackStream& s) {
    std::unique_lock<std::mutex> lock(s.control, std::try_to_lock);
    if (!lock.owns_lock()) return;
    for (uint64_t frames; !s.paused && (frames = nextStepFrames(s)) != 0;)
        if (!decodeStep(s, frames)) return;
}

// The decoder thread: a step whenever a chunk fits, otherwise asleep. A full
// ring gets room as playback moves on, which nothing announces (the device
// callback signals nobody), so then it looks again every DECODER_POLL_MS.
void runDecoder(TrackStream& s) {
    // A page's libc names no threads (nor does it start this one: see decodeTrackOnThread).
    if constexpr (!IN_BROWSER) pthread_setname_np(pthread_self(), "TrackDecoder");
    const auto poll = std::chrono::milliseconds(DECODER_POLL_MS);
    std::unique_lock<std::mutex> lock(s.control);
    while (!s.quit) {
        const uint64_t frames = s.paused ? 0 : nextStepFrames(s);
        if (frames == 0) {
            if (s.paused || decodingOver(s)) {
                s.wake.wait(lock);  // until resumed (after a move) or stopped
            } else {
                s.wake.wait_for(lock, poll);
            }
            continue;
        }
        s.busy = true;
        lock.unlock();
        const bool decoded = decodeStep(s, frames);
        lock.lock();
        s.busy = false;
        s.wake.notify_all();  // a pause may be waiting for the step to end
        if (!decoded) s.wake.wait_for(lock, poll);
    }
}

}  // namespace

TrackStream::~TrackStream() {
    if (decoder.joinable()) {
        {
            std::lock_guard<std::mutex> lock(control);
            quit = true;
        }
        wake.notify_all();
        decoder.join();
    }
    closeMp3File(file);
}

std::unique_ptr<TrackStream> openTrackStream(const char* path, const StreamBuffering& buffering) {
    auto s = std::make_unique<TrackStream>();
    if (!openMp3File(path, s->file)) return nullptr;
    const Mp3File& file = s->file;
    s->format = TrackFormat{file.rate, file.channels, file.frames};
    s->behind = secondsToFrames(buffering.behindSeconds, file.rate);
    s->capacity = s->behind + std::max(secondsToFrames(buffering.aheadSeconds, file.rate), DECODE_CHUNK_FRAMES);
    s->ring.assign(s->capacity * file.channels, 0);
    s->restartChunk.assign(DECODE_CHUNK_FRAMES * file.channels, 0);
    // The first chunk here: playback can start at once, and a file that
    // yields no samples gives no stream.
    decodeStep(*s, nextStepFrames(*s));
    if (s->decodedEnd.load() == 0) return nullptr;
    s->decodesInline = !decodeTrackOnThread;
    if (s->decodesInline) {
        decodeWhatFits(*s);
    } else {
        s->decoder = std::thread(runDecoder, std::ref(*s));
    }
    return s;
}

HeldFrames heldFrames(const TrackStream& s) {
    const uint64_t end = s.decodedEnd.load();
    const uint64_t reserved = s.writeEnd.load();
    const uint64_t overwritten = reserved > s.capacity ? reserved - s.capacity : 0;
    const uint64_t begin = std::max(s.heldFrom, overwritten);
    return {begin, std::max(begin, end)};
}

const int16_t* heldFrame(const TrackStream& s, const HeldFrames& held, uint64_t frame) {
    if (frame < held.begin || frame >= held.end) return nullptr;
    return s.ring.data() + slotOffset(s, frame);
}

void notePlayFrame(TrackStream& s, uint64_t frame) {
    s.playFrame.store(frame, std::memory_order_release);
    if (s.decodesInline) decodeWhatFits(s);
}

int copyHeldFrames(TrackStream& s, uint64_t first, int count, int16_t* out) {
    const int channels = s.format.channels;
    s.readerPin.store(first);  // before learning what the decoder has reserved
    const HeldFrames held = heldFrames(s);
    const uint64_t last = first + std::min<uint64_t>(count, ~first);  // saturating first + count
    const uint64_t from = std::min(std::max(first, held.begin), last);
    const uint64_t to = std::max(std::min(last, held.end), from);
    int16_t* const heldOut = out + (from - first) * channels;
    forEachRingRun(s, from, to - from, [&](size_t offset, uint64_t before, uint64_t run) {
        std::memcpy(heldOut + before * channels, s.ring.data() + offset, sizeof(int16_t) * channels * run);
    });
    s.readerPin.store(NO_PIN, std::memory_order_release);
    std::fill(out, heldOut, int16_t{0});
    std::fill(out + (to - first) * channels, out + count * channels, int16_t{0});
    return static_cast<int>(to - from);
}

void pauseDecoder(TrackStream& s) {
    std::unique_lock<std::mutex> lock(s.control);
    s.paused = true;
    s.wake.wait(lock, [&] { return !s.busy; });
}

void resumeDecoder(TrackStream& s) {
    {
        std::lock_guard<std::mutex> lock(s.control);
        s.paused = false;
    }
    s.wake.notify_all();
    if (s.decodesInline) decodeWhatFits(s);
}

// The decoder only ever drops frames below the play frame it last read, less
// `behind`: a frame at or above the play frame that is held now stays held.
bool moveAhead(TrackStream& s, uint64_t frame) {
    if (frame < s.playFrame.load() || !isHeldOrNext(heldFrames(s), frame)) return false;
    s.playFrame.store(frame);
    return true;
}

void prepareMove(TrackStream& s, uint64_t frame) {
    s.restartPending = !isHeldOrNext(heldFrames(s), frame);
    if (!s.restartPending) return;  // the decoder goes on from where it is
    const uint64_t wanted = std::min(DECODE_CHUNK_FRAMES, s.format.frames - frame);
    s.restartFrames = seekMp3Frame(s.file, frame) ? readMp3Frames(s.file, s.restartChunk.data(), wanted) : 0;
    s.fileEnded = s.restartFrames < wanted;
}

void commitMove(TrackStream& s, uint64_t frame) {
    if (s.restartPending) {
        const int channels = s.format.channels;
        s.heldFrom = frame;
        forEachRingRun(s, frame, s.restartFrames, [&](size_t offset, uint64_t before, uint64_t run) {
            std::memcpy(s.ring.data() + offset, s.restartChunk.data() + before * channels,
                        sizeof(int16_t) * channels * run);
        });
        s.writeEnd.store(frame + s.restartFrames);
        s.decodedEnd.store(frame + s.restartFrames);
        s.restartPending = false;
    }
    s.playFrame.store(frame);
}
