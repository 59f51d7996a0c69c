#include "korvane/gui/widget_vu_meter.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/algorithm/meter_manager.h"
#include "korvane/algorithm/param_extension.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;

namespace {

bool IsOff(const CXMLElement& element) {
    std::string value;
    if (!element.GetAttrib("Value", value)) {
        return false;
    }
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value == "off";
}

}  // namespace

double MeterGainToFraction(double gain, const KorvaneMeterInfo& info) {
    double low = info.lowDB;
    double high = info.highDB;
    if (!(high > low)) {
        low = -60.0;
        high = 0.0;
    }
    const double dB = MeterGainToDB(gain);
    if (!std::isfinite(dB)) {
        return dB > 0 ? 1.0 : 0.0;
    }
    return std::clamp((dB - low) / (high - low), 0.0, 1.0);
}

void CVuMeter_X::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    if (!update) {
        m_fill = false;
        m_shown = {};
    }
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (const CXMLElement* fill = element.SubElement("UsedAsFillControl")) {
        m_fill = !IsOff(*fill);
    }
}

void CVuMeter_X::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                   const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (m_fill && !parent.GetSubElements().empty()) {
        parent.GetSubElements().back()->AddSubElement("UsedAsFillControl");
    }
}

bool CVuMeter_X::IsVertical() const {
    const KURect<short>& rect = GetControlRect();
    return rect.Height() >= rect.Width();
}

KCParamExtensionMeter* FindParamMeter(const KCParamRegistrationData* registration) {
    if (registration == nullptr || !registration->HasParam()) {
        return nullptr;
    }
    const KCMeterManager& manager = registration->alg->GetMeterManager();
    const int index = manager.GetMeterIndex(registration->paramID);
    return index < 0 ? nullptr : manager.GetExtensionMeter(static_cast<unsigned int>(index));
}

CVuMeter_X::Reading ReadParamMeter(const KCParamRegistrationData* registration) {
    CVuMeter_X::Reading reading;
    const KCParamExtensionMeter* meter = FindParamMeter(registration);
    if (meter == nullptr) {
        return reading;
    }
    const KCMeterManager& manager = registration->alg->GetMeterManager();
    const auto index = static_cast<unsigned int>(manager.GetMeterIndex(registration->paramID));
    int clip = 0;
    manager.GetMeterValue(index, nullptr, &clip);
    reading.level = MeterGainToFraction(meter->GetDisplayedValue(), meter->GetInfo());
    reading.peak = MeterGainToFraction(meter->GetPeak(), meter->GetInfo());
    const auto* withClip = dynamic_cast<const KCParamExtensionMeterWithClip*>(meter);
    reading.hasClip = withClip != nullptr && withClip->IsClipDetectionEnabled();
    reading.clipped = clip != 0;
    return reading;
}

BUFFER_HEADER* CVuMeter_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (FindParamMeter(lead) != nullptr) {
        KCMeterManager& manager = lead->alg->GetMeterManager();
        const auto index = static_cast<unsigned int>(manager.GetMeterIndex(lead->paramID));
        manager.ResetPeak(index);
        manager.ResetClip(index);  // a meter without clip detection has none to reset
        UpdateMeter();
    }
    return chain;
}

KCParamExtensionMeter* CVuMeter_X::GetMeter() const {
    return FindParamMeter(GetLeadRegistration());
}

CVuMeter_X::Reading CVuMeter_X::ReadMeter() const {
    return ReadParamMeter(GetLeadRegistration());
}

bool CVuMeter_X::UpdateMeter() {
    const Reading now = ReadMeter();
    if (now == m_shown) {
        return false;
    }
    m_shown = now;
    SetNeedToRedrawControl();
    return true;
}

KURect<short> CVuMeter_X::GetBarArea() const {
    KURect<short> area = GetControlRect();
    if (!m_shown.hasClip) {
        return area;
    }
    if (IsVertical()) {
        area.top = static_cast<short>(std::min<int>(area.bottom, area.top + kClipLampSize));
    } else {
        area.right = static_cast<short>(std::max<int>(area.left, area.right - kClipLampSize));
    }
    return area;
}

KURect<short> CVuMeter_X::GetClipLampRect() const {
    const KURect<short>& rect = GetControlRect();
    const KURect<short> bar = GetBarArea();
    if (IsVertical()) {
        return {rect.top, rect.left, bar.top, rect.right};
    }
    return {rect.top, bar.right, rect.bottom, rect.right};
}

KURect<short> CVuMeter_X::GetLevelRect(double fraction) const {
    KURect<short> area = GetBarArea();
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (IsVertical()) {
        const auto length = static_cast<short>(std::lround(fraction * area.Height()));
        area.top = static_cast<short>(area.bottom - length);
    } else {
        const auto length = static_cast<short>(std::lround(fraction * area.Width()));
        area.right = static_cast<short>(area.left + length);
    }
    return area;
}

void CVuMeter_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const bool vertical = IsVertical();
    // The edge of the filled part, as a line kLineSize thick ending at the level.
    const auto line = [&](double fraction) {
        KURect<short> r = GetLevelRect(fraction);
        if (vertical) {
            r.bottom = std::min<short>(r.bottom, static_cast<short>(r.top + kLineSize));
        } else {
            r.left = std::max<short>(r.left, static_cast<short>(r.right - kLineSize));
        }
        return r;
    };
    if (m_fill) {
        const KURect<short> level = GetLevelRect(m_shown.level);
        if (level.Width() > 0 && level.Height() > 0) {
            writer.DrawSolidRect(Palette().meterBar, level);
        }
    } else if (m_shown.level > 0.0) {
        writer.DrawSolidRect(Palette().meterBar, line(m_shown.level));
    }
    if (m_shown.peak > m_shown.level) {
        writer.DrawSolidRect(Palette().meterPeak, line(m_shown.peak));
    }
    if (m_shown.hasClip) {
        writer.DrawSolidRect(m_shown.clipped ? Palette().meterClip : Palette().meterClipOff,
                             GetClipLampRect());
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
