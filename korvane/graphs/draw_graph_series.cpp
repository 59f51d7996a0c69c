// Line, point and oval series and the surround scope.
#include "korvane/graphs/draw_graph_series.h"

#include "korvane/graphs/draw_graph_arrays.h"
#include "korvane/xml/xml_element.h"

namespace kvKorvaneV10_0_3 {

using DrawGraphArrays::PutColor;
using DrawGraphArrays::PutPoint;
using kvGS::KCGraphicStreamBinaryWriter;

bool KCDrawGraph_LineSeries::SetLine(unsigned int index, const sLineDescription& line) {
    return SetElement(index, line);
}

int KCDrawGraph_LineSeries::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    kvGS::KCGSArrays& a = GSArrays();
    std::size_t i = 0;
    while (i < m_data.size()) {
        const float width = m_data[i].thickness > 0.0F ? m_data[i].thickness : m_thickness;
        a.Start();
        a.SetStrokeWidth(width);
        for (; i < m_data.size(); ++i) {
            const sLineDescription& line = m_data[i];
            if ((line.thickness > 0.0F ? line.thickness : m_thickness) != width) {
                break;
            }
            PutPoint(a, line.from.x, line.from.y);
            PutPoint(a, line.to.x, line.to.y);
            PutColor(a, line.color);
            PutColor(a, line.color);
        }
        if (const int err = a.GetDrawInstructionsStraightLines(writer); err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

void KCDrawGraph_LineSeries::ReadFromXMLSelf(const XML::CXMLElement& e) {
    ReadFloat(e, "LineThickness", m_thickness);
}

void KCDrawGraph_LineSeries::WriteToXMLSelf(XML::CXMLElement& e) const {
    WriteFloat(e, "LineThickness", m_thickness);
}

void KCDrawGraph_PointSeries::AddPoint(unsigned int index, const sPointDescription& point) {
    const std::size_t at = std::min<std::size_t>(index, m_data.size());
    m_data.insert(m_data.begin() + static_cast<std::ptrdiff_t>(at), point);
}

int KCDrawGraph_PointSeries::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    kvGS::KCGSArrays& a = GSArrays();
    std::size_t i = 0;
    while (i < m_data.size()) {
        const float size = m_data[i].size;
        a.Start();
        a.SetStrokeWidth(size);
        for (; i < m_data.size() && m_data[i].size == size; ++i) {
            PutPoint(a, m_data[i].position.x, m_data[i].position.y);
            PutColor(a, m_data[i].color);
        }
        if (const int err = a.GetDrawInstructionsPoints(writer); err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

bool KCDrawGraph_OvalSeries::SetOval(unsigned int index, const sOvalDescription& oval) {
    return SetElement(index, oval);
}

int KCDrawGraph_OvalSeries::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    kvGS::KCGSArrays& a = GSArrays();
    for (const sOvalDescription& oval : m_data) {
        a.Start();
        a.SetDrawColor(oval.color);
        a.SetStrokeWidth(0.0F);
        if (const int err =
                a.GetDrawInstructionsOval(writer, oval.rect, 0, oval.startAngle, oval.sweepAngle);
            err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

int KCDrawGraph_SurroundScope::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    if (m_data.size() < 2) {
        return eGMNoVertices;
    }
    kvGS::KCGSArrays& a = GSArrays();
    a.Start();
    a.SetDrawColor(GetGraphColor());
    for (const KCPoint2D<float>& p : m_data) {
        PutPoint(a, p.x, p.y);
    }
    PutPoint(a, m_data.front().x, m_data.front().y);
    if (const int err = a.GetDrawInstructionsLineStrip(writer); err != eNoErr) {
        return err;
    }
    const KCPoint2D<short> centre = GetPositionRect().Center();
    a.Start();
    a.SetDrawColor(GetGraphColor());
    for (const KCPoint2D<float>& p : m_data) {
        PutPoint(a, centre.x, centre.y);
        PutPoint(a, p.x, p.y);
    }
    return a.GetDrawInstructionsStraightLines(writer);
}

}  // namespace kvKorvaneV10_0_3
