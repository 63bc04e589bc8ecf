// libFuzzer harness for the music route: each input is written to a scratch
// file, scanned and decoded whole, then opened as startMusic opens
// data/KV07.mp3 (stream creation with its decoder thread, play on the silent
// clock) and the sync signals are read at the start and at the last frame.
// No audio device is opened.
#include <cmath>
#include <cstdint>
#include <string>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "audio/mp3_file.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/outcome_counters.h"
#include "fuzz/scratch_file.h"

namespace {

std::string scratchPath;  // this process's copy of the current input

// The format and length the stream is made from; all zero when the scan
// refuses the file.
struct Scan {
    int rate = 0, channels = 0;
    uint64_t frames = 0;
    uint32_t bytesPerFrame() const { return 2u * channels; }
};

Scan scanScratchFile() {
    Mp3File file;
    if (!openMp3File(scratchPath.c_str(), file)) return {};
    const Scan scan{file.rate, file.channels, file.frames};
    closeMp3File(file);
    FUZZ_CHECK(scan.rate > 0 && (scan.channels == 1 || scan.channels == 2) && scan.frames > 0);
    FUZZ_CHECK(scan.frames * scan.bytesPerFrame() <= MAX_DECODED_BYTES);
    return scan;
}

// What decodeMp3File promises of a track it accepts: the scanned format, at
// most the scanned length.
void checkTrack(const DecodedTrack& track, const Scan& scan) {
    FUZZ_CHECK(track.rate == scan.rate && track.channels == scan.channels);
    FUZZ_CHECK(track.frames() > 0 && track.frames() <= scan.frames);
    FUZZ_CHECK(track.samples.size() % track.channels == 0);
}

// The spectrum of a window of 16-bit samples under a Hann window, scaled by
// 2/N, cannot exceed 1 in any bin.
void checkSpectrumAt(uint32_t stream, uint64_t bytes) {
    FUZZ_CHECK(audioChannelSetPosition(stream, bytes));
    audioChannelGetPosition(stream);
    float bins[SPECTRUM_BINS];
    audioChannelGetFFT1024(stream, bins);
    for (float magnitude : bins)
        FUZZ_CHECK(std::isfinite(magnitude) && magnitude >= 0.0f && magnitude <= 1.0001f);
}

void checkStream(uint32_t stream, const Scan& scan) {
    const uint64_t lengthBytes = scan.frames * scan.bytesPerFrame();
    const uint32_t bytesPerFrame = scan.bytesPerFrame();
    FUZZ_CHECK(audioChannelPlay(stream));  // no device: the silent clock, but a stream all the same
    const double seconds = audioChannelBytes2Seconds(stream, lengthBytes);
    FUZZ_CHECK(std::isfinite(seconds) && seconds > 0.0);
    checkSpectrumAt(stream, 0);
    checkSpectrumAt(stream, lengthBytes - bytesPerFrame);
    FUZZ_CHECK(!audioChannelSetPosition(stream, lengthBytes + bytesPerFrame));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratchPath = scratchFilePath(".mp3");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!writeScratchFile(scratchPath, data, size)) return 0;
    const Scan scan = scanScratchFile();
    {
        // Released before the stream is made, so one input never holds a
        // whole track at the size limit and a stream's buffers at once.
        DecodedTrack track;
        const bool decoded = decodeMp3File(scratchPath.c_str(), track);
        noteOutcome({decoded, static_cast<uint64_t>(scan.rate), static_cast<uint64_t>(scan.channels),
                     sizeClass(scan.frames), sizeClass(track.frames())});
        if (decoded) checkTrack(track, scan);
        else FUZZ_CHECK(track.samples.empty() && track.rate == 0 && track.channels == 0);
    }
    const uint32_t stream = audioStreamCreateFile(scratchPath.c_str());
    FUZZ_CHECK((stream != 0) == (scan.frames != 0));  // the same file scans the same way
    if (stream != 0) checkStream(stream, scan);
    audioFree();
    return 0;
}
