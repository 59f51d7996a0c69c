// PNG decoding through libpng's simplified interface, then premultiplication for drawing.
#include "korvane/gui/pvm/png_image.h"

#include <png.h>

#include <bit>
#include <new>
#include <utility>

namespace kvKorvaneV10_0_3::PluginViewManager {

static_assert(std::endian::native == std::endian::little,
              "BGRA bytes are read as native ARGB words");

namespace {

// Scales one 8-bit channel by alpha with rounding, as a compositor expects premultiplied data.
std::uint32_t Premultiply(std::uint32_t channel, std::uint32_t alpha) {
    const std::uint32_t t = channel * alpha + 128U;
    return (t + (t >> 8U)) >> 8U;
}

}  // namespace

KTErr DecodePNG(const void* data, std::size_t size, KCImagePixels& out) {
    out = KCImagePixels{};
    if (data == nullptr || size == 0) {
        return eGMUnsupportedImageFormat;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, data, size) == 0) {
        png_image_free(&image);
        return eGMUnsupportedImageFormat;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide ||
        image.height > kMaxImageSide ||
        std::size_t{image.width} * std::size_t{image.height} > kMaxImagePixels) {
        png_image_free(&image);
        return eGMInvalidImage;
    }
    // BGRA bytes in memory are one native-endian 0xAARRGGBB word on little-endian machines.
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint32_t> pixels;
    try {
        pixels.resize(std::size_t{image.width} * std::size_t{image.height});
    } catch (const std::bad_alloc&) {
        png_image_free(&image);
        return eMemOutOfMemory;
    }
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return eGMUnsupportedImageFormat;
    }
    for (std::uint32_t& p : pixels) {
        const std::uint32_t a = p >> 24U;
        if (a == 255U) {
            continue;
        }
        const std::uint32_t r = Premultiply((p >> 16U) & 0xFFU, a);
        const std::uint32_t g = Premultiply((p >> 8U) & 0xFFU, a);
        const std::uint32_t b = Premultiply(p & 0xFFU, a);
        p = (a << 24U) | (r << 16U) | (g << 8U) | b;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.argb = std::move(pixels);
    return 0;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
