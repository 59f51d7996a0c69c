// CVuMeter_X: a level meter that shows the meter of the parameter it is registered to.
#pragma once

#include "korvane/algorithm/param_extension.h"
#include "korvane/algorithm/param_registration.h"
#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"

namespace kvKorvaneV10_0_3 {

// The meter's value is read from the algorithm's meter manager, which the algorithm refreshes
// from the processing side at idle time. The GUI's idle or timer calls UpdateMeter and redraws
// the control when it asks to. [gui-thread]
class KORVANE_API CVuMeter_X : public KCGUIControl {
public:
    // What the meter shows, as fractions of its displayed range (0 at the bottom or left end).
    struct Reading {
        double level = 0.0;
        double peak = 0.0;
        bool hasClip = false;  // the meter detects clipping
        bool clipped = false;
        bool operator==(const Reading&) const = default;
    };

    explicit CVuMeter_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CVuMeter_X(*this); }

    // Besides the base's children: "UsedAsFillControl" (its "Value", lower-cased, "off" clears
    // it) makes the bar a filled rectangle; without it the level is a line.
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    [[nodiscard]] bool IsUsedAsFillControl() const { return m_fill; }
    void SetUsedAsFillControl(bool fill) { m_fill = fill; }
    // Vertical when the control rectangle is at least as high as it is wide.
    [[nodiscard]] bool IsVertical() const;

    // The meter of the lead registration's parameter; null when it has none.
    [[nodiscard]] KCParamExtensionMeter* GetMeter() const;
    // The meter's displayed value, peak and clip state now; all zero without a meter.
    [[nodiscard]] Reading ReadMeter() const;
    // Takes the current reading; true, and a redraw asked for, when it differs from the one
    // drawn last.
    bool UpdateMeter() override;
    [[nodiscard]] const Reading& GetShownReading() const { return m_shown; }

    // Where the bar may grow: the control rectangle less the clip lamp, which takes the top
    // (vertical) or right (horizontal) kClipLampSize pixels of a meter that detects clipping.
    [[nodiscard]] KURect<short> GetBarArea() const;
    [[nodiscard]] KURect<short> GetClipLampRect() const;
    // The part of the bar area the level fills, from the bottom or left end.
    [[nodiscard]] KURect<short> GetLevelRect(double fraction) const;

    // The background, the bar (or level line), the peak line, the clip lamp, then the
    // parameters' metadata and the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr short kClipLampSize = 4;
    static constexpr short kLineSize = 2;

protected:
    // A click on the meter resets its peak hold and its clip lamp, then takes the new reading.
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;

private:
    Reading m_shown;
    bool m_fill = false;
};

// The meter of `registration`'s parameter in its algorithm's meter manager; null when the
// registration names no parameter or the parameter has no meter. [gui-thread]
[[nodiscard]] KORVANE_API KCParamExtensionMeter* FindParamMeter(
    const KCParamRegistrationData* registration);
// That meter's reading now, as fractions of its displayed dB range; all zero without a meter.
// Every widget that shows a meter reads it this way. [gui-thread]
[[nodiscard]] KORVANE_API CVuMeter_X::Reading ReadParamMeter(
    const KCParamRegistrationData* registration);
// A linear gain as a fraction of the meter's displayed dB range (-60 ... 0 dB when the range is
// empty), clamped to [0, 1]. [any-thread]
[[nodiscard]] KORVANE_API double MeterGainToFraction(double gain, const KorvaneMeterInfo& info);

}  // namespace kvKorvaneV10_0_3
