// Shell commands run from a test, for the tools that check what the build
// installs and packs (cmake --install, cpack, dpkg-deb, desktop-file-validate).
#pragma once
#include <string>

// Runs `command` with /bin/sh and returns its exit code (-1 when it could not
// run or a signal ended it); its standard output goes to `output`, its
// standard error to the test's own.
int runCommand(const std::string& command, std::string& output);

// `text` quoted for /bin/sh as one word.
std::string shellQuoted(const std::string& text);
