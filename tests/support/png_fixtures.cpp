// PNG files assembled byte by byte: signature, chunks with their CRCs, and
// image data in stored (uncompressed) deflate blocks.
#include "support/png_fixtures.h"

#include <algorithm>

static void appendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += char(value >> shift);
}

static uint32_t crc32Of(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

static void appendChunk(std::string& png, const char* type, const std::string& data) {
    appendBigEndian(png, uint32_t(data.size()));
    const std::string body = std::string(type, 4) + data;
    png += body;
    appendBigEndian(png, crc32Of(body));
}

// A zlib stream of stored (uncompressed) deflate blocks.
static std::string zlibStored(const std::string& raw) {
    std::string out = "\x78\x01";
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        out += char(pos + n == raw.size());
        out += char(n & 0xFF);
        out += char(n >> 8);
        out += char(~n & 0xFF);
        out += char((~n >> 8) & 0xFF);
        out.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    appendBigEndian(out, b << 16 | a);
    return out;
}

std::string handMadePng(int width, int height, PngColourType type, const std::vector<uint8_t>& pixels,
                        const std::string& palette) {
    const int channels = type == PNG_RGB ? 3 : type == PNG_GREY_ALPHA ? 2 : 1;
    const size_t rowBytes = size_t(width) * channels;
    std::string raw;
    for (size_t y = 0; y < pixels.size() / rowBytes; ++y) {
        raw += '\0';  // filter type None
        raw.append(reinterpret_cast<const char*>(pixels.data()) + y * rowBytes, rowBytes);
    }
    std::string header;
    appendBigEndian(header, uint32_t(width));
    appendBigEndian(header, uint32_t(height));
    header += std::string{8, char(type), 0, 0, 0};  // depth, type, compression, filter, interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    appendChunk(png, "IHDR", header);
    appendChunk(png, "tEXt", std::string("Comment\0test fixture", 20));  // as most writers add
    if (!palette.empty()) appendChunk(png, "PLTE", palette);
    appendChunk(png, "IDAT", zlibStored(raw));
    appendChunk(png, "IEND", "");
    return png;
}
