// The timeline's chain of five scenes: their inactive flags, their end
// thresholds (read from the timeline table), and the per-frame offer in
// chain order.
#include "scenes/scenes.h"

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
