// The checks made before DevIL reads a catalogue image (stated lengths within
// the file, stated pixels within the limit), at their boundaries, and every input the fuzzers found (fuzz/crashes/) loaded
// through the catalogue under a .png and a .jpg name: none may hang, crash or
// show a message, and each row ends as 0 or a valid texture.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/image_check.h"
#include "resources/textures.h"
#include "support/data_dir_fixture.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path findingsDir = fs::path(DEMO_SOURCE_DIR) / "fuzz" / "crashes";

const uint8_t* bytesOf(const std::string& data) { return reinterpret_cast<const uint8_t*>(data.data()); }
bool pngPasses(const std::string& data) { return pngSafeToLoad(bytesOf(data), data.size()); }
bool jpegPasses(const std::string& data) { return jpegSafeToLoad(bytesOf(data), data.size()); }

std::string bigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out += char(value >> shift & 0xFF);
    return out;
}

// The picture's stated size rewritten in place (CRC left stale: not checked).
std::string pngSized(std::string png, uint32_t width, uint32_t height) {
    const size_t fields = png.find("IHDR") + 4;
    return png.replace(fields, 8, bigEndian(width, 4) + bigEndian(height, 4));
}

std::string jpegSized(std::string jpeg, uint32_t width, uint32_t height) {
    const size_t heightField = jpeg.find("\xFF\xC0") + 5;
    return jpeg.replace(heightField, 4, bigEndian(height, 2) + bigEndian(width, 2));
}

// A picture whose JPEG has more compressed data than headers.
std::vector<uint8_t> noisyPixels(int width, int height) {
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 2654435761u >> 13);
    return rgba;
}

// One PNG and one JPEG as DevIL writes them (the PNG with its tEXt chunks, the
// JPEG with its JFIF segment), read back as bytes.
class LengthChecks : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(writeImage(dir + "/whole.png", 8, 8, noisyPixels(8, 8)));
        ASSERT_TRUE(writeImage(dir + "/whole.jpg", 64, 64, noisyPixels(64, 64)));
        png = readFileBytes(dir + "/whole.png");
        jpeg = readFileBytes(dir + "/whole.jpg");
        ASSERT_NE(png.find("tEXt"), std::string::npos);
        ASSERT_EQ(jpeg.compare(0, 4, "\xFF\xD8\xFF\xE0"), 0);
    }
    std::string dir, png, jpeg;
};

TEST_F(LengthChecks, PngPassesWholeAndFailsWhenAChunkRunsPastTheEnd) {
    EXPECT_TRUE(pngPasses(png));
    EXPECT_TRUE(pngPasses(png + "trailing bytes after IEND"));
    const size_t text = png.find("tEXt") - 4;  // the chunk's length field
    EXPECT_TRUE(pngPasses(png.substr(0, text))) << "cut between two chunks";
    EXPECT_FALSE(pngPasses(png.substr(0, text + 2))) << "cut inside a length";
    EXPECT_FALSE(pngPasses(png.substr(0, text + 14))) << "cut inside the chunk's data";
    EXPECT_FALSE(pngPasses(png.substr(0, png.size() - 1))) << "cut inside IEND's CRC";

    std::string inflated = png;  // a whole file whose text chunk claims 2 GiB
    inflated.replace(text, 4, "\x7A\x00\x00\x07", 4);
    EXPECT_FALSE(pngPasses(inflated));
}

TEST_F(LengthChecks, StatedPixelsAboveTheLimitFailEitherWay) {
    ASSERT_EQ(MAX_IMAGE_PIXELS, 4096u * 4096u);
    EXPECT_TRUE(pngPasses(pngSized(png, 4096, 4096)));
    EXPECT_FALSE(pngPasses(pngSized(png, 4097, 4096)));
    EXPECT_TRUE(pngPasses(pngSized(png, 1u << 24, 1))) << "wider than any driver: ILUT scales it";
    EXPECT_FALSE(pngPasses(pngSized(png, 0x7FFFFFFF, 0x7FFFFFFF))) << "no 64-bit overflow";
    ASSERT_NE(jpeg.find("\xFF\xC0"), std::string::npos);
    EXPECT_TRUE(jpegPasses(jpegSized(jpeg, 4096, 4096)));
    EXPECT_FALSE(jpegPasses(jpegSized(jpeg, 4096, 4097)));
    EXPECT_FALSE(jpegPasses(jpegSized(jpeg, 65535, 65535)));
}

TEST_F(LengthChecks, PngCheckLeavesDataThatIsNoPngToDevil) {
    EXPECT_TRUE(pngPasses(""));
    EXPECT_TRUE(pngPasses(png.substr(0, 7)));  // less than the signature
    EXPECT_TRUE(pngPasses(jpeg));
    EXPECT_TRUE(pngPasses(std::string(png.size(), 'x')));
}

