// Entry point of the browser build: the page address through the native
// command-line parser, the wait for the page's "Click to play", the demo's own
// start-up, then one frame per animation frame until Escape or the end of the
// timeline. Message boxes become page overlays that the start-up waits on.
// Tells the page the timeline's parts, the viewer's parts and the length for
// its controls; the page's own bar replaces the in-picture one (unless its
// test key timeline-bar asks for both). Reads the page's query, its play
// request and box answers, and the canvas size; SDL's media-key events are
// dropped, the page's media session having those keys.
#include <SDL.h>
#include <epoxy/gl.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/music_format.h"
#include "scenes/timeline.h"
#include "shell/command_line.h"
#include "shell/controls.h"
#include "shell/demo.h"
#include "shell/message_box.h"
#include "shell/page_address.h"
#include "shell/stage.h"
#include "shell/timeline_bar.h"
#include "shell/window.h"

// The page's side of each step lives in web/page/page.js, as Module.page.
EM_JS(void, pageShowLine, (const char* text), {
    Module.page.showLine(UTF8ToString(text));
});
EM_JS(void, pageShowParserLine, (), {
    Module.page.showParserLine();
});
EM_JS(void, pageOfferPlay, (), {
    Module.page.offerPlay();
});
EM_JS(int, pagePlayRequested, (), {
    return Module.page.playRequested ? 1 : 0;
});
EM_JS(void, pageShowBox, (const char* caption, const char* text, int yesNo), {
    Module.page.showBox(UTF8ToString(caption), UTF8ToString(text), yesNo !== 0);
});
EM_JS(int, pageBoxAnswer, (), {
    return Module.page.boxAnswer;  // -1 while the box is up, else a MessageAnswer
});
EM_JS(void, pageFrameShown, (double musicSeconds, int timelinePart), {
    Module.page.frameShown(musicSeconds, timelinePart);
});
EM_JS(void, pageNameTimelinePart, (int index, const char* name, double firstSeconds), {
    Module.page.nameTimelinePart(index, UTF8ToString(name), firstSeconds);
});
EM_JS(void, pageShowEnd, (int stoppedAfterFirstFrame), {
    Module.page.showEnd(stoppedAfterFirstFrame !== 0);
});
EM_JS(void, pageNameViewerPart, (int index, const char* name, double firstSeconds, double endSeconds), {
    Module.page.nameViewerPart(index, UTF8ToString(name), firstSeconds, endSeconds);
});
EM_JS(void, pageSetLength, (double seconds), {
    Module.page.setLength(seconds);
});
// The page's test key timeline-bar (page.js takes it out of the address):
// the in-picture bar drawn beside the page's own controls.
EM_JS(int, pageWantsTimelineBar, (), {
    return Module.page.timelineBar ? 1 : 0;
});
// Fullscreen in a page is the page's: the document, where the browser offers it.
EM_JS(void, pageToggleFullscreen, (), {
    Module.page.toggleFullscreen();
});

namespace {

constexpr int WAIT_STEP_MS = 20;  // how often a wait looks at the page again
bool firstFrameOnly = false;      // the page's test key: stop after one frame
int canvasWidth = 0;              // pixels of the drawing buffer the viewport was set for
int canvasHeight = 0;

// The page sizes the canvas to the tab at the device's pixel ratio (also
// through fullscreen changes, which SDL does not follow in a resizable
// window); the picture follows the size of the drawing buffer.
void followCanvasSize() {
    int width = 0, height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    if (width == canvasWidth && height == canvasHeight) return;
    canvasWidth = width;
    canvasHeight = height;
    resizeViewport(width, height);
}

// Blocks the start-up as the native box does: the page keeps running (the
// wait yields to it through ASYNCIFY) and the demo goes on once it is pressed.
MessageAnswer answerInPage(const char* caption, const char* text, MessageIcon,
                           MessageButtons buttons) {
    pageShowBox(caption, text, buttons == MessageButtons::YesNo);
    int answer = -1;
    while ((answer = pageBoxAnswer()) < 0) emscripten_sleep(WAIT_STEP_MS);
    return MessageAnswer(answer);
}

int timelinePartIndex(double position) {
    const TimelinePart* part = timelinePartAt(position);
    return part ? int(part - TIMELINE_PARTS) : -1;
}

void endRun(bool keepPicture) {
    emscripten_cancel_main_loop();
    // A stopped first frame stays on the canvas for the page to read; the
    // window's teardown would empty it.
    if (keepPicture)
        stopMusic();
    else
        shutdownDemo();
    pageShowEnd(keepPicture);
}

// The media keys reach a page through its media session (page.js), which
// calls the same actions; SDL's key events for them would act a second time.
bool isMediaKey(const SDL_Event& event) {
    if (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) return false;
    const SDL_Keycode key = event.key.keysym.sym;
    return key == SDLK_AUDIOPLAY || key == SDLK_AUDIONEXT || key == SDLK_AUDIOPREV || key == SDLK_AUDIOSTOP;
}

// The page's frame: the events the browser queued since the last one (up to
// a key press), then the demo's frame. A close request cannot come from a page, but ends the run
// as natively.
void pageFrame() {
    // A lost context draws nothing again: the music stops with it, and the
    // page keeps the line it shows for the loss.
    if (emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context())) {
        emscripten_cancel_main_loop();
        stopMusic();
        return;
    }
    SDL_Event event;
    bool closeRequested = false;
    while (takeWindowEvent(event)) {
        if (isMediaKey(event)) continue;
        closeRequested = handleDemoEvent(event) || closeRequested;
        // The rest waits for the next frame: a key pressed and released
        // within one frame would otherwise never be seen down.
        if (event.type == SDL_KEYDOWN) break;
    }
    followCanvasSize();
    // The position the frame is drawn at: a pending seek's target, else the
    // music's before the frame refreshes it.
    const double drawnBytes = shownPositionBytes();
    const double drawnAt = secondsAtBytes(drawnBytes);
    const int part = timelinePartIndex(drawnBytes);
    if (closeRequested || produceFrame() != FrameOutcome::Presented) {
        endRun(false);
        return;
    }
    pageFrameShown(drawnAt, part);
    if (firstFrameOnly) endRun(true);
}

