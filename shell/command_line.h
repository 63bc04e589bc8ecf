// The demo's command line: how the picture is shown, where the music and
// timeline start, where the data set is, and the sound's latency. With no
// arguments every option keeps the behaviour of a demo that has none.
#pragma once
#include <string>
#include <vector>

#include "shell/options.h"

constexpr int KEEP_RUNNING = -1;  // parseCommandLine's answer when the demo is to start

// Fills `options` from the command line (and the KV2007_WINDOWED=1 synonym of
// --windowed). Returns KEEP_RUNNING, or the exit code of a run that ends
// here: 0 after --help or --version (printed on stdout), 2 after a bad
// command line (one line on stderr naming the option and what it accepts).
int parseCommandLine(int argc, const char* const* argv, DemoOptions& options);

// What a page does with an address key: an option it takes (passed to the
// parser), one of the command line's own that has no meaning in a page
// (refused by name), or no option of ours (dropped: fbclid, utm_source...).
// `name` is the long name without "--"; --help and --version are dropped.
enum class PageUse { Taken, Refused, Unknown };
PageUse pageUseOf(const std::string& name);
// The long names of the options a page takes, in the order --help lists them.
std::vector<std::string> optionsTakenInPage();

// `--start` text to seconds: plain seconds ("80", "80.5") or minutes and
// seconds ("1:20", "1:20.5"); negative for anything else.
double parseTimeOfMusic(const std::string& text);

// The data set's directory: `requested` when given; else data/ in the working
// directory when it exists; else the data set installed with the program
// (beside the executable on Windows, ../share/kv2007demo/data from it
// elsewhere) when that exists; else data/ as before, whose missing files
// are then reported as always.
std::string findDataDirectory(const std::string& requested, const std::string& executableDir);

// The directory the executable lies in, or empty when the platform cannot say.
std::string executableDirectory();
