// The browser build in headless Chromium, served on 127.0.0.1 by the test:
// its first frames against the native program's own frames at the same
// positions (drawn here on llvmpipe), the music's pace with sound, a refused
// address, and the end screen. Every run's console must be free of GL errors
// and assertions. KV2007_WEB_SITE is the page with the assertions link
// (tools/test-web.sh puts it together).
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/music_format.h"
#include "scenes/scenes.h"
#include "support/title_image.h"
#include "support/web_page.h"

namespace {

const std::string TITLE_IMAGE = DEMO_SOURCE_DIR "/data/Title.jpg";

class WebPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* site = std::getenv("KV2007_WEB_SITE");
        server = new StaticWebServer;
        ASSERT_TRUE(site && server->start(site)) << "KV2007_WEB_SITE not served";
    }
    static void TearDownTestSuite() { delete server; }

    static PageReport drive(const std::string& query, const std::vector<std::string>& steps,
                            bool sound = false) {
        PageReport report = drivePage(server->address(query), steps, sound);
        EXPECT_EQ(report["problems"], "") << query;
        EXPECT_EQ(report["title"], "KV 2007 Demo - Zorblax!");
        return report;
    }

    // The first frame of a native run started at `seconds`: the demo's own
    // window, the timeline prepared there, one pass of the chain, no music.
    static Picture nativeFirstFrameAt(double seconds) {
        if (!openDemoWindowIn(DEMO_SOURCE_DIR)) return {};
        prepareTimelineAt(double(bytesAtSeconds(seconds)));
        runSceneChain();
        Picture frame = readBackBuffer(800, 600);
        closeDemoWindow();
        return frame;
    }

    static StaticWebServer* server;
};
StaticWebServer* WebPage::server = nullptr;

// The page's first frame after a click at `seconds`, as the tab shows it.
Picture pageFirstFrameAt(const PageReport& report, const std::string& shot) {
    EXPECT_EQ(report.at("state"), "stopped");
    return loadPicture(shot);
}

TEST_F(WebPage, TitleShowsAsTheNativeFrameAt22Seconds) {
    const std::string shot = ::testing::TempDir() + "page_22s.png";
    const Picture page = pageFirstFrameAt(
        drive("?start=22&mute&first-frame-only", {"click", "wait:stopped", "shot:" + shot}), shot);
    const Picture native = nativeFirstFrameAt(22);
    ASSERT_FALSE(page.rgb.empty() || native.rgb.empty());
    const ScreenMatch title = titleImageIn([&](int x, int y) { return page.at(x, y); }, TITLE_IMAGE);
    EXPECT_TRUE(title.mostly()) << title.matching << " of " << title.samples << " points show the title";
    int agreeing = 0;
    for (int y = 60; y < 600; y += 120)
        for (int x = 80; x < 800; x += 160) agreeing += near(page.at(x, y), native.at(x, y), 48);
    EXPECT_GE(agreeing, 23) << "of 25 grid points within 48 of the native frame";
}

// Two rasterisers (SwiftShader, llvmpipe) and sphere-map coordinates from the
// CPU against texgen: edges and filtering differ, the picture does not.
TEST_F(WebPage, FirstFrameAt145SecondsMatchesTheNativeOne) {
    const std::string shot = ::testing::TempDir() + "page_145s.png";
    const Picture page = pageFirstFrameAt(
        drive("?start=145&mute&first-frame-only", {"click", "wait:stopped", "shot:" + shot}), shot);
    const PictureDifference d = differenceBetween(page, nativeFirstFrameAt(145), 48);
    std::printf("145 s against native: %.2f %% of pixels more than 48 apart, mean difference %.2f\n",
                d.share * 100, d.meanAbs);
    EXPECT_LT(d.share, 0.01);  // measured here: 0.00 %
    EXPECT_LT(d.meanAbs, 2.0);  // measured here: 0.18
}

// A wrong rate (a quarter, twice) falls outside; a busy machine does not.
TEST_F(WebPage, WithSoundTheAudioContextRunsAndTheTimelineKeepsTheMusicsPace) {
    PageReport report = drive("?start=22", {"click", "wait:running", "seconds:3"}, true);
    EXPECT_EQ(report["audio"], "running");
    const double rate = std::atof(report["rate"].c_str());
    EXPECT_GT(rate, 0.6);
    EXPECT_LT(rate, 1.5);
}

// The native boxes of a missing track, in order, each holding the start-up
// until its OK is pressed; then the demo plays on the silent clock.
TEST_F(WebPage, MessageBoxesShowInThePageAndTheDemoGoesOnAfterOk) {
    PageReport report = drive("?start=22", {"remove:/data/KV07.mp3", "click", "box", "box", "wait:running"});
    EXPECT_EQ(report["boxes"], "ERROR: Bass file loading failed! | ERROR: Music failed to play!");
    EXPECT_EQ(report["state"], "running");
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

// Escape, and the end of the timeline, stop the music and offer "Play again".
TEST_F(WebPage, EscapeAndTheTimelinesEndShowTheEndScreen) {
    for (const auto& [query, steps] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"?start=100&mute&fbclid=x", {"click", "frames:2", "key:Escape", "wait:ended"}},
             {"?start=176.2&mute", {"click", "wait:ended"}}}) {
        PageReport report = drive(query, steps);
        EXPECT_EQ(report["state"], "ended") << query;
        EXPECT_EQ(report["again"], "shown") << query;
    }
}

}  // namespace
