// Standard output and error for the command line's own messages (--help,
// --version, a bad option) on every platform the demo is built for.
#pragma once

// On Windows the demo is a GUI program, which a command prompt starts without
// standard handles: it then writes to the prompt's console instead. A no-op
// elsewhere, and wherever the output already goes somewhere (a pipe, a file).
void useParentConsoleForOutput();
