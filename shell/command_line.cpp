// The command line over CLI11: options, their checks and the one-line
// message a bad one gets; the data directory's lookup. Reads argv and the
// KV2007_WINDOWED environment variable.
#include "shell/command_line.h"

#include <CLI/CLI.hpp>
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "scenes/chapters.h"
#include "scenes/timeline.h"

DemoOptions demoOptions;

namespace {

constexpr int BAD_COMMAND_LINE = 2;
constexpr int MIN_WINDOW_SIDE = 16;     // screen units
constexpr int MAX_WINDOW_SIDE = 16384;  // the largest texture side drivers offer
constexpr int MAX_AUDIO_OFFSET_MS = 10000;
const char* const INSTALLED_DATA = DEMO_INSTALLED_DATA;  // relative to the executable's directory

// "WxH" with both sides within the window limits; false for anything else.
bool parseSize(const std::string& text, int& width, int& height) {
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) != 3) return false;
    return (x == 'x' || x == 'X') && width >= MIN_WINDOW_SIDE && width <= MAX_WINDOW_SIDE &&
           height >= MIN_WINDOW_SIDE && height <= MAX_WINDOW_SIDE;
}

std::string sizeError(const std::string& text) {
    int w = 0, h = 0;
    if (parseSize(text, w, h)) return "";
    return "expects WxH, each side from " + std::to_string(MIN_WINDOW_SIDE) + " to " +
           std::to_string(MAX_WINDOW_SIDE) + " (e.g. 1280x960), not '" + text + "'";
}

// --start parsed once: the text becomes its seconds written exactly (%.17g
// reads back to the same double), which the option then stores.
std::string startToSeconds(std::string& text) {
    const double seconds = parseTimeOfMusic(text);
    char written[64];
    if (seconds >= 0 && seconds < secondsAtBytes(TIMELINE_END)) {
        std::snprintf(written, sizeof written, "%.17g", seconds);
        text = written;
        return "";
    }
    std::snprintf(written, sizeof written, "%.2f", secondsAtBytes(TIMELINE_END));
    return std::string("expects seconds or m:ss from 0 up to the end of the timeline (") + written +
           " s), not '" + text + "'";
}

// --capture and the options that only it takes; null in builds without capture.
#ifdef DEMO_CAPTURE
std::string endError(const std::string& text) {
    return parseTimeOfMusic(text) > 0 ? "" : "expects seconds or m:ss after the start, not '" + text + "'";
}

CLI::Option* addCaptureOptions(CLI::App& app, CaptureOptions& capture, bool& listParts) {
    auto* file = app.add_option("--capture", capture.path,
        "Render the timeline off-screen into a video file with the music instead of playing: "
        ".mp4 (H.264, AAC), .mkv (H.264, FLAC) or .webm (VP9, Opus)")
        ->type_name("FILE");
    app.add_option("--fps", capture.fps, "With --capture: frames per second")
        ->check(CLI::Range(CAPTURE_MIN_FPS, CAPTURE_MAX_FPS))->needs(file)->capture_default_str();
    app.add_option_function<std::string>("--end",
        [&capture](const std::string& text) { capture.endSeconds = parseTimeOfMusic(text); },
        "With --capture or --list-parts: where the video ends, seconds or m:ss (default: the timeline's end)")
        ->check(CLI::Validator(endError, "TIME"));
    app.add_option("--crf", capture.crf,
        "With --capture: quality, lower is better (default 18 for H.264, 31 for VP9)")
        ->check(CLI::Range(0, 63))->needs(file);
    app.add_flag("--quiet", capture.quiet, "With --capture: no progress and no summary")->needs(file);
    app.add_flag("--list-parts", listParts,
        "Print the chapters a capture of --start to --end gets as 'm:ss Name' lines, the form "
        "video sites read from a description (each at least 10 s long), and exit")
        ->excludes(file);
    return file;
}

