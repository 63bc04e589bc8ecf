// The timeline's chain of five scenes: their inactive flags, their end
// thresholds in bytes of music, and the per-frame offer in chain order.
#include "scenes/scenes.h"

// Set while a scene waits for its turn or after it has finished; only the
// end tests write them, so the timeline runs once per process.
bool introInactive        = false;
bool spinInactive         = true;
bool greetingsInactive    = true;
bool renderTargetInactive = true;
bool lyricsInactive       = true;

// End thresholds, bytes of music (about seconds at 176400 bytes per second).
// greetingsEnd is held at double width, the others at single.
const float  introEnd        = 5289176.0f;   //  29.98 s
const float  spinEnd         = 10576080.0f;  //  59.96 s
const double greetingsEnd    = 13196416.0;   //  74.81 s
const float  renderTargetEnd = 23805512.0f;  // 134.95 s
const float  lyricsEnd       = 31108608.0f;  // 176.35 s

int runSceneChain() {
    return IntroScene() || SpinScene() || GreetingsScene() || RenderTargetScene() ||
           LyricsScene();
}
