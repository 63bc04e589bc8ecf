// Gives the demo's Windows GUI executable the console of the command prompt
// that started it, so that --help and errors on the command line are seen.
#include "shell/console_output.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

// A GUI program started from a prompt gets null standard handles; one started
// with its output redirected gets the file or pipe, which must stay.
static bool hasStandardOutput() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE;
}

void useParentConsoleForOutput() {
    if (hasStandardOutput() || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}
#else
void useParentConsoleForOutput() {}
#endif
