// The timeline table: its parts tile the music without gaps, the scenes' end
// thresholds and the lyric rows agree with it, and the lookup names the part
// that owns a position at every edge.
#include <gtest/gtest.h>

#include "scenes/lyric_cues.h"
#include "scenes/scenes.h"
#include "scenes/timeline.h"

namespace {

TEST(TimelineTable, PartsTileTheMusicAndTheLookupFindsTheOwnerAtEveryEdge) {
    EXPECT_EQ(TIMELINE_PARTS[0].first, 0.0);
    EXPECT_EQ(timelinePartAt(-2.0), nullptr);
    for (int i = 0; i < TIMELINE_PART_COUNT; ++i) {
        const TimelinePart& part = TIMELINE_PARTS[i];
        SCOPED_TRACE(part.name);
        ASSERT_LT(part.first, part.end);
        if (i + 1 < TIMELINE_PART_COUNT) {
            EXPECT_EQ(part.end, TIMELINE_PARTS[i + 1].first);
        }
        if (i > 0) {
            EXPECT_GE(int(part.scene), int(TIMELINE_PARTS[i - 1].scene)) << "chain order";
        }
        // Positions are whole frames of 4 bytes or at least even: the last
        // byte pair inside the window still belongs to it.
        EXPECT_EQ(timelinePartAt(part.first), &part);
        EXPECT_EQ(timelinePartAt(part.end - 2.0), &part);
        EXPECT_EQ(timelinePartAt(part.end),
                  i + 1 < TIMELINE_PART_COUNT ? &TIMELINE_PARTS[i + 1] : nullptr);
        EXPECT_EQ(double(float(part.first)), part.first) << "not exact as a 32-bit float";
    }
    EXPECT_EQ(timelinePartAt(TIMELINE_END + 1e6), nullptr);
}

TEST(TimelineTable, SceneThresholdsAndLyricRowsComeFromTheTable) {
    EXPECT_EQ(introEnd, 5289176.0f);
    EXPECT_EQ(spinEnd, 10576080.0f);
    EXPECT_EQ(greetingsEnd, 13196416.0);
    EXPECT_EQ(renderTargetEnd, 23805512.0f);
    EXPECT_EQ(lyricsEnd, 31108608.0f);
    EXPECT_EQ(TIMELINE_END, 31108608.0);
    EXPECT_NEAR(secondsAtBytes(TIMELINE_END), 176.35, 0.005);
    EXPECT_EQ(lyricCues[0].start, float(TIMELINE_PARTS[LYRICS_ROWS].first));
    EXPECT_EQ(lyricCues[LYRIC_CUE_COUNT - 1].end, float(TIMELINE_END));
    EXPECT_EQ(timelinePartAt(lyricCues[30].start)->scene, SceneId::Lyrics);
}

}  // namespace
