// The demo's command line: how the picture is shown, where the music and
// timeline start, where the data set is, and the sound's latency. With no
// arguments every option keeps the behaviour of a demo that has none.
#pragma once
#include <string>

#include "shell/capture_run.h"

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
    // --capture FILE: a video file instead of play (path empty: play). --size
    // and --start apply to it too; --fps, --end, --crf and --quiet only to it.
    // Builds without capture (DEMO_CAPTURE off) have none of these options.
    CaptureOptions capture;
};

extern DemoOptions demoOptions;  // what this run was asked for; defaults until parsed

constexpr int KEEP_RUNNING = -1;  // parseCommandLine's answer when the demo is to start

// Fills `options` from the command line (and the KV2007_WINDOWED=1 synonym of
// --windowed). Returns KEEP_RUNNING, or the exit code of a run that ends
// here: 0 after --help or --version (printed on stdout), 2 after a bad
// command line (one line on stderr naming the option and what it accepts).
int parseCommandLine(int argc, const char* const* argv, DemoOptions& options);

// `--start` text to seconds: plain seconds ("80", "80.5") or minutes and
// seconds ("1:20", "1:20.5"); negative for anything else.
double parseTimeOfMusic(const std::string& text);

// The music position of `seconds` in bytes, rounded down to a whole sample
// frame (4 bytes at 44.1 kHz stereo 16-bit).
unsigned long long bytesAtSeconds(double seconds);

// The data set's directory: `requested` when given; else data/ in the working
// directory when it exists; else the data set installed with the program
// (beside the executable on Windows, ../share/kv2007demo/data from it
// elsewhere) when that exists; else data/ as before, whose missing files
// are then reported as always.
std::string findDataDirectory(const std::string& requested, const std::string& executableDir);
