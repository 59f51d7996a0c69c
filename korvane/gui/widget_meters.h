// Widgets fed by the meter manager besides the VU meter: a rotation knob with a meter arc, a
// meter drawn as a polygon in colour zones, and the automatic-trim button.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/widget_rotation_knob.h"
#include "korvane/gui/widget_vu_meter.h"

#include <optional>
#include <string>

namespace kvKorvaneV10_0_3 {

class KCMeterManager;

// A rotation knob whose lead registration turns it, with the meter of another registered
// parameter drawn as an arc inside the ring (an input level beside an input gain, say). The
// meter is the first registration other than the lead whose parameter has a meter; without
// one the control is a plain knob. [gui-thread]
class KORVANE_API CRotationKnobMeter : public CRotationKnob {
public:
    explicit CRotationKnobMeter(CStandardGUI_X* owner = nullptr) : CRotationKnob(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CRotationKnobMeter(*this); }

    // The registration the meter arc shows; null without one.
    [[nodiscard]] const KCParamRegistrationData* GetMeterRegistration() const;
    // Takes the meter's reading; true, and a redraw asked for, when it changed.
    bool UpdateMeter() override;
    [[nodiscard]] const CVuMeter_X::Reading& GetShownReading() const { return m_shown; }

    // The knob, then the meter arc from the start of the travel (in the clip colour while the
    // meter clips) and the peak tick, then the parameters' metadata and the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr float kPeakTickDegrees = 4.0F;

private:
    CVuMeter_X::Reading m_shown;
};

// A meter drawn as a wedge that widens towards the loud end, filled up to the level in up to
// three colour zones: "MeterColor1" below the first of the "ColorSwitchValues", "MeterColor2"
// up to the second, "MeterColor3" above it. Colours are elements with attributes "R", "G",
// "B", "A" (0 ... 255; missing ones 0, A 255); "ColorSwitchValues" has "Value1" and "Value2",
// in dB of the meter's range; "BackgroundColor" fills the control behind the wedge. What the
// description leaves out takes the palette's meter colours, -18 and -6 dB, and the palette's
// background. The orientation and the reading are the VU meter's. [gui-thread]
class KORVANE_API KCPolygonMeter : public CVuMeter_X {
public:
    explicit KCPolygonMeter(CStandardGUI_X* owner = nullptr) : CVuMeter_X(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new KCPolygonMeter(*this); }

    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    // Writes back exactly the colours and switch values the description gave or a setter set.
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    // Zone 0, 1 or 2.
    [[nodiscard]] KCRGBAColor GetZoneColor(int zone) const;
    void SetZoneColor(int zone, const KCRGBAColor& color);
    [[nodiscard]] KCRGBAColor GetBackgroundColor() const;
    void SetBackgroundColor(const KCRGBAColor& color) { m_background = color; }
    // The switch values in dB, the lower first.
    [[nodiscard]] double GetSwitchValue(int index) const;
    void SetSwitchValues(double first, double second);
    // The switch values as fractions of the meter's displayed range, ascending.
    [[nodiscard]] double GetSwitchFraction(int index) const;

    // The wedge between fractions `from` and `to` of the range, four corners.
    void GetWedgeCorners(double from, double to, KCPoint2D<short> corners[4]) const;

    // The background, the zones up to the level, the peak line, then the parameters' metadata
    // and the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr int kZones = 3;
    static constexpr double kDefaultSwitchDB[2] = {-18.0, -6.0};
    // The wedge's width at its quiet end, as a fraction of the full width.
    static constexpr double kNarrowEnd = 0.25;

private:
    void DrawWedge(kvGS::KCGraphicStreamBinaryWriter& writer, const KCRGBAColor& color, double from,
                   double to) const;

    std::optional<KCRGBAColor> m_colors[kZones];
    std::optional<KCRGBAColor> m_background;
    std::optional<double> m_switchDB[2];
};

// The automatic-trim button. The meter manager proposes the gain change that brings the loudest
// auto-trim meter's peak to 0 dB. A click applies the proposal (less 0.1 dB) once through the
// manager, which tells the algorithm (Meters_ExecuteTrim), and adds the same dB to the button's
// lead parameter, the trim gain in dB, so that the change is a parameter change the host sees
// and records. A button without a settable lead parameter only tells the algorithm. Nothing
// happens while no proposal waits or after it was applied, until the next meter read.
// [gui-thread]
class KORVANE_API KCAutoTrimButton : public KCGUIControl {
public:
    explicit KCAutoTrimButton(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new KCAutoTrimButton(*this); }

    // The manager of the lead registration's algorithm; null without one.
    [[nodiscard]] KCMeterManager* GetMeterManager() const;
    // The proposal in dB; 0 when none waits.
    [[nodiscard]] double GetPendingTrim() const;
    // Takes the proposal; true, and a redraw asked for, when it changed.
    bool UpdateMeter() override;
    // The label: "Trim", and the waiting proposal like "Trim -6.1 dB".
    [[nodiscard]] std::string GetLabel() const;

    // A lamp lit while a proposal waits, the label, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;

private:
    double m_shownTrim = 0.0;
};

}  // namespace kvKorvaneV10_0_3
