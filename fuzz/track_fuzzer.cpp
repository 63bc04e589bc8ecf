// libFuzzer harness for the music route: each input is written to a scratch
// file and opened as startMusic opens data/KV07.mp3 (whole-file decode, stream
// creation, play on the silent clock), then the sync signals are read at the
// start and at the last frame. No audio device is opened.
#include <cmath>
#include <cstdint>
#include <string>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/outcome_counters.h"
#include "fuzz/scratch_file.h"

namespace {

std::string scratchPath;  // this process's copy of the current input

// What decodeMp3File promises of a track it accepts.
void checkTrack(const DecodedTrack& track) {
    FUZZ_CHECK(track.rate > 0);
    FUZZ_CHECK(track.channels == 1 || track.channels == 2);
    FUZZ_CHECK(track.frames() > 0);
    FUZZ_CHECK(track.samples.size() % track.channels == 0);
    FUZZ_CHECK(track.samples.size() * sizeof(int16_t) <= MAX_DECODED_BYTES);
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

// `lengthBytes`: the decoded length of the same file, which the stream must share.
void checkStream(uint32_t stream, uint64_t lengthBytes, uint32_t bytesPerFrame) {
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
    uint64_t lengthBytes = 0;
    uint32_t bytesPerFrame = 0;
    {
        // Released before the layer decodes its own copy, so one input never
        // holds two tracks at the size limit.
        DecodedTrack track;
        const bool decoded = decodeMp3File(scratchPath.c_str(), track);
        noteOutcome({decoded, static_cast<uint64_t>(track.rate),
                     static_cast<uint64_t>(track.channels), sizeClass(track.frames())});
        if (decoded) {
            checkTrack(track);
            lengthBytes = track.frames() * track.bytesPerFrame();
            bytesPerFrame = track.bytesPerFrame();
        } else {
            FUZZ_CHECK(track.samples.empty() && track.rate == 0 && track.channels == 0);
        }
    }
    const uint32_t stream = audioStreamCreateFile(scratchPath.c_str());
    FUZZ_CHECK((stream != 0) == (lengthBytes != 0));  // the same file decodes the same way
    if (stream != 0) checkStream(stream, lengthBytes, bytesPerFrame);
    audioFree();
    return 0;
}
