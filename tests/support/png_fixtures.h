// PNG files written byte by byte: the colour types DevIL's saver cannot be
// asked for, and a reference whose row order owes nothing to the library under
// test.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum PngColourType { PNG_GREY = 0, PNG_RGB = 2, PNG_PALETTE = 3, PNG_GREY_ALPHA = 4 };

// An 8-bit PNG of `type`. `pixels` holds rows top first, in the colour type's
// own channels; fewer rows than `height` make a file whose data ends early.
// `palette` is the PLTE chunk's data (RGB triplets) for PNG_PALETTE.
std::string handMadePng(int width, int height, PngColourType type, const std::vector<uint8_t>& pixels,
                        const std::string& palette = "");
