// The read-back ring over GL buffer objects bound as GL_PIXEL_PACK_BUFFER;
// GL_BGRA with GL_UNSIGNED_BYTE is the order drivers hold colour in, so the
// transfer needs no swizzle. The pack buffer binding is left at 0 afterwards.
#include "capture/pbo_readback.h"

#include <epoxy/gl.h>

#include <cstring>

namespace {

size_t frameBytes(const ReadbackRing& ring) { return size_t(ring.width) * ring.height * 4; }

}  // namespace

bool openReadbackRing(ReadbackRing& ring, int width, int height) {
    ring = ReadbackRing{};
    if (epoxy_gl_version() < 21 && !epoxy_has_gl_extension("GL_ARB_pixel_buffer_object")) return false;
    ring.width = width;
    ring.height = height;
    glGenBuffers(READBACK_RING_DEPTH, ring.buffers);
    for (unsigned int buffer : ring.buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, GLsizeiptr(frameBytes(ring)), nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return glGetError() == GL_NO_ERROR;
}

void closeReadbackRing(ReadbackRing& ring) {
    if (ring.buffers[0]) glDeleteBuffers(READBACK_RING_DEPTH, ring.buffers);
    ring = ReadbackRing{};
}

bool readbackRingFull(const ReadbackRing& ring) {
    return ring.issued - ring.collected == READBACK_RING_DEPTH;
}

bool readbackPending(const ReadbackRing& ring) { return ring.issued != ring.collected; }

void issueReadback(ReadbackRing& ring) {
    glBindBuffer(GL_PIXEL_PACK_BUFFER, ring.buffers[ring.issued % READBACK_RING_DEPTH]);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, ring.width, ring.height, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++ring.issued;
}

bool collectReadback(ReadbackRing& ring, uint8_t* out) {
    glBindBuffer(GL_PIXEL_PACK_BUFFER, ring.buffers[ring.collected % READBACK_RING_DEPTH]);
    const void* pixels = glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (pixels) std::memcpy(out, pixels, frameBytes(ring));
    const bool unmapped = pixels && glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++ring.collected;
    return unmapped;
}
