// Decoding PNG data into the pixel layout the renderer draws from: 32-bit native-endian ARGB
// with the colour premultiplied by alpha (Cairo's ARGB32).
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {

// A decoded image: `width` × `height` pixels, rows packed (stride = width × 4 bytes).
// Plain value: [any-thread] on distinct objects.
struct KCImagePixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;  // premultiplied, row-major

    [[nodiscard]] bool Empty() const { return width <= 0 || height <= 0; }
    // The pixel at (x, y); 0 (transparent) outside the image.
    [[nodiscard]] std::uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return 0;
        }
        return argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)];
    }
};

// Largest side and pixel count a decoded image may have; larger images are refused before any
// pixel memory is allocated.
constexpr int kMaxImageSide = 16384;
constexpr std::size_t kMaxImagePixels = std::size_t{64} * 1024 * 1024;

// Decodes a PNG held in memory. On failure `out` is left empty and the result is
// eGMUnsupportedImageFormat (not a PNG, damaged data) or eGMInvalidImage (too large).
// [any-thread]
KORVANE_API KTErr DecodePNG(const void* data, std::size_t size, KCImagePixels& out);

}  // namespace kvKorvaneV10_0_3::PluginViewManager
