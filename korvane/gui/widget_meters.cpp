#include "korvane/gui/widget_meters.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/algorithm/meter_manager.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

kvGS::SGSRGBAColor Color(const KCRGBAColor& c) {
    return {c.red, c.green, c.blue, c.alpha};
}

std::uint8_t Channel(const CXMLElement& e, const char* name, int fallback) {
    int value = fallback;
    e.GetAttrib(name, value);
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

void ReadColor(const CXMLElement& element, const char* name, std::optional<KCRGBAColor>& color) {
    if (const CXMLElement* e = element.SubElement(name)) {
        color = KCRGBAColor{Channel(*e, "R", 0), Channel(*e, "G", 0), Channel(*e, "B", 0),
                            Channel(*e, "A", 255)};
    }
}

void WriteColor(CXMLElement& control, const char* name, const std::optional<KCRGBAColor>& color) {
    if (!color) {
        return;
    }
    CXMLElement* e = control.AddSubElement(name);
    e->AddAttrib("R", int{color->red});
    e->AddAttrib("G", int{color->green});
    e->AddAttrib("B", int{color->blue});
    e->AddAttrib("A", int{color->alpha});
}

}  // namespace

// ------------------------------------------------------------------ knob with a meter

const KCParamRegistrationData* CRotationKnobMeter::GetMeterRegistration() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (&r != lead && FindParamMeter(&r) != nullptr) {
            return &r;
        }
    }
    return nullptr;
}

bool CRotationKnobMeter::UpdateMeter() {
    const CVuMeter_X::Reading now = ReadParamMeter(GetMeterRegistration());
    if (now == m_shown) {
        return false;
    }
    m_shown = now;
    SetNeedToRedrawControl();
    return true;
}

void CRotationKnobMeter::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    DrawKnob(writer, GetLeadState());
    // The meter runs inside the knob's ring, half as thick, over the same travel.
    const KURect<short>& rect = GetControlRect();
    const short side = std::min(rect.Width(), rect.Height());
    const float ring = std::max(2.0F, static_cast<float>(side) / 8.0F);
    const float band = std::max(1.0F, ring / 2.0F);
    const auto inset = static_cast<std::int32_t>(std::ceil(ring + band / 2.0F + 1.0F));
    constexpr float kStart = 135.0F;
    kvGS::SGSDrawOval arc;
    arc.rect = {rect.left + (rect.Width() - side) / 2 + inset,
                rect.top + (rect.Height() - side) / 2 + inset, side - 2 * inset, side - 2 * inset};
    arc.start_angle = kStart;
    arc.stroke_width = band;
    const auto sweep = static_cast<float>(m_shown.level * kSweepDegrees);
    if (arc.rect.width > 0 && sweep > 0.0F) {
        arc.sweep_angle = sweep;
        arc.draw_color = Color(m_shown.clipped ? Palette().meterClip : Palette().meterBar);
        writer.DrawOval(arc);
    }
    if (arc.rect.width > 0 && m_shown.peak > m_shown.level) {
        const auto peak = static_cast<float>(m_shown.peak * kSweepDegrees);
        arc.start_angle = kStart + std::max(0.0F, peak - kPeakTickDegrees);
        arc.sweep_angle = std::min(peak, kPeakTickDegrees);
        arc.draw_color = Color(Palette().meterPeak);
        writer.DrawOval(arc);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

// ------------------------------------------------------------------ polygon meter

void KCPolygonMeter::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    if (!update) {
        for (auto& color : m_colors) {
            color.reset();
        }
        m_background.reset();
        m_switchDB[0].reset();
        m_switchDB[1].reset();
    }
    CVuMeter_X::ReadFromXMLWithAlg(element, alg, update);
    ReadColor(element, "MeterColor1", m_colors[0]);
    ReadColor(element, "MeterColor2", m_colors[1]);
    ReadColor(element, "MeterColor3", m_colors[2]);
    ReadColor(element, "BackgroundColor", m_background);
    if (const CXMLElement* values = element.SubElement("ColorSwitchValues")) {
        float value = 0.0F;
        if (values->GetAttrib("Value1", value) && std::isfinite(value)) {
            m_switchDB[0] = value;
        }
        if (values->GetAttrib("Value2", value) && std::isfinite(value)) {
            m_switchDB[1] = value;
        }
    }
}

