// The spectrum of 1024 sample frames (of a streamed or a decoded track):
// channels averaged to mono, Hann window, real FFT, 512 magnitudes lowest
// frequency first. The plan and buffers are made once, so reading a spectrum
// allocates nothing.
#pragma once
#include <cstdint>

#include "audio/decoded_track.h"

constexpr int FFT_SIZE = 1024;               // sample frames per transform
constexpr int SPECTRUM_BINS = FFT_SIZE / 2;  // magnitudes per spectrum, bins 0..511
// Magnitude scale: the Hann window halves a sine's amplitude, the real FFT
// splits it between bin k and bin N-k, so 2/N makes a full-scale sine centred
// on a bin read 0.5 there.
constexpr float SPECTRUM_SCALE = 2.0f / FFT_SIZE;

// Makes the FFT plan and the window; false when memory ran out. Idempotent.
bool openSpectrum();
void closeSpectrum();

// `out` receives the spectrum of FFT_SIZE frames whose first `count` are
// `frames` (interleaved, `channels` values each) and the rest silence. All
// zeros when `count` is 0 or no plan is open. Works in shared buffers: call
// from one thread only (the frame loop's).
void readSpectrumFrames(const int16_t* frames, int channels, int count, float out[SPECTRUM_BINS]);
// The same over the FFT_SIZE frames of `track` that begin at `firstFrame`;
// frames past the end of the track are silence.
void readSpectrum(const DecodedTrack& track, uint64_t firstFrame, float out[SPECTRUM_BINS]);
