// Screen read-back against the title image: where each screen pixel lands on
// the title quad, and how many sample points show the image's own colour.
#pragma once
#include <string>

#include "support/x_session.h"

// What the title image at `titleImagePath` shows at pixel (sx, sy) of an
// 800x600 picture, y from the TOP, where the title part's quad maps it;
// {-1, -1, -1} when the file cannot be read.
Rgb titleImageAt(const std::string& titleImagePath, int sx, int sy);

struct ScreenMatch {
    int matching = 0;
    int samples = 0;
    bool mostly() const { return samples > 0 && matching >= samples * 3 / 4; }
};

// Samples a 5x5 grid over an 800x600 screen; an image drawn upside down,
// mirrored or cropped fails most points. Empty (0 samples) when the image
// file cannot be read.
ScreenMatch titleImageOnScreen(const TestXServer& server, const std::string& titleImagePath);
