// Images decoded elsewhere, lent to the renderer.
#include "korvane/gui/pvm/loaded_image_source.h"

namespace kvKorvaneV10_0_3::PluginViewManager {

void KCLoadedImageSource::Add(int resID, std::string_view name, const KCImagePixels* pixels) {
    if (pixels == nullptr) {
        return;
    }
    if (name.empty()) {
        m_byID.try_emplace(resID, pixels);
    } else {
        m_byName.try_emplace(std::string(name), pixels);
    }
}

const KCImagePixels* KCLoadedImageSource::GetImage(int resID, std::string_view name) {
    if (name.empty()) {
        if (const auto it = m_byID.find(resID); it != m_byID.end()) {
            return it->second;
        }
    } else if (const auto it = m_byName.find(name); it != m_byName.end()) {
        return it->second;
    }
    return m_fallback == nullptr ? nullptr : m_fallback->GetImage(resID, name);
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
