#include "korvane/gui/widget_lrb.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/widget_xml.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <string>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

bool IsOn(const CXMLElement& element, const char* name) {
    std::string value;
    return WidgetChildValue(element, name, value) && value != "false" && value != "off";
}

}  // namespace

void CLRB_X::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_style = eGainBars;
        m_linked = false;
    }
    if (IsOn(element, "Graph")) {
        m_style = eGraph;
    } else if (IsOn(element, "Gain")) {
        m_style = eGainBars;
    }
    std::string link;
    if (WidgetChildValue(element, "Link", link)) {
        m_linked = link == "true";
    }
}

void CLRB_X::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                               const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    CXMLElement* element = parent.GetSubElements().back();
    element->AddSubElement(m_style == eGraph ? "Graph" : "Gain")->SetAttrib("Value", "true");
    element->AddSubElement("Link")->SetAttrib("Value", m_linked ? "true" : "false");
}

void CLRB_X::ChangeLinkLR() {
    m_linked = !m_linked;
    SetNeedToRedrawControl();
}

double CLRB_X::SideState(int side) const {
    const auto& registrations = GetRegistrations();
    if (side < 0 || static_cast<std::size_t>(side) >= registrations.size()) {
        return 0.0;
    }
    const KCParamRegistrationData& r = registrations[static_cast<std::size_t>(side)];
    return r.HasParam() ? r.alg->GetParamState(r.paramID) : r.value;
}

int CLRB_X::SideAt(KCPoint2D<short> point) const {
    const KURect<short>& rect = GetControlRect();
    return point.x < (rect.left + rect.right) / 2 ? 0 : 1;
}

BUFFER_HEADER* CLRB_X::SetSide(int side, double state) {
    auto& registrations = Registrations();
    if (static_cast<std::size_t>(side) >= registrations.size()) {
        return nullptr;
    }
    KCParamRegistrationData& r = registrations[static_cast<std::size_t>(side)];
    if (!r.HasParam() || r.AnswersTo(eRegDisplayOnly) || r.alg->GetParamState(r.paramID) == state) {
        return nullptr;
    }
    BUFFER_HEADER* chain = r.alg->UpdateParamRequestState(r.paramID, state);
    r.UpdateValue();
    return chain;
}

BUFFER_HEADER* CLRB_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    m_side = SideAt(event.GetMouseLocation());
    m_moved = 0.0;
    m_atDown = {SideState(0), SideState(1)};
    SetNeedToRedrawControl();
    return chain;
}

BUFFER_HEADER* CLRB_X::MouseDragSelf(const Event& /*event*/, double /*dx*/, double dy,
                                     KURect<double>* /*rect*/) {
    if (m_side < 0) {
        return nullptr;
    }
    m_moved += dy;
    double moved = m_moved;
    if (m_linked) {
        // Both move by the same amount, limited so that neither passes an end.
        const double low = std::min(m_atDown[0], m_atDown[1]);
        const double high = std::max(m_atDown[0], m_atDown[1]);
        moved = std::clamp(moved, -low, 1000.0 - high);
    }
    BUFFER_HEADER* chain = nullptr;
    for (int side = 0; side < 2; ++side) {
        const auto index = static_cast<std::size_t>(side);
        const bool moves = m_linked || side == m_side;
        const double target =
            moves ? std::clamp(m_atDown[index] + moved, 0.0, 1000.0) : m_atDown[index];
        chain = ChainBuffers(chain, SetSide(side, target));
    }
    SetNeedToRedrawControl();
    return chain;
}

BUFFER_HEADER* CLRB_X::MouseUpSelf(const Event& /*event*/) {
    m_side = -1;
    m_moved = 0.0;
    SetNeedToRedrawControl();
    return nullptr;
}

void CLRB_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KSWidgetPalette& palette = Palette();
    const KURect<short>& rect = GetControlRect();
    const auto middle = static_cast<short>((rect.left + rect.right) / 2);
    const auto levelY = [&](int side) {
        return static_cast<short>(rect.bottom - SideState(side) / 1000.0 * rect.Height());
    };
    if (m_style == eGraph) {
        writer.DrawLine(palette.knobValue, {rect.left, levelY(0)}, {rect.right, levelY(1)}, 2.0F,
                        true);
    } else {
        for (int side = 0; side < 2; ++side) {
            const short left = side == 0 ? static_cast<short>(rect.left + 1) : middle;
            const short right = side == 0 ? middle : static_cast<short>(rect.right - 1);
            const KURect<short> bar(levelY(side), left, rect.bottom,
                                    static_cast<short>(side == 0 ? right - 1 : right));
            writer.DrawSolidRect(m_side == side ? palette.active : palette.knobValue, bar);
        }
    }
    // The link: a lit bar across the top joins the sides.
    if (m_linked) {
        writer.DrawSolidRect(
            palette.toggleOn,
            KURect<short>(rect.top, rect.left, static_cast<short>(rect.top + 2), rect.right));
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
