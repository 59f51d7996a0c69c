#include "korvane/gui/widget_basic.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/widget_xml.h"
#include "korvane/xml/xml_values.h"

#include <cmath>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

double StateOf(const KCParamRegistrationData* r) {
    if (r == nullptr) {
        return 0.0;
    }
    return r->HasParam() ? r->alg->GetParamState(r->paramID) : r->value;
}

// Sets the registration's parameter to `state`.
BUFFER_HEADER* SetState(KCParamRegistrationData& r, double state) {
    if (!r.HasParam() || r.AnswersTo(eRegDisplayOnly)) {
        return nullptr;
    }
    BUFFER_HEADER* chain = r.alg->UpdateParamRequestState(r.paramID, state);
    r.UpdateValue();
    return chain;
}

bool Contains(const KURect<short>& rect, KCPoint2D<short> point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

KURect<short> Inset(const KURect<short>& r, short by) {
    return {static_cast<short>(r.top + by), static_cast<short>(r.left + by),
            static_cast<short>(r.bottom - by), static_cast<short>(r.right - by)};
}

}  // namespace

// ------------------------------------------------------------------ automation only

void CControlForAutomation_X::ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg,
                                                 bool update) {
    CNoGUI::ReadFromXMLWithAlg(element, alg, update);
    SetControlFlag(eCtrlAutomatable, true);
}

// ------------------------------------------------------------------ fixed state or off

void CFixedStateToggleWithOff::ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg,
                                                  bool update) {
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_fixedState = 1.0;
    }
    double state = m_fixedState;
    if (WidgetChildNumber(element, "FixedState", state) && std::isfinite(state)) {
        m_fixedState = state;
    }
}

double CFixedStateToggleWithOff::GetFixedState() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead != nullptr && lead->AnswersTo(eRegFixedState)) {
        return lead->fixedStateValue;
    }
    return m_fixedState;
}

bool CFixedStateToggleWithOff::IsOn() const {
    const double fixed = GetFixedState();
    return fixed != 0.0 && StateOf(GetLeadRegistration()) == fixed;
}

BUFFER_HEADER* CFixedStateToggleWithOff::MouseDownSelf(const Event& /*event*/,
                                                       KURect<double>* /*range*/) {
    KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr) {
        return nullptr;
    }
    BUFFER_HEADER* chain = SetState(*lead, IsOn() ? 0.0 : GetFixedState());
    SetNeedToRedrawControl();
    return chain;
}

void CFixedStateToggleWithOff::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KURect<short>& rect = GetControlRect();
    if (const KCImageReference* image = m_stateImages.FindCurrent(GetLeadRegistration())) {
        DrawImageReference(writer, *image, rect);
    } else {
        const auto inset = static_cast<short>(std::min(rect.Width(), rect.Height()) / 4);
        writer.DrawSolidRect(IsOn() ? Palette().toggleOn : Palette().toggleOff, Inset(rect, inset));
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

bool CFixedStateToggleWithOff::UpdateMeter() {
    if (!m_stateImages.Animate(GetLeadRegistration())) {
        return false;
    }
    SetNeedToRedrawControl();
    return true;
}

KTErr CFixedStateToggleWithOff::LoadImagesSelf(KTResContainerType* container) {
    return m_stateImages.Load(GetLeadRegistration(), container);
}

void CFixedStateToggleWithOff::GetLoadedImages(
    std::vector<const PluginViewManager::KCBaseImage*>& images) const {
    KCGUIControl::GetLoadedImages(images);
    AppendStateImages(m_stateImages, images);
}

// ------------------------------------------------------------------ radio buttons

void CRadioButton_X::ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg,
                                        bool update) {
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    bool any = false;
    std::vector<Division> divisions;
    for (const XML::CXMLElement* child : element.GetSubElements()) {
        if (child->GetName() != "RadioButtonDivision") {
            continue;
        }
        any = true;
        Division division;
        if (XML::ReadFromXML_KURect(child->SubElement("Rect"), division.rect) != eNoErr) {
            // Kept with an empty rect, which no click finds: the divisions after it keep their
            // states and neighbour indices.
            division.rect = {};
        }
        if (const XML::CXMLElement* neighbours = child->SubElement("Neighbors")) {
            static constexpr std::array<const char*, eNeighbourCount> kNames{"left", "right", "top",
                                                                             "bottom"};
            for (std::size_t i = 0; i < kNames.size(); ++i) {
                neighbours->GetAttrib(kNames[i], division.neighbours[i]);
            }
        }
        divisions.push_back(division);
    }
    if (any || !update) {
        m_divisions = std::move(divisions);
    }
}

void CRadioButton_X::Move(int dx, int dy) {
    KCGUIControl::Move(dx, dy);
    for (Division& division : m_divisions) {
        division.rect.Offset(static_cast<short>(dx), static_cast<short>(dy));
    }
}

int CRadioButton_X::DivisionAt(KCPoint2D<short> point) const {
    for (std::size_t i = 0; i < m_divisions.size(); ++i) {
        if (Contains(m_divisions[i].rect, point)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CRadioButton_X::GetSelectedDivision() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr) {
        return -1;
    }
    const double state = std::round(StateOf(lead));
    if (state < 0.0 || state >= static_cast<double>(m_divisions.size())) {
        return -1;
    }
    return static_cast<int>(state);
}

BUFFER_HEADER* CRadioButton_X::SelectDivision(int index) {
    KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr || index < 0 || index >= static_cast<int>(m_divisions.size())) {
        return nullptr;
    }
    SetNeedToRedrawControl();
    return SetState(*lead, index);
}

BUFFER_HEADER* CRadioButton_X::MouseDownSelf(const Event& event, KURect<double>* /*range*/) {
    return SelectDivision(DivisionAt(event.GetMouseLocation()));
}

BUFFER_HEADER* CRadioButton_X::KeySelf(const Event& event, bool& handled) {
    handled = false;
    int direction = -1;
    switch (event.GetKeyCode()) {
        case PluginViewManager::eKeyLeft:
            direction = eLeft;
            break;
        case PluginViewManager::eKeyRight:
            direction = eRight;
            break;
        case PluginViewManager::eKeyUp:
            direction = eTop;
            break;
        case PluginViewManager::eKeyDown:
            direction = eBottom;
            break;
        default:
            return nullptr;
    }
    // The arrows belong to the radio buttons even where a division has no neighbour.
    handled = true;
    const int selected = GetSelectedDivision();
    if (selected < 0) {
        return nullptr;
    }
    return SelectDivision(m_divisions[static_cast<std::size_t>(selected)]
                              .neighbours[static_cast<std::size_t>(direction)]);
}

bool CRadioButton_X::IsPointInsideSelf(KCPoint2D<short> point, const Event* /*event*/) const {
    return DivisionAt(point) >= 0;
}

void CRadioButton_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const int selected = GetSelectedDivision();
    for (std::size_t i = 0; i < m_divisions.size(); ++i) {
        const KURect<short>& rect = m_divisions[i].rect;
        const auto inset = static_cast<short>(std::min(rect.Width(), rect.Height()) / 4);
        writer.DrawSolidRect(
            static_cast<int>(i) == selected ? Palette().toggleOn : Palette().toggleOff,
            Inset(rect, inset));
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
