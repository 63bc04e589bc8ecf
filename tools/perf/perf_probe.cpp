// Measures the demo's own start-up and run, through the same library calls as
// the demo: `perf_probe startup` starts, presents one frame and shuts down,
// then prints the start-up milestones; `perf_probe floor` reads and decodes
// the same files without a window; `perf_probe full` plays the whole timeline
// and prints the peak resident memory; `perf_probe seek` times seeks from a
// control call to the first frame presented there, and the resident memory
// after 50 seeks against none. The demo's own options may follow the mode
// (`perf_probe startup --start 80`). Run from the project root.
#include <IL/il.h>
#include <epoxy/gl.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "scenes/scenes.h"
#include "shell/controls.h"

#include "audio/decoded_track.h"
#include "resources/textures.h"
#include "shell/command_line.h"
#include "shell/demo.h"
#include "shell/frame_timer.h"
#include "shell/startup_timings.h"

namespace {

double peakResidentMegabytes() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // ru_maxrss is in kilobytes on Linux
}

int probeStartup() {
    if (!startDemo()) return 1;
    if (produceFrame() != FrameOutcome::Presented) return 1;
    const StartupTimings& t = startupTimings;
    std::printf("window_and_context_ms %.1f\n", t.windowAndContext * 1e3);
    std::printf("textures_ms %.1f\n", (t.textures - t.windowAndContext) * 1e3);
    std::printf("render_target_ms %.1f\n", (t.renderTarget - t.textures) * 1e3);
    std::printf("music_ms %.1f\n", (t.music - t.renderTarget) * 1e3);
    std::printf("first_frame_ms %.1f\n", t.firstFrame * 1e3);
    std::printf("startup_peak_rss_mb %.1f\n", peakResidentMegabytes());
    shutdownDemo();
    return 0;
}

// The least any start-up can cost: the 65 images and the track read and
// decoded, nothing uploaded, no window.
int probeFloor() {
    const auto start = std::chrono::steady_clock::now();
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    int decoded = 0;
    for (const TextureEntry& entry : textureCatalogue) decoded += ilLoadImage(entry.path) ? 1 : 0;
    ilDeleteImages(1, &image);
    const auto imagesDone = std::chrono::steady_clock::now();
    DecodedTrack track;
    const bool trackDecoded = decodeMp3File("data/KV07.mp3", track);
    const auto end = std::chrono::steady_clock::now();
    using ms = std::chrono::duration<double, std::milli>;
    std::printf("floor_images_ms %.1f (%d of %d decoded)\n", ms(imagesDone - start).count(), decoded,
                IMAGE_TEXTURE_COUNT);
    std::printf("floor_track_ms %.1f (%s)\n", ms(end - imagesDone).count(),
                trackDecoded ? "decoded" : "failed");
    std::printf("floor_total_ms %.1f\n", ms(end - start).count());
    return 0;
}

int probeFullRun() {
    const auto start = std::chrono::steady_clock::now();
    const int code = demoMain();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("full_run_s %.1f exit %d frames %llu mean_fps %.1f\n", seconds, code,
                static_cast<unsigned long long>(presentedFrameCount), presentedFrameCount / seconds);
    std::printf("peak_rss_mb %.1f\n", peakResidentMegabytes());
    return code;
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1024.0 * 1024.0);
}

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// From 10 s into the run, a seek to each target: the call, then the frame
// that shows the target presented and finished. Then where a seek to 100 s
// spends its time, and the memory after 50 seeks.
int probeSeeks() {
    if (!startDemo()) return 1;
    for (int i = 0; i < 10; ++i) produceFrame();
    const double noSeeksMb = residentMegabytes();
    // The first round pays for what a part draws the first time (llvmpipe
    // compiles its shaders then), as play reaching that part would.
    for (const char* round : {"first", "again"})
        for (double target : {20.0, 80.0, 100.0, 170.0}) {
            seekTo(10.0);
            produceFrame();
            glFinish();
            const auto start = Clock::now();
            seekTo(target);
            produceFrame();
            glFinish();
            std::printf("seek_to_%.0f_s_ms_%s %.1f\n", target, round, msSince(start));
        }
    auto start = Clock::now();
    restartTimeline();
    glFinish();
    std::printf("restart_timeline_ms %.1f\n", msSince(start));
    start = Clock::now();
    prepareTimelineAt(double(bytesAtSeconds(100.0)));
    glFinish();
    std::printf("prepare_at_100_s_ms %.1f\n", msSince(start));
    start = Clock::now();
    replayRenderTargetHistory(double(bytesAtSeconds(100.0)));
    glFinish();
    std::printf("replay_at_100_s_ms %.1f\n", msSince(start));
    for (int i = 0; i < 50; ++i) {
        seekTo(std::fmod(37.0 * i, 176.0));
        produceFrame();
    }
    const double after50Mb = residentMegabytes();
    for (int i = 0; i < 200; ++i) {
        seekTo(std::fmod(37.0 * i, 176.0));
        produceFrame();
    }
    std::printf("rss_no_seeks_mb %.1f rss_after_50_seeks_mb %.1f rss_after_250_seeks_mb %.1f\n",
                noSeeksMb, after50Mb, residentMegabytes());
    shutdownDemo();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (argc > 1) {
        const int code = parseCommandLine(argc - 1, argv + 1, demoOptions);
        if (code != KEEP_RUNNING) return code;
    }
    if (std::strcmp(mode, "startup") == 0) return probeStartup();
    if (std::strcmp(mode, "floor") == 0) return probeFloor();
    if (std::strcmp(mode, "full") == 0) return probeFullRun();
    if (std::strcmp(mode, "seek") == 0) return probeSeeks();
    std::fprintf(stderr, "usage: perf_probe startup|floor|full|seek\n");
    return 2;
}
