// KCLoadedImageSource: the renderer's images taken from pixels already decoded elsewhere (the
// images controls loaded), so a stream that names a file draws without reading it again.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/pvm/image_source.h"

#include <map>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::PluginViewManager {

// Borrowed pixels by resource id and by name, and another source asked for what is not here.
// The pixels and the fallback must outlive the source. [gui-thread]
class KORVANE_API KCLoadedImageSource : public KCImageSource {
public:
    explicit KCLoadedImageSource(KCImageSource* fallback = nullptr) : m_fallback(fallback) {}

    // Keeps `pixels` under the id, or under the name when it is not empty; null is ignored
    // and the first pixels given for a key stay.
    void Add(int resID, std::string_view name, const KCImagePixels* pixels);
    [[nodiscard]] std::size_t size() const { return m_byID.size() + m_byName.size(); }

    [[nodiscard]] const KCImagePixels* GetImage(int resID, std::string_view name) override;

private:
    KCImageSource* m_fallback;  // not owned
    std::map<int, const KCImagePixels*> m_byID;
    std::map<std::string, const KCImagePixels*, std::less<>> m_byName;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
