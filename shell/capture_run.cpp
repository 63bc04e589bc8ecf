// The capture run on the GL thread: the off-screen stage (shell/stage.h), the
// music decoded whole, and per frame the inputs (musicBytePos, spinPhase,
// musicSeconds, fftBins, elapsedSeconds) set through setFrameInput from the
// frame's exact position before the scene chain draws it. Frames are drawn
// into the stage's surfaces in turn and each is read back while the next is
// built, so the rasteriser and the GL thread work at once; conversion and
// encoding overlap on the pipeline's threads. SIGINT ends the run at the next
// frame.
//
// Live play draws each frame with the signals read just before the previous
// frame was presented, so the picture a viewer sees lags the sound by about a
// frame. A captured frame is drawn for its own position instead and carries
// that position's timestamp: what live play shows for that moment of the
// music, without the presenting lag.
#include "shell/capture_run.h"

#include <epoxy/gl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "audio/decoded_track.h"
#include "audio/fft_magnitudes.h"
#include "audio/music.h"
#include "capture/frame_pipeline.h"
#include "capture/pbo_readback.h"
#include "capture/progress.h"
#include "capture/video_encoder.h"
#include "resources/data_set.h"
#include "resources/render_target.h"
#include "resources/textures.h"
#include "scenes/chapters.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"
#include "shell/command_line.h"
#include "shell/stage.h"

