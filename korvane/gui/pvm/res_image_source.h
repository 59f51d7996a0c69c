// KCResImageSource: the renderer's images taken from a plug-in's "PNG_" resources, so a stream
// drawn headless shows the same pictures the controls name.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/pvm/image_source.h"
#include "korvane/rm/res_container_type.h"

#include <map>
#include <string_view>

namespace kvKorvaneV10_0_3::PluginViewManager {

// Images by resource id, each decoded once through the image cache and held for the source's
// life; an id that cannot be loaded is remembered and not tried again. By-name records draw
// nothing. [gui-thread]
class KORVANE_API KCResImageSource : public KCImageSource {
public:
    explicit KCResImageSource(KTResContainerType* container) : m_container(container) {}

    [[nodiscard]] const KCImagePixels* GetImage(int resID, std::string_view name) override;
    // Ids asked for that gave no image.
    [[nodiscard]] unsigned int GetFailedCount() const { return m_failed; }

private:
    KTResContainerType* m_container;  // not owned
    std::map<int, KCBaseImage> m_images;
    unsigned int m_failed = 0;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
