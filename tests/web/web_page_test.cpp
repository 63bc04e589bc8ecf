// The browser build served on 127.0.0.1 by the test. Every engine (Chromium,
// Firefox, WebKit): the title at 22 s against the native program's frame
// (drawn here on llvmpipe), a key seek leaving the frame of a fresh start
// there, the music's pace with sound. Chromium also: a seek from the page's
// bar, message boxes, a lost context, refused addresses, the end screen, and a
// phone's viewport and touch. Every run's console free of GL errors and
// assertions. KV2007_WEB_SITE is the page with the assertions link
// (tools/test-web.sh puts it together).
#include <gtest/gtest.h>

#include <algorithm>
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

    // A file in the test's temporary folder, named by the case (cases run in parallel).
    static std::string shotPath(const std::string& name) {
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '_');
        return ::testing::TempDir() + test + "_" + name + ".png";
    }

    static PageReport drive(const std::string& query, const std::vector<std::string>& steps, PageDrive how = {}) {
        PageReport report = drivePage(server->address(query), steps, how);
        EXPECT_EQ(report["problems"], "") << query;
        EXPECT_EQ(report["title"], "KV 2007 Demo - Zorblax!");
        return report;
    }

    // The page's first frame after a click at `seconds` (the test key stops
    // it there), and the native one: the demo's own window, the timeline
    // prepared there, one pass of the chain, no music.
    static std::pair<DecodedImage, DecodedImage> firstFramesAt(const std::string& seconds, Engine engine = Engine::Chromium) {
        const DecodedImage page = firstPageFrameAt(seconds, engine);
        if (!openDemoWindowIn(DEMO_SOURCE_DIR)) return {};
        prepareTimelineAt(double(bytesAtSeconds(std::atof(seconds.c_str()))));
        runSceneChain();
        std::pair<DecodedImage, DecodedImage> frames = {page, readFrameImage(800, 600)};
        closeDemoWindow();
        return frames;
    }

    static DecodedImage firstPageFrameAt(const std::string& seconds, Engine engine) {
        const std::string shot = shotPath(std::string("page_") + engineName(engine) + "_" + seconds + "s");
        PageReport report = drive("?mute&first-frame-only&start=" + seconds, {"click", "wait:stopped", "picture:" + shot},
                                  {engine});
        EXPECT_EQ(report["state"], "stopped");
        DecodedImage image;
        EXPECT_TRUE(loadImage(shot, image)) << shot;
        return image;
    }

    // The picture that `steps` leave paused against a fresh start at the
    // position it holds, in the same engine.
    static void expectAFreshStartsPicture(const std::string& query, std::vector<std::string> steps, Engine engine) {
        const std::string shot = shotPath(std::string("page_") + engineName(engine) + "_held");
        steps.insert(steps.end(), {"held", "picture:" + shot});
        PageReport report = drive(query, steps, {engine});
        ASSERT_FALSE(report["position"].empty());
        DecodedImage held;
        ASSERT_TRUE(loadImage(shot, held)) << shot;
        const PictureDifference d = differenceBetween(held, firstPageFrameAt(report["position"], engine), 48);
        std::printf("held at %s s against a fresh start there: %.2f %% of pixels more than 48 apart, mean %.2f\n",
                    report["position"].c_str(), d.share * 100, d.meanAbs);
        EXPECT_LT(d.share, 0.01);
        EXPECT_LT(d.meanAbs, 2.0);
    }

    static StaticWebServer* server;
};
StaticWebServer* WebPage::server = nullptr;

// The smoke list every engine runs; Chromium runs the rest too.
class EveryEngine : public WebPage, public ::testing::WithParamInterface<Engine> {};

TEST_P(EveryEngine, TitleShowsAsTheNativeFrameAt22Seconds) {
    const auto [page, native] = firstFramesAt("22", GetParam());
    ASSERT_FALSE(page.rgba.empty() || native.rgba.empty());
    const ScreenMatch title = titleImageOn([&](int x, int y) { return colourAt(page, x, y); },
                                           DEMO_SOURCE_DIR "/data/Title.jpg");
    EXPECT_TRUE(title.mostly()) << title.matching << " of " << title.samples << " points show the title";
    int agreeing = 0;
    for (int y = 60; y < 600; y += 120)
        for (int x = 80; x < 800; x += 160) agreeing += near(colourAt(page, x, y), colourAt(native, x, y), 48);
    EXPECT_GE(agreeing, 23) << "of 25 grid points within 48 of the native frame";
}