void KCPolygonMeter::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                       const char* elementName) const {
    CVuMeter_X::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    CXMLElement& control = *parent.GetSubElements().back();
    WriteColor(control, "MeterColor1", m_colors[0]);
    WriteColor(control, "MeterColor2", m_colors[1]);
    WriteColor(control, "MeterColor3", m_colors[2]);
    if (m_switchDB[0] || m_switchDB[1]) {
        CXMLElement* values = control.AddSubElement("ColorSwitchValues");
        values->AddAttrib("Value1", static_cast<float>(GetSwitchValue(0)));
        values->AddAttrib("Value2", static_cast<float>(GetSwitchValue(1)));
    }
    WriteColor(control, "BackgroundColor", m_background);
}

KCRGBAColor KCPolygonMeter::GetZoneColor(int zone) const {
    zone = std::clamp(zone, 0, kZones - 1);
    if (m_colors[zone]) {
        return *m_colors[zone];
    }
    const std::array<KCRGBAColor, kZones> defaults{Palette().meterBar, Palette().meterPeak,
                                                   Palette().meterClip};
    return defaults[static_cast<std::size_t>(zone)];
}

void KCPolygonMeter::SetZoneColor(int zone, const KCRGBAColor& color) {
    if (zone >= 0 && zone < kZones) {
        m_colors[zone] = color;
    }
}

KCRGBAColor KCPolygonMeter::GetBackgroundColor() const {
    return m_background ? *m_background : Palette().background;
}

double KCPolygonMeter::GetSwitchValue(int index) const {
    index = std::clamp(index, 0, 1);
    return m_switchDB[index] ? *m_switchDB[index] : kDefaultSwitchDB[index];
}

void KCPolygonMeter::SetSwitchValues(double first, double second) {
    m_switchDB[0] = std::min(first, second);
    m_switchDB[1] = std::max(first, second);
}

double KCPolygonMeter::GetSwitchFraction(int index) const {
    KorvaneMeterInfo info;
    if (const KCParamExtensionMeter* meter = GetMeter()) {
        info = meter->GetInfo();
    }
    const double a = MeterGainToFraction(MeterDBToGain(GetSwitchValue(0)), info);
    const double b = MeterGainToFraction(MeterDBToGain(GetSwitchValue(1)), info);
    return index <= 0 ? std::min(a, b) : std::max(a, b);
}

void KCPolygonMeter::GetWedgeCorners(double from, double to, KCPoint2D<short> corners[4]) const {
    const KURect<short>& r = GetControlRect();
    const auto at = [](short start, short length, double fraction) {
        return static_cast<short>(std::lround(start + fraction * length));
    };
    // Half the wedge's width across the meter at `fraction` of its length.
    const auto half = [](short across, double fraction) {
        return across * (kNarrowEnd + (1.0 - kNarrowEnd) * fraction) / 2.0;
    };
    if (IsVertical()) {
        const double mid = r.left + r.Width() / 2.0;
        const auto y0 = static_cast<short>(r.bottom - (at(0, r.Height(), from)));
        const auto y1 = static_cast<short>(r.bottom - (at(0, r.Height(), to)));
        const double h0 = half(r.Width(), from);
        const double h1 = half(r.Width(), to);
        corners[0] = {static_cast<short>(std::lround(mid - h0)), y0};
        corners[1] = {static_cast<short>(std::lround(mid + h0)), y0};
        corners[2] = {static_cast<short>(std::lround(mid + h1)), y1};
        corners[3] = {static_cast<short>(std::lround(mid - h1)), y1};
        return;
    }
    const double mid = r.top + r.Height() / 2.0;
    const short x0 = at(r.left, r.Width(), from);
    const short x1 = at(r.left, r.Width(), to);
    const double h0 = half(r.Height(), from);
    const double h1 = half(r.Height(), to);
    corners[0] = {x0, static_cast<short>(std::lround(mid - h0))};
    corners[1] = {x1, static_cast<short>(std::lround(mid - h1))};
    corners[2] = {x1, static_cast<short>(std::lround(mid + h1))};
    corners[3] = {x0, static_cast<short>(std::lround(mid + h0))};
}

