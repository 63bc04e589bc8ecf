// The listener's play position on synthetic performance-counter ticks: held
// before play, real time on a silent clock, bounded by what the device was
// handed, never backwards, and the overflow-free scaling it relies on.
#include <gtest/gtest.h>

#include "audio/play_clock.h"

namespace {

constexpr uint64_t TICKS = 1000000;  // ticks per second: one per microsecond
constexpr uint64_t T0 = 7 * TICKS;   // an arbitrary start of play
constexpr uint64_t ms(uint64_t m) { return m * TICKS / 1000; }

TEST(PlayClock, HoldsItsPositionUntilPlayed) {
    PlayClock clock;
    EXPECT_EQ(readClock(clock, T0, TICKS), 0u);
    EXPECT_EQ(readClock(clock, T0 + 100 * TICKS, TICKS), 0u);
    seekClock(clock, 5000, T0);
    EXPECT_EQ(readClock(clock, T0 + 10 * TICKS, TICKS), 5000u);
}

TEST(PlayClock, SilentClockAdvancesWithRealTimeWithoutBound) {
    PlayClock clock;
    startClock(clock, 0, false, T0);
    EXPECT_EQ(readClock(clock, T0, TICKS), 0u);
    EXPECT_EQ(readClock(clock, T0 + ms(10), TICKS), 441u);
    EXPECT_EQ(readClock(clock, T0 + 2500 * ms(1), TICKS), 110250u);
    // Ten hours on, far past any track.
    EXPECT_EQ(readClock(clock, T0 + 36000 * TICKS, TICKS), 36000ull * OUTPUT_RATE);
}

TEST(PlayClock, DeviceClockCountsHandedFramesMinusTheBufferAhead) {
    PlayClock clock;
    startClock(clock, 0, true, T0);
    EXPECT_EQ(readClock(clock, T0 + TICKS, TICKS), 0u);  // nothing handed yet

    const uint64_t t1 = T0 + TICKS;
    noteDeviceFill(clock, 1024, t1);
    EXPECT_EQ(readClock(clock, t1, TICKS), 0u);              // all 1024 still ahead
    EXPECT_EQ(readClock(clock, t1 + ms(10), TICKS), 441u);   // advanced between callbacks
    EXPECT_EQ(readClock(clock, t1 + TICKS, TICKS), 1024u);   // never past what was handed

    // The next callback comes late: the position resumes from the handed end.
    const uint64_t t2 = t1 + ms(40);
    noteDeviceFill(clock, 1024, t2);
    EXPECT_EQ(readClock(clock, t2, TICKS), 1024u);
    EXPECT_EQ(readClock(clock, t2 + ms(5), TICKS), 1024u + 220u);
    EXPECT_EQ(clock.handedFrames, 2048u);
}

TEST(PlayClock, NeverGoesBackwards) {
    PlayClock clock;
    startClock(clock, 0, true, T0);
    noteDeviceFill(clock, 1024, T0);
    const uint64_t late = readClock(clock, T0 + ms(20), TICKS);
    EXPECT_EQ(late, 882u);
    // A reading stamped earlier than the last one, or a tick before the anchor.
    EXPECT_EQ(readClock(clock, T0 + ms(10), TICKS), late);
    EXPECT_EQ(readClock(clock, T0 - ms(10), TICKS), late);
    // A callback that comes early moves the position forward, never back.
    noteDeviceFill(clock, 1024, T0 + ms(21));
    EXPECT_EQ(readClock(clock, T0 + ms(21), TICKS), 1024u);
}

TEST(PlayClock, SeekRestartsFromTheTargetAndWaitsForTheDevice) {
    PlayClock clock;
    startClock(clock, 0, true, T0);
    noteDeviceFill(clock, 1024, T0);
    EXPECT_EQ(readClock(clock, T0 + ms(20), TICKS), 882u);
    seekClock(clock, 100000, T0 + ms(20));
    EXPECT_EQ(readClock(clock, T0 + ms(30), TICKS), 100000u);
    noteDeviceFill(clock, 1024, T0 + ms(30));
    EXPECT_EQ(readClock(clock, T0 + ms(40), TICKS), 100441u);
    seekClock(clock, 0, T0 + ms(40));  // back to the start: the one way down
    EXPECT_EQ(readClock(clock, T0 + ms(40), TICKS), 0u);
}

TEST(PlayClock, LeavingALostDeviceGoesOnFromWhatWasHeardInRealTime) {
    PlayClock clock;
    startClock(clock, 0, true, T0);
    noteDeviceFill(clock, 1024, T0);
    noteDeviceFill(clock, 1024, T0 + ms(20));  // 1024 heard, 1024 more ahead
    // The device fell silent long ago; the capped reading is where we stand.
    const uint64_t lostAt = T0 + ms(500);
    leaveDevice(clock, lostAt, TICKS);
    EXPECT_FALSE(clock.deviceDriven);
    EXPECT_EQ(readClock(clock, lostAt, TICKS), 2048u);
    // From there on, real time without bound, past everything handed.
    EXPECT_EQ(readClock(clock, lostAt + ms(10), TICKS), 2048u + 441u);
    EXPECT_EQ(readClock(clock, lostAt + 10 * TICKS, TICKS), 2048u + 10 * OUTPUT_RATE);
}

TEST(PlayClock, ScaleCountDoesNotOverflowOnLargeCounts) {
    for (uint64_t count : {uint64_t{0}, uint64_t{999999}, uint64_t{1} << 40, ~uint64_t{0} / 44100}) {
        const unsigned __int128 exact = static_cast<unsigned __int128>(count) * 44100 / 1000000007;
        EXPECT_EQ(scaleCount(count, 44100, 1000000007), static_cast<uint64_t>(exact)) << count;
    }
    EXPECT_EQ(scaleCount(~uint64_t{0}, 1, 1), ~uint64_t{0});
}

}  // namespace