// Right 5 s on from 22 s, Space to pause; the in-picture bar of the keys gone
// (2 s) before the picture is taken.
TEST_P(EveryEngine, RightAndSpaceFrom22SecondsLeaveTheFrameOfAFreshStartThere) {
    expectAFreshStartsPicture("?mute&start=22", {"click", "wait:running", "frames:2", "key:ArrowRight", "key: ",
                                                 "held", "after:2.1"}, GetParam());
}

// Music seconds per second of the sound's own clock: a wrong rate (a quarter,
// twice) falls outside; a busy machine, which slows both, does not.
TEST_P(EveryEngine, WithSoundTheAudioContextRunsAndTheTimelineKeepsTheMusicsPace) {
    PageReport report = drive("?start=22", {"click", "wait:running", "seconds:3"}, {GetParam(), true});
    EXPECT_EQ(report["audio"], "running");
    EXPECT_GT(std::atof(report["rate"].c_str()), 0.6) << report["rate"] << ", of page time " << report["pageRate"];
    EXPECT_LT(std::atof(report["rate"].c_str()), 1.5) << report["rate"];
}

INSTANTIATE_TEST_SUITE_P(Engines, EveryEngine, ::testing::Values(Engine::Chromium, Engine::Firefox, Engine::WebKit),
                         [](const auto& info) { return std::string(engineName(info.param)); });

// The page's controls: a click on the seek bar is as exact as start= there,
// back from the render-target meshes into the still title (a held frame
// takes the spectrum there, a first frame has none: only a still part
// compares).
TEST_F(WebPage, ASeekFromTheBarLeavesTheFrameOfAFreshStartThere) {
    expectAFreshStartsPicture("?mute&start=100", {"click", "wait:running", "frames:2", "seekbar:0.15",
                                                  "press:#controls button[aria-label=Pause]"}, Engine::Chromium);
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

// A phone: 390x844 CSS px at 3x, touch only. The controls' look is seen in
// the pictures these leave in the test's temporary folder.
const PageDrive PHONE = {Engine::Chromium, false, true};
const std::string CONTROLS_SHOWN = "document.getElementById('controls').dataset.shown===";

TEST_F(WebPage, OnAPhoneATapPlays) {
    PageReport report = drive("?mute&start=22", {"wait:ready", "note:offer=document.getElementById('line').textContent",
                                                 "click", "wait:running", "frames:2"}, PHONE);
    EXPECT_EQ(report["offer"], "Tap to play");
    EXPECT_EQ(report["viewport"], "390x844@3");
}

TEST_F(WebPage, OnAPhoneATapShowsTheControls) {
    PageReport report = drive("?mute&start=22", {"click", "wait:running", "until:" + CONTROLS_SHOWN + "'false'",
                                                 "tap:0.5,0.4", "until:" + CONTROLS_SHOWN + "'true'",
                                                 "shot:" + shotPath("phone_controls")}, PHONE);
    EXPECT_EQ(report["controls"], "true");
}

// 5 s forward on the right third, back on the left, beside the time played.
TEST_F(WebPage, OnAPhoneADoubleTapSeeksFiveSeconds) {
    std::vector<std::string> steps = {"click", "wait:running", "frames:2"};
    for (const char* x : {"0.85", "0.15"})
        steps.insert(steps.end(), {std::string("note:") + x + "from=[Module._demoPositionSeconds(),performance.now()]",
                                   std::string("tap2:") + x + ",0.5", "after:0.6",
                                   std::string("note:") + x + "to=[Module._demoPositionSeconds(),performance.now()]"});
    PageReport report = drive("?mute&start=60", steps, PHONE);
    for (const auto& [x, seek] : {std::pair{"0.85", 5.0}, {"0.15", -5.0}}) {
        double from[2] = {}, to[2] = {};
        std::sscanf(report[x + std::string("from")].c_str(), "%lf,%lf", &from[0], &from[1]);
        std::sscanf(report[x + std::string("to")].c_str(), "%lf,%lf", &to[0], &to[1]);
        EXPECT_NEAR(to[0] - from[0] - (to[1] - from[1]) / 1000, seek, 0.5) << "double tap at " << x;
    }
}

TEST_F(WebPage, OnAPhonePauseHoldsThePicture) {
    const std::string a = shotPath("paused_a"), b = shotPath("paused_b");
    PageReport report = drive("?mute&start=22", {"click", "wait:running", "frames:2",
                                                 "press:#controls button[aria-label=Pause]", "held", "picture:" + a,
                                                 "after:1", "picture:" + b}, PHONE);
    EXPECT_EQ(report["paused"], "true");
    DecodedImage first, second;
    ASSERT_TRUE(loadImage(a, first) && loadImage(b, second));
    EXPECT_LT(differenceBetween(first, second, 8).share, 0.001);
}

}  // namespace
