// Helpers the view manager's tests share: PNG bytes made with libpng and a bundle of "PNG_"
// resources opened through the resource manager.
#pragma once

#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager::testing {

// A PNG of `width` × `height` straight RGBA pixels.
inline std::string EncodePNG(int width, int height, const std::vector<std::uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    EXPECT_NE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr), 0);
    std::string bytes(size, '\0');
    EXPECT_NE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr),
              0);
    bytes.resize(size);
    return bytes;
}

// A `width` × `height` PNG whose left column is transparent and the rest opaque red.
inline std::string LeftColumnClearPNG(int width, int height) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width * height) * 4U, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 1; x < width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                    static_cast<std::size_t>(x)) *
                                   4U;
            rgba[at] = 255;
            rgba[at + 3] = 255;
        }
    }
    return EncodePNG(width, height, rgba);
}

// The resource manager for the test, and a bundle in a temporary folder whose resources the
// test writes before opening it.
class BundleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr); }
    void TearDown() override {
        if (container != nullptr) {
            EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        }
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    void WriteResource(const std::string& type, const std::string& name, const std::string& bytes) {
        tmp.Write("Test.bundle/Contents/Resources/" + type + "/" + name, bytes);
    }
    void OpenBundle() {
        tmp.Write("Test.bundle/Contents/Resources/.keep", "");
        const FM::KCStPath path(tmp.Path("Test.bundle").c_str());
        ASSERT_EQ(RM::OpenResContainer(path, 0, container, 0), eNoErr);
    }

    FM::testing::TempFolder tmp;
    KTResContainerType* container = nullptr;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager::testing
