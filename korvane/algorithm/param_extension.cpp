// Anchors the vtables of the parameter attachment bases in the library; the meter's value
// bookkeeping.
#include "korvane/algorithm/param_extension.h"

#include "korvane/xml/xml_element.h"

#include <array>
#include <charconv>
#include <string_view>

namespace kvKorvaneV10_0_3 {

KCParamExtension::Data::~Data() = default;

KCParamExtension::~KCParamExtension() = default;

KCParamController::~KCParamController() = default;

KCParamExtensionMeter::~KCParamExtensionMeter() = default;

namespace {

template <typename T>
void ReadNumber(const XML::CXMLElement& e, T& value) {
    const std::string& text = e.GetText();
    T parsed{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec == std::errc() && result.ptr != text.data()) {
        value = parsed;
    }
}

template <typename T>
void WriteNumber(XML::CXMLElement& parent, const char* name, T value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    parent.AddSubElement(name, std::string_view(buffer.data(), result.ptr - buffer.data()));
}

}  // namespace

void KCParamExtensionMeter::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    for (const XML::CXMLElement* child : element->GetSubElements()) {
        const std::string_view name(child->GetName().c_str());
        if (name == "Name") {
            m_info.name = child->GetText().c_str();
        } else if (name == "ReadOffset") {
            ReadNumber(*child, m_readOffset);
        } else if (name == "ReadMultiplier") {
            ReadNumber(*child, m_multiplier);
        } else if (name == "PeakHoldMs") {
            ReadNumber(*child, m_peakHoldMs);
        } else if (name == "LowDB") {
            ReadNumber(*child, m_info.lowDB);
        } else if (name == "HighDB") {
            ReadNumber(*child, m_info.highDB);
        }
    }
}

XML::CXMLElement* KCParamExtensionMeter::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    element->AddSubElement("Name", m_info.name.c_str());
    WriteNumber(*element, "ReadOffset", m_readOffset);
    WriteNumber(*element, "ReadMultiplier", m_multiplier);
    WriteNumber(*element, "PeakHoldMs", m_peakHoldMs);
    WriteNumber(*element, "LowDB", m_info.lowDB);
    WriteNumber(*element, "HighDB", m_info.highDB);
    return element;
}

void KCParamExtensionMeterWithClip::ReadFromXML(XML::CXMLElement* element) {
    KCParamExtensionMeter::ReadFromXML(element);
    if (element == nullptr) {
        return;
    }
    for (const XML::CXMLElement* child : element->GetSubElements()) {
        const std::string_view name(child->GetName().c_str());
        if (name == "ClipLevel") {
            ReadNumber(*child, m_clipLevel);
        } else if (name == "ClipDetection") {
            m_clipEnabled = child->GetText() != "false";
        }
    }
}

XML::CXMLElement* KCParamExtensionMeterWithClip::WriteToXML(XML::CXMLElement* element) const {
    if (KCParamExtensionMeter::WriteToXML(element) == nullptr) {
        return nullptr;
    }
    WriteNumber(*element, "ClipLevel", m_clipLevel);
    element->AddSubElement("ClipDetection", m_clipEnabled ? "true" : "false");
    return element;
}

KCParamExtensionMeter* KCParamExtensionMeter::CreateCopy() const {
    return new KCParamExtensionMeter(*this);
}

void KCParamExtensionMeter::SetValueFromProcess(double raw, double nowMs) {
    m_value = raw * m_multiplier;
    // A held peak gives way to the current value once its hold time has passed.
    const bool holdOver = m_peakHoldMs > 0.0 && nowMs - m_lastPeakTime > m_peakHoldMs;
    if (m_value > m_peak || holdOver) {
        m_peak = m_value;
        m_lastPeakTime = nowMs;
    }
    m_needsUpdate = true;
}

void KCParamExtensionMeter::ResetValue(double floor) {
    m_value = floor;
    m_displayed = floor;
    m_needsUpdate = true;
}

void KCParamExtensionMeter::ResetPeak(double floor) {
    m_peak = floor;
    m_needsUpdate = true;
}

KCParamExtensionMeterWithClip* KCParamExtensionMeterWithClip::CreateCopy() const {
    return new KCParamExtensionMeterWithClip(*this);
}

void KCParamExtensionMeterWithClip::SetValueFromProcess(double raw, double nowMs) {
    KCParamExtensionMeter::SetValueFromProcess(raw, nowMs);
    if (m_clipEnabled && GetCurrentValue() > m_clipLevel) {
        m_clipped = true;
    }
}

}  // namespace kvKorvaneV10_0_3
