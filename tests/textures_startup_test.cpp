// Start-up decodes the catalogue on a worker while the window opens, then
// uploads: the textures must be those of loading each row in turn, name for
// name, size for size and texel for texel (so the same way up), including the
// rows whose file is missing or damaged.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/textures.h"
#include "support/test_support.h"
#include "support/working_directory.h"

namespace {
namespace fs = std::filesystem;

struct LoadedTexture {
    unsigned int name;
    TextureImage image;  // nothing for name 0
    bool operator==(const LoadedTexture& o) const { return name == o.name && image == o.image; }
};

LoadedTexture describeTexture(unsigned int name) { return {name, name ? readTexture(name) : TextureImage{}}; }

std::vector<LoadedTexture> catalogueTextures() {
    std::vector<LoadedTexture> all;
    for (const TextureEntry& entry : textureCatalogue) all.push_back(describeTexture(*entry.handle));
    return all;
}

// The project's data set, with one image gone and one cut short.
std::string dataSetWithTwoBadRows() {
    const std::string dir = makeScratchDir("catalogue");
    fs::copy(fs::path(DEMO_SOURCE_DIR) / "data", fs::path(dir) / "data", fs::copy_options::recursive);
    fs::remove(fs::path(dir) / "data/Riddle.png");
    fs::resize_file(fs::path(dir) / "data/Lyrics/Line07.png", 300);
    return dir;
}

TEST(CatalogueStartUp, DecodingWhileTheWindowOpensGivesTheTexturesOfARowByRowLoad) {
    ScopedWorkingDirectory inDataSet(dataSetWithTwoBadRows());

    ASSERT_TRUE(openTestGLContext());
    initImageLibraries();
    for (const TextureEntry& entry : textureCatalogue) *entry.handle = loadImageTexture(entry.path);
    const std::vector<LoadedTexture> rowByRow = catalogueTextures();
    closeTestGLContext();
    for (const TextureEntry& entry : textureCatalogue) *entry.handle = 12345;

    startImageDecoding();
    ASSERT_TRUE(openTestGLContext());
    EXPECT_EQ(loadTextures(), 1);
    const std::vector<LoadedTexture> overlapped = catalogueTextures();
    closeTestGLContext();

    EXPECT_EQ(texRiddle, 0u);
    EXPECT_EQ(texLine07, 0u);
    EXPECT_NE(texLine08, 0u);
    ASSERT_EQ(rowByRow.size(), overlapped.size());
    for (size_t i = 0; i < rowByRow.size(); ++i)
        EXPECT_TRUE(rowByRow[i] == overlapped[i])
            << textureCatalogue[i].path << ": name " << rowByRow[i].name << " / "
            << overlapped[i].name << ", " << rowByRow[i].image.width << "x" << rowByRow[i].image.height
            << " / " << overlapped[i].image.width << "x" << overlapped[i].image.height;
}

}  // namespace
