#include "korvane/gui/pvm/png_image.h"

#include "korvane/gui/pvm/pvm_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

// Encodes straight (not premultiplied) RGBA pixels as a PNG in memory.
std::vector<unsigned char> EncodeRGBA(int width, int height,
                                      const std::vector<std::uint8_t>& rgba) {
    const std::string png = testing::EncodePNG(width, height, rgba);
    return {png.begin(), png.end()};
}

TEST(PngImage, DecodesToPremultipliedArgb) {
    // Opaque red, half-transparent white, fully transparent green, opaque blue.
    const std::vector<std::uint8_t> rgba{255, 0,   0, 255, 255, 255, 255, 128,
                                         0,   255, 0, 0,   0,   0,   255, 255};
    const auto png = EncodeRGBA(2, 2, rgba);
    KCImagePixels pixels;
    ASSERT_EQ(DecodePNG(png.data(), png.size(), pixels), 0);
    ASSERT_EQ(pixels.width, 2);
    ASSERT_EQ(pixels.height, 2);
    EXPECT_EQ(pixels.At(0, 0), 0xFFFF0000U);
    EXPECT_EQ(pixels.At(1, 0), 0x80808080U);
    EXPECT_EQ(pixels.At(0, 1), 0x00000000U);
    EXPECT_EQ(pixels.At(1, 1), 0xFF0000FFU);
    EXPECT_EQ(pixels.At(2, 0), 0U) << "outside the image reads as transparent";
    EXPECT_EQ(pixels.At(-1, 1), 0U);
}

TEST(PngImage, RefusesDamagedAndOversizedData) {
    KCImagePixels pixels;
    EXPECT_EQ(DecodePNG(nullptr, 0, pixels), eGMUnsupportedImageFormat);
    const char text[] = "not a png at all";
    EXPECT_EQ(DecodePNG(text, sizeof text, pixels), eGMUnsupportedImageFormat);

    auto png = EncodeRGBA(1, 1, {1, 2, 3, 4});
    // Cut inside the image data: the header reads, the pixels do not.
    auto cut = png;
    cut.resize(png.size() - 20);
    EXPECT_NE(DecodePNG(cut.data(), cut.size(), pixels), 0);
    EXPECT_TRUE(pixels.Empty());

    // A header claiming 100000 × 100000 pixels (with a correct checksum) is refused before
    // anything is allocated. IHDR data starts at byte 16: width, height big-endian.
    auto huge = png;
    const unsigned char side[4] = {0x00, 0x01, 0x86, 0xA0};
    std::memcpy(&huge[16], side, 4);
    std::memcpy(&huge[20], side, 4);
    const uLong crc = crc32(0, &huge[12], 17);
    huge[29] = static_cast<unsigned char>(crc >> 24U);
    huge[30] = static_cast<unsigned char>(crc >> 16U);
    huge[31] = static_cast<unsigned char>(crc >> 8U);
    huge[32] = static_cast<unsigned char>(crc);
    EXPECT_EQ(DecodePNG(huge.data(), huge.size(), pixels), eGMInvalidImage);
    EXPECT_TRUE(pixels.Empty());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
