#include "korvane/gui/widget_multi_thumb_slider.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/widget_xml.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

void KCMultiThumbSlider::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg,
                                            bool update) {
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_thumbLength = 10;
    }
    double length = m_thumbLength;
    if (WidgetChildNumber(element, "ThumbLength", length) && length >= 1.0 && length < 10000.0) {
        m_thumbLength = static_cast<short>(length);
    }
}

void KCMultiThumbSlider::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                           const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    parent.GetSubElements()
        .back()
        ->AddSubElement("ThumbLength")
        ->SetAttrib("Value", std::to_string(m_thumbLength).c_str());
}

bool KCMultiThumbSlider::IsVertical() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    return lead != nullptr &&
           (lead->AnswersTo(eRegMouseVertical) || lead->AnswersTo(eRegMouseDrawHorizontal));
}

ERegisterType KCMultiThumbSlider::DragType() const {
    return IsVertical() ? eRegMouseVertical : eRegMouseHorizontal;
}

double KCMultiThumbSlider::StateOf(const KCParamRegistrationData& r) const {
    return r.HasParam() ? r.alg->GetParamState(r.paramID) : r.value;
}

double KCMultiThumbSlider::Along(KCPoint2D<short> point) const {
    return IsVertical() ? point.y : point.x;
}

double KCMultiThumbSlider::StateToPosition(double state) const {
    const KURect<short>& m = GetControlRect();
    const double half = m_thumbLength * 0.5;
    const double clamped = std::clamp(state, 0.0, 1000.0) / 1000.0;
    if (IsVertical()) {
        const double travel = std::max(0.0, m.Height() - static_cast<double>(m_thumbLength));
        return m.top + half + (1.0 - clamped) * travel;
    }
    const double travel = std::max(0.0, m.Width() - static_cast<double>(m_thumbLength));
    return m.left + half + clamped * travel;
}

bool KCMultiThumbSlider::HasTravel() const {
    const KURect<short>& m = GetControlRect();
    return (IsVertical() ? m.Height() : m.Width()) > m_thumbLength;
}

double KCMultiThumbSlider::PositionToState(double position) const {
    const KURect<short>& m = GetControlRect();
    const double half = m_thumbLength * 0.5;
    const double travel =
        (IsVertical() ? m.Height() : m.Width()) - static_cast<double>(m_thumbLength);
    if (!HasTravel()) {
        return -1.0;
    }
    if (IsVertical()) {
        return (1.0 - (position - m.top - half) / travel) * 1000.0;
    }
    return (position - m.left - half) / travel * 1000.0;
}

KURect<short> KCMultiThumbSlider::GetThumbRect(unsigned int index) const {
    const KURect<short>& m = GetControlRect();
    if (index >= GetRegistrations().size()) {
        return {};
    }
    const double centre = StateToPosition(StateOf(GetRegistrations()[index]));
    const auto start = static_cast<short>(std::lround(centre - m_thumbLength * 0.5));
    const auto end = static_cast<short>(start + m_thumbLength);
    return IsVertical() ? KURect<short>(start, m.left, end, m.right)
                        : KURect<short>(m.top, start, m.bottom, end);
}

int KCMultiThumbSlider::NearestThumb(KCPoint2D<short> point) const {
    const double at = Along(point);
    int best = -1;
    double bestDistance = 0.0;
    const auto& registrations = GetRegistrations();
    for (std::size_t i = 0; i < registrations.size(); ++i) {
        const double distance = std::abs(StateToPosition(StateOf(registrations[i])) - at);
        // "<=": a later thumb at the same distance is drawn over the earlier one.
        if (best < 0 || distance <= bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

BUFFER_HEADER* KCMultiThumbSlider::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    m_statesAtDown.clear();
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        m_statesAtDown.push_back(StateOf(r));
    }
    m_grabbed = NearestThumb(event.GetMouseLocation());
    m_holdOffset = 0.0;
    if (m_grabbed >= 0) {
        const double centre = StateToPosition(m_statesAtDown[static_cast<std::size_t>(m_grabbed)]);
        // The thumb moves with the pointer from where it is: no jump, wherever it was grabbed.
        m_holdOffset = Along(event.GetMouseLocation()) - centre;
    }
    SetNeedToRedrawControl();
    return chain;
}

BUFFER_HEADER* KCMultiThumbSlider::MouseDragSelf(const Event& event, double /*dx*/, double /*dy*/,
                                                 KURect<double>* /*rect*/) {
    BUFFER_HEADER* chain = nullptr;
    auto& registrations = Registrations();
    const ERegisterType type = DragType();
    for (std::size_t i = 0; i < registrations.size() && i < m_statesAtDown.size(); ++i) {
        KCParamRegistrationData& r = registrations[i];
        double target = m_statesAtDown[i];
        // Without travel the grabbed thumb stays too.
        if (static_cast<int>(i) == m_grabbed && HasTravel()) {
            target = PositionToState(Along(event.GetMouseLocation()) - m_holdOffset);
        }
        const double now = StateOf(r);
        if (target != now) {
            chain = ChainBuffers(chain, r.OffsetParamValue(target - now, type, nullptr));
        }
    }
    SetNeedToRedrawControl();
    return chain;
}

BUFFER_HEADER* KCMultiThumbSlider::MouseUpSelf(const Event& /*event*/) {
    m_grabbed = -1;
    m_statesAtDown.clear();
    SetNeedToRedrawControl();
    return nullptr;
}

void KCMultiThumbSlider::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KSWidgetPalette& palette = Palette();
    const KURect<short>& m = GetControlRect();
    // A narrow track along the middle of the travel.
    const KURect<short> track =
        IsVertical() ? KURect<short>(m.top, static_cast<short>((m.left + m.right) / 2 - 1),
                                     m.bottom, static_cast<short>((m.left + m.right) / 2 + 1))
                     : KURect<short>(static_cast<short>((m.top + m.bottom) / 2 - 1), m.left,
                                     static_cast<short>((m.top + m.bottom) / 2 + 1), m.right);
    writer.DrawSolidRect(palette.sliderTrack, track);
    for (unsigned int i = 0; i < GetRegistrations().size(); ++i) {
        const bool held = static_cast<int>(i) == m_grabbed;
        writer.DrawSolidRect(held ? palette.active : palette.sliderThumb, GetThumbRect(i));
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