// --list-parts: the capture's chapters as a description lists them; the exit code.
int printChapterList(const DemoOptions& options) {
    const double end = options.capture.endSeconds;
    if (end >= 0 && end <= options.startSeconds) {
        std::fprintf(stderr, "kv2007demo: --end must be after --start (see --help)\n");
        return BAD_COMMAND_LINE;
    }
    std::fputs(chapterListText(chaptersBetween(options.startSeconds, end, MIN_VIEWER_PART_SECONDS)).c_str(), stdout);
    return 0;
}
#else
CLI::Option* addCaptureOptions(CLI::App&, CaptureOptions&, bool&) { return nullptr; }
int printChapterList(const DemoOptions&) { return 0; }
#endif

const char* const CONTROL_KEYS_HELP =
    "Keys while playing (media keys and gamepad buttons in brackets):\n"
    "  Escape                  quit (Stop; Back)\n"
    "  Space                   pause / resume (Play/Pause; A, Start)\n"
    "  Left, Right             5 s back / forward (d-pad left, right)\n"
    "  Page Up, Page Down      30 s back / forward (d-pad down, up)\n"
    "  Ctrl+Left, Ctrl+Right   start of the previous / next part (Previous, Next; shoulders)\n"
    "  Home                    from the start\n"
    "  F                       fullscreen / window (Y)\n"
    "  M                       mute / unmute (X)\n"
    "A bar along the bottom of the picture shows the position for two seconds after each.";

bool windowedByEnvironment() {
    const char* value = std::getenv("KV2007_WINDOWED");
    return value && std::strcmp(value, "1") == 0;
}

}  // namespace

double parseTimeOfMusic(const std::string& text) {
    double minutes = 0, seconds = 0;
    char rest = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%lf:%lf%n%c", &minutes, &seconds, &used, &rest) == 2 &&
        used == int(text.size())) {
        const bool wholeMinutes = minutes >= 0 && minutes == std::floor(minutes);
        return wholeMinutes && seconds >= 0 && seconds < 60 ? minutes * 60 + seconds : -1;
    }
    if (std::sscanf(text.c_str(), "%lf%n%c", &seconds, &used, &rest) == 1 &&
        used == int(text.size()) && std::isfinite(seconds))
        return seconds >= 0 ? seconds : -1;
    return -1;
}

namespace {

// The options as one definition, for parsing and for the page's address. The
// options a page takes from its address are marked where they are defined.
struct CommandLine {
    CLI::App app{"KV 2007 Demo - Zorblax!: a real-time demo timed from its music.", "kv2007demo"};
    std::string size = "800x600";
    std::string vsync = "adaptive";
    bool listParts = false;
    CLI::Option *fullscreen, *desktop, *windowed, *sizeOption, *capture;
    std::vector<const CLI::Option*> takenInPage;

    CLI::Option* inPage(CLI::Option* option) {
        takenInPage.push_back(option);
        return option;
    }

    explicit CommandLine(DemoOptions& options) {
        app.set_version_flag("--version", DEMO_VERSION);
        fullscreen = app.add_flag("--fullscreen",
            "Switch the display to 800x600 at 32 bits (the default); without that mode, ask "
            "whether to play in a window; on Wayland, as --desktop");
        desktop = app.add_flag("--desktop",
            "Borderless fullscreen at the desktop's own resolution, no mode change; the 4:3 "
            "picture centred, black beside it");
        windowed = app.add_flag("--windowed",
            "A resizable window (also KV2007_WINDOWED=1); the 4:3 picture centred in it");
        fullscreen->excludes(desktop)->excludes(windowed);
        desktop->excludes(windowed);

        sizeOption = app.add_option("--size", size, "Window size in screen units, WxH (with "
                                    "--windowed); with --capture the video's size in pixels")
            ->check(CLI::Validator(sizeError, "WxH"))
            ->capture_default_str();
        app.add_option("--vsync", vsync,
                       "Wait for the display's refresh: adaptive (on where the driver lacks "
                       "adaptive), on or off")
            ->check(CLI::IsMember({"adaptive", "on", "off"}))
            ->capture_default_str();

        inPage(app.add_option("--start", options.startSeconds, "Where music and timeline begin: seconds or m:ss")
            ->type_name("TEXT")
            ->transform(CLI::Validator(startToSeconds, "TIME"))
            ->capture_default_str());
        app.add_option("--data", options.dataDirectory,
                       "The data set's directory (default: data/ here, else the installed one)")
            ->check(CLI::ExistingDirectory);
        inPage(app.add_option("--audio-offset", options.audioOffsetMs,
                              "The picture follows the sound this many ms later (negative: earlier)")
            ->check(CLI::Range(-MAX_AUDIO_OFFSET_MS, MAX_AUDIO_OFFSET_MS))
            ->capture_default_str());
        auto* mute = inPage(app.add_flag("--mute", options.mute,
                                         "Open no audio device: the picture runs on the silent clock"));
        auto* loop = inPage(app.add_flag("--loop", options.loop,
                                         "At the end of the timeline start again from the start, until Escape"));
        capture = addCaptureOptions(app, options.capture, listParts);
        if (capture)
            capture->excludes(fullscreen)->excludes(desktop)->excludes(windowed)->excludes(mute)->excludes(loop);
        app.footer(CONTROL_KEYS_HELP);
    }
};

const std::map<std::string, VsyncMode> VSYNC_MODES = {
    {"adaptive", VsyncMode::Adaptive}, {"on", VsyncMode::On}, {"off", VsyncMode::Off}};

}  // namespace

