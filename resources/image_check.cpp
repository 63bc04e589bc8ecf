// The checks run before DevIL reads a catalogue image: a walk over the PNG
// chunks or the JPEG markers of the file's bytes, as libpng and libjpeg step
// through them, comparing each stated length with what is left and the
// stated picture size with the limit.
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
constexpr size_t IHDR_SIZE_FIELDS = 8;  // width, then height, 4 bytes each, at the data's start

constexpr uint8_t MARKER_PREFIX = 0xFF;  // every marker starts with it; repeats are fill
constexpr uint8_t SOI = 0xD8, EOI = 0xD9;
constexpr uint8_t STUFFED_ZERO = 0x00;        // FF 00 in compressed data: a literal FF
constexpr uint8_t TEM = 0x01;                 // standalone, no length
constexpr uint8_t RST0 = 0xD0, RST7 = 0xD7;   // restart markers, standalone
constexpr size_t LENGTH_FIELD = 2;            // big-endian, counting itself
constexpr size_t SOF_SIZE_FIELDS = 7;         // length, precision, height, width

// Markers that stand alone; every other one is followed by a length.
bool standalone(uint8_t marker) {
    return marker == STUFFED_ZERO || marker == TEM || marker == SOI ||
           (marker >= RST0 && marker <= RST7);
}

// Frame headers: SOF0-3, 5-7, 9-11, 13-15 (C4 is DHT, C8 reserved, CC is DAC).
bool frameHeader(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool tooManyPixels(uint64_t width, uint64_t height) { return width * height > MAX_IMAGE_PIXELS; }

uint32_t readBigEndian16(const uint8_t* bytes) { return uint32_t{bytes[0]} << 8 | bytes[1]; }

uint32_t readBigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

bool extensionIs(const char* dot, std::initializer_list<const char*> extensions) {
    for (const char* extension : extensions)
        if (strcasecmp(dot, extension) == 0) return true;
    return false;
}

}  // namespace

bool pngSafeToLoad(const uint8_t* data, size_t size) {
    if (size < sizeof PNG_SIGNATURE || std::memcmp(data, PNG_SIGNATURE, sizeof PNG_SIGNATURE) != 0)
        return true;
    size_t at = sizeof PNG_SIGNATURE;
    while (at < size) {
        if (size - at < CHUNK_FRAMING) return false;  // cut inside a length, type or CRC
        const uint32_t length = readBigEndian32(data + at);
        if (length > size - at - CHUNK_FRAMING) return false;
        const uint8_t* type = data + at + 4;
        const uint8_t* chunk = type + 4;
        if (std::memcmp(type, "IHDR", 4) == 0 && length >= IHDR_SIZE_FIELDS &&
            tooManyPixels(readBigEndian32(chunk), readBigEndian32(chunk + 4)))
            return false;
        if (std::memcmp(type, "IEND", 4) == 0) break;
        at += CHUNK_FRAMING + length;
    }
    return true;
}

bool jpegSafeToLoad(const uint8_t* data, size_t size) {
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
        const size_t length = readBigEndian16(data + at);
        if (length > size - at) return false;
        if (frameHeader(marker) && length >= SOF_SIZE_FIELDS &&
            tooManyPixels(readBigEndian16(data + at + 5), readBigEndian16(data + at + 3)))
            return false;
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
    return png ? pngSafeToLoad(bytes.data(), bytes.size()) : jpegSafeToLoad(bytes.data(), bytes.size());
}