TEST_F(LengthChecks, JpegPassesWholeAndFailsWhenASegmentRunsPastTheEnd) {
    EXPECT_TRUE(jpegPasses(jpeg));
    EXPECT_FALSE(jpegPasses(jpeg.substr(0, 5))) << "cut inside the JFIF segment's length";
    EXPECT_FALSE(jpegPasses(jpeg.substr(0, 10))) << "cut inside the JFIF segment";
    // Inside the scan's compressed data: libjpeg runs out of data, not into a skip.
    const size_t scan = jpeg.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const size_t scanData = scan + 2 + (uint8_t(jpeg[scan + 2]) << 8 | uint8_t(jpeg[scan + 3]));
    ASSERT_LT(scanData + 100, jpeg.size());
    EXPECT_TRUE(jpegPasses(jpeg.substr(0, scanData + 100)));
}

TEST_F(LengthChecks, JpegWalkFollowsFillBytesStandaloneMarkersAndScanData) {
    const std::string soi = "\xFF\xD8", eoi = "\xFF\xD9";
    const std::string comment = std::string("\xFF\xFE\x00\x06", 4) + "note";
    EXPECT_TRUE(jpegPasses(soi + "\xFF\xD0" + "\xFF\xFF\xFF" + comment + eoi));
    // FF 00 in compressed data is a literal byte, not a marker with a length.
    EXPECT_TRUE(jpegPasses(soi + "\x12\xFF" + std::string(1, '\0') + "\x34" + comment + eoi));
    // A comment after the scan data that runs past the end.
    EXPECT_FALSE(jpegPasses(soi + "\x12\x34" + std::string("\xFF\xFE\x01\x00", 4) + "cut"));
    // Lengths below 2 are libjpeg's to refuse; the walk still ends.
    EXPECT_TRUE(jpegPasses(soi + std::string("\xFF\xFE\x00\x00", 4) + eoi));
    EXPECT_TRUE(jpegPasses(""));
    EXPECT_TRUE(jpegPasses(soi));
    EXPECT_TRUE(jpegPasses(png));
}

TEST_F(LengthChecks, FileCheckFollowsTheNameAsDevilDoes) {
    const std::string cutPng = png.substr(0, png.find("tEXt") + 10);
    const std::string cutJpeg = jpeg.substr(0, 10);
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"cut.png", cutPng}, {"cut.PNG", cutPng}, {"cut.jpg", cutJpeg},
        {"cut.JPEG", cutJpeg}, {"cut.jpe", cutJpeg}};
    for (const auto& [name, bytes] : refused) {
        writeFileBytes(dir + "/" + name, bytes);
        EXPECT_FALSE(imageFileSafeToLoad((dir + "/" + name).c_str())) << name;
    }
    // Another name gets another reader, which these checks do not know.
    writeFileBytes(dir + "/cut.bmp", cutPng);
    EXPECT_TRUE(imageFileSafeToLoad((dir + "/cut.bmp").c_str()));
    writeFileBytes(dir + "/jpeg-named.png", cutJpeg);
    EXPECT_TRUE(imageFileSafeToLoad((dir + "/jpeg-named.png").c_str()));
    EXPECT_TRUE(imageFileSafeToLoad((dir + "/missing.png").c_str()));
    EXPECT_TRUE(imageFileSafeToLoad((dir + "/whole.png").c_str()));
    EXPECT_TRUE(imageFileSafeToLoad((dir + "/whole.jpg").c_str()));
}

class CatalogueWithFuzzFindings : public EmptyDataDirTest {};

TEST_F(CatalogueWithFuzzFindings, EachLoadsAsZeroOrATextureUnderBothNames) {
    std::vector<fs::path> findings;
    for (const fs::directory_entry& entry : fs::directory_iterator(findingsDir))
        if (entry.path().extension() != ".md") findings.push_back(entry.path());
    ASSERT_GE(findings.size(), 8u);

    for (const fs::path& finding : findings) {
        SCOPED_TRACE(finding.filename().string());
        fs::copy_file(finding, "data/Riddle.png", fs::copy_options::overwrite_existing);
        fs::copy_file(finding, "data/Title.jpg", fs::copy_options::overwrite_existing);
        EXPECT_EQ(loadTextures(), 1);
        EXPECT_TRUE(texRiddle == 0 || glIsTexture(texRiddle));
        EXPECT_TRUE(texTitle == 0 || glIsTexture(texTitle));
        EXPECT_EQ(releaseTextures(), 1);
    }
    EXPECT_TRUE(recordedBoxes().empty());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
