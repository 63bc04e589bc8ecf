// Audio fixture tracks made by the test build (sine tones encoded with lame)
// and small helpers the audio tests share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"  // readFileBytes, writeFileBytes

// The tones sit on bin 32 of a 1024-point FFT at their own rate, amplitude
// half of full scale, so their spectrum peaks there at half of 0.5.
constexpr int TONE_BIN = 32;
constexpr float TONE_LEVEL = 0.25f;
// lame's encoding of a pure tone keeps about 95% of its level.
constexpr float TONE_LEVEL_TOLERANCE = 0.025f;

struct AudioFixture {
    const char* file;
    int rate;
    int channels;
    uint64_t frames;  // exact length written before encoding, at `rate`
};
constexpr AudioFixture TONE_44K_STEREO = {"tone_44k_stereo.mp3", 44100, 2, 3 * 44100};
constexpr AudioFixture TONE_22K_MONO = {"tone_22k_mono.mp3", 22050, 1, 2 * 22050};
constexpr AudioFixture TONE_1S = {"tone_1s.mp3", 44100, 2, 44100};
constexpr AudioFixture TRACK_180S = {"track_180s.mp3", 44100, 2, 180 * 44100};

// Every track decodes to 44.1 kHz stereo: its length and its tone's bin there.
constexpr uint64_t decodedFrames(const AudioFixture& fixture) { return fixture.frames * 44100 / fixture.rate; }
constexpr int decodedToneBin(const AudioFixture& fixture) { return TONE_BIN * fixture.rate / 44100; }

std::string audioFixturePath(const AudioFixture& fixture);
// The uncompressed source of a fixture (a RIFF WAV file).
std::string audioFixtureWavPath(const AudioFixture& fixture);


// Index of the largest of `count` magnitudes.
int peakBin(const float* bins, int count);

// Threads of this process whose name starts with `prefix`, and the CPU time
// they have used together in nanoseconds (-1 when there are none).
int threadsNamed(const std::string& prefix);
inline int threadCount() { return threadsNamed(""); }  // every thread of this process
long long threadsCpuNs(const std::string& prefix);
