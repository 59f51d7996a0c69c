// Image lists, animations and menu items from skin XML, with PNG bytes from anywhere: the input
// is an XML document, a NUL byte, and the bytes every image is then decoded from. Whatever
// reads must answer only inside its bounds, play animations on valid frames, and write XML
// that reads back the same.
#include "korvane/gui/pvm/animation.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/pvm/image_vector.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace kvKorvaneV10_0_3;
using namespace kvKorvaneV10_0_3::PluginViewManager;

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Pixel queries at the corners and just outside them.
void ProbeImage(KCBaseImage& image, const std::uint8_t* png, std::size_t size) {
    (void)image.LoadPNGFromMemory(png, size);
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    Check(image.IsLoaded() == (width > 0 && height > 0));
    for (const int x : {-1, 0, width - 1, width, 32767}) {
        for (const int y : {-1, 0, height - 1, height}) {
            const KCPoint2D<short> point{static_cast<short>(x), static_cast<short>(y)};
            const bool outside = x < 0 || y < 0 || x >= width || y >= height;
            Check(!outside || image.IsPixelTransparent(point));
            (void)image.IsPixelTransparent(point);
        }
    }
}

void PlayAnimation(KCAnimation& animation, std::uint64_t step) {
    std::uint64_t now = 0;
    animation.SetClock([&now] { return now; });
    if (animation.StartAnimation() != 0) {
        Check(animation.GetImageCount() == 0);
        return;
    }
    for (int i = 0; i < 16; ++i) {
        now += step * static_cast<std::uint64_t>(i + 1);
        const int frame = animation.UpdateTimer();
        Check(frame >= 0 && frame < animation.GetImageCount());
        Check(animation.GetCurrentImage() == animation.GetImageByIndex(frame));
    }
}

void MenuItemsRoundTrip(const XML::CXMLElement& root) {
    for (const XML::CXMLElement* child : root.GetSubElements()) {
        KCMenuItemInfo info;
        if (info.ReadFromXML(child) != eNoErr) {
            continue;
        }
        XML::CXMLElement written("MenuItem", "");
        info.WriteToXML(&written);
        KCMenuItemInfo again;
        Check(again.ReadFromXML(&written) == eNoErr);
        Check(again.text == info.text && again.userData == info.userData &&
              again.enabled == info.enabled && again.checked == info.checked &&
              again.separator == info.separator && again.imageResID == info.imageResID &&
              again.touch.detail == info.touch.detail &&
              again.touch.iconResID == info.touch.iconResID &&
              again.disableCheckmarks == info.disableCheckmarks &&
              again.disableAutoSelection == info.disableAutoSelection);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* nul = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
    const std::size_t xmlSize = nul == nullptr ? size : static_cast<std::size_t>(nul - data);
    const std::uint8_t* png = nul == nullptr ? data + size : nul + 1;
    const auto pngSize = static_cast<std::size_t>(data + size - png);

    KCBaseImage direct;
    ProbeImage(direct, png, pngSize);

    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    if (builder.BuildFromSingleBuffer(reinterpret_cast<const char*>(data),
                                      static_cast<unsigned int>(xmlSize)) != eNoErr) {
        return 0;
    }
    MenuItemsRoundTrip(root);

    // No container: resource images fail to load, but every entry is still read and kept.
    KCBaseImageVector images;
    (void)images.AddFromXML(&root);
    const int count = static_cast<int>(images.size());
    for (int index = -1; index <= count; ++index) {
        KCAnimation* animation = images.GetAnimation(index);
        const int frames = animation != nullptr ? animation->GetImageCount() : 1;
        for (int frame = -1; frame <= frames; ++frame) {
            KCBaseImage* image = images.GetImagePtr(index, frame);
            const bool inside = index >= 0 && index < count && frame >= 0 && frame < frames;
            Check((image != nullptr) == inside);
            if (image != nullptr) {
                ProbeImage(*image, png, pngSize);
            }
        }
        if (animation != nullptr) {
            PlayAnimation(*animation, (pngSize + 1) * 7919);
        }
        (void)images.SetCurrentImage(index);
        (void)images.GetCurrentImageResID();
        images.SetNextImage();
        Check(images.GetCurrentImageIndex() >= 0 &&
              images.GetCurrentImageIndex() < (count == 0 ? 1 : count));
    }

    XML::CXMLElement written("ImageList", "");
    images.WriteToXML(&written);
    KCBaseImageVector again;
    (void)again.AddFromXML(&written);
    Check(again.size() == images.size());
    return 0;
}
