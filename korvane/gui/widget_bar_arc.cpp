#include "korvane/gui/widget_bar_arc.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kvKorvaneV10_0_3 {

namespace {

kvGS::SGSRGBAColor Color(const KCRGBAColor& c) {
    return {c.red, c.green, c.blue, c.alpha};
}

}  // namespace

// ------------------------------------------------------------------ bars

double CBarBase_X::GetValueFraction() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr) {
        return 0.0;
    }
    const double state = lead->HasParam() ? lead->alg->GetParamState(lead->paramID) : lead->value;
    double last = 1000.0;
    if (lead->IsDiscrete()) {
        last = std::max(1, lead->alg->GetParamNumStates(lead->paramID) - 1);
    }
    const double fraction = state / last;
    return std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
}

bool CBarBase_X::IsVertical() const {
    const KURect<short>& rect = GetControlRect();
    return rect.Height() >= rect.Width();
}

short CBarBase_X::GetValuePosition() const {
    const KURect<short>& rect = GetControlRect();
    const double f = GetValueFraction();
    if (IsVertical()) {
        return static_cast<short>(std::lround(rect.bottom - f * rect.Height()));
    }
    return static_cast<short>(std::lround(rect.left + f * rect.Width()));
}

KURect<short> CBarBase_X::GetFilledRect() const {
    KURect<short> filled = GetControlRect();
    if (IsVertical()) {
        filled.top = GetValuePosition();
    } else {
        filled.right = GetValuePosition();
    }
    return filled;
}

void CBar_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    writer.DrawSolidRect(Palette().sliderTrack, GetControlRect());
    const KURect<short> filled = GetFilledRect();
    if (filled.Width() > 0 && filled.Height() > 0) {
        writer.DrawSolidRect(Palette().meterBar, filled);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

void CBarMarker_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KURect<short>& rect = GetControlRect();
    writer.DrawSolidRect(Palette().sliderTrack, rect);
    const short at = GetValuePosition();
    // The marker stays inside the control at both ends of the range.
    if (IsVertical()) {
        const auto y = static_cast<short>(std::clamp<int>(at, rect.top, rect.bottom - 2));
        writer.DrawSolidRect(Palette().knobPointer,
                             KURect<short>(y, rect.left, static_cast<short>(y + 2), rect.right));
    } else {
        const auto x = static_cast<short>(std::clamp<int>(at, rect.left, rect.right - 2));
        writer.DrawSolidRect(Palette().knobPointer,
                             KURect<short>(rect.top, x, rect.bottom, static_cast<short>(x + 2)));
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

// ------------------------------------------------------------------ arcs

double CArcBase_X::GetValueAngle() const {
    return (GetValueFraction() - 0.5) * kSweepDegrees;
}

void CArcBase_X::DrawTrack(kvGS::KCGraphicStreamBinaryWriter& writer, bool withValue) {
    const KURect<short>& rect = GetControlRect();
    const short side = std::min(rect.Width(), rect.Height());
    const float ring = std::max(2.0F, static_cast<float>(side) / 8.0F);
    const auto inset = static_cast<std::int32_t>(std::ceil(ring / 2));
    kvGS::SGSDrawOval track;
    track.rect = {rect.left + (rect.Width() - side) / 2 + inset,
                  rect.top + (rect.Height() - side) / 2 + inset, side - 2 * inset,
                  side - 2 * inset};
    // Oval angles run clockwise from 3 o'clock: the arc starts at 7:30.
    constexpr float kStart = 135.0F;
    track.start_angle = kStart;
    track.sweep_angle = static_cast<float>(kSweepDegrees);
    track.stroke_width = ring;
    track.draw_color = Color(Palette().knobRing);
    writer.DrawOval(track);
    const double sweep = GetValueFraction() * kSweepDegrees;
    if (withValue && sweep > 0.0) {
        kvGS::SGSDrawOval value = track;
        value.sweep_angle = static_cast<float>(sweep);
        value.draw_color = Color(Palette().knobValue);
        writer.DrawOval(value);
    }
}

void CArc_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    DrawTrack(writer, true);
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

void CArcMarker_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    DrawTrack(writer, false);
    writer.DrawArcLine(Palette().knobPointer, GetValueAngle(), GetControlRect(), 2.0F, true);
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
