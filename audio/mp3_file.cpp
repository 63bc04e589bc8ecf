// libmpg123 behind the Mp3File calls: one handle per open file, its output
// format fixed for the whole file (a stream that changes format mid-way ends
// there), the library quiet. Damaged files decode as far as they hold.
// Allowing the output format alone leaves the conversion to the library:
// files at 44.1 kHz decode untouched, others go through its N-to-M synthesis,
// which keeps gapless lengths exact and seeks to exact output frames.
#include "audio/mp3_file.h"

#include <mpg123.h>

#include <cstdio>

namespace {

constexpr size_t READ_BUFFER_BYTES = 64 * 1024;  // stdio buffer: the scan reads each frame header alone

// The library reads through these with the FILE* as its handle: a few large
// reads in place of several system calls per MPEG frame.
mpg123_ssize_t readSource(void* source, void* buffer, size_t bytes) {
    std::FILE* f = static_cast<std::FILE*>(source);
    const size_t got = std::fread(buffer, 1, bytes, f);
    return got == 0 && std::ferror(f) ? -1 : static_cast<mpg123_ssize_t>(got);
}

off_t seekSource(void* source, off_t offset, int whence) {
    std::FILE* f = static_cast<std::FILE*>(source);
    return fseeko(f, offset, whence) == 0 ? ftello(f) : -1;
}

// One handle per open file, reading `source`.
mpg123_handle* openDecoder(std::FILE* source) {
    mpg123_init();  // a no-op from libmpg123 1.27 on, required before that
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    if (!mh) return nullptr;
    const long flags = MPG123_QUIET | MPG123_NO_FRANKENSTEIN | MPG123_GAPLESS;
    const bool configured =
        mpg123_param(mh, MPG123_ADD_FLAGS, flags, 0) == MPG123_OK &&
        mpg123_format_none(mh) == MPG123_OK &&
        mpg123_format(mh, DECODED_RATE, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
        mpg123_replace_reader_handle(mh, readSource, seekSource, nullptr) == MPG123_OK;
    if (!configured || mpg123_open_handle(mh, source) != MPG123_OK) {
        mpg123_delete(mh);
        return nullptr;
    }
    return mh;
}

// The output format, checked (a library built without resampling offers none
// for other rates); reading it also clears the new-format notice, so the
// first read returns samples.
bool readFormat(mpg123_handle* mh, Mp3File& file) {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) return false;
    if (encoding != MPG123_ENC_SIGNED_16 || rate != DECODED_RATE || channels != DECODED_CHANNELS) return false;
    file.rate = static_cast<int>(rate);
    file.channels = channels;
    return true;
}

// The exact length from a full scan of the frame headers (the scan also
// builds the index that makes seeking exact); 0 when unknown.
uint64_t scanLength(mpg123_handle* mh) {
    if (mpg123_scan(mh) != MPG123_OK) return 0;
    const off_t length = mpg123_length(mh);
    return length > 0 ? static_cast<uint64_t>(length) : 0;
}

}  // namespace

bool openMp3File(const char* path, Mp3File& file) {
    file = Mp3File{};
    file.source = path ? std::fopen(path, "rb") : nullptr;
    if (file.source) {
        std::setvbuf(file.source, nullptr, _IOFBF, READ_BUFFER_BYTES);
        file.decoder = openDecoder(file.source);
    }
    if (file.decoder && readFormat(file.decoder, file)) file.frames = scanLength(file.decoder);
    const uint64_t bytesPerFrame = 2u * file.channels;
    if (file.frames == 0 || file.frames > MAX_DECODED_BYTES / bytesPerFrame) {
        closeMp3File(file);
        return false;
    }
    return true;
}

void closeMp3File(Mp3File& file) {
    mpg123_delete(file.decoder);  // null is fine
    if (file.source) std::fclose(file.source);
    file = Mp3File{};
}

uint64_t readMp3Frames(Mp3File& file, int16_t* out, uint64_t frames) {
    const size_t frameBytes = sizeof(int16_t) * file.channels;
    const size_t wanted = frames * frameBytes;
    size_t filled = 0;
    while (filled < wanted) {
        size_t doneBytes = 0;
        const int result = mpg123_read(file.decoder, reinterpret_cast<unsigned char*>(out) + filled,
                                       wanted - filled, &doneBytes);
        filled += doneBytes;
        if (result != MPG123_OK || doneBytes == 0) break;  // done, damaged, or a format change
    }
    return filled / frameBytes;  // whole frames only
}

bool seekMp3Frame(Mp3File& file, uint64_t frame) {
    return mpg123_seek(file.decoder, static_cast<off_t>(frame), SEEK_SET) >= 0;
}
