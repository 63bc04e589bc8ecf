// Frame time of every stretch of the timeline at 800x600: each benchmark
// draws a few hundred frames of one segment through the scene chain, with the
// position sweeping the segment, and reports the median and 95th percentile
// of the per-frame time (glFinish after each frame, presenting excluded).
// Runs on the project's data/ when it is there, else on generated images.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scenes/lyric_cues.h"
#include "support/scenes_fixture.h"

using namespace scenefix;

namespace {
constexpr int FRAMES_PER_SEGMENT = 300;
constexpr int BENCH_IMAGE_W = 512, BENCH_IMAGE_H = 256;  // stand-in images, when no data/

enum class Rows { Any, Illustrated, CaptionOnly };

struct Segment {
    std::string name;
    int scene;
    float from, until;  // bytes; the sweep stays inside [from, until)
    Rows rows;          // lyrics only: which rows the frames land in
};

// One segment per part of the timeline table; the lyric rows are split into
// rows with an illustration and rows with a caption alone.
std::vector<Segment> timelineSegments() {
    std::vector<Segment> segments;
    for (int i = 0; i < TIMELINE_PART_COUNT; ++i) {
        const TimelinePart& p = TIMELINE_PARTS[i];
        const Segment s = {p.name, int(p.scene), float(p.first), float(p.end), Rows::Any};
        if (i != LYRICS_ROWS) {
            segments.push_back(s);
            continue;
        }
        segments.push_back({s.name + "_illustrated", s.scene, s.from, s.until, Rows::Illustrated});
        segments.push_back({s.name + "_caption_only", s.scene, s.from, s.until, Rows::CaptionOnly});
    }
    return segments;
}

// Positions for frame i of n: an even sweep of the segment, or for lyric rows
// the middle of each wanted row in turn.
float positionFor(const Segment& s, int i, int n) {
    if (s.rows == Rows::Any) {
        const double p = s.from + (double(s.until) - s.from) * i / n;
        return static_cast<float>(2.0 * std::floor(p / 2.0));
    }
    std::vector<const LyricCue*> wanted;
    for (const LyricCue& c : lyricCues)
        if ((c.illustration != nullptr) == (s.rows == Rows::Illustrated)) wanted.push_back(&c);
    const LyricCue& c = *wanted[i % wanted.size()];
    return c.start + 2.0f * std::floor((c.end - c.start) / 4.0f);
}

// A moving, never-negative spectrum like the music's low bins.
void fillSpectrum(unsigned& seed) {
    for (int b = 0; b < 8; ++b) {
        seed = seed * 1664525u + 1013904223u;
        fftBins[b] = 0.3f * static_cast<float>(seed >> 8) / 16777216.0f;
    }
}

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * (v.size() - 1) + 0.5)];
}

void benchSegment(benchmark::State& state, const Segment& s) {
    std::vector<double> ms;
    unsigned seed = 12345;
    int i = 0;
    for (auto _ : state) {
        placeMusicAt(positionFor(s, i, FRAMES_PER_SEGMENT));
        setFrameInput({{}, {}, musicSeconds + 2.0f});
        fillSpectrum(seed);
        makeActive(s.scene);
        const auto start = std::chrono::steady_clock::now();
        runSceneChain();
        glFinish();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        ms.push_back(took.count() * 1000.0);
        ++i;
    }
    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p95_ms"] = percentile(ms, 0.95);
}

std::string dataDirectory() {
    const std::string project = DEMO_SOURCE_DIR;
    if (std::filesystem::exists(project + "/data/Lyrics/Line01.png")) return project;
    return buildSceneFixtures("scenes_bench_data", BENCH_IMAGE_W, BENCH_IMAGE_H);
}
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::string dir = dataDirectory();
    if (!openDemoWindowIn(dir)) {
        std::fprintf(stderr, "scenes_bench: no demo window (is DISPLAY set?)\n");
        return 1;
    }
    std::printf("data: %s\n", dir.c_str());
    for (const Segment& s : timelineSegments())
        benchmark::RegisterBenchmark(s.name.c_str(), benchSegment, s)
            ->UseManualTime()
            ->Iterations(FRAMES_PER_SEGMENT)
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    closeDemoWindow();
    benchmark::Shutdown();
    return 0;
}
