// Scratch files for the harnesses: named by process so parallel fuzzers never
// share one, listed for removal at exit.
#include "fuzz/scratch_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> scratchPaths;  // every path handed out, removed at exit

void removeScratchFiles() {
    for (const std::string& path : scratchPaths) std::remove(path.c_str());
}

}  // namespace

std::string scratchFilePath(const char* extension) {
    if (scratchPaths.empty()) std::atexit(removeScratchFiles);
    const char* directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    scratchPaths.push_back(std::string(directory) + "/kv2007-fuzz-" + std::to_string(getpid()) +
                           extension);
    return scratchPaths.back();
}

bool writeScratchFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
