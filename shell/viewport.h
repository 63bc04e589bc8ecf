// The picture on the stage: the viewport and projection of a drawable (the
// whole of it, or its largest centred 4:3 part under the projection of
// 800x600) and the fixed GL state every scene starts from. Set by the window
// as it opens, for each new size, and by every placement change.
#pragma once

// The picture kept 4:3 in the largest centred viewport, black beside: in a
// window or borderless fullscreen, off-screen, and after every placement
// change; the exclusive 800x600 mode (and the window the question leads to)
// keeps the drawable's own aspect.
extern bool fourThreePicture;

// The viewport and projection for a drawable of width x height pixels: the
// whole drawable at its own aspect, or with fourThreePicture the largest
// centred 4:3 part of it under the projection of 800x600.
void resizeViewport(int width, int height);

struct ViewportRect {
    int x, y, width, height;  // pixels, from the lower-left corner
};
// The largest 4:3 rectangle centred in width x height (at least 1x1).
ViewportRect fourThreeViewport(int width, int height);
// The fixed GL state every scene starts from.
bool setupGLState();

