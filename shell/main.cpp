// Entry point of the KV 2007 demo: the command line, then the whole run.
#include <SDL_main.h>  // on Windows, SDL's WinMain calls this main (as SDL_main)

#include "shell/command_line.h"
#include "shell/console_output.h"
#include "shell/demo.h"

int main(int argc, char** argv) {
    useParentConsoleForOutput();
    const int exitCode = parseCommandLine(argc, argv, demoOptions);
    if (exitCode != KEEP_RUNNING) return exitCode;
    return demoMain();
}
