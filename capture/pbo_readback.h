// Read-back of the capture surface through a ring of pixel buffer objects:
// each frame's glReadPixels lands in the next buffer and returns without
// waiting for the transfer on a GPU; a buffer is mapped and copied out only
// when the ring comes round to it, READBACK_RING_DEPTH - 1 frames later.
// Reads the framebuffer bound for reading; needs the GL context current.
#pragma once
#include <cstdint>

constexpr int READBACK_RING_DEPTH = 3;  // buffers in flight, frames of latency + 1

struct ReadbackRing {
    unsigned int buffers[READBACK_RING_DEPTH] = {};  // GL buffer names; 0 until opened
    int width = 0, height = 0;                       // pixels read per frame
    uint64_t issued = 0;     // frames read into the ring so far
    uint64_t collected = 0;  // frames copied out so far; frame f sits in buffers[f % depth]
};

// False when the driver has no pixel buffer objects.
bool openReadbackRing(ReadbackRing& ring, int width, int height);
void closeReadbackRing(ReadbackRing& ring);

// True when every buffer holds a frame not yet collected: collect one first.
bool readbackRingFull(const ReadbackRing& ring);
bool readbackPending(const ReadbackRing& ring);

// Starts reading the whole frame, BGRA bytes, bottom row first.
void issueReadback(ReadbackRing& ring);
// Copies the oldest pending frame into `out` (width * height * 4 bytes);
// false when the buffer could not be mapped.
bool collectReadback(ReadbackRing& ring, uint8_t* out);
