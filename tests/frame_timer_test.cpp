// FrameTimer: small first reading, growth with real time, and the single-
// precision start reading whose rounding offsets every result equally.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "scenes/scenes.h"
#include "shell/frame_timer.h"

namespace {

// Half the float spacing at the magnitude of an absolute reading: the most
// the float start reading can be off.
double startRoundingBound(double absoluteSeconds) {
    const float f = float(absoluteSeconds);
    return 0.5 * double(std::nextafter(f, INFINITY) - f);
}

TEST(FrameTimer, FirstReadingIsWithinTheStartRoundingOfZero) {
    FrameTimer timer;
    const float first = timer.elapsed();
    const double bound = startRoundingBound(timer.now()) + 0.05;
    EXPECT_LE(std::fabs(first), bound);
}

TEST(FrameTimer, ReadingsGrowWithRealTime) {
    FrameTimer timer;
    const float before = timer.elapsed();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const float after = timer.elapsed();
    EXPECT_GE(after - before, 0.055f);
    EXPECT_GE(timer.elapsed(), after);
}

TEST(FrameTimer, ElapsedIsTheFloatOfNowMinusAFloatStart) {
    FrameTimer timer;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const float elapsed = timer.elapsed();
    const double now = timer.now();
    // now - elapsed recovers the start reading, which must be a float value
    // (to within the time between the two calls and the float rounding of elapsed).
    const double start = now - double(elapsed);
    const double nearestFloat = double(float(start));
    EXPECT_NEAR(start, nearestFloat, 0.01 + std::fabs(elapsed) * 1e-7);
}

TEST(FrameTimer, GlobalTimerCountsFromProcessStart) {
    // frameTimer was built during static initialisation, before this test ran.
    const float sinceStart = frameTimer.elapsed();
    EXPECT_GT(sinceStart, -0.2f);
    EXPECT_LT(sinceStart, 600.0f);
    EXPECT_EQ(elapsedSeconds, 0.0f) << "only the frame loop writes elapsedSeconds";
}

}  // namespace
