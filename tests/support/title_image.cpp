// Screen read-back against the title image, sampled where the title part's
// quad maps the image onto an 800x600 screen.
#include "support/title_image.h"

#include <algorithm>
#include <cmath>
#include <map>

// The title quad spans x from -1.35 to 1.33 and y from -1 to 1 at depth 2.4
// under the 45-degree projection. Each file is decoded once per process.
Rgb titleImageAt(const std::string& titleImagePath, int sx, int sy) {
    static std::map<std::string, DecodedImage> decoded;
    if (!decoded.count(titleImagePath) && !loadImage(titleImagePath, decoded[titleImagePath])) {
        decoded.erase(titleImagePath);
        return {-1, -1, -1};
    }
    const DecodedImage& image = decoded[titleImagePath];
    const double halfHeight = 2.4 * std::tan(22.5 * M_PI / 180.0), halfWidth = halfHeight * 800.0 / 600.0;
    const double x = (2.0 * (sx + 0.5) / 800.0 - 1.0) * halfWidth;
    const double y = (1.0 - 2.0 * (sy + 0.5) / 600.0) * halfHeight;
    const int ix = std::clamp(int((x + 1.35) / 2.68 * image.width), 0, image.width - 1);
    const int rowFromBottom = std::clamp(int((y + 1.0) / 2.0 * image.height), 0, image.height - 1);
    const uint8_t* p = image.at(ix, image.height - 1 - rowFromBottom);
    return {p[0], p[1], p[2]};
}

ScreenMatch titleImageOnScreen(const TestXServer& server, const std::string& titleImagePath) {
    ScreenMatch result;
    if (titleImageAt(titleImagePath, 0, 0).r < 0) return result;
    for (int sy = 60; sy < 600; sy += 120) {
        for (int sx = 80; sx < 800; sx += 160) {
            ++result.samples;
            if (near(server.screenPixel(sx, sy), titleImageAt(titleImagePath, sx, sy), 48)) ++result.matching;
        }
    }
    return result;
}
