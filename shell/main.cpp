// Entry point of the KV 2007 demo: the command line, then the whole run, or
// with --capture the capture to video instead.
#include <SDL_main.h>  // on Windows, SDL's WinMain calls this main (as SDL_main)

#include "shell/command_line.h"
#include "shell/console_output.h"
#include "shell/demo.h"
#ifdef DEMO_CAPTURE
#include "shell/capture_run.h"
#endif

int main(int argc, char** argv) {
    useParentConsoleForOutput();
    const int exitCode = parseCommandLine(argc, argv, demoOptions);
    if (exitCode != KEEP_RUNNING) return exitCode;
#ifdef DEMO_CAPTURE
    if (!demoOptions.capture.path.empty()) return runCapture(demoOptions.capture);
#endif
    return demoMain();
}
