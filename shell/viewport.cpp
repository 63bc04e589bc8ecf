// The viewport, the perspective projection and the fixed GL state; reads
// fourThreePicture, which the window sets as it opens and the controls after
// a placement change.
#include "shell/viewport.h"

#include <epoxy/gl.h>
#if defined(_WIN32) && !defined(CALLBACK)
// mingw's glu.h takes CALLBACK from windows.h, whose names (VK_F1 and more)
// the shell must not see.
#define CALLBACK __stdcall
#endif
#include <GL/glu.h>

#include <cstdint>

bool fourThreePicture = false;  // set as the picture opens, and by every placement change

ViewportRect fourThreeViewport(int width, int height) {
    ViewportRect r = {0, 0, width, height};
    if (int64_t(width) * 3 > int64_t(height) * 4)
        r.width = int(int64_t(height) * 4 / 3);
    else
        r.height = int(int64_t(width) * 3 / 4);
    r.width = r.width > 0 ? r.width : 1;
    r.height = r.height > 0 ? r.height : 1;
    r.x = (width - r.width) / 2;
    r.y = (height - r.height) / 2;
    return r;
}

void resizeViewport(int width, int height) {
    constexpr double PICTURE_ASPECT = 800.0 / 600.0;
    if (height == 0) height = 1;
    double aspect = double(width) / double(height);
    if (fourThreePicture) {
        const ViewportRect r = fourThreeViewport(width, height);
        glViewport(r.x, r.y, r.width, r.height);
        aspect = PICTURE_ASPECT;
    } else {
        glViewport(0, 0, width, height);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, aspect, double(0.1f), 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool setupGLState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    return true;
}

