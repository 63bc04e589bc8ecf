// Placeholder until the scenes land: every scene declines, so the demo ends
// on its first frame.
#include "scenes/scenes.h"

bool introInactive = false, spinInactive = true, greetingsInactive = true,
     renderTargetInactive = true, lyricsInactive = true;
const float introEnd = 5289176.0f;
const float spinEnd = 10576080.0f;
const double greetingsEnd = 13196416.0;
const float renderTargetEnd = 23805512.0f;
const float lyricsEnd = 31108608.0f;

int IntroScene() { return 0; }
int SpinScene() { return 0; }
int GreetingsScene() { return 0; }
int RenderTargetScene() { return 0; }
int LyricsScene() { return 0; }

int runSceneChain() {
    return IntroScene() || SpinScene() || GreetingsScene() || RenderTargetScene() ||
           LyricsScene();
}
