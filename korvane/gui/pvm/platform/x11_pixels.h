// How a window's pixels are laid out in the X server, and the copy of the renderer's image into
// that layout. Kept apart from the connection so the conversion is tested on any layout.
#pragma once

#include "korvane/core/export.h"

#include <cstddef>
#include <cstdint>

namespace kvKorvaneV10_0_3::PluginViewManager::Native {

struct KORVANE_API KSPixelFormat {
    int depth = 24;
    int bitsPerPixel = 32;
    bool msbFirst = false;  // the server's image byte order
    std::uint32_t redMask = 0xFF0000;
    std::uint32_t greenMask = 0x00FF00;
    std::uint32_t blueMask = 0x0000FF;

    // True when the renderer's native-endian ARGB32 words can be sent as they are.
    [[nodiscard]] bool IsRendererLayout() const;
    // True when the view can write this layout: 32 bits a pixel, depth 24 or 32, 8-bit masks.
    [[nodiscard]] bool IsSupported() const;
};

// Copies `rows` rows of `width` premultiplied ARGB32 pixels (`srcStride` bytes apart) into
// `dst` (width × 4 bytes a row, packed) in `format`.
KORVANE_API void ConvertPixels(const std::uint8_t* src, std::size_t srcStride, int width, int rows,
                               const KSPixelFormat& format, std::uint8_t* dst);

}  // namespace kvKorvaneV10_0_3::PluginViewManager::Native
