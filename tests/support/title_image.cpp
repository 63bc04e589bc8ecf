// Screen read-back against the title image, sampled where the title part's
// quad maps the image onto an 800x600 screen.
#include "support/title_image.h"

#include <IL/il.h>

#include <algorithm>
#include <cmath>

namespace {

struct ImageSample {
    double u, v;
};

// The title quad spans x from -1.35 to 1.33 and y from -1 to 1 at depth 2.4
// under the 45-degree projection.
ImageSample titleTexel(int sx, int sy) {
    const double halfHeight = 2.4 * std::tan(22.5 * M_PI / 180.0);
    const double halfWidth = halfHeight * 800.0 / 600.0;
    const double x = (2.0 * (sx + 0.5) / 800.0 - 1.0) * halfWidth;
    const double y = (1.0 - 2.0 * (sy + 0.5) / 600.0) * halfHeight;
    return {(x + 1.35) / 2.68, (y + 1.0) / 2.0};
}

}  // namespace

ScreenMatch titleImageOnScreen(const TestXServer& server, const std::string& titleImagePath) {
    return titleImageOn([&server](int x, int y) { return server.screenPixel(x, y); }, titleImagePath);
}

ScreenMatch titleImageOn(const std::function<Rgb(int, int)>& screenPixel,
                         const std::string& titleImagePath) {
    ScreenMatch result;
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (!ilLoadImage(titleImagePath.c_str())) {
        ilDeleteImages(1, &image);
        return result;
    }
    ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE);
    const int w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
    const bool bottomFirst = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT;
    const ILubyte* pixels = ilGetData();
    for (int sy = 60; sy < 600; sy += 120) {
        for (int sx = 80; sx < 800; sx += 160) {
            const ImageSample t = titleTexel(sx, sy);
            const int ix = std::min(w - 1, int(t.u * w));
            const int rowFromBottom = std::min(h - 1, int(t.v * h));
            const int iy = bottomFirst ? rowFromBottom : h - 1 - rowFromBottom;
            const ILubyte* p = pixels + (size_t(iy) * w + ix) * 3;
            ++result.samples;
            if (near(screenPixel(sx, sy), {p[0], p[1], p[2]}, 48)) ++result.matching;
        }
    }
    ilDeleteImages(1, &image);
    return result;
}