// True once the address has become demoOptions; otherwise the page shows why.
bool takeAddressOptions(const char* query) {
    const PageCommandLine commandLine = commandLineFromAddress(query);
    if (!commandLine.refusal.empty()) {
        pageShowLine(commandLine.refusal.c_str());
        return false;
    }
    // A resizable window is the canvas filling the tab, with the 4:3 picture
    // centred in it; the display mode is never the page's to change.
    std::vector<const char*> argv = {commandLine.arguments[0].c_str(), "--windowed"};
    for (size_t i = 1; i < commandLine.arguments.size(); ++i) argv.push_back(commandLine.arguments[i].c_str());
    if (parseCommandLine(int(argv.size()), argv.data(), demoOptions) != KEEP_RUNNING) {
        pageShowParserLine();
        return false;
    }
    firstFrameOnly = commandLine.firstFrameOnly;
    return true;
}

}  // namespace

// The controls as the page's script calls them (Module._demoTogglePause() and
// the rest): the same actions a key press takes, the bar shown as after one.
extern "C" {
EMSCRIPTEN_KEEPALIVE void demoTogglePause() { takeControl({ControlAction::TogglePause}); }
EMSCRIPTEN_KEEPALIVE void demoSeekBy(double seconds) { takeControl({ControlAction::SeekBy, seconds}); }
EMSCRIPTEN_KEEPALIVE void demoSeekTo(double seconds) { takeControl({ControlAction::SeekTo, seconds}); }
EMSCRIPTEN_KEEPALIVE void demoSeekToPart(int delta) { takeControl({ControlAction::SeekToPart, double(delta)}); }
EMSCRIPTEN_KEEPALIVE void demoToggleFullscreen() { takeControl({ControlAction::ToggleFullscreen}); }
EMSCRIPTEN_KEEPALIVE void demoToggleMute() { takeControl({ControlAction::ToggleMute}); }
EMSCRIPTEN_KEEPALIVE void demoEnd() { takeControl({ControlAction::End}); }
// What the page's controls show: the position (the latest seek target, else
// the music's), seconds; paused and muted as 1 or 0.
EMSCRIPTEN_KEEPALIVE double demoPositionSeconds() { return secondsAtBytes(shownPositionBytes()); }
EMSCRIPTEN_KEEPALIVE int demoIsPaused() { return demoPaused ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int demoIsMuted() { return musicMuted ? 1 : 0; }
}

// The web GL stand-in's attribute stack keeps only some bits (web/gl/epoxy/gl.h).
// The browser tests' link stops at a bit it would lose; the page's goes on.
void web_gl::reportUnkeptAttributes(GLbitfield bits) {
#ifdef WEB_GL_CHECKS
    EM_ASM({ console.error('glPushAttrib: bits 0x' + ($0 >>> 0).toString(16) + ' are not kept by the web GL stand-in'); }, bits);
    abort();
#else
    (void)bits;
#endif
}

// The page passes its address's query (location.search) as the one argument.
int main(int argc, char** argv) {
    setMessageBoxHandler(answerInPage);
    fullscreenToggle = pageToggleFullscreen;
    if (!takeAddressOptions(argc > 1 ? argv[1] : "")) return 0;
    for (int i = 0; i < TIMELINE_PART_COUNT; ++i)
        pageNameTimelinePart(i, TIMELINE_PARTS[i].name, secondsAtBytes(TIMELINE_PARTS[i].first));
    for (int i = 0; i < VIEWER_PART_COUNT; ++i) {
        const ViewerPart& part = VIEWER_PARTS.parts[i];
        pageNameViewerPart(i, part.name, secondsAtBytes(part.first), secondsAtBytes(part.end));
    }
    pageSetLength(secondsAtBytes(TIMELINE_END));
    // The page shows its own controls over the picture.
    timelineBarEnabled = pageWantsTimelineBar() != 0;
    // Sound may start only after a gesture: music and timeline start together
    // from the click.
    pageOfferPlay();
    while (!pagePlayRequested()) emscripten_sleep(WAIT_STEP_MS);
    if (!startDemo()) {
        pageShowEnd(false);
        return 0;
    }
    emscripten_set_main_loop(pageFrame, 0, false);  // 0: once per animation frame
    return 0;
}
