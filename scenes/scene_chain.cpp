// The timeline's chain of five scenes: their inactive flags, their end
// thresholds (read from the timeline table), and the per-frame offer in
// chain order.
#include "scenes/scenes.h"

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

int runSceneChain() {
    return IntroScene() || SpinScene() || GreetingsScene() || RenderTargetScene() ||
           LyricsScene();
}

namespace {

// The flags as a run from the start has them while `scene` draws.
void makeSceneActive(SceneId scene) {
    bool* const flags[SCENE_COUNT] = {&introInactive, &spinInactive, &greetingsInactive,
                                      &renderTargetInactive, &lyricsInactive};
    for (int i = 0; i < SCENE_COUNT; ++i) *flags[i] = i != int(scene);
}

void drawUnpresentedFrame(SceneId scene, double position) {
    makeSceneActive(scene);
    setSilentFrameAt(static_cast<uint64_t>(position));
    runSceneChain();
}

}  // namespace

void prepareTimelineAt(double position) {
    const TimelinePart* owner = timelinePartAt(position);
    if (!owner) return;
    for (const TimelinePart* part = TIMELINE_PARTS; part != owner; ++part)
        drawUnpresentedFrame(part->scene, part->first);
    replayRenderTargetHistory(position);
    makeSceneActive(owner->scene);
    setSilentFrameAt(static_cast<uint64_t>(position));
}