int parseCommandLine(int argc, const char* const* argv, DemoOptions& options) {
    CommandLine line(options);
    try {
        line.app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(line.app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::printf("kv2007demo %s\n", DEMO_VERSION);
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "kv2007demo: %s (see --help)\n", e.what());
        return BAD_COMMAND_LINE;
    }

    const bool capturing = line.capture && *line.capture;
    if (line.listParts) return printChapterList(options);
    // --end sets where a capture or a chapter list ends: it needs one of the two.
    if (line.capture && line.app.count("--end") && !capturing) {
        std::fprintf(stderr, "kv2007demo: --end requires --capture or --list-parts (see --help)\n");
        return BAD_COMMAND_LINE;
    }
    // --size sizes a window or a video: it needs one of the two.
    if (*line.sizeOption && !*line.windowed && !capturing) {
        std::fprintf(stderr, "kv2007demo: --size requires --windowed%s (see --help)\n",
                     line.capture ? " or --capture" : "");
        return BAD_COMMAND_LINE;
    }
    if (*line.desktop) options.picture = PictureMode::Desktop;
    if (*line.windowed || (!*line.fullscreen && !*line.desktop && windowedByEnvironment()))
        options.picture = PictureMode::Windowed;
    parseSize(line.size, options.width, options.height);
    options.vsync = VSYNC_MODES.at(line.vsync);
    if (capturing) {
        parseSize(line.size, options.capture.width, options.capture.height);
        options.capture.startSeconds = options.startSeconds;
        options.capture.dataDirectory = options.dataDirectory;
    }
    return KEEP_RUNNING;
}

// The option table as a page asks about it: built once, bound to options
// nothing reads.
static const CommandLine& pageOptionTable() {
    static DemoOptions unused;
    static const CommandLine line(unused);
    return line;
}

PageUse pageUseOf(const std::string& name) {
    const CommandLine& line = pageOptionTable();
    for (const CLI::Option* option : line.app.get_options()) {
        // --help and --version print to a console a page does not have: dropped.
        if (option == line.app.get_help_ptr() || option == line.app.get_version_ptr()) continue;
        if (!option->check_lname(name)) continue;
        const bool taken = std::find(line.takenInPage.begin(), line.takenInPage.end(), option) != line.takenInPage.end();
        return taken ? PageUse::Taken : PageUse::Refused;
    }
    return PageUse::Unknown;
}

std::vector<std::string> optionsTakenInPage() {
    std::vector<std::string> names;
    for (const CLI::Option* option : pageOptionTable().takenInPage) names.push_back(option->get_lnames().front());
    return names;
}

std::string findDataDirectory(const std::string& requested, const std::string& executableDir) {
    namespace fs = std::filesystem;
    if (!requested.empty()) return requested;
    std::error_code error;
    if (fs::is_directory("data", error)) return "data";
    if (!executableDir.empty()) {
        const fs::path installed = fs::path(executableDir) / INSTALLED_DATA;
        if (fs::is_directory(installed, error)) return installed.lexically_normal().string();
    }
    return "data";
}

std::string executableDirectory() {
    char* base = SDL_GetBasePath();
    const std::string dir = base ? base : "";
    SDL_free(base);
    return dir;
}
