// The images a parameter's "Image" extension gives its states, for the widgets that show one
// image per state, and the loading of image references into pixels that controls share.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/control_images.h"
#include "korvane/gui/pvm/image_vector.h"
#include "korvane/rm/res_container_type.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

struct KCParamRegistrationData;

namespace kvGS {
class KCGraphicStreamBinaryWriter;
}

// Replaces `images` with one entry per reference: resources from `container`, files from disk.
// An image that fails to load is kept (drawing nothing); the first failure goes to `firstError`
// when that is still eNoErr. [gui-thread]
KORVANE_API void LoadImageReferences(PluginViewManager::KCBaseImageVector& images,
                                     const std::vector<KCImageReference>& references,
                                     KTResContainerType* container, KTErr& firstError);

// Draws the referenced image scaled to `rect`. [gui-thread]
KORVANE_API void DrawImageReference(kvGS::KCGraphicStreamBinaryWriter& writer,
                                    const KCImageReference& image, const KURect<short>& rect);

// The "Image" extension's images of a registration's parameter, loaded. [gui-thread]
class KORVANE_API KCStateImages {
public:
    // The extension's image (its first frame) for the state the parameter holds now; null
    // without a parameter, an "Image" extension, or an image for that state.
    [[nodiscard]] static const KCImageReference* Find(const KCParamRegistrationData* r);
    // Loads every image of the extension of `r`'s parameter, replacing what was loaded; the
    // first failure, eNoErr when all loaded or there is none.
    KTErr Load(const KCParamRegistrationData* r, KTResContainerType* container);
    [[nodiscard]] const PluginViewManager::KCBaseImageVector& GetImages() const { return m_images; }

private:
    PluginViewManager::KCBaseImageVector m_images;
};

// Appends every loaded image of `states` (for KCGUIControl::GetLoadedImages). [gui-thread]
KORVANE_API void AppendStateImages(const KCStateImages& states,
                                   std::vector<const PluginViewManager::KCBaseImage*>& images);

}  // namespace kvKorvaneV10_0_3
