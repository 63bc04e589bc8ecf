// LyricsScene: the cue table itself, and on screen the empty stretch before
// row 1, the boundary of rows 1 and 2, row 31's illustration switch, the
// alpha references of rows 15, 16, 37 and 38, and row 41's place and shake.
#include "scenes/lyric_cues.h"
#include "support/scenes_fixture.h"

#include <set>

using namespace scenefix;

namespace {
[[maybe_unused]] auto* const window = ::testing::AddGlobalTestEnvironment(new SceneWindow);

// Eye coordinates of the overlay: captions from the base (-1.3, 0.7, -4.5),
// illustrations after the common move (1.3, -1.54, 0).
constexpr double OVERLAY_Z = -4.5, CAPTION_Y = 1.2, ILLUS_Y = -1.24;
constexpr double CAPTION_R = 3.5, ILLUS_R = 1.0;
double captionBand(int band) { return -1.3 + bandMiddle(band, CAPTION_R); }
double illusBand(int band) { return bandMiddle(band, ILLUS_R); }

Rgb captionPixel(int band) { return pixelAtEye(captionBand(band), CAPTION_Y, OVERLAY_Z); }
Rgb illusPixel(int band) { return pixelAtEye(illusBand(band), ILLUS_Y, OVERLAY_Z); }

const LyricCue& row(int n) { return lyricCues[n - 1]; }
// An even position inside row n's window.
float inside(int n) { return row(n).start + 2.0f * std::floor((row(n).end - row(n).start) / 4.0f); }

void drawLyricsAt(float bytes) { ASSERT_EQ(drawSceneAt(LYRICS, bytes), 1); }

// Every pixel of a coarse grid shows the background mesh (texWave) or black.
void expectBackgroundOnly() {
    const Frame f = readFrame();
    const int wave = gridCount(f, colourOf(texWave));
    EXPECT_EQ(wave + gridCount(f, BLACK), GRID_POINTS) << "something besides the background";
    EXPECT_GT(wave, GRID_POINTS / 2);
}
}  // namespace

// ---- the table ---------------------------------------------------------------

TEST(LyricCueTable, ContiguousWindowsFromFirstRowToTheSceneEnd) {
    EXPECT_EQ(row(1).start, 23855512.0f);
    EXPECT_EQ(row(LYRIC_CUE_COUNT).end, lyricsEnd);
    for (int n = 1; n <= LYRIC_CUE_COUNT; ++n) {
        SCOPED_TRACE(n);
        EXPECT_LT(row(n).start, row(n).end);
        if (n > 1) {
            EXPECT_EQ(row(n).start, row(n - 1).end);
        }
        EXPECT_EQ(std::fmod(row(n).start, 2.0f), 0.0f);
        EXPECT_LT(row(n).end, 33554432.0f);
    }
}

TEST(LyricCueTable, CaptionsInOrderIllustrationsAndReferences) {
    const int firstLine = catalogueRow(texLine01);
    std::set<const unsigned int*> illustrations;
    int illustrated = 0;
    for (int n = 1; n <= LYRIC_CUE_COUNT; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(row(n).caption, textureCatalogue[firstLine + n - 1].handle);
        if (row(n).illustration) ++illustrated, illustrations.insert(row(n).illustration);
        if (row(n).laterIllustration) illustrations.insert(row(n).laterIllustration);
        const float expectedCaptionRef = n == 37 ? 0.6f : n == 38 ? 0.99f : 0.4f;
        EXPECT_EQ(row(n).captionReference, expectedCaptionRef);
        EXPECT_EQ(row(n).illustrationReference, (n == 15 || n == 16) ? 0.82f : KEEP);
        EXPECT_EQ(row(n).nearAndShaken, n == 41);
        EXPECT_EQ(row(n).laterFrom != NO_SWITCH, n == 31);
    }
    EXPECT_EQ(illustrated, 19);
    EXPECT_EQ(illustrations.size(), 13u) << "every illustration image is used";
}

// ---- on screen -------------------------------------------------------------

TEST(LyricsScene, OnlyTheBackgroundBeforeRowOne) {
    for (float bytes : {23805512.0f, 23830000.0f, 23855510.0f}) {
        SCOPED_TRACE(bytes);
        drawLyricsAt(bytes);
        expectBackgroundOnly();
        EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    }
}

TEST(LyricsScene, RowsOneAndTwoMeetWithoutOverlap) {
    for (float bytes : {23855512.0f, 23985510.0f}) {
        SCOPED_TRACE(bytes);
        drawLyricsAt(bytes);
        EXPECT_SHOWS(captionPixel(2), colourOf(texLine01));
        EXPECT_SHOWS(illusPixel(2), colourOf(texRap05));
    }
    drawLyricsAt(23985512.0f);
    EXPECT_SHOWS(captionPixel(2), colourOf(texLine02));
    EXPECT_SHOWS(illusPixel(2), colourOf(texRap05));
    EXPECT_EQ(gridCount(readFrame(), colourOf(texLine01)), 0) << "row 1's end is exclusive";
}

