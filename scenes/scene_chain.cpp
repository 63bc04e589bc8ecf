// The timeline's chain of five scenes: their inactive flags, their end
// thresholds (read from the timeline table), and the per-frame offer in
// chain order.
#include "scenes/scenes.h"

#include <algorithm>
#include <iterator>

#include "audio/music.h"

// Set while a scene waits for its turn or after it has finished; only the
// end tests write them, so the timeline runs once per process.
bool introInactive        = false;
bool spinInactive         = true;
bool greetingsInactive    = true;
bool renderTargetInactive = true;
bool lyricsInactive       = true;

// greetingsEnd is held at double width, the others at single.
const float  introEnd        = float(sceneEnd(SceneId::Intro));
const float  spinEnd         = float(sceneEnd(SceneId::Spin));
const double greetingsEnd    = sceneEnd(SceneId::Greetings);
const float  renderTargetEnd = float(sceneEnd(SceneId::RenderTarget));
const float  lyricsEnd       = float(sceneEnd(SceneId::Lyrics));

float elapsedSeconds = 0;  // seconds; written by the frame loop after each presented frame

int runSceneChain() {
    return IntroScene() || SpinScene() || GreetingsScene() || RenderTargetScene() ||
           LyricsScene();
}

namespace {

// The square drawn into renderTex1 turns by spinPhase * 150 degrees, a whole
// turn every 480000 bytes; each pass draws over the last, so what the target
// shows is the sum of the last turn's passes, replayed at 60 frames a second.
constexpr double SQUARE_TURN_BYTES = 480000.0;
constexpr double REPLAY_STEP_BYTES = 2940.0;  // 1/60 s

// The flags as a run from the start has them while `scene` draws.
void makeSceneActive(SceneId scene) {
    bool* const flags[SCENE_COUNT] = {&introInactive, &spinInactive, &greetingsInactive,
                                      &renderTargetInactive, &lyricsInactive};
    for (int i = 0; i < SCENE_COUNT; ++i) *flags[i] = i != int(scene);
}

void placeSignalsAt(double position) {
    deriveSyncSignals(static_cast<uint64_t>(position));
    std::fill(std::begin(fftBins), std::end(fftBins), 0.0f);
}

void drawUnpresentedFrame(SceneId scene, double position) {
    makeSceneActive(scene);
    placeSignalsAt(position);
    runSceneChain();
}

}  // namespace

void prepareTimelineAt(double position) {
    const TimelinePart* owner = timelinePartAt(position);
    if (!owner) return;
    for (const TimelinePart* part = TIMELINE_PARTS; part != owner; ++part)
        drawUnpresentedFrame(part->scene, part->first);
    if (owner == &TIMELINE_PARTS[RENDER_TARGET_MESHES]) {
        const double from = std::max(owner->first, position - SQUARE_TURN_BYTES);
        for (double p = from; p < position; p += REPLAY_STEP_BYTES)
            drawUnpresentedFrame(owner->scene, 4.0 * static_cast<uint64_t>(p / 4.0));
    }
    makeSceneActive(owner->scene);
    placeSignalsAt(position);
}
