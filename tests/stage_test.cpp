// The off-screen stage opened, closed and opened again in one process, as a
// browser page's "Play again" or a second capture would: no thread is left
// behind and the second picture is the first one.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/music.h"
#include "scenes/scenes.h"
#include "shell/stage.h"
#include "support/audio_fixtures.h"
#include "support/test_support.h"
#include "support/working_directory.h"

namespace {

std::vector<uint8_t> titleFrameOnAFreshStage(int width, int height) {
    ScopedWorkingDirectory projectRoot(DEMO_SOURCE_DIR);  // the real data set
    EXPECT_EQ(openOffscreenStage(width, height), "");
    setSilentFrameAt(bytesAtSeconds(22.0));
    EXPECT_EQ(runSceneChain(), 1);
    std::vector<uint8_t> rgb = readFrameRgb(width, height);
    closeStage();
    return rgb;
}

}  // namespace

TEST(Stage, OpenedAgainLeavesNoThreadBehindAndDrawsTheSamePicture) {
    const std::vector<uint8_t> first = titleFrameOnAFreshStage(320, 240);
    const int threadsAfterFirst = threadCount();
    const std::vector<uint8_t> second = titleFrameOnAFreshStage(320, 240);
    EXPECT_EQ(threadCount(), threadsAfterFirst);
    EXPECT_EQ(threadsAfterFirst, 1) << "every thread the stage started has ended";
    EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](uint8_t v) { return v > 0; })) << "a black frame";
    EXPECT_TRUE(first == second) << "the second stage draws another picture";
}
