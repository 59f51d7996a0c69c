#include "korvane/gui/widget_graph.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/graphs/graph_data_base.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;

namespace {

bool IsEmpty(const KURect<short>& rect) {
    return rect.Width() <= 0 || rect.Height() <= 0;
}

void ReadRect(const CXMLElement* e, KURect<short>& rect) {
    KURect<short> read;
    if (e != nullptr && XML::ReadFromXML_KURect(e, read) == eNoErr) {
        rect = read;
    }
}

std::uint8_t Channel(const CXMLElement& e, const char* name, int fallback) {
    int value = fallback;
    e.GetAttrib(name, value);
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

void KCGraph::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    if (!update) {
        m_hasBkgColor = false;
        m_drawArea = {};
        m_clipArea = {};
        m_gloss = {};
    }
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (const CXMLElement* color = element.SubElement("BKGColor")) {
        SetBackgroundColor({Channel(*color, "R", 0), Channel(*color, "G", 0),
                            Channel(*color, "B", 0), Channel(*color, "A", 255)});
    }
    ReadRect(element.SubElement("DrawArea"), m_drawArea);
    ReadRect(element.SubElement("ClippingArea"), m_clipArea);
    if (const CXMLElement* gloss = element.SubElement("Gloss")) {
        KCImageReference read;
        int resID = 0;
        if (gloss->GetAttrib("ResID", resID) && resID > 0 && resID <= SHRT_MAX) {
            read.resID = static_cast<short>(resID);
        }
        gloss->GetAttrib("File", read.file);
        m_gloss = read;
    }
}

void KCGraph::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (!m_gloss.IsSet() || parent.GetSubElements().empty()) {
        return;
    }
    CXMLElement* gloss = parent.GetSubElements().back()->AddSubElement("Gloss");
    if (m_gloss.resID != 0) {
        gloss->SetAttrib("ResID", std::to_string(m_gloss.resID).c_str());
    } else {
        gloss->SetAttrib("File", m_gloss.file.c_str());
    }
}

void KCGraph::GetDrawInstructionsGraphs(kvGS::KCGraphicStreamBinaryWriter& writer) const {
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (r.alg == nullptr || r.paramID >= r.alg->GetNumParams()) {
            continue;
        }
        // The graph belongs to the active setup's values: the lock keeps it in place while it
        // is written.
        const kvThread::ThreadMutexLock lock(r.alg->AlgLock());
        KCGraphDataBase* graph = r.alg->GetParamGraphData(r.paramID);
        if (graph == nullptr || graph->GetGraphSize() == 0) {
            continue;
        }
        const std::string id = std::to_string(r.paramID);
        writer.MetaData("ParamID: " + id);
        if (*graph->GetDrawClassType() != '\0') {
            // A drawing primitive strokes and fills with its own colours and widths.
            if (graph->GetDrawInstructions(writer) != 0) {
                writer.Remark("Graph of paramID " + id + " did not draw");
            }
        } else if (graph->GetGraphDataAsGraphicStream(writer) == 0) {
            // Plain points: a line in the graph's colour.
            kvGS::SGSDrawVertices line;
            const KCRGBAColor& c = graph->GetGraphColor();
            line.draw_color = {c.red, c.green, c.blue, c.alpha};
            writer.DrawVertices(line);
        } else {
            writer.Remark("No graph points because graph type is not KTPoint2s paramID " + id);
        }
    }
}

void KCGraph::Move(int dx, int dy) {
    KCGUIControl::Move(dx, dy);
    // An unset area follows the control rectangle already.
    if (!IsEmpty(m_drawArea)) {
        m_drawArea.Offset(static_cast<short>(dx), static_cast<short>(dy));
    }
    if (!IsEmpty(m_clipArea)) {
        m_clipArea.Offset(static_cast<short>(dx), static_cast<short>(dy));
    }
}

KURect<short> KCGraph::GetDrawArea() const {
    return IsEmpty(m_drawArea) ? GetControlRect() : m_drawArea;
}

KURect<short> KCGraph::GetClippingArea() const {
    const KURect<short> clip = IsEmpty(m_clipArea) ? GetDrawArea() : m_clipArea;
    const KURect<short>& rect = GetControlRect();
    KURect<short> inside(std::max(clip.top, rect.top), std::max(clip.left, rect.left),
                         std::min(clip.bottom, rect.bottom), std::min(clip.right, rect.right));
    if (IsEmpty(inside)) {
        inside.bottom = inside.top;
        inside.right = inside.left;
    }
    return inside;
}

void KCGraph::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    if (GetImages().background.empty()) {
        writer.DrawSolidRect(GetBackgroundColor(), GetControlRect());
    } else {
        GetDrawInstructionsControlBackground(writer);
    }
    const KURect<short> area = GetDrawArea();
    const KURect<short> clip = GetClippingArea();
    if (!IsEmpty(clip)) {
        // The frame's end takes the clip back, so what follows draws unclipped.
        kvGS::KCStGSFrameStructWriter frame(
            writer, KURect<int>(area.top, area.left, area.bottom, area.right), 0);
        writer.ClipRect(KURect<short>(static_cast<short>(clip.top - area.top),
                                      static_cast<short>(clip.left - area.left),
                                      static_cast<short>(clip.bottom - area.top),
                                      static_cast<short>(clip.right - area.left)));
        GetDrawInstructionsGraphs(writer);
        frame.CloseFrame();
    }
    if (m_gloss.resID != 0) {
        writer.DrawPNGScaled(m_gloss.resID, GetControlRect());
    } else if (!m_gloss.file.empty()) {
        writer.DrawPNGScaled(m_gloss.file.c_str(), GetControlRect());
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
