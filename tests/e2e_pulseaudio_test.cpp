// The demo's sound through a real sound server: a private PulseAudio with a
// null sink, the real binary on SDL's pulseaudio driver, and the sink's monitor
// recorded and matched against the decoded track. Also how far the position
// the pictures follow runs ahead of what the server has played.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "audio/audio_layer.h"
#include "audio/decoded_track.h"
#include "support/pulse_server.h"
#include "support/x_session.h"

namespace {

const std::string TRACK = std::string(DEMO_SOURCE_DIR) + "/data/KV07.mp3";
constexpr int RATE = 44100;
constexpr double START_SECONDS = 22.0;  // inside the build section: loud, and no bar repeats exactly

std::vector<double> decodedTrackAsMono() {
    DecodedTrack track;
    if (!decodeMp3File(TRACK.c_str(), track) || track.rate != RATE || track.channels != 2) return {};
    std::vector<double> mono(track.frames());
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = (track.samples[2 * i] + track.samples[2 * i + 1]) / 2.0;
    return mono;
}

// The demo's stream is connected once the server lists a sink input.
bool waitForSinkInput(const TestPulseServer& pulse, double timeoutSeconds) {
    return waitUntil([&] { return pulse.pactl("list short sink-inputs").find('\t') != std::string::npos; },
                     timeoutSeconds, 0.05);
}

// The first frame louder than silence (about -40 dB): where the demo's sound
// begins in a recording; -1 when there is none.
int64_t soundOnset(const std::vector<double>& heard) {
    const auto onset = std::find_if(heard.begin(), heard.end(), [](double v) { return std::abs(v) > 300; });
    return onset == heard.end() ? -1 : onset - heard.begin();
}

// Polls the growing recording until it holds `seconds` of sound.
bool waitForSound(const std::string& recording, double seconds, double timeoutSeconds) {
    return waitUntil(
        [&] {
            const std::vector<double> heard = readStereoAsMono(recording);
            const int64_t onset = soundOnset(heard);
            return onset >= 0 && int64_t(heard.size()) - onset >= int64_t(seconds * RATE);
        },
        timeoutSeconds, 0.1);
}

TEST(PulseAudioRun, PlaysTheTrackFromTheStartTimeIntoTheSink) {
    TestPulseServer pulse;
    ASSERT_TRUE(pulse.start()) << pulse.failureLog();
    const std::string recording = makeScratchDir("pulse_run") + "/monitor.raw";
    ASSERT_TRUE(pulse.startRecording(recording));

    RealDemo demo;
    std::vector<std::string> env = {"SDL_AUDIODRIVER=pulseaudio"};
    for (const std::string& entry : pulse.clientEnv()) env.push_back(entry);
    demo.start(800, 600, {"--windowed", "--start", "22"}, env);
    ASSERT_NE(demo.waitForWindow(), 0u);
    ASSERT_TRUE(demo.server.waitUntilViewable(demo.window, demo.patience));
    ASSERT_TRUE(waitForSinkInput(pulse, demo.patience)) << "the demo never connected to the server";
    EXPECT_TRUE(waitForSound(recording, 3.0, demo.patience)) << "the sink's monitor heard no sound";
    demo.endWithEscape();
    pulse.stopRecording();

    // The recording: silence, the demo's sound from 22 s, silence after Escape.
    const std::vector<double> heard = readStereoAsMono(recording);
    const int64_t onset = soundOnset(heard);
    ASSERT_GE(onset, 0) << "the sink's monitor heard only silence (" << heard.size() << " frames)";
    ASSERT_GE(int64_t(heard.size()) - onset, int64_t(2.5 * RATE)) << "less than 2.5 s of sound recorded";

    // Quarter-second pieces of the first 2.5 s of sound, each looked for in the
    // track from 2 s before to 5 s after the start time. A piece the server
    // played with a gap (the demo's audio thread held up past SDL's 23 ms
    // buffer on a loaded machine) matches less well, so a few may miss.
    const std::vector<double> track = decodedTrackAsMono();
    ASSERT_FALSE(track.empty());
    constexpr int PIECE = RATE / 4, PIECES = 10;
    int matched = 0;
    double soundStart = -1;  // where the sound began in the track, seconds
    for (int k = 0; k < PIECES; ++k) {
        const auto begin = heard.begin() + onset + int64_t(k) * PIECE;
        const Match match = bestMatch({begin, begin + PIECE}, track, std::max<int64_t>(0, (START_SECONDS - 2) * RATE),
                                      int64_t((START_SECONDS + 5) * RATE));
        if (match.correlation < 0.9) continue;
        ++matched;
        if (soundStart < 0) soundStart = double(match.offset - int64_t(k) * PIECE) / RATE;
    }
    EXPECT_GE(matched, PIECES * 6 / 10) << "the recording is not the track's sound";
    RecordProperty("pieces_matched", matched);
    // A gap before the first matching piece would shift it by its length: tens of milliseconds.
    EXPECT_NEAR(soundStart, START_SECONDS, 0.1);
}

// How far the position the pictures follow is ahead of what the server has
// played: the server's queue for the stream and the sink's latency, against
// the buffer the audio layer already takes off what it handed to the device.
// The layer's reading is taken just before and after the server's answer and
// averaged, as the query takes a few milliseconds.
TEST(PulseAudioRun, ReportedPositionRunsWithinAFrameOfWhatTheServerHasPlayed) {
    TestPulseServer pulse;
    ASSERT_TRUE(pulse.start()) << pulse.failureLog();
    const ScopedEnv pulseDriver("SDL_AUDIODRIVER", "pulseaudio"), onThisServer(pulse.clientEnv());
    ASSERT_TRUE(audioInit());
    const uint32_t stream = audioStreamCreateFile(TRACK.c_str());
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(audioChannelPlay(stream));
    // A null sink that has been idle holds about 2 s of rendered silence
    // before it asks the new stream for more (at most one device buffer of the
    // track goes out before that): the position waits at what was handed
    // until then. The steady state is measured from half a second of sound on.
    constexpr uint64_t STEADY_BYTES = RATE * 4 / 2;
    waitUntil([&] { return audioChannelGetHandedBytes(stream) >= STEADY_BYTES; }, 10.0);
    ASSERT_GE(audioChannelGetHandedBytes(stream), STEADY_BYTES) << "the server never asked for the track";

    const double msPerByte = 1000.0 / (RATE * 4.0);
    const std::regex buffer("Buffer Latency: ([0-9]+) usec"), sink("Sink Latency: ([0-9]+) usec");
    auto aheadMs = [&] { return (audioChannelGetHandedBytes(stream) - audioChannelGetPosition(stream)) * msPerByte; };
    std::vector<double> leads;
    for (int i = 0; i < 15; ++i) {
        const double aheadBefore = aheadMs();
        const std::string inputs = pulse.pactl("list sink-inputs");
        const double aheadAfter = aheadMs();
        std::smatch b, s;
        ASSERT_TRUE(std::regex_search(inputs, b, buffer) && std::regex_search(inputs, s, sink)) << inputs;
        const double serverMs = (std::stod(b[1]) + std::stod(s[1])) / 1000.0;
        leads.push_back(serverMs - (aheadBefore + aheadAfter) / 2);
        sleepSeconds(0.1);
    }
    audioFree();
    std::sort(leads.begin(), leads.end());
    const double median = leads[leads.size() / 2];
    RecordProperty("lead_ms", std::to_string(median));
    std::printf("position ahead of the server: median %.1f ms, from %.1f to %.1f ms\n", median, leads.front(),
                leads.back());
    // A 60 Hz frame either way: the pictures neither run ahead nor lag what is heard.
    EXPECT_LT(std::abs(median), 1000.0 / 60);
}

}  // namespace
