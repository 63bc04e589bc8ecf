// Capture to video: the timeline rendered off-screen frame by frame, each
// frame at an exact music position, read back and encoded with the music into
// a file, with no window shown, no audio device and no message box.
#pragma once
#include <cstdint>
#include <string>

struct DecodedTrack;

struct CaptureOptions {
    std::string path;          // the video file; .mp4, .mkv or .webm
    int width = 800;           // pixels, even, 16..3840
    int height = 600;          // pixels, even, 16..2160
    int fps = 60;              // frames per second, 1..240
    double startSeconds = 0;   // music position of the first frame
    double endSeconds = -1;    // music position the capture stops before; negative: the timeline's end
    int crf = -1;              // quality; -1: the codec's default (18 for H.264)
    bool quiet = false;        // no progress and no summary
    std::string dataDirectory; // --data; empty: found as for play (findDataDirectory)
};

// Exit codes of runCapture.
constexpr int CAPTURE_OK = 0;
constexpr int CAPTURE_FAILED = 1;       // nothing written: the reason is on stderr
constexpr int CAPTURE_BAD_OPTIONS = 2;  // an option out of range, an unknown extension
constexpr int CAPTURE_INTERRUPTED = 130;  // SIGINT: what was captured is a finished file

// The whole capture; the exit code. Messages go to stderr.
int runCapture(const CaptureOptions& options);

// What is wrong with the options, or "" when they can be captured.
std::string checkCaptureOptions(const CaptureOptions& options);

// Bytes of music (44100 frames of 4 bytes a second) at which frame `frame`
// shows the timeline: start + frame / fps seconds, rounded down to a whole
// sample frame.
uint64_t captureBytePosition(double startSeconds, uint64_t frame, int fps);

// Frames a capture holds: up to `endSeconds` (exclusive), or with a negative
// end up to and including the frame that ends the last scene.
uint64_t captureFrameCount(double startSeconds, double endSeconds, int fps);

// ---- the run's pieces, public so that a test renders the same frames ----
// A hidden window's GL context with an off-screen surface of width x height
// as the screen, the demo's GL state, textures and render target, and the 4:3
// picture centred in it. "" on success; else the reason, nothing left open.
std::string openCaptureSurface(int width, int height);
void closeCaptureSurface();
// The sync signals, spectrum and frame clock of frame `frame`, as the scenes read them.
void setCaptureSignals(const DecodedTrack& track, double startSeconds, uint64_t frame, int fps);
