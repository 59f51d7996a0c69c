// Per-state images of the "Image" extension, and loading image references into pixels.
#include "korvane/gui/state_images.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/param_extensions.h"
#include "korvane/gui/pvm/base_image.h"

#include <algorithm>
#include <memory>

namespace kvKorvaneV10_0_3 {

void LoadImageReferences(PluginViewManager::KCBaseImageVector& images,
                         const std::vector<KCImageReference>& references,
                         KTResContainerType* container, KTErr& firstError) {
    images = PluginViewManager::KCBaseImageVector(container);
    for (const KCImageReference& reference : references) {
        std::unique_ptr<PluginViewManager::KCBaseImage> image;
        if (reference.resID != 0) {
            image = std::make_unique<PluginViewManager::KCBaseImage>(container, reference.resID);
        } else {
            image =
                std::make_unique<PluginViewManager::KCBaseImageFromFile>(reference.file.c_str());
        }
        if (const KTErr err = image->Load(); err != eNoErr && firstError == eNoErr) {
            firstError = err;
        }
        images.AddImage(std::move(image));
    }
}

void DrawImageReference(kvGS::KCGraphicStreamBinaryWriter& writer, const KCImageReference& image,
                        const KURect<short>& rect) {
    if (image.resID != 0) {
        writer.DrawPNGScaled(image.resID, rect);
    } else {
        writer.DrawPNGScaled(image.file.c_str(), rect);
    }
}

namespace {

const KCParamExtensionImage* ExtensionOf(const KCParamRegistrationData* r) {
    if (r == nullptr || !r->HasParam()) {
        return nullptr;
    }
    return dynamic_cast<const KCParamExtensionImage*>(r->alg->GetParamExtension(r->paramID));
}

}  // namespace

const KCImageReference* KCStateImages::Find(const KCParamRegistrationData* r, unsigned int frame) {
    const KCParamExtensionImage* extension = ExtensionOf(r);
    if (extension == nullptr) {
        return nullptr;
    }
    const KCImageReference* image =
        extension->GetImagePtr(r->alg->GetParamState(r->paramID), frame);
    return image != nullptr && image->IsSet() ? image : nullptr;
}

bool KCStateImages::Animate(const KCParamRegistrationData* r) {
    const unsigned int before = m_frame;
    const KCParamExtensionImage* extension = ExtensionOf(r);
    const double state = extension != nullptr ? r->alg->GetParamState(r->paramID) : -1.0;
    const std::size_t frames = extension != nullptr ? extension->GetFrameCount(state) : 0;
    if (frames < 2 || extension->GetDuration() <= 0) {
        m_animation.StopAnimation();
        m_animatedState = -1.0;
        m_frame = 0;
    } else if (state != m_animatedState || !m_animation.IsRunning() ||
               static_cast<std::size_t>(m_animation.GetImageCount()) != frames) {
        m_animation.Clear();
        for (std::size_t i = 0; i < frames; ++i) {
            m_animation.AddImage(std::make_unique<PluginViewManager::KCBaseImage>());
        }
        m_animation.SetDuration(extension->GetDuration());
        m_animation.StartAnimation();
        m_animatedState = state;
        m_frame = 0;
    } else {
        m_frame = static_cast<unsigned int>(std::max(0, m_animation.UpdateTimer()));
    }
    return m_frame != before;
}

KTErr KCStateImages::Load(const KCParamRegistrationData* r, KTResContainerType* container) {
    KTErr firstError = eNoErr;
    const KCParamExtensionImage* extension = ExtensionOf(r);
    LoadImageReferences(
        m_images,
        extension != nullptr ? extension->GetAllImages() : std::vector<KCImageReference>{},
        container, firstError);
    return firstError;
}

void AppendStateImages(const KCStateImages& states,
                       std::vector<const PluginViewManager::KCBaseImage*>& images) {
    const PluginViewManager::KCBaseImageVector& loaded = states.GetImages();
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (const PluginViewManager::KCBaseImage* image = loaded.GetImagePtr(static_cast<int>(i))) {
            images.push_back(image);
        }
    }
}

}  // namespace kvKorvaneV10_0_3
