// CRotationKnob: a knob that turns with its lead parameter. A drag moves the parameters through
// the base registration logic; the knob only draws.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API CRotationKnob : public KCGUIControl {
public:
    explicit CRotationKnob(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CRotationKnob(*this); }

    // Besides the control's description: "ImageStrip" with "ResID" and "Frames", a vertical
    // strip of equally high frames, the first for state 0.
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;

    // The pointer's angle for `state`, 0° up and clockwise: −135° at 0, +135° at 1000.
    [[nodiscard]] static double StateToAngle(double state);
    // The strip frame shown for `state`; 0 without a strip.
    [[nodiscard]] int StateToFrame(double state) const;

    // With a strip, its frame for the lead state; otherwise a ring, the arc of the value over
    // it, and a pointer.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr double kSweepDegrees = 270.0;

protected:
    // The lead registration's state; 0 without one.
    [[nodiscard]] double GetLeadState() const;
    // The strip frame or the ring, value arc and pointer, without background or selection.
    void DrawKnob(kvGS::KCGraphicStreamBinaryWriter& writer, double state);

private:
    short m_stripResID = 0;
    int m_stripFrames = 0;
};

}  // namespace kvKorvaneV10_0_3
