#include "korvane/gui/widget_text_knobs.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/widget_text_entry.h"
#include "korvane/gui/widget_value_text.h"
#include "korvane/gui/widget_xml.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

// A switch child: present and its value not "off" or "false".
bool ReadSwitch(const CXMLElement& element, const char* name, bool& on) {
    std::string value;
    if (!WidgetChildValue(element, name, value)) {
        return false;
    }
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    on = value != "off" && value != "false";
    return true;
}

void WriteValue(CXMLElement& parent, const char* name, const char* value) {
    if (parent.GetSubElements().empty()) {
        return;
    }
    parent.GetSubElements().back()->AddSubElement(name)->AddAttrib("Value", value);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void DrawCentredText(kvGS::KCGraphicStreamBinaryWriter& writer, const std::string& text,
                     const KURect<short>& rect, const KCRGBAColor& color) {
    writer.Font("Arial", std::max(6, rect.Height() * 2 / 3), color, 0);
    const kvGS::KCStGSFrameStructWriter frame(
        writer, KURect<int>(rect.top, rect.left, rect.bottom, rect.right), 0);
    writer.DrawTheText(text, 0, kvGS::eGSHCenter, kvGS::eGSVCenter);
}

}  // namespace

// ------------------------------------------------------------------ text knob

void CButton_X::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    if (!update) {
        m_supportMouseDown = false;
    }
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    ReadSwitch(element, "SupportMouseDown", m_supportMouseDown);
}

void CButton_X::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                  const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (m_supportMouseDown) {
        WriteValue(parent, "SupportMouseDown", "on");
    }
}

std::string CButton_X::GetValueText() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr || !lead->HasParam()) {
        return {};
    }
    return WidgetValueText(*lead, lead->alg->GetParamState(lead->paramID));
}

BUFFER_HEADER* CButton_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    if (!m_supportMouseDown) {
        return chain;
    }
    chain = ChainBuffers(chain, OffsetAll(1.0, eRegMouseDown, event.KeyModifiers().data()));
    SetNeedToRedrawControl();
    return chain;
}

void CButton_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const std::string text = GetValueText();
    if (!text.empty()) {
        DrawCentredText(writer, text, GetControlRect(), Palette().text);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

// ------------------------------------------------------------------ multi-field text knob

bool X_CMultiField::IsSeparator(char c) {
    return c == '+' || c == '|' || c == ':' || c == '.';
}

std::vector<X_CMultiField::Field> X_CMultiField::SplitFields(std::string_view text) {
    std::vector<Field> fields;
    if (text.empty()) {
        return fields;
    }
    fields.emplace_back();
    for (const char c : text) {
        if (IsSeparator(c)) {
            fields.back().separator = c;
            fields.emplace_back();
        } else {
            fields.back().text += c;
        }
    }
    return fields;
}

std::string X_CMultiField::StepField(std::string_view text, int field, long steps) {
    const std::vector<Field> fields = SplitFields(text);
    if (field < 0 || static_cast<std::size_t>(field) >= fields.size()) {
        return {};
    }
    // The digits of each field: the first run of digits in it (units and labels drop out).
    std::vector<std::string> digits;
    bool negative = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& t = fields[i].text;
        const std::size_t begin = std::find_if(t.begin(), t.end(), IsDigit) - t.begin();
        std::size_t end = begin;
        while (end < t.size() && IsDigit(t[end])) {
            ++end;
        }
        if (i == 0 && begin > 0 && t[begin - 1] == '-') {
            negative = true;
        }
        digits.push_back(t.substr(begin, end - begin));
    }
    if (digits[static_cast<std::size_t>(field)].empty()) {
        return {};
    }
    std::size_t total = 0;
    for (std::string& d : digits) {
        if (d.empty()) {
            d = "0";
        }
        total += d.size();
    }
    constexpr std::size_t kMaxDigits = std::numeric_limits<long long>::digits10 - 1;
    if (total > kMaxDigits) {
        return {};
    }
    // The whole value as one integer in units of the last field.
    long long value = 0;
    long long unit = 1;
    for (const auto& fieldDigits : digits) {
        for (const char c : fieldDigits) {
            value = value * 10 + (c - '0');
        }
    }
    for (std::size_t i = digits.size() - 1; i > static_cast<std::size_t>(field); --i) {
        for (std::size_t k = 0; k < digits[i].size(); ++k) {
            unit *= 10;
        }
    }
    if (negative) {
        value = -value;
    }
    value += static_cast<long long>(steps) * unit;
    // Written back with the same field widths; the first field takes whatever is left.
    const bool below = value < 0;
    unsigned long long magnitude = below ? 0ULL - static_cast<unsigned long long>(value)
                                         : static_cast<unsigned long long>(value);
    std::vector<std::string> out(digits.size());
    for (std::size_t i = digits.size() - 1; i > 0; --i) {
        std::string d(digits[i].size(), '0');
        for (std::size_t k = d.size(); k > 0; --k) {
            d[k - 1] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        }
        out[i] = d;
    }
    out[0] = std::to_string(magnitude);
    std::string result = below ? "-" : "";
    for (std::size_t i = 0; i < out.size(); ++i) {
        result += out[i];
        if (fields[i].separator != '\0') {
            result += fields[i].separator;
        }
    }
    return result;
}

