// The images a parameter's "Image" extension gives its states, for the widgets that show one
// image per state, and the loading of image references into pixels that controls share.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/control_images.h"
#include "korvane/gui/pvm/animation.h"
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

// The "Image" extension's images of a registration's parameter, loaded, and the frame the
// state's animation is at. [gui-thread]
class KORVANE_API KCStateImages {
public:
    // The extension's image at `frame` for the state the parameter holds now; null without a
    // parameter, an "Image" extension, or an image for that state.
    [[nodiscard]] static const KCImageReference* Find(const KCParamRegistrationData* r,
                                                      unsigned int frame = 0);
    // The image at the frame the animation is at.
    [[nodiscard]] const KCImageReference* FindCurrent(const KCParamRegistrationData* r) const {
        return Find(r, m_frame);
    }
    // The idle pass: a state with several frames and a duration plays them in turn on the
    // clock, from its first frame whenever the state changes. True when the frame changed.
    bool Animate(const KCParamRegistrationData* r);
    // Replaces the animation's clock (a test's); empty restores the steady clock.
    void SetClock(PluginViewManager::KTMicroClock clock) { m_animation.SetClock(std::move(clock)); }
    // Loads every image of the extension of `r`'s parameter, replacing what was loaded; the
    // first failure, eNoErr when all loaded or there is none.
    KTErr Load(const KCParamRegistrationData* r, KTResContainerType* container);
    [[nodiscard]] const PluginViewManager::KCBaseImageVector& GetImages() const { return m_images; }

private:
    PluginViewManager::KCBaseImageVector m_images;
    // Keeps the time; its frames only count the state's frames, whose pixels are m_images.
    PluginViewManager::KCAnimation m_animation;
    double m_animatedState = -1.0;
    unsigned int m_frame = 0;
};

// Appends every loaded image of `states` (for KCGUIControl::GetLoadedImages). [gui-thread]
KORVANE_API void AppendStateImages(const KCStateImages& states,
                                   std::vector<const PluginViewManager::KCBaseImage*>& images);

}  // namespace kvKorvaneV10_0_3
