// Small widgets: a control without drawing, the control of automation-only parameters, a toggle
// between one fixed state and off, and radio buttons with one state per division.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/state_images.h"

#include <array>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

// Registers parameters with the GUI but draws nothing and takes no pointer input.
// [gui-thread]
class KORVANE_API CNoGUI : public KCGUIControl {
public:
    explicit CNoGUI(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CNoGUI(*this); }
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& /*writer*/) override {}

protected:
    [[nodiscard]] bool IsPointInsideSelf(KCPoint2D<short> /*point*/,
                                         const Event* /*event*/) const override {
        return false;
    }
    [[nodiscard]] bool DoYouIntersectSelf(const KURect<short>& /*rect*/,
                                          const Event* /*event*/) const override {
        return false;
    }
};

// The control of a parameter the host automates but the GUI does not show: invisible like
// CNoGUI, and always automatable. [gui-thread]
class KORVANE_API CControlForAutomation_X : public CNoGUI {
public:
    explicit CControlForAutomation_X(CStandardGUI_X* owner = nullptr) : CNoGUI(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override {
        return new CControlForAutomation_X(*this);
    }
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
};

// A click sets the lead parameter to its fixed state, or to 0 (off) when it is there already.
// The fixed state is the lead registration's "FixedState" value when it answers to one, else
// "FixedState" of the description (default 1). [gui-thread]
class KORVANE_API CFixedStateToggleWithOff : public KCGUIControl {
public:
    explicit CFixedStateToggleWithOff(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override {
        return new CFixedStateToggleWithOff(*this);
    }
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    [[nodiscard]] double GetFixedState() const;
    // Lit while the lead parameter holds the fixed state.
    [[nodiscard]] bool IsOn() const;
    // The image the lead parameter's "Image" extension gives its state, else a lamp, lit when
    // on; then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
    void GetLoadedImages(std::vector<const PluginViewManager::KCBaseImage*>& images) const override;
    // The idle pass plays the state's frames of the "Image" extension; true when one changed.
    bool UpdateMeter() override;
    // Replaces the clock of that animation (a test's). [gui-thread]
    void SetAnimationClock(PluginViewManager::KTMicroClock clock) {
        m_stateImages.SetClock(std::move(clock));
    }

protected:
    // The base's own click stepping is not used: the toggle sets its state itself.
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    // The lead parameter's "Image" extension images.
    KTErr LoadImagesSelf(KTResContainerType* container) override;

private:
    double m_fixedState = 1.0;
    KCStateImages m_stateImages;
};

// One division per state of the lead parameter: children "RadioButtonDivision", each with a
// "Rect" and "Neighbors" whose attributes "left", "right", "top" and "bottom" name the division
// an arrow key moves to (by index; missing or out of range: none). [gui-thread]
class KORVANE_API CRadioButton_X : public KCGUIControl {
public:
    enum ENeighbour : int { eLeft = 0, eRight, eTop, eBottom, eNeighbourCount };
    struct Division {
        KURect<short> rect;
        std::array<int, eNeighbourCount> neighbours{-1, -1, -1, -1};
    };

    explicit CRadioButton_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CRadioButton_X(*this); }
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;

    [[nodiscard]] const std::vector<Division>& GetDivisions() const { return m_divisions; }
    // The division under `point`; -1 for none.
    [[nodiscard]] int DivisionAt(KCPoint2D<short> point) const;
    // The division the lead parameter's state selects; -1 when it selects none.
    [[nodiscard]] int GetSelectedDivision() const;
    // Sets the lead parameter to the division's state; null for an index without a division.
    BUFFER_HEADER* SelectDivision(int index);

    // Every division, the selected one lit, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
    // Takes the divisions along.
    void Move(int dx, int dy) override;

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    // Arrow keys move to the selected division's neighbour.
    BUFFER_HEADER* KeySelf(const Event& event, bool& handled) override;
    // Only the divisions take a click.
    [[nodiscard]] bool IsPointInsideSelf(KCPoint2D<short> point, const Event* event) const override;

private:
    std::vector<Division> m_divisions;
};

}  // namespace kvKorvaneV10_0_3
