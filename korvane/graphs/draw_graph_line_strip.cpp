// Line strips: interpolation of the points, the strokes and their description.
#include "korvane/graphs/draw_graph_line_strip.h"

#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cmath>

namespace kvKorvaneV10_0_3 {

using kvGS::KCGraphicStreamBinaryWriter;
using kvGS::SGSDrawVertices;

template <typename P>
const char* TKCDrawGraph_LineStrip<P>::GetDrawClassDataType() const {
    return std::is_same_v<P, KCPoint2D<short>> ? "Point2s" : "Point2f";
}

template <typename P>
void TKCDrawGraph_LineStrip<P>::SetInterpolation(EInterpolationType type, unsigned int numPoints,
                                                 bool adapt) {
    m_interpolation = type;
    m_numPoints = std::clamp(numPoints, 2U, kMaxInterpolatedPoints);
    m_adaptToResolution = adapt;
}

template <typename P>
std::vector<P> TKCDrawGraph_LineStrip<P>::DrawnPoints() const {
    const std::vector<P>& points = this->m_data;
    if (m_interpolation == EInterpolationType::eOff || points.size() < 2) {
        return points;
    }
    std::vector<KCPoint2D<double>> in(points.size());
    std::transform(points.begin(), points.end(), in.begin(),
                   [](const P& p) { return KCPoint2D<double>(p); });
    unsigned int n = m_numPoints;
    if (m_adaptToResolution) {
        // A NaN or infinite x gives no width: keep "NumPoints" (and the cast defined).
        const double width = std::fabs(in.back().x - in.front().x);
        if (std::isfinite(width)) {
            n = static_cast<unsigned int>(std::clamp(std::ceil(width) + 1.0, 2.0,
                                                     static_cast<double>(kMaxInterpolatedPoints)));
        }
    }
    std::vector<KCPoint2D<double>> out(n);
    const int written = CalcPointsForSpline(
        in.data(), out.data(), static_cast<unsigned int>(in.size()), n, m_interpolation);
    if (written < 0) {
        return points;
    }
    std::vector<P> result(static_cast<std::size_t>(written));
    for (std::size_t i = 0; i < result.size(); ++i) {
        if constexpr (std::is_same_v<P, KCPoint2D<short>>) {
            result[i] = P(static_cast<short>(std::lround(std::clamp(out[i].x, -32768.0, 32767.0))),
                          static_cast<short>(std::lround(std::clamp(out[i].y, -32768.0, 32767.0))));
        } else {
            result[i] = P(out[i]);
        }
    }
    return result;
}

template <typename P>
void TKCDrawGraph_LineStrip<P>::Stroke(KCGraphicStreamBinaryWriter& writer,
                                       const KSLineStyle& style, const KCRGBAColor& color) const {
    SGSDrawVertices v;
    v.method = kvGS::eGSLineStrip;
    v.stroke_width = style.thickness;
    v.flags = (m_noAntialiasing ? SGSDrawVertices::NoAntialias : 0) |
              (m_xor ? SGSDrawVertices::eDrawInXORMode : 0);
    if (style.pattern != 0xFFFF && style.background.alpha != 0) {
        // The gaps of the pattern show the background colour: a solid stroke under it.
        v.stroke_pattern = 0xFFFF;
        v.draw_color = kvGS::ToSGSColor(style.background);
        writer.DrawVertices(v);
    }
    v.stroke_pattern = style.pattern;
    v.draw_color = kvGS::ToSGSColor(color);
    writer.DrawVertices(v);
}

template <typename P>
int TKCDrawGraph_LineStrip<P>::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    const std::vector<P> points = DrawnPoints();
    if (points.size() < 2) {
        return eGMNoVertices;
    }
    // Written here, not by address: the drawn points are a temporary.
    writer.DataHere(points.data(), static_cast<unsigned int>(points.size()), kvGS::eGSPoint2D);
    if (m_hasOuter && m_outer.thickness > 0.0F) {
        Stroke(writer, m_outer, m_outer.color);
    }
    Stroke(writer, m_line, m_useRuntimeColor ? m_runtimeColor : m_line.color);
    return writer.GetError();
}

template <typename P>
int TKCDrawGraph_LineStrip<P>::GetTextDrawInstructions(KCGraphicStreamBinaryWriter& writer,
                                                       std::string_view text,
                                                       const KURect<short>& where,
                                                       kvGS::KTGSCode hAlign,
                                                       kvGS::KTGSCode vAlign) const {
    kvGS::SGSFrame frame;
    frame.rect = kvGS::ToSGSRect(where);
    kvGS::KCStGSFrameStructWriter guard(writer, frame);
    writer.Font(this->GetTextObject().font, this->GetGraphColor());
    writer.DrawTheText(text, 0, hAlign, vAlign);
    guard.CloseFrame();
    return writer.GetError();
}

