// Build-time icon maker: cuts a square out of one of the data set's images and
// scales it to the icon size, with its alpha, as a PNG for the desktop entry
// and the page (or as a JPEG, by OUTPUT's name, for the page's poster).
// Usage: make_icon INPUT OUTPUT LEFT TOP SIDE SIZE (pixels, TOP from the top).
#include <IL/il.h>
#include <IL/ilu.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT LEFT TOP SIDE SIZE\n", argv[0]);
        return 2;
    }
    const int left = std::atoi(argv[3]), top = std::atoi(argv[4]);
    const int side = std::atoi(argv[5]), size = std::atoi(argv[6]);
    ilInit();
    iluInit();
    // Rows from the top down in memory, so that TOP counts as an image editor does.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (!ilLoadImage(argv[1]) || !ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE)) {
        std::fprintf(stderr, "make_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const int width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
    if (side <= 0 || size <= 0 || left < 0 || top < 0 || left + side > width || top + side > height) {
        std::fprintf(stderr, "make_icon: square %d+%d,%d+%d outside the %dx%d image\n", left, side, top,
                     side, width, height);
        return 1;
    }
    // iluCrop counts its y from the image's own origin, which is the top here.
    if (!iluCrop(left, top, 0, side, side, 1)) return 1;
    // Bilinear keeps the letter's outline smooth; nearest would stair-step it.
    iluImageParameter(ILU_FILTER, ILU_BILINEAR);
    if (!iluScale(size, size, 1)) return 1;
    ilEnable(IL_FILE_OVERWRITE);
    const std::string output = argv[2];
    const bool jpeg = output.size() > 4 && output.compare(output.size() - 4, 4, ".jpg") == 0;
    if (jpeg && !ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)) return 1;
    ilSetInteger(IL_JPG_QUALITY, 85);
    if (!ilSave(jpeg ? IL_JPG : IL_PNG, argv[2])) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    ilDeleteImages(1, &image);
    return 0;
}
