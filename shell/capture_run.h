// Capture to video: the timeline rendered off-screen frame by frame, each
// frame at an exact music position, read back and encoded with the music into
// a file, with no window shown, no audio device and no message box.
#pragma once
#include <cstdint>
#include <string>

#include "shell/options.h"

struct DecodedTrack;

// Exit codes of runCapture.
constexpr int CAPTURE_OK = 0;
constexpr int CAPTURE_FAILED = 1;       // nothing written: the reason is on stderr
constexpr int CAPTURE_BAD_OPTIONS = 2;  // an option out of range, an unknown extension
constexpr int CAPTURE_INTERRUPTED = 130;  // SIGINT: what was captured is a finished file

// The whole capture; the exit code. Messages go to stderr.
int runCapture(const CaptureOptions& options);

// What is wrong with the options, or "" when they can be captured.
std::string checkCaptureOptions(const CaptureOptions& options);

// Bytes of music (MUSIC_BYTES_PER_SECOND a second) at which frame `frame`
// shows the timeline: start + frame / fps seconds, rounded down to a whole
// sample frame.
uint64_t captureBytePosition(double startSeconds, uint64_t frame, int fps);

// Frames a capture holds: up to `endSeconds` (exclusive), or with a negative
// end up to and including the frame that ends the last scene.
uint64_t captureFrameCount(double startSeconds, double endSeconds, int fps);

// ---- the run's pieces, public so that a test renders the same frames ----
// (the stage is shell/stage.h's openOffscreenStage and closeStage)
// The sync signals, spectrum and frame clock of frame `frame`, as the scenes read them.
void setCaptureSignals(const DecodedTrack& track, double startSeconds, uint64_t frame, int fps);
