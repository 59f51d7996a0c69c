#include "korvane/gui/widget_scroller.h"

#include "korvane/gs/gs_writer.h"
#include "korvane/gui/widget_xml.h"
#include "korvane/gui/widget_zoom_vertices_graph.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

KCZoomVerticesGraph* FirstGraph(const KCGUIControl& control) {
    for (KCGUIControl* dependent : control.GetDependents()) {
        if (auto* graph = dynamic_cast<KCZoomVerticesGraph*>(dependent)) {
            return graph;
        }
    }
    return nullptr;
}

std::uint8_t Channel(const CXMLElement& e, const char* name, int fallback) {
    int value = fallback;
    e.GetAttrib(name, value);
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

bool IsOn(const CXMLElement& element, const char* name) {
    std::string value;
    return WidgetChildValue(element, name, value) && value != "false" && value != "off";
}

}  // namespace

// ------------------------------------------------------------------ scroll bar

void CScroller::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_hasScrollColor = false;
    }
    if (const CXMLElement* color = element.SubElement("ScrollColor")) {
        m_scrollColor = {Channel(*color, "R", 0), Channel(*color, "G", 0), Channel(*color, "B", 0),
                         Channel(*color, "A", 255)};
        m_hasScrollColor = true;
    }
}

void CScroller::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                  const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (!m_hasScrollColor || parent.GetSubElements().empty()) {
        return;
    }
    CXMLElement* color = parent.GetSubElements().back()->AddSubElement("ScrollColor");
    color->SetAttrib("R", std::to_string(m_scrollColor.red).c_str());
    color->SetAttrib("G", std::to_string(m_scrollColor.green).c_str());
    color->SetAttrib("B", std::to_string(m_scrollColor.blue).c_str());
    color->SetAttrib("A", std::to_string(m_scrollColor.alpha).c_str());
}

KCZoomVerticesGraph* CScroller::GetTarget() const {
    return m_target != nullptr ? m_target : FirstGraph(*this);
}

bool CScroller::IsVertical() const {
    const KURect<short>& rect = GetControlRect();
    return rect.Height() > rect.Width();
}

KURect<short> CScroller::GetThumbRect() const {
    const KURect<short>& rect = GetControlRect();
    const KCZoomVerticesGraph* graph = GetTarget();
    if (graph == nullptr) {
        return rect;
    }
    const bool vertical = IsVertical();
    const auto [start, size] = graph->GetScrollFraction(vertical);
    const double length = vertical ? rect.Height() : rect.Width();
    // At least a few pixels long, so a deep zoom leaves something to grab.
    const double thumb = std::min(length, std::max(6.0, size * length));
    const double free = length - thumb;
    const double room = 1.0 - size;
    const double offset = room > 0.0 ? std::clamp(start / room, 0.0, 1.0) * free : 0.0;
    if (vertical) {
        // The top of the bar is the top of the data: the window's start is at the bottom.
        const auto bottom = static_cast<short>(std::lround(rect.bottom - offset));
        return {static_cast<short>(std::lround(bottom - thumb)), rect.left, bottom, rect.right};
    }
    const auto left = static_cast<short>(std::lround(rect.left + offset));
    return {rect.top, left, rect.bottom, static_cast<short>(std::lround(left + thumb))};
}

BUFFER_HEADER* CScroller::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    KCZoomVerticesGraph* graph = GetTarget();
    if (graph == nullptr) {
        return chain;
    }
    const KCPoint2D<short> at = event.GetMouseLocation();
    const KURect<short> thumb = GetThumbRect();
    const bool vertical = IsVertical();
    const bool onThumb = vertical ? at.y >= thumb.top && at.y < thumb.bottom
                                  : at.x >= thumb.left && at.x < thumb.right;
    if (onThumb) {
        m_dragging = true;
        m_grabPoint = at;
        m_grabFraction = graph->GetScrollFraction(vertical).first;
    } else {
        // Toward the press: up or right is forward.
        const bool forward = vertical ? at.y < thumb.top : at.x >= thumb.right;
        graph->ScrollBy(vertical, forward ? 1.0 : -1.0);
    }
    SetNeedToRedrawControl();
    return chain;
}

BUFFER_HEADER* CScroller::MouseDragSelf(const Event& event, double /*dx*/, double /*dy*/,
                                        KURect<double>* /*rect*/) {
    KCZoomVerticesGraph* graph = GetTarget();
    if (!m_dragging || graph == nullptr) {
        return nullptr;
    }
    const bool vertical = IsVertical();
    const KURect<short>& rect = GetControlRect();
    const KURect<short> thumb = GetThumbRect();
    const double free = vertical ? rect.Height() - thumb.Height() : rect.Width() - thumb.Width();
    const double room = 1.0 - graph->GetScrollFraction(vertical).second;
    if (free <= 0.0 || room <= 0.0) {
        return nullptr;
    }
    const KCPoint2D<short> at = event.GetMouseLocation();
    const double pixels = vertical ? m_grabPoint.y - at.y : at.x - m_grabPoint.x;
    graph->ScrollTo(vertical, m_grabFraction + pixels / free * room);
    SetNeedToRedrawControl();
    return nullptr;
}

BUFFER_HEADER* CScroller::MouseUpSelf(const Event& /*event*/) {
    m_dragging = false;
    return nullptr;
}

void CScroller::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    writer.DrawSolidRect(Palette().sliderTrack, GetControlRect());
    writer.DrawSolidRect(m_dragging ? Palette().active : GetScrollColor(), GetThumbRect());
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

// ------------------------------------------------------------------ scroll and zoom buttons

void CScrollerButton::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    CIncDec::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_kind = eScroll;
        m_vertical = false;
    }
    if (IsOn(element, "IncDecTypeZoom")) {
        m_kind = eZoom;
    } else if (IsOn(element, "IncDecTypeScroll")) {
        m_kind = eScroll;
    }
    std::string vertical;
    if (WidgetChildValue(element, "Vertical", vertical)) {
        m_vertical = vertical != "false" && vertical != "off";
    }
}

void CScrollerButton::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                        const char* elementName) const {
    CIncDec::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    CXMLElement* element = parent.GetSubElements().back();
    element->AddSubElement(m_kind == eZoom ? "IncDecTypeZoom" : "IncDecTypeScroll")
        ->SetAttrib("Value", "true");
    if (m_vertical) {
        element->AddSubElement("Vertical")->SetAttrib("Value", "true");
    }
}

KCZoomVerticesGraph* CScrollerButton::GetTarget() const {
    return m_target != nullptr ? m_target : FirstGraph(*this);
}

BUFFER_HEADER* CScrollerButton::Step(int direction) {
    KCZoomVerticesGraph* graph = GetTarget();
    if (graph == nullptr) {
        return nullptr;
    }
    const KSDataWindow before = graph->GetDisplayWindow();
    if (m_kind == eZoom) {
        graph->ZoomBy(direction > 0 ? kZoomStep : 1.0 / kZoomStep);
    } else {
        graph->ScrollBy(m_vertical, direction * kScrollStep);
    }
    if (!(graph->GetDisplayWindow() == before)) {
        NoteMoved();
    }
    SetNeedToRedrawControl();
    return nullptr;
}

}  // namespace kvKorvaneV10_0_3
