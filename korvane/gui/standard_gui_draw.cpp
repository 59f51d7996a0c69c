// Drawing the standard GUI: one graphic stream for the whole window, redraw requests and a PNG
// of the live GUI.
#include "korvane/gui/standard_gui.h"

#include "korvane/gs/gs_records.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/image_vector.h"
#include "korvane/gui/pvm/loaded_image_source.h"
#include "korvane/gui/pvm/res_image_source.h"

namespace kvKorvaneV10_0_3 {

namespace {

// Lends the pixels of a control's image under the key its stream record names: the file name
// for an image from a file, the resource id otherwise.
void LendImage(const PluginViewManager::KCBaseImage* image,
               PluginViewManager::KCLoadedImageSource& source) {
    if (const auto* file = dynamic_cast<const PluginViewManager::KCBaseImageFromFile*>(image)) {
        source.Add(0, file->GetFileName(), file->GetPixels());
    } else {
        source.Add(image->GetResID(), {}, image->GetPixels());
    }
}

}  // namespace

bool CStandardGUI_X::NeedToRedrawGUI() const {
    if (m_needRedrawGUI) {
        return true;
    }
    for (const auto& control : m_controls) {
        if (!control->IsHidden() && control->IsOnShownPage() && control->NeedToRedrawControl()) {
            return true;
        }
    }
    return false;
}

void CStandardGUI_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    kvGS::SGSStream stream;
    stream.rect = kvGS::ToSGSRect(m_rect);
    writer.OpenStream(stream);
    GetDrawInstructionsBasePict(writer, m_rect);
    for (unsigned int i = 0; i < GetNumGUIControllers(); ++i) {
        GetDrawInstructionsForControl(i, writer);
    }
    GetDrawInstructionsSelectedRect(writer);
    writer.CloseFrame(kvGS::eGSEndStream);
    // Everything is drawn now, hidden controls included: they have nothing left to show.
    for (const auto& control : m_controls) {
        control->UpdateRedrawControl();
    }
    m_needRedrawGUI = false;
}

void CStandardGUI_X::GetDrawInstructionsBasePict(kvGS::KCGraphicStreamBinaryWriter& writer,
                                                 const KURect<short>& rect) {
    if (GetGUIFlag(eGUIFlagNoImages) || GetGUIFlag(eGUIFlagDropBaseImage) ||
        m_currentBasePicture >= m_pictures.base.size()) {
        return;
    }
    const short id = m_pictures.base[m_currentBasePicture];
    if (id == 0 || id == PluginViewManager::kNoImageResID) {
        return;
    }
    // Positions inside the stream are relative to the GUI's own corner.
    writer.DrawPNGAtPosition(id, {static_cast<short>(rect.left - m_rect.left),
                                  static_cast<short>(rect.top - m_rect.top)});
}

bool CStandardGUI_X::GetDrawInstructionsForControl(unsigned int index,
                                                   kvGS::KCGraphicStreamBinaryWriter& writer) {
    KCGUIControl* control = GetControlPtrByIndex(index);
    if (control == nullptr || control->IsHidden() || !control->IsOnShownPage()) {
        return false;
    }
    control->GetDrawInstructions(writer);
    control->GetDrawInstructionsStaticTexts(writer);
    return true;
}

void CStandardGUI_X::GetDrawInstructionsSelectedRect(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (GetGUIFlag(eGUIFlagNoSelectRect) || m_selectRect.Width() <= 0 ||
        m_selectRect.Height() <= 0) {
        return;
    }
    writer.DrawXORRect(m_selectRect);
}

void CStandardGUI_X::SetSelectRect(const KURect<short>& rect) {
    m_selectRect = rect;
    m_needRedrawGUI = true;
}

KTErr CStandardGUI_X::RenderToPNG(std::vector<unsigned char>& png) {
    kvGS::KCGraphicStreamBinaryWriter writer(
        static_cast<unsigned int>(m_streamThreshold > 0 ? m_streamThreshold : 0));
    GetDrawInstructions(writer);
    if (writer.GetError() != eNoErr) {
        return writer.GetError();
    }
    // The stream names images; the renderer draws the pixels the controls loaded, so a file
    // image is not read again (nor a changed file shown), and resources fill in the rest.
    PluginViewManager::KCResImageSource resources(m_resources);
    PluginViewManager::KCLoadedImageSource images(&resources);
    std::vector<const PluginViewManager::KCBaseImage*> loaded;
    for (const auto& control : m_controls) {
        control->GetLoadedImages(loaded);
    }
    for (const PluginViewManager::KCBaseImage* image : loaded) {
        LendImage(image, images);
    }
    return PluginViewManager::RenderGraphicStreamToPNG(
        static_cast<const char*>(writer.GetStream().ptr), writer.GetStream().size, &images, png, {},
        true);
}

}  // namespace kvKorvaneV10_0_3