void X_CMultiField::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    if (!update) {
        m_imageResID = 0;
        m_horizontal = false;
        m_edit = false;
    }
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (const CXMLElement* image = element.SubElement("Image")) {
        image->GetAttrib("ResID", m_imageResID);
    }
    std::string type;
    if (WidgetChildValue(element, "Type", type)) {
        m_horizontal = type == "Horizontal";
    }
    ReadSwitch(element, "Edit", m_edit);
}

void X_CMultiField::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                      const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    if (m_imageResID != 0) {
        parent.GetSubElements().back()->AddSubElement("Image")->AddAttrib("ResID",
                                                                          int{m_imageResID});
    }
    WriteValue(parent, "Type", m_horizontal ? "Horizontal" : "Vertical");
    if (m_edit) {
        WriteValue(parent, "Edit", "on");
    }
}

std::string X_CMultiField::GetValueText() const {
    const int index = WhichParamIndexCanEnterText();
    if (index < 0) {
        return {};
    }
    const KCParamRegistrationData& r = GetRegistrations()[static_cast<std::size_t>(index)];
    return WidgetValueText(r, r.alg->GetParamState(r.paramID));
}

std::vector<KURect<short>> X_CMultiField::GetFieldRects() const {
    const std::string text = GetValueText();
    const std::vector<Field> fields = SplitFields(text);
    std::vector<KURect<short>> rects;
    if (text.empty()) {
        return rects;
    }
    const KURect<short>& r = GetControlRect();
    const auto count = static_cast<int>(text.size());
    const int cell = std::max(1, std::min<int>(r.Width() / count, r.Height() / kCharWidthDivisor));
    int x = r.left + (r.Width() - cell * count) / 2;
    for (const Field& f : fields) {
        const int width = cell * static_cast<int>(f.text.size());
        rects.emplace_back(r.top, static_cast<short>(x), r.bottom, static_cast<short>(x + width));
        x += width + (f.separator != '\0' ? cell : 0);
    }
    return rects;
}

int X_CMultiField::FieldAt(KCPoint2D<short> point) const {
    const std::vector<KURect<short>> rects = GetFieldRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const KURect<short>& r = rects[i];
        if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

BUFFER_HEADER* X_CMultiField::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    m_activeField = FieldAt(event.GetMouseLocation());
    m_textAtDown = GetValueText();
    m_stepsApplied = 0;
    SetNeedToRedrawControl();
    if (!m_edit || event.GetMouseClickCount() != PluginViewManager::eDoubleClick ||
        WhichParamIndexCanEnterText() < 0) {
        return chain;
    }
    m_activeField = -1;
    KSTextEntryRequest request;
    request.rect = GetControlRect();
    request.text = m_textAtDown;
    request.allowedCharacters = GetAcceptableCharactersForTextEntry().c_str();
    std::string entered;
    if (RunTextEntry(request, entered) == eNoErr && !entered.empty()) {
        ETranslateTextRetType result = eTranslateTextRejected;
        chain = ChainBuffers(chain, EnterText(KCFixedString<255>(entered.c_str()), result));
    }
    return chain;
}

BUFFER_HEADER* X_CMultiField::MouseDragSelf(const Event& event, double /*dx*/, double /*dy*/,
                                            KURect<double>* /*rect*/) {
    if (m_activeField < 0) {
        return nullptr;
    }
    const KCPoint2D<short> moved = event.GetMouseDistanceFromDragStart();
    // Up and right are more.
    const int pixels = m_horizontal ? moved.x : -moved.y;
    const long steps = pixels / kPixelsPerStep;
    if (steps == m_stepsApplied) {
        return nullptr;
    }
    const std::string text = StepField(m_textAtDown, m_activeField, steps);
    if (text.empty()) {
        return nullptr;
    }
    ETranslateTextRetType result = eTranslateTextRejected;
    BUFFER_HEADER* chain = EnterText(KCFixedString<255>(text.c_str()), result);
    if (result == eTranslateTextAccepted) {
        m_stepsApplied = steps;
        SetNeedToRedrawControl();
    }
    return chain;
}

BUFFER_HEADER* X_CMultiField::MouseUpSelf(const Event& /*event*/) {
    m_activeField = -1;
    SetNeedToRedrawControl();
    return nullptr;
}

void X_CMultiField::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KURect<short>& rect = GetControlRect();
    if (m_imageResID != 0) {
        writer.DrawPNGScaled(m_imageResID, rect);
    }
    const std::vector<Field> fields = GetFields();
    const std::vector<KURect<short>> rects = GetFieldRects();
    for (std::size_t i = 0; i < fields.size() && i < rects.size(); ++i) {
        const bool active = static_cast<int>(i) == m_activeField;
        if (active) {
            writer.DrawWireRect(Palette().active, rects[i], 1.0F);
        }
        if (!fields[i].text.empty()) {
            DrawCentredText(writer, fields[i].text, rects[i], Palette().text);
        }
        if (fields[i].separator != '\0') {
            const short cell = static_cast<short>(rects[i].Width() /
                                                  std::max<std::size_t>(1, fields[i].text.size()));
            const KURect<short> at(rect.top, rects[i].right, rect.bottom,
                                   static_cast<short>(rects[i].right + std::max<short>(cell, 1)));
            DrawCentredText(writer, std::string(1, fields[i].separator), at, Palette().text);
        }
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
