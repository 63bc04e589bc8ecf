// The timeline: five scenes offered each frame in chain order; each hands the
// screen on when musicBytePos reaches its end threshold.
#pragma once

extern bool introInactive, spinInactive, greetingsInactive, renderTargetInactive, lyricsInactive;

extern const float introEnd;         // 5289176 bytes
extern const float spinEnd;          // 10576080 bytes
extern const double greetingsEnd;    // 13196416 bytes
extern const float renderTargetEnd;  // 23805512 bytes
extern const float lyricsEnd;        // 31108608 bytes

int IntroScene();
int SpinScene();
int GreetingsScene();
int RenderTargetScene();
int LyricsScene();

// Offers the frame to the scenes in order; returns 1 when one drew it, 0 when
// all declined (the demo is over).
int runSceneChain();
