// Figures of the music layer on a 180 s track: startMusic (decoding the whole
// file), one refreshSyncSignals, the CPU share of SDL's audio thread while
// playing, and how far the reported position lags the bytes handed to the
// device. SDL_AUDIODRIVER defaults to dummy here.
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

// CPU time SDL's audio thread has used, in nanoseconds; -1 when it is not running.
long long audioThreadCpuNs() {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("SDLAudio", 0) != 0) continue;
        std::ifstream schedstat(task.path() / "schedstat");
        long long runNs = -1;
        schedstat >> runNs;
        return runNs;
    }
    return -1;
}

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
        startMusic();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const long long cpuStart = audioThreadCpuNs();
        const auto wallStart = std::chrono::steady_clock::now();
        double lagSum = 0, lagMax = 0;
        int samples = 0;
        while (std::chrono::steady_clock::now() - wallStart < std::chrono::seconds(2)) {
            const uint64_t position = audioChannelGetPosition(musicStream);
            const uint64_t handed = audioChannelGetHandedBytes(musicStream);
            const double lagMs = (handed - position) / 176.4;
            lagSum += lagMs;
            lagMax = std::max(lagMax, lagMs);
            ++samples;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const std::chrono::duration<double, std::nano> wall = std::chrono::steady_clock::now() - wallStart;
        const long long cpuEnd = audioThreadCpuNs();
        stopMusic();
        state.counters["audio_thread_cpu_%"] = cpuStart < 0 ? -1 : 100.0 * (cpuEnd - cpuStart) / wall.count();
        state.counters["lag_mean_ms"] = lagSum / samples;
        state.counters["lag_max_ms"] = lagMax;
    }
}
BENCHMARK(BM_PlaybackCpuAndLag)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
