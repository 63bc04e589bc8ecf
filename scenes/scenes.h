// The timeline: five scenes offered each frame in chain order; each hands the
// screen on when musicBytePos reaches its end threshold (scenes/timeline.h).
//
// GL state the scenes hand each other on purpose (none restores what it set):
// - texture environment mode: GL_REPLACE, as the greetings scene leaves it,
//   is what the render-target scene's photo part draws under (undimmed); the
//   intro's logo part leaves GL_REPLACE for its title part;
// - current colour: (0.3, 0.3, 0.3), set by drawMeshA and drawMeshB, dims
//   whatever is drawn under GL_MODULATE;
// - bound texture: the last one a scene bound stays bound into the next frame
//   and the next scene.
#pragma once

#include "audio/music.h"
#include "scenes/timeline.h"

extern bool introInactive, spinInactive, greetingsInactive, renderTargetInactive, lyricsInactive;
// The flags as a run from the start has them while `scene` draws: its own
// clear, every other set (every one for an id outside the chain).
void makeSceneActive(SceneId scene);

// End thresholds in bytes of music, at the widths the end tests compare them.
extern const float introEnd;
extern const float spinEnd;
extern const double greetingsEnd;
extern const float renderTargetEnd;
extern const float lyricsEnd;

int IntroScene();
int SpinScene();
int GreetingsScene();
int RenderTargetScene();
int LyricsScene();

// The one frame function of every target (live play, capture, the browser's
// animation frame, the start-anywhere preparation): offers the frame to the
// scenes in order, drawing from the inputs in force (setFrameInput); returns
// 1 when one drew it, 0 when all declined (the timeline is over). It never
// blocks, waits or loops beyond the one frame.
int runSceneChain();

// renderTex1 as a run from the start leaves it at `position`: inside the
// render-target scene's meshes part, its passes of the square's last turn
// replayed alone (down to whole frames, under the state that part gives the
// pass; only the last one where every pass covers the whole target); elsewhere
// nothing. Nothing reaches the window; the sync signals may
// be left at the last pass's position.
void replayRenderTargetHistory(double position);

// The timeline as a fresh process has it before its first frame: the intro
// waiting for it and every later scene waiting, the GL state the scenes hand
// on back at its start-up values, renderTex1 holding no pass. Seeks call it
// before prepareTimelineAt, so a seek shows what a start there shows.
void restartTimeline();

// Makes the next frame the one a run from the start would draw at `position`
// (bytes, before the end of the timeline): one frame of every earlier part is
// drawn (inside a one-pixel scissor box) and never presented, so the GL state
// the scenes hand on is in force;
// inside the render-target part, the passes of the last turn of its square
// are replayed into renderTex1 as well. The scene that owns the position is
// then the active one, the earlier ones finished, the later ones waiting, and
// the sync signals stand at `position` with a silent spectrum.
void prepareTimelineAt(double position);