namespace {

const char* const READ_BACK_FAILED = "reading the picture back from OpenGL failed";
// The file's artist and date tags: the group whose logo opens the demo, and the demo's year.
const char* const DEMO_GROUP = "Zorblax";
const char* const DEMO_YEAR = "2007";

volatile std::sig_atomic_t interruptRequested = 0;  // set by SIGINT

// The first Ctrl-C finishes the file; a second one, while it is being
// finished, ends the process at once as usual (leaving NAME.part).
void noteInterrupt(int) {
    interruptRequested = 1;
    std::signal(SIGINT, SIG_DFL);
}

int fail(const std::string& message, int exitCode) {
    std::fprintf(stderr, "kv2007demo: capture: %s\n", message.c_str());
    return exitCode;
}

double megabytesOfPeakMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

double millisecondsPerFrame(const std::atomic<uint64_t>& nanoseconds, uint64_t frames) {
    return frames ? nanoseconds / 1e6 / double(frames) : 0.0;
}

void printSummary(const CaptureOptions& o, const FramePipeline& pipeline, uint64_t frames, double wallSeconds) {
    const double videoSeconds = double(frames) / o.fps;
    std::fprintf(stderr,
                 "captured %llu frames (%.2f s at %d fps, %dx%d) to %s in %.1f s, %.2f x its playing time\n"
                 "per frame: render %.2f ms, read-back %.2f ms, convert %.2f ms, encode %.2f ms; "
                 "renderer waited %.2f ms for the pipeline; peak memory %.0f MB\n",
                 static_cast<unsigned long long>(frames), videoSeconds, o.fps, o.width, o.height,
                 o.path.c_str(), wallSeconds, videoSeconds > 0 ? wallSeconds / videoSeconds : 0.0,
                 millisecondsPerFrame(pipeline.times.render, frames),
                 millisecondsPerFrame(pipeline.times.readBack, frames),
                 millisecondsPerFrame(pipeline.times.convert, frames),
                 millisecondsPerFrame(pipeline.times.encode, frames),
                 millisecondsPerFrame(pipeline.times.waitForPool, frames), megabytesOfPeakMemory());
}

// KV2007_CAPTURE_STAGES=1 waits for each frame's drawing to finish before the
// read-back starts, so the benchmark can tell rendering from read-back.
bool separateStages() {
    const char* value = std::getenv("KV2007_CAPTURE_STAGES");
    return value && value[0] == '1';
}

// m:ss.cc, as a time in the file's comment.
std::string minutesAndSeconds(double seconds) {
    char text[32];
    const int minutes = int(seconds / 60);
    std::snprintf(text, sizeof text, "%d:%05.2f", minutes, seconds - 60.0 * minutes);
    return text;
}

// What the file says of itself: the window's title, the group, the year, and
// the program that wrote it with the range it holds when not the whole timeline.
std::vector<std::pair<std::string, std::string>> fileTags(const CaptureOptions& o, double videoSeconds) {
    std::string comment = std::string("kv2007demo ") + DEMO_VERSION;
    const double endSeconds = o.startSeconds + videoSeconds;
    if (o.startSeconds > 0 || endSeconds < secondsAtBytes(TIMELINE_END))
        comment += ", " + minutesAndSeconds(o.startSeconds) + " to " + minutesAndSeconds(endSeconds) +
                   " of the timeline";
    return {{"title", DEMO_TITLE}, {"artist", DEMO_GROUP}, {"date", DEMO_YEAR}, {"comment", comment}};
}

std::vector<EncoderChapter> fileChapters(const CaptureOptions& o, double videoSeconds) {
    std::vector<EncoderChapter> chapters;
    for (const Chapter& c : chaptersBetween(o.startSeconds, o.startSeconds + videoSeconds))
        chapters.push_back({c.name, c.start, c.end});
    return chapters;
}

// The title image's file from the data set, as the catalogue names it; no
// bytes when it cannot be read (the file then has no cover).
CoverPicture titleImage() {
    CoverPicture cover;
    for (const TextureEntry& entry : textureCatalogue) {
        if (entry.handle != &texTitle) continue;
        std::ifstream in(dataSetPath(entry.path), std::ios::binary);
        cover.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return cover;
}

struct SignalGuard {
    struct sigaction previous {};
    SignalGuard() {
        interruptRequested = 0;
        struct sigaction action {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous);
    }
    ~SignalGuard() { sigaction(SIGINT, &previous, nullptr); }
};

// Copies the oldest frame in the ring into the pipeline; false when the
// buffer could not be read.
bool passOldestFrame(ReadbackRing& ring, FramePipeline& pipeline) {
    RawFrame* raw = takeRawFrame(pipeline);
    const uint64_t begin = steadyNanoseconds();
    const bool read = collectReadback(ring, raw->bgra.data());
    pipeline.times.readBack += steadyNanoseconds() - begin;
    submitRawFrame(pipeline, raw);
    return read;
}

// Starts reading frame k back from its surface into the ring, first passing
// the oldest frame on when the ring is full; false when that one could not be
// read. The frame being drawn stays bound for drawing: binding frame k's
// surface for reading alone leaves llvmpipe no reason to wait for the frame
// just built.
bool readBackFrame(uint64_t k, ReadbackRing& ring, FramePipeline& pipeline) {
    if (readbackRingFull(ring) && !passOldestFrame(ring, pipeline)) return false;
    const uint64_t begin = steadyNanoseconds();
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, offscreenSurfaceOf(k));
    issueReadback(ring);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, screenFramebuffer);
    pipeline.times.readBack += steadyNanoseconds() - begin;
    return true;
}

struct LoopResult {
    uint64_t frames = 0;       // frames drawn and handed on
    std::string failure;       // the first failure, or ""
    bool interrupted = false;
};

// Frame k is built while frame k - 1 rasterises, then k - 1 is read back:
// every frame is still drawn in order with its own inputs, into a surface
// cleared first, and the render texture that frames build on sees the same
// passes in the same order, so the pictures are those of one surface.
LoopResult captureFrames(const CaptureOptions& o, const DecodedTrack& track, uint64_t frameLimit,
                         ReadbackRing& ring, FramePipeline& pipeline, Progress& progress) {
    LoopResult result;
    const bool waitForDrawing = separateStages();
    const uint64_t started = steadyNanoseconds();
    for (uint64_t k = 0; k < frameLimit; ++k) {
        if (interruptRequested) {
            result.interrupted = true;
            break;
        }
        if (pipeline.failed) break;
        const uint64_t begin = steadyNanoseconds();
        drawOnOffscreenSurfaceOf(k);
        setCaptureSignals(track, o.startSeconds, k, o.fps);
        if (!runSceneChain()) break;  // every scene declined: the timeline is over
        if (waitForDrawing) glFinish();
        glFlush();  // the rasteriser starts on frame k
        pipeline.times.render += steadyNanoseconds() - begin;
        ++result.frames;
        if (k == 0) continue;
        if (!readBackFrame(k - 1, ring, pipeline)) {
            result.failure = READ_BACK_FAILED;
            break;
        }
        updateProgress(progress, pipeline.framesEncoded, (steadyNanoseconds() - started) / 1e9, stderr);
    }
    if (result.failure.empty() && result.frames > 0 && !readBackFrame(result.frames - 1, ring, pipeline))
        result.failure = READ_BACK_FAILED;  // the last frame drawn
    while (result.failure.empty() && readbackPending(ring))
        if (!passOldestFrame(ring, pipeline)) result.failure = READ_BACK_FAILED;
    return result;
}

}  // namespace

