#include "korvane/gui/widget_rotation_knob.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_records.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cmath>

namespace kvKorvaneV10_0_3 {

void CRotationKnob::ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg,
                                       bool update) {
    if (!update) {
        m_stripResID = 0;
        m_stripFrames = 0;
    }
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (const XML::CXMLElement* strip = element.SubElement("ImageStrip")) {
        strip->GetAttrib("ResID", m_stripResID);
        strip->GetAttrib("Frames", m_stripFrames);
    }
}

double CRotationKnob::StateToAngle(double state) {
    return -kSweepDegrees / 2 + kSweepDegrees * std::clamp(state / 1000.0, 0.0, 1.0);
}

int CRotationKnob::StateToFrame(double state) const {
    if (m_stripFrames <= 1) {
        return 0;
    }
    const double fraction = std::clamp(state / 1000.0, 0.0, 1.0);
    return static_cast<int>(std::lround(fraction * (m_stripFrames - 1)));
}

double CRotationKnob::GetLeadState() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr) {
        return 0.0;
    }
    return lead->HasParam() ? lead->alg->GetParamState(lead->paramID) : lead->value;
}

void CRotationKnob::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    DrawKnob(writer, GetLeadState());
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

void CRotationKnob::DrawKnob(kvGS::KCGraphicStreamBinaryWriter& writer, double state) {
    const KURect<short> rect = GetControlRect();
    if (m_stripResID != 0 && m_stripFrames > 0) {
        const KCPoint2D<short> at{
            rect.left, static_cast<short>(rect.top - StateToFrame(state) * rect.Height())};
        writer.DrawPNGAtPositionClipped(m_stripResID, at, rect);
    } else {
        const short side = std::min(rect.Width(), rect.Height());
        const float ring = std::max(2.0F, static_cast<float>(side) / 8.0F);
        const auto inset = static_cast<std::int32_t>(std::ceil(ring / 2));
        kvGS::SGSRect circle{rect.left + (rect.Width() - side) / 2 + inset,
                             rect.top + (rect.Height() - side) / 2 + inset, side - 2 * inset,
                             side - 2 * inset};
        // Oval angles run clockwise from 3 o'clock: the travel starts at 7:30.
        constexpr float kStart = 135.0F;
        kvGS::SGSDrawOval track;
        track.rect = circle;
        track.start_angle = kStart;
        track.sweep_angle = static_cast<float>(kSweepDegrees);
        track.stroke_width = ring;
        const KSWidgetPalette& palette = Palette();
        track.draw_color = {palette.knobRing.red, palette.knobRing.green, palette.knobRing.blue,
                            palette.knobRing.alpha};
        writer.DrawOval(track);
        const double sweep = StateToAngle(state) + kSweepDegrees / 2;
        if (sweep > 0.0) {
            kvGS::SGSDrawOval value = track;
            value.sweep_angle = static_cast<float>(sweep);
            value.draw_color = {palette.knobValue.red, palette.knobValue.green,
                                palette.knobValue.blue, palette.knobValue.alpha};
            writer.DrawOval(value);
        }
        writer.DrawArcLine(palette.knobPointer, StateToAngle(state), rect, 2.0F, true);
    }
}

}  // namespace kvKorvaneV10_0_3
