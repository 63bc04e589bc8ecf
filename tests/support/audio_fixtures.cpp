// Paths of the build-generated audio fixtures and the thread probes of the audio tests.
#include "support/audio_fixtures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

std::string audioFixturePath(const AudioFixture& fixture) {
    return std::string(AUDIO_FIXTURE_DIR) + "/" + fixture.file;
}

std::string audioFixtureWavPath(const AudioFixture& fixture) {
    return std::filesystem::path(audioFixturePath(fixture)).replace_extension(".wav").string();
}

int peakBin(const float* bins, int count) {
    return static_cast<int>(std::max_element(bins, bins + count) - bins);
}

namespace {

// Calls `visit` with the /proc directory of each thread whose name starts with `prefix`.
void forThreadsNamed(const std::string& prefix, const std::function<void(const std::filesystem::path&)>& visit) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind(prefix, 0) == 0) visit(task.path());
    }
}

}  // namespace

int threadsNamed(const std::string& prefix) {
    int count = 0;
    forThreadsNamed(prefix, [&](const std::filesystem::path&) { ++count; });
    return count;
}

long long threadsCpuNs(const std::string& prefix) {
    long long total = -1;
    forThreadsNamed(prefix, [&](const std::filesystem::path& task) {
        std::ifstream schedstat(task / "schedstat");
        long long runNs = 0;
        schedstat >> runNs;  // the first field: time spent running
        total = std::max(total, 0ll) + runNs;
    });
    return total;
}