uint64_t captureBytePosition(double startSeconds, uint64_t frame, int fps) {
    // Whole and fractional parts of frame * rate / fps kept apart, so that a
    // position on a sample frame is never rounded down below it.
    const uint64_t scaled = frame * MUSIC_FRAMES_PER_SECOND;
    const double frames = startSeconds * MUSIC_FRAMES_PER_SECOND + double(scaled / fps) + double(scaled % fps) / fps;
    return wholeFramesAt(frames) * MUSIC_BYTES_PER_FRAME;
}

uint64_t captureFrameCount(double startSeconds, double endSeconds, int fps) {
    const double lastSeconds = secondsAtBytes(TIMELINE_END);
    if (startSeconds >= lastSeconds) return 0;
    // The last scene ends on the first frame at or past its threshold; the
    // estimate from seconds is corrected to the exact rounding of positions.
    auto endsTimeline = [&](uint64_t k) { return captureBytePosition(startSeconds, k, fps) >= TIMELINE_END; };
    uint64_t last = static_cast<uint64_t>((lastSeconds - startSeconds) * fps);
    while (last > 0 && endsTimeline(last - 1)) --last;
    while (!endsTimeline(last)) ++last;
    const uint64_t timelineFrames = last + 1;
    if (endSeconds < 0) return timelineFrames;
    const auto untilEnd = static_cast<uint64_t>(std::ceil((endSeconds - startSeconds) * fps - 1e-6));
    return std::min(untilEnd, timelineFrames);
}

std::string checkCaptureOptions(const CaptureOptions& o) {
    const std::string extension = checkOutputExtension(o.path);
    if (!extension.empty()) return extension;
    if (o.width < CAPTURE_MIN_SIDE || o.height < CAPTURE_MIN_SIDE || o.width > CAPTURE_MAX_WIDTH ||
        o.height > CAPTURE_MAX_HEIGHT)
        return "--size " + std::to_string(o.width) + "x" + std::to_string(o.height) + " is out of range (" +
               std::to_string(CAPTURE_MIN_SIDE) + "x" + std::to_string(CAPTURE_MIN_SIDE) + " to " +
               std::to_string(CAPTURE_MAX_WIDTH) + "x" + std::to_string(CAPTURE_MAX_HEIGHT) + ")";
    if (o.width % 2 || o.height % 2)
        return "--size needs an even width and height (yuv420p halves both for colour)";
    if (o.fps < CAPTURE_MIN_FPS || o.fps > CAPTURE_MAX_FPS)
        return "--fps must be between " + std::to_string(CAPTURE_MIN_FPS) + " and " + std::to_string(CAPTURE_MAX_FPS);
    if (o.startSeconds < 0) return "--start must not be negative";
    if (o.endSeconds >= 0 && o.endSeconds <= o.startSeconds) return "--end must be after --start";
    if (o.crf < -1) return "--crf must not be negative";
    if (captureFrameCount(o.startSeconds, o.endSeconds, o.fps) == 0)
        return "--start is past the end of the timeline";
    return "";
}

void setCaptureSignals(const DecodedTrack& track, double startSeconds, uint64_t frame, int fps) {
    setFrameInput({captureBytePosition(startSeconds, frame, fps), {SpectrumSource::From::Track, 0, &track},
                   static_cast<float>(startSeconds + double(frame) / fps)});
}

