// The length checks run before DevIL reads a catalogue image: a walk over the
// PNG chunks or the JPEG markers of the file's bytes, as libpng and libjpeg
// step through them, comparing each stated length with what is left.
#include "resources/image_check.h"

#include <strings.h>

#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace {

constexpr uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t CHUNK_FRAMING = 12;  // length, type and CRC fields, 4 bytes each

constexpr uint8_t MARKER_PREFIX = 0xFF;  // every marker starts with it; repeats are fill
constexpr uint8_t SOI = 0xD8, EOI = 0xD9;
constexpr uint8_t STUFFED_ZERO = 0x00;        // FF 00 in compressed data: a literal FF
constexpr uint8_t TEM = 0x01;                 // standalone, no length
constexpr uint8_t RST0 = 0xD0, RST7 = 0xD7;   // restart markers, standalone
constexpr size_t LENGTH_FIELD = 2;            // big-endian, counting itself

// Markers that stand alone; every other one is followed by a length.
bool standalone(uint8_t marker) {
    return marker == STUFFED_ZERO || marker == TEM || marker == SOI ||
           (marker >= RST0 && marker <= RST7);
}

uint32_t readBigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

bool extensionIs(const char* dot, std::initializer_list<const char*> extensions) {
    for (const char* extension : extensions)
        if (strcasecmp(dot, extension) == 0) return true;
    return false;
}

}  // namespace

bool pngChunksWithinData(const uint8_t* data, size_t size) {
    if (size < sizeof PNG_SIGNATURE || std::memcmp(data, PNG_SIGNATURE, sizeof PNG_SIGNATURE) != 0)
        return true;
    size_t at = sizeof PNG_SIGNATURE;
    while (at < size) {
        if (size - at < CHUNK_FRAMING) return false;  // cut inside a length, type or CRC
        const uint32_t length = readBigEndian32(data + at);
        if (length > size - at - CHUNK_FRAMING) return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) break;
        at += CHUNK_FRAMING + length;
    }
    return true;
}

bool jpegSegmentsWithinData(const uint8_t* data, size_t size) {
    if (size < 2 || data[0] != MARKER_PREFIX || data[1] != SOI) return true;
    size_t at = 2;
    while (at < size) {
        if (data[at++] != MARKER_PREFIX) continue;  // compressed data, or junk libjpeg skips too
        while (at < size && data[at] == MARKER_PREFIX) ++at;
        if (at == size) break;
        const uint8_t marker = data[at++];
        if (marker == EOI) break;
        if (standalone(marker)) continue;
        if (size - at < LENGTH_FIELD) return false;
        const size_t length = size_t{data[at]} << 8 | data[at + 1];
        if (length > size - at) return false;
        // A length below 2 is libjpeg's to reject; step past the field at least.
        at += length < LENGTH_FIELD ? LENGTH_FIELD : length;
    }
    return true;
}

bool imageFileSafeToLoad(const char* path) {
    const char* dot = std::strrchr(path, '.');
    const bool png = dot && extensionIs(dot, {".png"});
    const bool jpeg = dot && extensionIs(dot, {".jpg", ".jpe", ".jpeg"});
    if (!png && !jpeg) return true;
    std::ifstream file(path, std::ios::binary);
    if (!file) return true;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    return png ? pngChunksWithinData(bytes.data(), bytes.size())
               : jpegSegmentsWithinData(bytes.data(), bytes.size());
}