void KCPolygonMeter::DrawWedge(kvGS::KCGraphicStreamBinaryWriter& writer, const KCRGBAColor& color,
                               double from, double to) const {
    if (!(to > from)) {
        return;
    }
    KCPoint2D<short> corners[4];
    GetWedgeCorners(from, to, corners);
    writer.DataHere(corners, 4, kvGS::eGSPoint2D);
    kvGS::SGSDrawVertices polygon;
    polygon.method = kvGS::eGSPolygon;
    polygon.flags = kvGS::SGSDrawVertices::NoAntialias;
    polygon.draw_color = Color(color);
    writer.DrawVertices(polygon);
}

void KCPolygonMeter::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    writer.DrawSolidRect(GetBackgroundColor(), GetControlRect());
    const Reading& shown = GetShownReading();
    const double bounds[kZones + 1] = {0.0, GetSwitchFraction(0), GetSwitchFraction(1), 1.0};
    for (int zone = 0; zone < kZones; ++zone) {
        DrawWedge(writer, GetZoneColor(zone), bounds[zone],
                  std::min(shown.level, bounds[zone + 1]));
    }
    if (shown.peak > shown.level) {
        // A thin slice at the peak, in the colour of its zone.
        const int zone = shown.peak > bounds[2] ? 2 : (shown.peak > bounds[1] ? 1 : 0);
        const short length = IsVertical() ? GetControlRect().Height() : GetControlRect().Width();
        const double thickness = length > 0 ? static_cast<double>(kLineSize) / length : 0.0;
        DrawWedge(writer, GetZoneColor(zone), std::max(0.0, shown.peak - thickness), shown.peak);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

// ------------------------------------------------------------------ automatic trim

KCMeterManager* KCAutoTrimButton::GetMeterManager() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    return lead == nullptr || lead->alg == nullptr ? nullptr : &lead->alg->GetMeterManager();
}

double KCAutoTrimButton::GetPendingTrim() const {
    const KCMeterManager* manager = GetMeterManager();
    if (manager == nullptr || manager->IsTrimExecuted()) {
        return 0.0;
    }
    return manager->AutoTrimGet();
}

bool KCAutoTrimButton::UpdateMeter() {
    const double now = GetPendingTrim();
    if (now == m_shownTrim) {
        return false;
    }
    m_shownTrim = now;
    SetNeedToRedrawControl();
    return true;
}

std::string KCAutoTrimButton::GetLabel() const {
    std::string label = "Trim";
    if (m_shownTrim == 0.0) {
        return label;
    }
    std::array<char, 32> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), m_shownTrim,
                                      std::chars_format::fixed, 1);
    label += ' ';
    label.append(digits.data(), result.ptr);
    label += " dB";
    return label;
}

BUFFER_HEADER* KCAutoTrimButton::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    KCMeterManager* manager = GetMeterManager();
    if (manager == nullptr || GetPendingTrim() == 0.0) {
        return chain;
    }
    manager->AutoTrimExecute();
    const double trim = manager->AutoTrimGet();
    KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead->HasParam() && !lead->AnswersTo(eRegDisplayOnly)) {
        // The parameter clamps a trim past its range.
        const double value = lead->alg->GetParamRealWorld(lead->paramID) + trim;
        chain = lead->alg->UpdateParamRequestRealWorld(lead->paramID, value);
        lead->UpdateValue();
    }
    UpdateMeter();
    SetNeedToRedrawControl();
    return chain;
}

void KCAutoTrimButton::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KURect<short>& rect = GetControlRect();
    const bool pending = m_shownTrim != 0.0;
    writer.DrawSolidRect(pending ? Palette().toggleOn : Palette().toggleOff, rect);
    writer.Font("Arial", std::max(6, rect.Height() / 2), Palette().text, 0);
    {
        const kvGS::KCStGSFrameStructWriter frame(
            writer, KURect<int>(rect.top, rect.left, rect.bottom, rect.right), 0);
        writer.DrawTheText(GetLabel(), 0, kvGS::eGSHCenter, kvGS::eGSVCenter);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
