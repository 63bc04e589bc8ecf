// A track streamed from an MP3 file: its exact length known when it opens, its
// samples decoded by a thread of its own (or, without decodeTrackOnThread, by
// the device side between its reads) into a fixed ring that runs a few
// seconds ahead of the play frame and keeps a second behind it for the
// spectrum. Readers never wait for the decoder: frames it has not produced
// yet, or has already dropped, read as silence.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/mp3_file.h"

struct StreamBuffering {
    double aheadSeconds;   // decoded ahead of the play frame, at most
    double behindSeconds;  // kept below the play frame for readers that lag it
};
constexpr StreamBuffering DEFAULT_BUFFERING = {3.0, 1.0};

constexpr uint64_t DECODE_CHUNK_FRAMES = 4096;  // frames per decoding step (93 ms at 44.1 kHz); least ahead
constexpr int DECODER_POLL_MS = 25;             // how often a decoder with a full ring looks for room
constexpr uint64_t NO_PIN = ~uint64_t{0};       // readerPin when no window is being copied

// Whether a stream opened from now on decodes on a thread of its own (natively,
// the default) or in notePlayFrame and resumeDecoder, on the caller's thread
// (in a browser, which has no threads to spare).
extern bool decodeTrackOnThread;

// As Mp3File decodes: DECODED_RATE and DECODED_CHANNELS for every track.
struct TrackFormat {
    int rate = 0;         // samples per second per channel, Hz
    int channels = 0;     // 1 or 2
    uint64_t frames = 0;  // exact decoded length, sample frames

    uint32_t bytesPerFrame() const { return 2u * channels; }
};

// Frames [begin, end) of the track are in the ring, complete.
struct HeldFrames {
    uint64_t begin;
    uint64_t end;
};

struct TrackStream {
    TrackFormat format;
    uint64_t capacity = 0;  // ring size, frames
    uint64_t behind = 0;    // frames the decoder leaves below the play frame
    std::vector<int16_t> ring;  // capacity * channels values; frame f sits in slot f % capacity

    // Ring bookkeeping shared with the decoder thread. A frame is held when it
    // lies in [max(heldFrom, writeEnd - capacity), decodedEnd).
    std::atomic<uint64_t> decodedEnd{0};  // frames below are decoded (published with release)
    std::atomic<uint64_t> writeEnd{0};    // frames below may be being written (reserved before writing)
    std::atomic<uint64_t> playFrame{0};   // next frame playback reads; frames below it less `behind` may go
    std::atomic<uint64_t> readerPin{NO_PIN};  // first frame of a window being copied
    uint64_t heldFrom = 0;  // first frame of the current decoding run; set only with the decoder paused
                            // and every reader locked out

    // Owned by the decoder thread while it runs, by the caller while it is paused.
    Mp3File file;
    bool fileEnded = false;               // decoding stopped short (end of file or damage)
    std::vector<int16_t> restartChunk;    // DECODE_CHUNK_FRAMES frames decoded aside for a move
    uint64_t restartFrames = 0;           // frames in restartChunk
    bool restartPending = false;          // prepareMove decoded aside; commitMove installs it

    // Decoder control, under `control`.
    std::mutex control;
    std::condition_variable wake;  // quit, pause and resume, the end of a decoding step
    bool quit = false;             // the thread is to return
    bool paused = false;           // the thread is to decode nothing
    bool busy = false;             // the thread is in a decoding step (outside the lock)
    bool decodesInline = false;    // no thread: notePlayFrame and resumeDecoder decode; set at opening
    std::thread decoder;

    TrackStream() = default;
    TrackStream(const TrackStream&) = delete;
    TrackStream& operator=(const TrackStream&) = delete;
    ~TrackStream();  // stops and joins the decoder, closes the file
};

// Opens `path` (scanning its exact length), decodes its first chunk here and
// starts the decoder thread (without decodeTrackOnThread: decodes what fits
// in the ring, here). Null for a file decodeMp3File refuses too, and
// for one whose first read yields no samples.
std::unique_ptr<TrackStream> openTrackStream(const char* path,
                                             const StreamBuffering& buffering = DEFAULT_BUFFERING);

// What is held now. Frames from `begin` on are only safe to read for the
// device side (at or above the play frame) and for copyHeldFrames.
HeldFrames heldFrames(const TrackStream& stream);
// The samples of `frame` when `held` holds it, else null.
const int16_t* heldFrame(const TrackStream& stream, const HeldFrames& held, uint64_t frame);

// Device side, after reading frames below `frame`: the decoder may now drop
// frames below `frame` less `behind`, and fill the ring up from there.
void notePlayFrame(TrackStream& stream, uint64_t frame);

// Copies frames [first, first + count) into `out` (interleaved), silence
// where not held, and returns how many were held. The window is pinned for
// the copy: the decoder leaves it alone, the caller never waits. One thread.
int copyHeldFrames(TrackStream& stream, uint64_t first, int count, int16_t* out);

// Returns once the decoder is between steps; from then on it decodes nothing
// (the ring and the file are the caller's) until resumed.
void pauseDecoder(TrackStream& stream);
void resumeDecoder(TrackStream& stream);

// Moving the play frame to `frame` (at most the length). Forward to a frame
// the ring holds, the decoder may go on: with every reader locked out,
// moveAhead does it and returns true; otherwise it changes nothing and
// returns false. Any other move takes two steps with the decoder paused.
// prepareMove: when `frame` is not held, seeks the file there and decodes the
// first chunk aside (a short wait, never per frame). commitMove, with every
// reader locked out as well: installs that chunk in place of the ring's
// contents, and sets the play frame.
bool moveAhead(TrackStream& stream, uint64_t frame);
void prepareMove(TrackStream& stream, uint64_t frame);
void commitMove(TrackStream& stream, uint64_t frame);
