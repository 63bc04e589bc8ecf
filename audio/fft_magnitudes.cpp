// Spectrum analysis with kissfft's real FFT over frames the caller holds, so
// it never waits on the audio or the decoder thread.
#include "audio/fft_magnitudes.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>

namespace {

kiss_fftr_cfg fftPlan = nullptr;           // real-input plan for FFT_SIZE points
float hannWindow[FFT_SIZE];                // periodic Hann, 0..1
float monoFrame[FFT_SIZE];                 // windowed mono input, -1..1
kiss_fft_cpx fftOutput[FFT_SIZE / 2 + 1];  // bins 0..N/2

constexpr float SAMPLE_FULL_SCALE = 32768.0f;  // int16 to -1..1

}  // namespace

bool openSpectrum() {
    if (fftPlan) return true;
    fftPlan = kiss_fftr_alloc(FFT_SIZE, 0, nullptr, nullptr);
    // Periodic form: its sum is exactly N/2, which SPECTRUM_SCALE assumes.
    for (int n = 0; n < FFT_SIZE; ++n)
        hannWindow[n] = 0.5f - 0.5f * std::cos(2.0f * static_cast<float>(M_PI) * n / FFT_SIZE);
    return fftPlan != nullptr;
}

void closeSpectrum() {
    kiss_fftr_free(fftPlan);
    fftPlan = nullptr;
}

void readSpectrumFrames(const int16_t* frames, int channels, int count, float out[SPECTRUM_BINS]) {
    if (!fftPlan || count <= 0) {
        std::fill(out, out + SPECTRUM_BINS, 0.0f);
        return;
    }
    const int inside = std::min(count, FFT_SIZE);
    const int16_t* frame = frames;
    for (int n = 0; n < inside; ++n, frame += channels) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c) sum += frame[c];
        monoFrame[n] = hannWindow[n] * sum / (channels * SAMPLE_FULL_SCALE);
    }
    std::fill(monoFrame + inside, monoFrame + FFT_SIZE, 0.0f);
    kiss_fftr(fftPlan, monoFrame, fftOutput);
    for (int k = 0; k < SPECTRUM_BINS; ++k) {
        const kiss_fft_cpx& bin = fftOutput[k];
        out[k] = std::sqrt(bin.r * bin.r + bin.i * bin.i) * SPECTRUM_SCALE;
    }
}

void readSpectrum(const DecodedTrack& track, uint64_t firstFrame, float out[SPECTRUM_BINS]) {
    const uint64_t trackFrames = track.frames();
    const uint64_t available = firstFrame < trackFrames ? trackFrames - firstFrame : 0;
    const int inside = static_cast<int>(std::min<uint64_t>(available, FFT_SIZE));
    const int16_t* first = inside ? track.samples.data() + firstFrame * track.channels : nullptr;
    readSpectrumFrames(first, track.channels, inside, out);
}
