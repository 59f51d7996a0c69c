// CToggle_X: a button that steps its parameters through their states on each click.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/state_images.h"

#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

// The click itself is the base logic: registrations that answer to "MouseUp" step by one,
// modulo the number of states. "Momentary" makes the step at mouse-down and takes it back at
// mouse-up; "SetOppositeNextState" steps backwards. With "NoMouseUpAfterDrag" a release after a
// drag makes no step of either kind (a momentary button still goes back). [gui-thread]
class KORVANE_API CToggle_X : public KCGUIControl {
public:
    explicit CToggle_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CToggle_X(*this); }

    // The background, then the lead state: the foreground image of that index when there are
    // foreground images, else the image the lead parameter's "Image" extension gives the state,
    // else a lit inner square when the state is not 0.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
    void GetLoadedImages(std::vector<const PluginViewManager::KCBaseImage*>& images) const override;
    // The idle pass plays the state's frames of the "Image" extension; true when one changed.
    bool UpdateMeter() override;
    // Replaces the clock of that animation (a test's). [gui-thread]
    void SetAnimationClock(PluginViewManager::KTMicroClock clock) {
        m_stateImages.SetClock(std::move(clock));
    }

protected:
    // The lead parameter's "Image" extension images.
    KTErr LoadImagesSelf(KTResContainerType* container) override;
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;

private:
    std::vector<double> m_statesAtDown;
    KCStateImages m_stateImages;
};

}  // namespace kvKorvaneV10_0_3
