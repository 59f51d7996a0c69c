#include "korvane/gui/pvm/platform/x11_pixels.h"

#include <bit>
#include <cstring>

namespace kvKorvaneV10_0_3::PluginViewManager::Native {
namespace {

bool IsByteMask(std::uint32_t mask) {
    return mask != 0 && std::popcount(mask) == 8 && (std::countr_zero(mask) % 8) == 0;
}

}  // namespace

bool KSPixelFormat::IsRendererLayout() const {
    const bool hostMsb = std::endian::native == std::endian::big;
    return bitsPerPixel == 32 && msbFirst == hostMsb && redMask == 0xFF0000 &&
           greenMask == 0x00FF00 && blueMask == 0x0000FF;
}

bool KSPixelFormat::IsSupported() const {
    const bool distinct =
        (redMask & greenMask) == 0 && (redMask & blueMask) == 0 && (greenMask & blueMask) == 0;
    return bitsPerPixel == 32 && (depth == 24 || depth == 32) && IsByteMask(redMask) &&
           IsByteMask(greenMask) && IsByteMask(blueMask) && distinct;
}

void ConvertPixels(const std::uint8_t* src, std::size_t srcStride, int width, int rows,
                   const KSPixelFormat& format, std::uint8_t* dst) {
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    if (format.IsRendererLayout()) {
        for (int y = 0; y < rows; ++y) {
            std::memcpy(dst + static_cast<std::size_t>(y) * rowBytes,
                        src + static_cast<std::size_t>(y) * srcStride, rowBytes);
        }
        return;
    }
    const int redShift = std::countr_zero(format.redMask);
    const int greenShift = std::countr_zero(format.greenMask);
    const int blueShift = std::countr_zero(format.blueMask);
    // The bits no colour uses carry alpha on a 32-bit visual.
    const std::uint32_t alphaMask =
        format.depth == 32 ? ~(format.redMask | format.greenMask | format.blueMask) : 0;
    const int alphaShift = alphaMask != 0 ? std::countr_zero(alphaMask) : 0;
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* in = src + static_cast<std::size_t>(y) * srcStride;
        std::uint8_t* out = dst + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            std::uint32_t argb = 0;
            std::memcpy(&argb, in + static_cast<std::size_t>(x) * 4, 4);
            const std::uint32_t a = argb >> 24U;
            const std::uint32_t r = (argb >> 16U) & 0xFFU;
            const std::uint32_t g = (argb >> 8U) & 0xFFU;
            const std::uint32_t b = argb & 0xFFU;
            std::uint32_t pixel = (r << redShift) | (g << greenShift) | (b << blueShift);
            if (alphaMask != 0) {
                pixel |= (a << alphaShift) & alphaMask;
            }
            std::uint8_t* p = out + static_cast<std::size_t>(x) * 4;
            for (int i = 0; i < 4; ++i) {
                const int shift = format.msbFirst ? 24 - (8 * i) : 8 * i;
                p[i] = static_cast<std::uint8_t>(pixel >> static_cast<unsigned>(shift));
            }
        }
    }
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager::Native
