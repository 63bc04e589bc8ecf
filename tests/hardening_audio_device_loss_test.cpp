// The output device lost during playback, through SDL's own path: the disk
// driver writes the device's output into a pipe that the test drains, then
// the test closes the pipe, the driver's next write fails and SDL reports the
// device removed, as it does for an unplugged sound card. The position must
// go on at the real-time rate, without a stall or a jump, with the track's
// spectrum.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <SDL.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/audio_layer.h"
#include "support/audio_fixtures.h"
#include "support/position_probe.h"
#include "support/test_support.h"

namespace {

constexpr double TRACK_BYTES_PER_SECOND = 176400;  // 44.1 kHz stereo, 16-bit
constexpr uint64_t DEVICE_BUFFER_BYTES = DEVICE_BUFFER_FRAMES * 4;

// A sound card that can be unplugged: the disk driver's output file is a pipe
// read by a thread of the test, at whatever pace the driver writes.
class PipeDevice {
public:
    bool plugIn(const std::string& dir) {
        const std::string path = dir + "/device";
        if (mkfifo(path.c_str(), 0600) != 0) return false;
        // Open before SDL does, so its open for writing finds a reader at once.
        reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        if (reader < 0) return false;
        disk.emplace(std::vector<std::string>{"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + path});
        draining = true;
        drainer = std::thread([this] {
            std::vector<char> buffer(1 << 16);
            while (draining) {
                if (read(reader, buffer.data(), buffer.size()) <= 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        return true;
    }
    // The driver's next write then fails with EPIPE (SIGPIPE is ignored).
    void unplug() {
        if (!drainer.joinable()) return;
        draining = false;
        drainer.join();
        close(reader);
        reader = -1;
    }
    ~PipeDevice() { unplug(); }

private:
    int reader = -1;
    std::optional<ScopedEnv> disk;
    std::atomic<bool> draining{false};
    std::thread drainer;
};

// Waits for SDL's removal event of an output device; false on timeout.
bool waitForDeviceRemoved(double timeoutSeconds) {
    return waitUntil(
        [] {
            SDL_Event event;
            while (SDL_PollEvent(&event))
                if (event.type == SDL_AUDIODEVICEREMOVED && !event.adevice.iscapture) return true;
            return false;
        },
        timeoutSeconds, 0.002);
}

class DeviceLoss : public ::testing::Test {
protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        // A directory per case: CTest may run the cases side by side.
        ASSERT_TRUE(device.plugIn(
            makeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name())));
        // Removal events need the event queue, which audio alone does not start.
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
        ASSERT_TRUE(audioInit()) << SDL_GetError();
        handle = audioStreamCreateFile(audioFixturePath(TONE_44K_STEREO).c_str());
        ASSERT_NE(handle, 0u);
        ASSERT_TRUE(audioChannelPlay(handle));
    }
    void TearDown() override {
        audioFree();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
        SDL_Quit();
    }
    uint64_t position() const { return audioChannelGetPosition(handle); }

    PipeDevice device;
    uint32_t handle = 0;
};

TEST_F(DeviceLoss, PositionGoesOnAtTheRealTimeRateWithTheTracksSpectrum) {
    sleepSeconds(0.3);
    ASSERT_GT(position(), 0u) << "the pipe device never played";
    device.unplug();
    ASSERT_TRUE(waitForDeviceRemoved(10.0)) << "SDL never reported the device lost";

    const TimedReading first = readTimed([&] { return position(); });
    sleepSeconds(1.0);
    const TimedReading second = readTimed([&] { return position(); });
    const RateBounds rate = rateBetween(first, second, TRACK_BYTES_PER_SECOND);
    EXPECT_LE(rate.low, 1.002) << "faster than real time";
    EXPECT_GE(rate.high, 0.998) << "slower than real time";

    // Still inside the three-second tone: the spectrum is the track's.
    float bins[SPECTRUM_BINS];
    audioChannelGetFFT1024(handle, bins);
    EXPECT_EQ(peakBin(bins, SPECTRUM_BINS), TONE_BIN);
}

TEST_F(DeviceLoss, PositionNeitherStallsNorJumpsAcrossTheLoss) {
    sleepSeconds(0.2);
    // Readings every few milliseconds from before the loss until well after.
    std::vector<TimedReading> readings;
    auto sample = [&](double seconds) {
        const double until = steadySeconds() + seconds;
        while (steadySeconds() < until) {
            readings.push_back(readTimed([&] { return position(); }));
            sleepSeconds(0.003);
        }
    };
    sample(0.2);
    device.unplug();
    ASSERT_TRUE(waitForDeviceRemoved(10.0));
    const double removed = steadySeconds();
    sample(0.5);

    for (size_t i = 1; i < readings.size(); ++i) {
        const TimedReading& a = readings[i - 1];
        const TimedReading& b = readings[i];
        ASSERT_GE(b.bytes, a.bytes) << "backwards at reading " << i;
        // Never more than real time allows, give or take the one buffer the
        // device holds ahead of the listener.
        const double allowed = (b.after - a.before) * TRACK_BYTES_PER_SECOND + DEVICE_BUFFER_BYTES;
        EXPECT_LE(double(b.bytes - a.bytes), allowed) << "jump at reading " << i;
    }
    // The position kept moving through the loss: from the unplugging to the
    // end, at least real time less the buffer and the detection delay.
    const auto atOrAfter = [&](double t) {
        return *std::find_if(readings.begin(), readings.end(),
                             [&](const TimedReading& r) { return r.before >= t; });
    };
    const TimedReading fromLoss = atOrAfter(removed);
    const TimedReading& last = readings.back();
    const double minimum = (last.before - fromLoss.after) * TRACK_BYTES_PER_SECOND;
    EXPECT_GE(double(last.bytes - fromLoss.bytes), 0.998 * minimum);
}

}  // namespace
