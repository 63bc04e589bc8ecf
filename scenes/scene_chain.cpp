// The timeline's chain of five scenes: their inactive flags, their end
// thresholds (read from the timeline table), and the per-frame offer in
// chain order.
#include "scenes/scenes.h"

#include <epoxy/gl.h>

#include "audio/music.h"
#include "resources/render_target.h"
#include "resources/textures.h"

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

void makeSceneActive(SceneId scene) {
    bool* const flags[SCENE_COUNT] = {&introInactive, &spinInactive, &greetingsInactive,
                                      &renderTargetInactive, &lyricsInactive};
    for (int i = 0; i < SCENE_COUNT; ++i) *flags[i] = i != int(scene);
}

namespace {

void drawUnpresentedFrame(SceneId scene, double position) {
    makeSceneActive(scene);
    setSilentFrameAt(static_cast<uint64_t>(position));
    runSceneChain();
}

}  // namespace

// The earlier parts' frames are drawn for the state they hand on, which no
// pixel decides: a one-pixel scissor box spares the rasteriser their whole
// area (the next frame clears every pixel anyway).
void prepareTimelineAt(double position) {
    const TimelinePart* owner = timelinePartAt(position);
    if (!owner) return;
    glPushAttrib(GL_SCISSOR_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    for (const TimelinePart* part = TIMELINE_PARTS; part != owner; ++part)
        drawUnpresentedFrame(part->scene, part->first);
    glPopAttrib();
    replayRenderTargetHistory(position);
    makeSceneActive(owner->scene);
    setSilentFrameAt(static_cast<uint64_t>(position));
}

// Start-up leaves the last render texture it made bound and GL's initial
// texture mode, colour, alpha function and client arrays in force.
void restartTimeline() {
    makeSceneActive(SceneId::Intro);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindTexture(GL_TEXTURE_2D, renderTex3);
    clearRenderTarget();
}
