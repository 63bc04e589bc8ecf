// Entry point of the KV 2007 demo: the command line, then the whole run.
#include "shell/command_line.h"
#include "shell/demo.h"

int main(int argc, char** argv) {
    const int exitCode = parseCommandLine(argc, argv, demoOptions);
    if (exitCode != KEEP_RUNNING) return exitCode;
    return demoMain();
}
