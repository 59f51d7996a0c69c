#include "korvane/gui/widget_toggle.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"

#include <cmath>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

BUFFER_HEADER* CToggle_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    m_statesAtDown.clear();
    if (!GetControlFlag(eCtrlMomentary)) {
        return chain;
    }
    // A momentary button is on while it is held.
    const bool* modifiers = event.KeyModifiers().data();
    for (KCParamRegistrationData& r : Registrations()) {
        m_statesAtDown.push_back(r.HasParam() ? r.alg->GetParamState(r.paramID) : r.value);
        chain = ChainBuffers(chain, r.OffsetParamValue(1.0, eRegMouseUp, modifiers));
    }
    return chain;
}

BUFFER_HEADER* CToggle_X::MouseUpSelf(const Event& event) {
    // The base then steps every "MouseUp" registration by one: aim one state before the target
    // so that the step lands on it. A release after a drag with "NoMouseUpAfterDrag" gets no
    // step: the toggle does not step either, and a momentary button goes straight back.
    const double baseStep = HasMovedWhilePressed() ? 0.0 : 1.0;
    const bool* modifiers = event.KeyModifiers().data();
    BUFFER_HEADER* chain = nullptr;
    auto& registrations = Registrations();
    for (std::size_t i = 0; i < registrations.size(); ++i) {
        KCParamRegistrationData& r = registrations[i];
        if (!r.HasParam()) {
            continue;
        }
        const double now = r.alg->GetParamState(r.paramID);
        double target = now + baseStep;
        if (GetControlFlag(eCtrlMomentary) && i < m_statesAtDown.size()) {
            target = m_statesAtDown[i];
        } else if (GetControlFlag(eCtrlSetOppositeNextState)) {
            target = now - baseStep;
        }
        if (target - baseStep != now) {
            chain = ChainBuffers(
                chain, r.OffsetParamValue(target - baseStep - now, eRegMouseUp, modifiers));
        }
    }
    m_statesAtDown.clear();
    return chain;
}

void CToggle_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KCParamRegistrationData* lead = GetLeadRegistration();
    const double state =
        lead == nullptr
            ? 0.0
            : (lead->HasParam() ? lead->alg->GetParamState(lead->paramID) : lead->value);
    const KURect<short> rect = GetControlRect();
    const auto& images = GetImages().foreground;
    // The control's own images come before the parameter's, which every control of it shares.
    const KCImageReference* image = m_stateImages.FindCurrent(lead);
    if (!images.empty()) {
        const auto index = static_cast<std::size_t>(std::max(0.0, std::floor(state)));
        image = &images[std::min(index, images.size() - 1)];
    }
    if (image != nullptr) {
        DrawImageReference(writer, *image, rect);
    } else {
        const short inset = static_cast<short>(std::min(rect.Width(), rect.Height()) / 4);
        const KURect<short> lamp(
            static_cast<short>(rect.top + inset), static_cast<short>(rect.left + inset),
            static_cast<short>(rect.bottom - inset), static_cast<short>(rect.right - inset));
        writer.DrawSolidRect(state != 0.0 ? Palette().toggleOn : Palette().toggleOff, lamp);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

bool CToggle_X::UpdateMeter() {
    if (!m_stateImages.Animate(GetLeadRegistration())) {
        return false;
    }
    SetNeedToRedrawControl();
    return true;
}

KTErr CToggle_X::LoadImagesSelf(KTResContainerType* container) {
    return m_stateImages.Load(GetLeadRegistration(), container);
}

void CToggle_X::GetLoadedImages(std::vector<const PluginViewManager::KCBaseImage*>& images) const {
    KCGUIControl::GetLoadedImages(images);
    AppendStateImages(m_stateImages, images);
}

}  // namespace kvKorvaneV10_0_3
