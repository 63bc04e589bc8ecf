// Paths of the build-generated audio fixtures and file helpers for the audio tests.
#include "support/audio_fixtures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

std::string audioFixturePath(const AudioFixture& fixture) {
    return std::string(AUDIO_FIXTURE_DIR) + "/" + fixture.file;
}

std::string audioFixtureWavPath(const AudioFixture& fixture) {
    return std::filesystem::path(audioFixturePath(fixture)).replace_extension(".wav").string();
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int peakBin(const float* bins, int count) {
    return static_cast<int>(std::max_element(bins, bins + count) - bins);
}