template <typename P>
void TKCDrawGraph_LineStrip<P>::ReadFromXMLSelf(const XML::CXMLElement& e) {
    KCGraphDataBase::ReadBool(e, "NoAntialiasing", m_noAntialiasing);
    KCGraphDataBase::ReadBool(e, "XOR", m_xor);
    KCGraphDataBase::ReadFloat(e, "LineThickness", m_line.thickness);
    int pattern = m_line.pattern;
    KCGraphDataBase::ReadInt(e, "Pattern", pattern);
    m_line.pattern = static_cast<unsigned short>(pattern);
    m_outer.pattern = m_line.pattern;
    KCGraphDataBase::ReadInt(e, "Bits", m_bits);
    KCGraphDataBase::ReadColor(e, "LineColor", m_line.color);
    KCGraphDataBase::ReadColor(e, "FGLineColor", m_line.color);
    KCGraphDataBase::ReadColor(e, "BGLineColor", m_line.background);
    KCGraphDataBase::ReadFloat(e, "OuterLineThickness", m_outer.thickness);
    KCGraphDataBase::ReadColor(e, "OuterFGLineColor", m_outer.color);
    KCGraphDataBase::ReadColor(e, "OuterBGLineColor", m_outer.background);
    if (const XML::CXMLElement* interpolation = e.SubElement("Interpolation");
        interpolation != nullptr) {
        std::string type;
        EInterpolationType parsed = m_interpolation;
        if (interpolation->GetAttrib("Type", type)) {
            InterpolationTypeFromText(type.c_str(), parsed);
        }
        int numPoints = static_cast<int>(m_numPoints);
        KCGraphDataBase::ReadInt(*interpolation, "NumPoints", numPoints);
        bool adapt = m_adaptToResolution;
        KCGraphDataBase::ReadBool(*interpolation, "AdaptToResolution", adapt);
        SetInterpolation(parsed, static_cast<unsigned int>(std::max(numPoints, 2)), adapt);
    }
}

template <typename P>
void TKCDrawGraph_LineStrip<P>::WriteToXMLSelf(XML::CXMLElement& e) const {
    KCGraphDataBase::WriteBool(e, "NoAntialiasing", m_noAntialiasing);
    KCGraphDataBase::WriteBool(e, "XOR", m_xor);
    KCGraphDataBase::WriteFloat(e, "LineThickness", m_line.thickness);
    e.SetAttrib("Pattern", static_cast<int>(m_line.pattern));
    e.SetAttrib("Bits", m_bits);
    KCGraphDataBase::WriteColor(e, "LineColor", m_line.color);
    KCGraphDataBase::WriteColor(e, "BGLineColor", m_line.background);
    if (m_hasOuter) {
        KCGraphDataBase::WriteFloat(e, "OuterLineThickness", m_outer.thickness);
        KCGraphDataBase::WriteColor(e, "OuterFGLineColor", m_outer.color);
        KCGraphDataBase::WriteColor(e, "OuterBGLineColor", m_outer.background);
        if (auto* interpolation = e.AddSubElement("Interpolation"); interpolation != nullptr) {
            interpolation->SetAttrib("Type", InterpolationTypeToText(m_interpolation));
            interpolation->SetAttrib("NumPoints", static_cast<int>(m_numPoints));
            KCGraphDataBase::WriteBool(*interpolation, "AdaptToResolution", m_adaptToResolution);
        }
    }
}

template class TKCDrawGraph_LineStrip<KCPoint2D<short>>;
template class TKCDrawGraph_LineStrip<KCPoint2D<float>>;

KCDrawGraph_LineStrip::KCDrawGraph_LineStrip() {
    m_hasOuter = false;
    m_interpolation = EInterpolationType::eOff;
}

void KCDrawGraph_LineStrip::ReadFromXMLSelf(const XML::CXMLElement& e) {
    ReadBool(e, "NoAntialiasing", m_noAntialiasing);
    ReadBool(e, "XOR", m_xor);
    ReadFloat(e, "LineThickness", m_line.thickness);
    int pattern = m_line.pattern;
    ReadInt(e, "Pattern", pattern);
    m_line.pattern = static_cast<unsigned short>(pattern);
    ReadColor(e, "LineColor", m_line.color);
}

void KCDrawGraph_LineStrip::WriteToXMLSelf(XML::CXMLElement& e) const {
    WriteBool(e, "NoAntialiasing", m_noAntialiasing);
    WriteBool(e, "XOR", m_xor);
    WriteFloat(e, "LineThickness", m_line.thickness);
    e.SetAttrib("Pattern", static_cast<int>(m_line.pattern));
    WriteColor(e, "LineColor", m_line.color);
}

}  // namespace kvKorvaneV10_0_3
