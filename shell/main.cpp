// Entry point of the KV 2007 demo: the whole run is demoMain(), or a capture
// to video with --capture.
#include "shell/demo.h"

#ifdef DEMO_CAPTURE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/capture_run.h"

// TEMPORARY: a minimal reading of the capture options until the player's
// command line parses them; remove with it. Values are taken as given.
static bool readCaptureArguments(int argc, char** argv, CaptureOptions& options) {
    bool capture = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (name == "--quiet") { options.quiet = true; continue; }
        if (name == "--capture") { options.path = value; capture = true; }
        else if (name == "--size") std::sscanf(value, "%dx%d", &options.width, &options.height);
        else if (name == "--fps") options.fps = std::atoi(value);
        else if (name == "--start") options.startSeconds = std::atof(value);
        else if (name == "--end") options.endSeconds = std::atof(value);
        else if (name == "--crf") options.crf = std::atoi(value);
        else continue;
        ++i;
    }
    return capture;
}

int main(int argc, char** argv) {
    CaptureOptions options;
    if (readCaptureArguments(argc, argv, options)) return runCapture(options);
    return demoMain();
}
#else
int main(int, char**) { return demoMain(); }
#endif
