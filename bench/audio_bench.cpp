// Figures of the music layer on a 180 s track: creating its stream (the scan
// for its length and the first chunk decoded), startMusic, one
// refreshSyncSignals, the CPU share of SDL's audio thread and of the stream's
// decoder while playing, the memory playing adds, and how far the reported
// position lags the bytes handed to the device. The whole track once more on a
// device taking buffers about 20 times faster than real time (SDL's disk
// driver writing to /dev/null), for the memory over every turn of the ring.
// SDL_AUDIODRIVER defaults to dummy here.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "audio/audio_layer.h"
#include "audio/music.h"
#include "shell/demo.h"
#include "support/audio_fixtures.h"
#include "support/test_support.h"

namespace {

// A scratch working directory whose data/KV07.mp3 is the 180 s fixture.
void enterTrackDir() {
    static const bool entered = [] {
        const std::string dir = makeScratchDir("audio_bench");
        writeFileBytes(dir + "/data/KV07.mp3", readFileBytes(audioFixturePath(TRACK_180S)));
        std::filesystem::current_path(dir);
        installMessageRecorder();
        return true;
    }();
    (void)entered;
}

// Resident memory of this process now, in megabytes (VmRSS).
double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// CPU share of the threads named `prefix` between two readings of threadsCpuNs.
double cpuPercent(long long startNs, long long endNs, double wallNs) {
    return startNs < 0 || endNs < 0 ? -1 : 100.0 * (endNs - startNs) / wallNs;
}

const char* const AUDIO_THREAD = "SDLAudio";
const char* const DECODER_THREAD = "TrackDecoder";

void BM_StreamCreate(benchmark::State& state) {
    enterTrackDir();
    for (auto _ : state) {
        benchmark::DoNotOptimize(audioStreamCreateFile("data/KV07.mp3"));
        state.PauseTiming();
        audioFree();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StreamCreate)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_StartMusic(benchmark::State& state) {
    enterTrackDir();
    for (auto _ : state) {
        startMusic();
        state.PauseTiming();
        stopMusic();
        state.ResumeTiming();
    }
    state.counters["messages"] = static_cast<double>(recordedTexts().size());
}
BENCHMARK(BM_StartMusic)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RefreshSyncSignals(benchmark::State& state) {
    enterTrackDir();
    startMusic();
    for (auto _ : state) {
        refreshSyncSignals();
        benchmark::DoNotOptimize(fftBins[1]);
    }
    stopMusic();
}
BENCHMARK(BM_RefreshSyncSignals)->Unit(benchmark::kMicrosecond);

// Two seconds of playback, reading the position every millisecond like a fast
// frame loop would.
void BM_PlaybackCpuAndLag(benchmark::State& state) {
    enterTrackDir();
    for (auto _ : state) {
        const double residentBefore = residentMegabytes();
        startMusic();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const long long audioStart = threadsCpuNs(AUDIO_THREAD);
        const long long decoderStart = threadsCpuNs(DECODER_THREAD);
        const auto wallStart = std::chrono::steady_clock::now();
        double lagSum = 0, lagMax = 0, residentMax = 0;
        int samples = 0;
        while (std::chrono::steady_clock::now() - wallStart < std::chrono::seconds(2)) {
            const uint64_t position = audioChannelGetPosition(musicStream);
            const uint64_t handed = audioChannelGetHandedBytes(musicStream);
            const double lagMs = (handed - position) / 176.4;
            lagSum += lagMs;
            lagMax = std::max(lagMax, lagMs);
            if (samples % 50 == 0) residentMax = std::max(residentMax, residentMegabytes());
            ++samples;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const std::chrono::duration<double, std::nano> wall = std::chrono::steady_clock::now() - wallStart;
        const long long audioEnd = threadsCpuNs(AUDIO_THREAD);
        const long long decoderEnd = threadsCpuNs(DECODER_THREAD);
        stopMusic();
        state.counters["audio_thread_cpu_%"] = cpuPercent(audioStart, audioEnd, wall.count());
        state.counters["decoder_thread_cpu_%"] = cpuPercent(decoderStart, decoderEnd, wall.count());
        state.counters["lag_mean_ms"] = lagSum / samples;
        state.counters["lag_max_ms"] = lagMax;
        state.counters["rss_growth_mb"] = residentMax - residentBefore;
    }
}
BENCHMARK(BM_PlaybackCpuAndLag)->Unit(benchmark::kMillisecond)->Iterations(1);

// The whole track, its decoder keeping up with a device at about 20 times real
// time; the resident memory sampled all the way.
void BM_WholeTrackOnFastDevice(benchmark::State& state) {
    enterTrackDir();
    for (auto _ : state) {
        const ScopedEnv fastDevice({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=/dev/null", "SDL_DISKAUDIODELAY=1"});
        const double residentBefore = residentMegabytes();
        const auto wallStart = std::chrono::steady_clock::now();
        startMusic();
        double residentMax = 0;
        const uint64_t length = TRACK_180S.frames * 4;
        while (audioChannelGetHandedBytes(musicStream) < length) {
            residentMax = std::max(residentMax, residentMegabytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const std::chrono::duration<double, std::nano> wall = std::chrono::steady_clock::now() - wallStart;
        const long long decoderNs = threadsCpuNs(DECODER_THREAD);
        stopMusic();
        state.counters["rss_growth_mb"] = residentMax - residentBefore;
        state.counters["decoder_cpu_ms"] = decoderNs / 1e6;
        state.counters["track_s_per_wall_s"] = 180.0 / (wall.count() / 1e9);
    }
}
BENCHMARK(BM_WholeTrackOnFastDevice)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
