// What the command line yields: one plain struct of what this run was asked
// for, read by the player, the capture run and the browser page alike. It
// knows nothing of the window or of capture's machinery.
#pragma once
#include <string>

// What a capture accepts; the parser and the capture run both check against these.
constexpr int CAPTURE_MIN_SIDE = 16, CAPTURE_MAX_WIDTH = 3840, CAPTURE_MAX_HEIGHT = 2160;  // pixels
constexpr int CAPTURE_MIN_FPS = 1, CAPTURE_MAX_FPS = 240;

// --capture and its own options; the parser fills in --size, --start and
// --data as well, so that the capture run reads this struct alone.
struct CaptureOptions {
    std::string path;          // the video file; .mp4, .mkv or .webm
    int width = 800;           // pixels, even, CAPTURE_MIN_SIDE..CAPTURE_MAX_WIDTH
    int height = 600;          // pixels, even, CAPTURE_MIN_SIDE..CAPTURE_MAX_HEIGHT
    int fps = 60;              // frames per second, CAPTURE_MIN_FPS..CAPTURE_MAX_FPS
    double startSeconds = 0;   // music position of the first frame
    double endSeconds = -1;    // music position the capture stops before; negative: the timeline's end
    int crf = -1;              // quality; -1: the codec's default (18 for H.264)
    bool quiet = false;        // no progress and no summary
    std::string dataDirectory; // --data; empty: found as for play (findDataDirectory)
};

enum class PictureMode {
    Fullscreen,  // the real mode change to 800x600 (or, without that mode, the windowed question)
    Desktop,     // borderless fullscreen at the desktop's own resolution, no mode change
    Windowed,    // a resizable window
};

enum class VsyncMode { Adaptive, On, Off };

struct DemoOptions {
    PictureMode picture = PictureMode::Fullscreen;
    int width = 800;               // --size: window size in screen units
    int height = 600;
    VsyncMode vsync = VsyncMode::Adaptive;  // adaptive falls back to on where the driver lacks it
    double startSeconds = 0.0;     // --start: where music and timeline begin, [0, end of timeline)
    std::string dataDirectory;     // --data; empty: found by findDataDirectory
    int audioOffsetMs = 0;         // --audio-offset: the picture follows the sound this much later
    bool mute = false;             // --mute: no audio device, the picture on the silent clock
    bool loop = false;             // --loop: the timeline starts again at its end (not with --capture)
    // --capture FILE: a video file instead of play (path empty: play). --size
    // and --start apply to it too; --fps, --end, --crf and --quiet only to it.
    // Builds without capture (DEMO_CAPTURE off) have none of these options.
    CaptureOptions capture;
};

extern DemoOptions demoOptions;  // what this run was asked for; defaults until parsed
