// Images of a resource container for the renderer.
#include "korvane/gui/pvm/res_image_source.h"

#include <limits>

namespace kvKorvaneV10_0_3::PluginViewManager {

const KCImagePixels* KCResImageSource::GetImage(int resID, std::string_view name) {
    if (!name.empty() || resID < std::numeric_limits<short>::min() ||
        resID > std::numeric_limits<short>::max()) {
        return nullptr;
    }
    auto [it, added] = m_images.try_emplace(resID, m_container, static_cast<short>(resID));
    if (added && it->second.LoadPNGFromResource() != eNoErr) {
        ++m_failed;
    }
    return it->second.GetPixels();
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
