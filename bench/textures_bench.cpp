// Time of loadTextures on a data set: the 65 images read, decoded and uploaded,
// plus the render textures, on the test GL context (llvmpipe under Xvfb); and
// of the decoding alone, on this thread, as the demo's worker decodes them.
// Usage: textures_bench [benchmark flags] [directory holding data/]; the
// project root by default. Without data/ there the benchmark reports a skip.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <filesystem>
#include <string>

#include "resources/textures.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

fs::path dataRoot = DEMO_SOURCE_DIR;  // directory whose data/ is loaded

int loadedImageCount() {
    int count = 0;
    for (const TextureEntry& entry : textureCatalogue) count += *entry.handle != 0;
    return count;
}

void BM_LoadTextures(benchmark::State& state) {
    if (!fs::is_directory(dataRoot / "data")) {
        state.SkipWithError(("no data/ under " + dataRoot.string()).c_str());
        return;
    }
    const fs::path previousDir = fs::current_path();
    fs::current_path(dataRoot);
    if (!openTestGLContext()) {
        fs::current_path(previousDir);
        state.SkipWithError("no GL context (run under an X server)");
        return;
    }
    int loaded = 0;
    for (auto _ : state) {
        loadTextures();
        glFinish();  // uploads count, not just their queueing
        state.PauseTiming();
        loaded = loadedImageCount();
        releaseTextures();
        state.ResumeTiming();
    }
    state.counters["images"] = loaded;
    closeTestGLContext();
    fs::current_path(previousDir);
}
BENCHMARK(BM_LoadTextures)->Unit(benchmark::kMillisecond)->UseRealTime();

// The CPU time is the figure to compare data sets by: it is this thread's alone.
void BM_DecodeImages(benchmark::State& state) {
    if (!fs::is_directory(dataRoot / "data")) {
        state.SkipWithError(("no data/ under " + dataRoot.string()).c_str());
        return;
    }
    const fs::path previousDir = fs::current_path();
    fs::current_path(dataRoot);
    for (auto _ : state) discardDecodedImages();  // decodes the catalogue first
    fs::current_path(previousDir);
}
BENCHMARK(BM_DecodeImages)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc > 1) dataRoot = fs::absolute(argv[1]);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
