// The graphic stream's record layouts, byte for byte (little-endian, 4-byte aligned), and the
// conversions between SGSRect and the GUI's rectangles.
#pragma once

#include "korvane/core/geometry.h"
#include "korvane/gs/gs_commands.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace kvKorvaneV10_0_3::kvGS {

// Records are 4-byte aligned in the stream, so 64-bit fields may sit at offsets 4 mod 8.
#pragma pack(push, 4)

struct SGSCommandHeader {
    KTGSCode code = eGSNone;
    std::uint32_t size = 0;  // header included, a multiple of 4
};

struct SGSRect {
    std::int32_t x = 0;  // left
    std::int32_t y = 0;  // top
    std::int32_t width = 0;
    std::int32_t height = 0;
    constexpr bool operator==(const SGSRect&) const = default;
};

struct SGSSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    constexpr bool operator==(const SGSSize&) const = default;
};

struct SGSLocation {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct SGSScale {
    float x = 1.0F;
    float y = 1.0F;
    float z = 1.0F;
    constexpr bool operator==(const SGSScale&) const = default;
};

struct SGSRGBAColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;
    constexpr bool operator==(const SGSRGBAColor&) const = default;
};

struct SGSStreamSignature {
    std::int32_t v[4] = {};
};

struct SGSStream {
    SGSCommandHeader header{eGSBeginStream, 112};
    std::int64_t owner = 0;
    SGSRect rect;
    SGSStreamSignature signature;
    char text[64] = {};
};

struct SGSFrame {
    SGSCommandHeader header{eGSBeginFrame, 32};
    std::int64_t owner = 0;
    SGSRect rect;
};

struct SGSFrameRotate {
    SGSCommandHeader header{eGSRotateFrame, 20};
    std::int32_t angleDegrees = 0;
    std::int32_t xOffset = 0;
    std::int32_t yOffset = 0;
};

struct SGSClipRect {
    SGSCommandHeader header{eGSClipRect, 24};
    SGSRect rect;
};

// ResID −100: the image named by the text in the latest data record.
inline constexpr std::int32_t kGSResIDByName = -100;

struct SGSDrawPNG {
    SGSCommandHeader header{eGSDrawPNG, 52};
    std::int32_t ResID = 0;
    SGSRect draw_rect;
    SGSRect clip_rect;
    std::int32_t reserved1 = -1;
    std::int32_t reserved2 = -1;
};

struct SGSDrawText {
    SGSCommandHeader header{eGSDrawText, 24};
    std::int64_t owner = 0;
    KTGSCode hAlign = eGSHCenter;
    KTGSCode vAlign = eGSVCenter;
};

struct SGSFont {
    SGSCommandHeader header{eGSFont, 52};
    char name[32] = {};  // not terminated when the name fills it
    std::int32_t size = 0;
    SGSRGBAColor color;
    std::int32_t flags = 0;
};

struct SGSDrawOval {
    SGSCommandHeader header{eGSDrawOval, 48};
    float sweep_angle = 360.0F;
    float start_angle = 0.0F;
    float stroke_width = 1.0F;
    std::int32_t reserved = 0;
    SGSRect rect;
    std::int32_t slices_num = 0;
    SGSRGBAColor draw_color;
};

struct SGSDrawVertices {
    enum EGSDrawLineFlags : std::int32_t {
        NoAntialias = 1,
        ColorsInData = 2,
        eDrawInXORMode = 4,
    };
    SGSCommandHeader header{eGSDrawVertices, 48};
    KTGSCode method = eGSLineStrip;
    float stroke_width = 1.0F;
    std::uint16_t stroke_pattern = 0xFFFF;
    std::uint16_t padding = 0;
    std::int32_t flags = 0;
    SGSRGBAColor draw_color;
    SGSSize logical_size;
    SGSScale scale;
};

// The head of a data record; in "DataHere" the payload follows it.
struct SGSData {
    SGSCommandHeader header{eGSDataHere, 28};
    KTGSCode dataType = eGSChar;
    KTGSCode purpose = eGSText;
    std::uint32_t count = 0;
    std::uint64_t address = 0;  // "DataPtr" only: where the payload lives in the writer's process
};

struct SGSOldStyleDraw {
    SGSCommandHeader header{eGSOldStyleDraw, 16};
    std::int32_t param1 = 0;
    std::int32_t param2 = 0;
};

#pragma pack(pop)

static_assert(sizeof(SGSCommandHeader) == 8 && sizeof(SGSRect) == 16);
static_assert(sizeof(SGSStream) == 112 && offsetof(SGSStream, rect) == 16 &&
              offsetof(SGSStream, signature) == 32 && offsetof(SGSStream, text) == 48);
static_assert(sizeof(SGSFrame) == 32 && offsetof(SGSFrame, rect) == 16);
static_assert(sizeof(SGSFrameRotate) == 20 && sizeof(SGSClipRect) == 24);
static_assert(sizeof(SGSDrawPNG) == 52 && offsetof(SGSDrawPNG, clip_rect) == 28);
static_assert(sizeof(SGSDrawText) == 24 && offsetof(SGSDrawText, vAlign) == 20);
static_assert(sizeof(SGSFont) == 52 && offsetof(SGSFont, size) == 40 &&
              offsetof(SGSFont, flags) == 48);
static_assert(sizeof(SGSDrawOval) == 48 && offsetof(SGSDrawOval, rect) == 24 &&
              offsetof(SGSDrawOval, draw_color) == 44);
static_assert(sizeof(SGSDrawVertices) == 48 && offsetof(SGSDrawVertices, flags) == 20 &&
              offsetof(SGSDrawVertices, logical_size) == 28 &&
              offsetof(SGSDrawVertices, scale) == 36);
static_assert(sizeof(SGSData) == 28 && offsetof(SGSData, address) == 20);
static_assert(sizeof(SGSOldStyleDraw) == 16);

// x = left, y = top, width = right − left, height = bottom − top. [any-thread]
template <typename T>
constexpr SGSRect ToSGSRect(const KURect<T>& r) {
    return {static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top),
            static_cast<std::int32_t>(r.right - r.left),
            static_cast<std::int32_t>(r.bottom - r.top)};
}

namespace detail {

// Integer targets saturate instead of wrapping.
template <typename T>
constexpr T NarrowRectValue(std::int64_t v) {
    if constexpr (std::is_integral_v<T>) {
        return static_cast<T>(std::clamp<std::int64_t>(v, std::numeric_limits<T>::min(),
                                                       std::numeric_limits<T>::max()));
    } else {
        return static_cast<T>(v);
    }
}

}  // namespace detail

// The inverse of ToSGSRect; the far edges are summed in 64 bits (records come from anywhere)
// and, like every edge, saturate at the limits of an integer T. [any-thread]
template <typename T>
constexpr KURect<T> FromSGSRect(const SGSRect& r) {
    const std::int64_t bottom = std::int64_t{r.y} + r.height;
    const std::int64_t right = std::int64_t{r.x} + r.width;
    return {detail::NarrowRectValue<T>(r.y), detail::NarrowRectValue<T>(r.x),
            detail::NarrowRectValue<T>(bottom), detail::NarrowRectValue<T>(right)};
}

constexpr SGSRGBAColor ToSGSColor(const KCRGBAColor& c) {
    return {c.red, c.green, c.blue, c.alpha};
}

}  // namespace kvKorvaneV10_0_3::kvGS
