// A private PulseAudio sound server per test: its own process, runtime and
// configuration under a temporary directory, one null sink, the native
// protocol on a socket there; and a recorder of that sink's monitor (parec).
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

class TestPulseServer {
public:
    static constexpr const char* SINK = "demo_sink";  // null sink at 44.1 kHz stereo

    TestPulseServer() = default;
    TestPulseServer(const TestPulseServer&) = delete;
    TestPulseServer& operator=(const TestPulseServer&) = delete;
    ~TestPulseServer();

    // Starts the server and waits until it answers `pactl info`; false (with
    // the server's log in failureLog()) when it does not within 10 s.
    bool start();
    void stop();
    std::string failureLog() const;

    // "NAME=value" entries that point a client (SDL's pulseaudio driver,
    // pactl, parec) at this server and nowhere else: no autospawn of a server
    // of its own, no user's cookie or configuration.
    std::vector<std::string> clientEnv() const;
    // pactl with `args` against this server; its standard output, "" on failure.
    std::string pactl(const std::string& args) const;

    // Records the sink's monitor as raw s16le 44.1 kHz stereo into `path`.
    bool startRecording(const std::string& path);
    // Stops the recorder; the file then holds everything it received.
    void stopRecording();

private:
    std::string dir;  // temporary directory of this server; "" when not started
    pid_t serverPid = -1;
    pid_t recorderPid = -1;
};

// Samples of a raw s16le stereo file averaged to mono, as doubles.
std::vector<double> readStereoAsMono(const std::string& path);

// Where a piece of a recording best matches a reference signal.
struct Match {
    int64_t offset = -1;       // reference sample index where the piece starts
    double correlation = 0.0;  // normalised: 1 for the same waveform at any gain
};
// Searches every start in reference[first, last) for the best normalised
// cross-correlation with `piece` (computed by FFT).
Match bestMatch(const std::vector<double>& piece, const std::vector<double>& reference,
                int64_t first, int64_t last);
