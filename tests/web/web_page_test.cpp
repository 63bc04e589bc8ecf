// The browser build in headless Chromium, served on 127.0.0.1 by the test:
// its first frames against the native program's own frames at the same
// positions (drawn here on llvmpipe), the music's pace with sound, message
// boxes, a lost context, refused addresses and the end screen; every run's
// console free of GL errors and assertions. KV2007_WEB_SITE is the page with
// the assertions link (tools/test-web.sh puts it together).
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/music_format.h"
#include "scenes/scenes.h"
#include "support/title_image.h"
#include "support/web_page.h"

namespace {

class WebPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* site = std::getenv("KV2007_WEB_SITE");
        server = new StaticWebServer;
        ASSERT_TRUE(site && server->start(site)) << "KV2007_WEB_SITE not served";
    }
    static void TearDownTestSuite() { delete server; }

    static PageReport drive(const std::string& query, const std::vector<std::string>& steps, bool sound = false) {
        PageReport report = drivePage(server->address(query), steps, sound);
        EXPECT_EQ(report["problems"], "") << query;
        EXPECT_EQ(report["title"], "KV 2007 Demo - Zorblax!");
        return report;
    }

    // The page's first frame after a click at `seconds` (the test key stops
    // it there), and the native one: the demo's own window, the timeline
    // prepared there, one pass of the chain, no music.
    static std::pair<DecodedImage, DecodedImage> firstFramesAt(const std::string& seconds) {
        const std::string shot = ::testing::TempDir() + "page_" + seconds + "s.png";
        PageReport report = drive("?mute&first-frame-only&start=" + seconds, {"click", "wait:stopped", "shot:" + shot});
        EXPECT_EQ(report["state"], "stopped");
        if (!openDemoWindowIn(DEMO_SOURCE_DIR)) return {};
        prepareTimelineAt(double(bytesAtSeconds(std::atof(seconds.c_str()))));
        runSceneChain();
        std::pair<DecodedImage, DecodedImage> frames = {{}, readFrameImage(800, 600)};
        closeDemoWindow();
        EXPECT_TRUE(loadImage(shot, frames.first)) << shot;
        return frames;
    }

    static StaticWebServer* server;
};
StaticWebServer* WebPage::server = nullptr;

TEST_F(WebPage, TitleShowsAsTheNativeFrameAt22Seconds) {
    const auto [page, native] = firstFramesAt("22");
    ASSERT_FALSE(page.rgba.empty() || native.rgba.empty());
    const ScreenMatch title = titleImageOn([&](int x, int y) { return colourAt(page, x, y); },
                                           DEMO_SOURCE_DIR "/data/Title.jpg");
    EXPECT_TRUE(title.mostly()) << title.matching << " of " << title.samples << " points show the title";
    int agreeing = 0;
    for (int y = 60; y < 600; y += 120)
        for (int x = 80; x < 800; x += 160) agreeing += near(colourAt(page, x, y), colourAt(native, x, y), 48);
    EXPECT_GE(agreeing, 23) << "of 25 grid points within 48 of the native frame";
}

// Two rasterisers (SwiftShader, llvmpipe) and sphere-map coordinates from the
// CPU against texgen: edges and filtering may differ, the picture may not.
TEST_F(WebPage, FirstFrameAt145SecondsMatchesTheNativeOne) {
    const auto [page, native] = firstFramesAt("145");
    const PictureDifference d = differenceBetween(page, native, 48);
    std::printf("145 s against native: %.2f %% of pixels more than 48 apart, mean difference %.2f\n",
                d.share * 100, d.meanAbs);
    EXPECT_LT(d.share, 0.01);  // measured here: 0.00 %
    EXPECT_LT(d.meanAbs, 2.0);  // measured here: 0.18
}

// A wrong rate (a quarter, twice) falls outside; a busy machine does not.
TEST_F(WebPage, WithSoundTheAudioContextRunsAndTheTimelineKeepsTheMusicsPace) {
    PageReport report = drive("?start=22", {"click", "wait:running", "seconds:3"}, true);
    EXPECT_EQ(report["audio"], "running");
    EXPECT_GT(std::atof(report["rate"].c_str()), 0.6) << report["rate"];
    EXPECT_LT(std::atof(report["rate"].c_str()), 1.5) << report["rate"];
}

// The native boxes of a missing track, in order, each holding the start-up
// until its OK is pressed; then the demo plays on.
TEST_F(WebPage, MessageBoxesShowInThePageAndTheDemoGoesOnAfterOk) {
    PageReport report = drive("?start=22", {"remove:/data/KV07.mp3", "click", "box", "box", "wait:running"});
    EXPECT_EQ(report["boxes"], "ERROR: Bass file loading failed! | ERROR: Music failed to play!");
}

TEST_F(WebPage, ALostGraphicsContextLeavesOneLine) {
    PageReport report = drive("?start=22&mute", {"click", "frames:2", "lose", "wait:failed"});
    EXPECT_EQ(report["line"], "The graphics context was lost; reload the page to play again.");
}

struct RefusedAddress {
    const char* query;
    const char* lineStart;
};
void PrintTo(const RefusedAddress& address, std::ostream* out) { *out << address.query; }
class WebPageRefusal : public WebPage, public ::testing::WithParamInterface<RefusedAddress> {};

TEST_P(WebPageRefusal, ShowsItsLineAndStartsNothingOnAClick) {
    PageReport report = drive(GetParam().query, {"wait:refused", "click"});
    EXPECT_EQ(report["state"], "refused");
    EXPECT_EQ(report["line"].rfind(GetParam().lineStart, 0), 0u) << report["line"];
    EXPECT_EQ(report["frames"], "0");
}

INSTANTIATE_TEST_SUITE_P(Addresses, WebPageRefusal, ::testing::Values(
    RefusedAddress{"?start=9:99&mute", "kv2007demo: --start: expects seconds or m:ss"},
    RefusedAddress{"?mute&size=640x480", "kv2007demo: 'size' does not apply in a browser"}));

// Escape, and the end of the timeline, stop the music and offer "Play again";
// keys the demo does not know are ignored.
TEST_F(WebPage, EscapeAndTheTimelinesEndShowTheEndScreen) {
    for (const auto& [query, steps] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"?start=100&mute&fbclid=x", {"click", "frames:2", "key:Escape", "wait:ended"}},
             {"?start=176.2&mute", {"click", "wait:ended"}}}) {
        PageReport report = drive(query, steps);
        EXPECT_EQ(report["again"], "shown") << query;
    }
}

}  // namespace