int runCapture(const CaptureOptions& o) {
    SignalGuard interruptible;  // from here on SIGINT ends the run cleanly
    const std::string bad = checkCaptureOptions(o);
    if (!bad.empty()) return fail(bad, CAPTURE_BAD_OPTIONS);
    const uint64_t frameLimit = captureFrameCount(o.startSeconds, o.endSeconds, o.fps);

    dataDirectory = findDataDirectory(o.dataDirectory, executableDirectory());
    const std::string musicPath = dataSetPath(MUSIC_FILE);
    DecodedTrack track;
    if (!decodeMp3File(musicPath.c_str(), track) || !openSpectrum())
        return fail("cannot decode the music, " + musicPath, CAPTURE_FAILED);
    const uint64_t firstPosition = captureBytePosition(o.startSeconds, 0, o.fps);  // bytes
    const uint64_t firstMusicFrame = firstPosition / MUSIC_BYTES_PER_FRAME;

    EncoderSettings settings;
    settings.path = o.path;
    settings.width = o.width;
    settings.height = o.height;
    settings.fps = o.fps;
    settings.crf = o.crf;
    settings.audioRate = track.rate;
    settings.audioChannels = track.channels;
    settings.audio = track.samples.data() + std::min(firstMusicFrame, track.frames()) * track.channels;
    settings.audioFrames = track.frames() > firstMusicFrame ? track.frames() - firstMusicFrame : 0;
    const double videoSeconds = double(frameLimit) / o.fps;
    settings.tags = fileTags(o, videoSeconds);
    settings.chapters = fileChapters(o, videoSeconds);
    settings.cover = titleImage();
    VideoEncoder encoder;
    std::string failure = openEncoder(encoder, settings);
    if (!failure.empty()) return fail(failure, CAPTURE_FAILED);

    failure = openOffscreenStage(o.width, o.height);
    ReadbackRing ring;
    if (failure.empty() && !openReadbackRing(ring, o.width, o.height))
        failure = "OpenGL has no pixel buffer objects";
    FramePipeline pipeline;
    if (failure.empty()) failure = startPipeline(pipeline, encoder, o.width, o.height);
    if (!failure.empty()) {
        closeReadbackRing(ring);
        closeStage();
        abandonEncoder(encoder);
        return fail(failure, CAPTURE_FAILED);
    }

    Progress progress;
    progress.style = o.quiet ? ProgressStyle::Quiet : isatty(STDERR_FILENO) ? ProgressStyle::Bar : ProgressStyle::Lines;
    progress.total = frameLimit;
    progress.fps = o.fps;
    const uint64_t started = steadyNanoseconds();
    if (firstPosition > 0) prepareTimelineAt(double(firstPosition));
    LoopResult loop = captureFrames(o, track, frameLimit, ring, pipeline, progress);
    const std::string pipelineFailure = stopPipeline(pipeline);
    if (loop.failure.empty()) loop.failure = pipelineFailure;
    closeReadbackRing(ring);
    closeStage();
    if (!loop.failure.empty()) {
        endProgress(progress, stderr);
        abandonEncoder(encoder);
        return fail(loop.failure, CAPTURE_FAILED);
    }
    if (loop.interrupted && loop.frames == 0) {
        abandonEncoder(encoder);
        return fail("interrupted before the first frame: no file written", CAPTURE_INTERRUPTED);
    }
    failure = finishEncoder(encoder);
    if (!failure.empty()) {
        endProgress(progress, stderr);
        return fail(failure, CAPTURE_FAILED);
    }
    const double wallSeconds = (steadyNanoseconds() - started) / 1e9;
    progress.total = loop.frames;  // the estimate gives way to the count
    if (!loop.interrupted) updateProgress(progress, loop.frames, wallSeconds, stderr);
    endProgress(progress, stderr);
    if (loop.interrupted) {
        std::fprintf(stderr, "kv2007demo: capture interrupted: %s holds the first %llu frames (%.2f s)\n",
                     o.path.c_str(), static_cast<unsigned long long>(loop.frames), double(loop.frames) / o.fps);
        return CAPTURE_INTERRUPTED;
    }
    if (!o.quiet) printSummary(o, pipeline, loop.frames, wallSeconds);
    return CAPTURE_OK;
}