TEST(LyricsScene, RowThirtyOneSwitchesIllustrationAt29025512) {
    const struct {
        float bytes;
        const unsigned int& illustration;
    } cases[] = {{28955512.0f, texRap10}, {29025510.0f, texRap10},
                 {29025512.0f, texRap11}, {29125510.0f, texRap11}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        drawLyricsAt(c.bytes);
        EXPECT_SHOWS(captionPixel(2), colourOf(texLine31));
        EXPECT_SHOWS(illusPixel(2), colourOf(c.illustration));
    }
}

// Bands at alpha 0.5, 0.7, 0.9 and 1.0 tell the reference in force: 0.4
// passes band 1, 0.6 band 2, 0.82 band 3 and 0.99 band 4 only.
TEST(LyricsScene, IllustrationsOfRowsFifteenAndSixteenAreCutAt082) {
    for (int n : {15, 16}) {
        SCOPED_TRACE(n);
        drawLyricsAt(inside(n));
        EXPECT_SHOWS(captionPixel(1), colourOf(*row(n).caption));
        EXPECT_FALSE(near(illusPixel(2), colourOf(texRap12))) << "alpha 0.7 is cut at 0.82";
        EXPECT_SHOWS(illusPixel(3), colourOf(texRap12));
    }
    drawLyricsAt(inside(14));
    EXPECT_SHOWS(illusPixel(1), colourOf(texRap04)) << "other rows keep 0.4";
    // The 0.82 left by row 16 does not reach row 17.
    drawLyricsAt(inside(16));
    drawLyricsAt(inside(17));
    EXPECT_SHOWS(captionPixel(1), colourOf(texLine17));
    EXPECT_SHOWS(illusPixel(1), colourOf(texRap07));
}

TEST(LyricsScene, CaptionsOfRowsThirtySevenAndThirtyEightAreCutAt06And099) {
    drawLyricsAt(inside(37));
    EXPECT_FALSE(near(captionPixel(1), colourOf(texLine37)));
    EXPECT_SHOWS(captionPixel(2), colourOf(texLine37));

    drawLyricsAt(inside(38));
    EXPECT_FALSE(near(captionPixel(3), colourOf(texLine38)));
    EXPECT_SHOWS(captionPixel(4), colourOf(texLine38));
}

// Rows 5 and 6 move their illustration further right and 0.6 further away:
// centred at (1.3, -1.0, -5.1) instead of under the caption.
TEST(LyricsScene, RowsFiveAndSixPlaceTheirIllustrationRightAndBack) {
    drawLyricsAt(inside(5));
    EXPECT_SHOWS(pixelAtEye(1.3 + illusBand(2), -1.4, -5.1), colourOf(texRap06));
    EXPECT_FALSE(near(illusPixel(0), colourOf(texRap06)));
}

// Row 41's caption is 2 nearer and 0.9 lower: x from -2.3 to 2.2, y from
// -1.2 to 0.8 at depth 2.5, moved right by 0.8 * bin 1 and up by 0.5 * bin 0.
TEST(LyricsScene, RowFortyOneComesNearerAndShakesWithBinsZeroAndOne) {
    constexpr double Z = -2.5;
    const Rgb line = colourOf(texLine41);
    drawLyricsAt(30500000.0f);
    EXPECT_SHOWS(pixelAtEye(-0.05, 0.75, Z), line);
    EXPECT_FALSE(near(pixelAtEye(-0.05, 0.85, Z), line)) << "top edge at 0.8";
    EXPECT_SHOWS(pixelAtEye(-1.2, 0.0, Z), line) << "alpha-0.5 band, left of the view's edge";

    makeActive(LYRICS);
    fftBins[0] = 0.2f;  // 0.1 up
    runSceneChain();
    EXPECT_SHOWS(pixelAtEye(-0.05, 0.85, Z), line);

    makeActive(LYRICS);
    fftBins[0] = 0.0f;
    fftBins[1] = 0.5f;  // 0.4 right: the alpha-0.3 band, cut out, moves into view
    runSceneChain();
    EXPECT_FALSE(near(pixelAtEye(-1.2, 0.0, Z), line));
    EXPECT_SHOWS(pixelAtEye(-0.8, 0.0, Z), line);
}

TEST(LyricsScene, LastFrameAtTheTimelinesEndShowsOnlyTheBackground) {
    drawLyricsAt(float(TIMELINE_END));
    expectBackgroundOnly();
    EXPECT_TRUE(lyricsInactive);
    EXPECT_EQ(LyricsScene(), 0);
}
