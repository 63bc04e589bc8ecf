// Last scene: the rap's lines as caption images, each in its own window of
// the music, some with an illustration beneath, over mesh B under the
// standard spin. Reads musicBytePos, spinPhase, fftBins[0] and [1].
#include <epoxy/gl.h>

#include "audio/music.h"
#include "meshes/meshes.h"
#include "resources/textures.h"
#include "scenes/lyric_cues.h"
#include "scenes/scene_conventions.h"
#include "scenes/scenes.h"

namespace {
constexpr float MESH_DISTANCE      = -2.0f;
constexpr Move  OVERLAY_BASE       = {-1.3f, 0.7f, -4.5f};
constexpr Move  NEARER             = {0.0f, -0.9f, 2.0f};  // row 41's caption
constexpr float SHAKE_BIN1_X       = 0.8f;                 // per unit of fftBins[1]
constexpr float SHAKE_BIN0_Y       = 0.5f;                 // per unit of fftBins[0]
constexpr float CAPTION_RIGHT_EDGE = 3.5f;
constexpr float ILLUS_RIGHT_EDGE   = 1.0f;

void translate(const Move& m) { glTranslatef(m.x, m.y, m.z); }

void drawBackground() {
    sphereMappingOn(GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, texWave);
    beginFrame();
    glTranslatef(0.0f, 0.0f, MESH_DISTANCE);
    applyStandardSpin();
    drawMeshB();
    sphereMappingOff();
}

// Nothing is pushed or reset within a row: the illustration's move adds to
// the caption's transform.
void drawCue(const LyricCue& cue) {
    if (cue.nearAndShaken) {
        translate(NEARER);
        glTranslatef(SHAKE_BIN1_X * fftBins[1], SHAKE_BIN0_Y * fftBins[0], 0.0f);
    }
    setCutOutReference(cue.captionReference);
    glBindTexture(GL_TEXTURE_2D, *cue.caption);
    drawQuadWithRightEdge(CAPTION_RIGHT_EDGE);
    if (!cue.illustration) return;
    translate(cue.move);
    if (cue.illustrationReference != KEEP) setCutOutReference(cue.illustrationReference);
    glBindTexture(GL_TEXTURE_2D, *illustrationAt(cue, musicBytePos));
    drawQuadWithRightEdge(ILLUS_RIGHT_EDGE);
}
}  // namespace

int LyricsScene() {
    if (lyricsInactive) return 0;
    runEndTest(lyricsEnd, lyricsInactive, nullptr);
    drawBackground();

    beginLayer();
    translate(OVERLAY_BASE);
    beginCutOut();
    for (const LyricCue& cue : lyricCues)
        if (musicBytePos >= cue.start && musicBytePos < cue.end) drawCue(cue);
    endCutOut();
    return 1;
}
