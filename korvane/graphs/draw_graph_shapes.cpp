// Polygon, gradient pipe, colour rectangle and clipped texture.
#include "korvane/graphs/draw_graph_shapes.h"

#include "korvane/graphs/draw_graph_arrays.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cmath>

namespace kvKorvaneV10_0_3 {

using DrawGraphArrays::PutColor;
using DrawGraphArrays::PutPoint;
using kvGS::KCGraphicStreamBinaryWriter;

// ------------------------------------------------------------------ polygon

bool KCDrawGraph_Polygon::SetPoint(unsigned int index, const sPointDescription& point) {
    return SetElement(index, point);
}

int KCDrawGraph_Polygon::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    kvGS::KCGSArrays& a = GSArrays();
    a.Start();
    a.SetAntialias(!m_noAntialiasing);
    a.SetDrawColor(GetGraphColor());
    for (const sPointDescription& p : m_data) {
        PutPoint(a, p.position.x, p.position.y);
        PutColor(a, p.color);
    }
    if (const int err = a.GetDrawInstructionsPolygon(writer); err != eNoErr) {
        return err;
    }
    if (m_outlineThickness > 0.0F) {
        a.Start();
        a.SetAntialias(!m_noAntialiasing);
        a.SetDrawColor(m_outlineColor);
        a.SetStrokeWidth(m_outlineThickness);
        for (const sPointDescription& p : m_data) {
            PutPoint(a, p.position.x, p.position.y);
        }
        PutPoint(a, m_data.front().position.x, m_data.front().position.y);
        return a.GetDrawInstructionsLineStrip(writer);
    }
    return eNoErr;
}

void KCDrawGraph_Polygon::ReadFromXMLSelf(const XML::CXMLElement& e) {
    ReadColor(e, "OutlineColor", m_outlineColor);
    ReadFloat(e, "OutlineThickness", m_outlineThickness);
    ReadBool(e, "NoAntialiasing", m_noAntialiasing);
}

void KCDrawGraph_Polygon::WriteToXMLSelf(XML::CXMLElement& e) const {
    WriteColor(e, "OutlineColor", m_outlineColor);
    WriteFloat(e, "OutlineThickness", m_outlineThickness);
    WriteBool(e, "NoAntialiasing", m_noAntialiasing);
}

// ------------------------------------------------------------------ gradient pipe

KCDrawGraph_GradientPipe::KCDrawGraph_GradientPipe() : m_colors(1) {}

void KCDrawGraph_GradientPipe::SetDataSize(unsigned int size) {
    m_data.assign(2ULL * std::min(size, kMaxDataSize), 0.0F);
}

// Derived from the array, which the public element interface can resize at any time.
unsigned int KCDrawGraph_GradientPipe::GetDataSize() const {
    return static_cast<unsigned int>(std::min<std::size_t>(m_data.size() / 2, kMaxDataSize));
}

bool KCDrawGraph_GradientPipe::SetColorForIndex(unsigned int index, const KCRGBAColor& fillTop,
                                                const KCRGBAColor& fillBottom,
                                                const KCRGBAColor& borderTop,
                                                const KCRGBAColor& borderBottom) {
    if (index > kMaxColorIndex) {
        return false;
    }
    if (index >= m_colors.size()) {
        m_colors.resize(static_cast<std::size_t>(index) + 1, m_colors.front());
    }
    m_colors[index] = {fillTop, fillBottom, borderTop, borderBottom};
    return true;
}

const KSPipeColors& KCDrawGraph_GradientPipe::GetCurrentColors() const {
    return m_colorIndex < m_colors.size() ? m_colors[m_colorIndex] : m_colors.front();
}

KCPoint2D<float> KCDrawGraph_GradientPipe::Point(unsigned int i, bool top) const {
    const float value = m_data[top ? i : GetDataSize() + i];
    return {static_cast<float>(i) * m_xScale, value * m_yScale};
}

int KCDrawGraph_GradientPipe::GetGraphDataAsGraphicStream(
    KCGraphicStreamBinaryWriter& writer) const {
    const KTErr before = writer.GetError();
    const unsigned int size = writer.GetStream().size;
    const unsigned int n = GetDataSize();
    for (const bool top : {true, false}) {
        std::vector<KCPoint2D<short>> line(n);
        for (unsigned int i = 0; i < n; ++i) {
            const KCPoint2D<float> p = Point(i, top);
            line[i] = {static_cast<short>(std::lround(std::clamp(p.x, -32768.0F, 32767.0F))),
                       static_cast<short>(std::lround(std::clamp(p.y, -32768.0F, 32767.0F)))};
        }
        writer.DataHere(line.data(), n, kvGS::eGSPoint2D);
        if (top) {
            // A "dVIN" draws the latest points only: the top line needs its own.
            writer.DrawVertices(kvGS::SGSDrawVertices());
        }
    }
    return WriteResult(writer, before, size);
}

int KCDrawGraph_GradientPipe::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    const unsigned int n = GetDataSize();
    if (n < 2) {
        return eGMNoVertices;
    }
    const KSPipeColors& colors = GetCurrentColors();
    kvGS::KCGSArrays& a = GSArrays();
    a.Start();
    a.SetAntialias(!m_noAntialiasing);
    for (unsigned int i = 0; i < n; ++i) {
        for (const bool top : {true, false}) {
            const KCPoint2D<float> p = Point(i, top);
            const KCRGBAColor& c = top ? colors.fillTop : colors.fillBottom;
            PutPoint(a, p.x, p.y);
            PutColor(a, c);
        }
    }
    if (const int err = a.GetDrawInstructionsTriangleStrip(writer); err != eNoErr) {
        return err;
    }
    if (m_borderThickness <= 0.0F) {
        return eNoErr;
    }
    for (const bool top : {true, false}) {
        a.Start();
        a.SetAntialias(!m_noAntialiasing);
        a.SetStrokeWidth(m_borderThickness);
        a.SetDrawColor(top ? colors.borderTop : colors.borderBottom);
        for (unsigned int i = 0; i < n; ++i) {
            const KCPoint2D<float> p = Point(i, top);
            PutPoint(a, p.x, p.y);
        }
        if (const int err = a.GetDrawInstructionsLineStrip(writer); err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

namespace {

void ReadColorSet(const XML::CXMLElement& e, KSPipeColors& set,
                  void (*read)(const XML::CXMLElement&, const char*, KCRGBAColor&)) {
    read(e, "FillColorTop", set.fillTop);
    read(e, "FillColorBottom", set.fillBottom);
    read(e, "BorderLineColorTop", set.borderTop);
    read(e, "BorderLineColorBottom", set.borderBottom);
}

}  // namespace

void KCDrawGraph_GradientPipe::ReadFromXMLSelf(const XML::CXMLElement& e) {
    int size = static_cast<int>(GetDataSize());
    ReadInt(e, "DataSize", size);
    SetDataSize(static_cast<unsigned int>(std::max(size, 0)));
    ReadBool(e, "NoAntialiasing", m_noAntialiasing);
    ReadFloat(e, "XScale", m_xScale);
    ReadFloat(e, "YScale", m_yScale);
    ReadFloat(e, "BorderLineThickness", m_borderThickness);
    ReadColorSet(e, m_colors.front(), &ReadColor);
    if (const XML::CXMLElement* list = e.SubElement("Colors"); list != nullptr) {
        for (const XML::CXMLElement* set : list->GetSubElements()) {
            int index = -1;
            if (!set->GetAttrib("Index", index) || index < 0 || index > 255) {
                continue;
            }
            KSPipeColors colors = m_colors.front();
            ReadColorSet(*set, colors, &ReadColor);
            SetColorForIndex(static_cast<unsigned int>(index), colors.fillTop, colors.fillBottom,
                             colors.borderTop, colors.borderBottom);
        }
    }
}

void KCDrawGraph_GradientPipe::WriteToXMLSelf(XML::CXMLElement& e) const {
    e.SetAttrib("DataSize", static_cast<int>(GetDataSize()));
    WriteBool(e, "NoAntialiasing", m_noAntialiasing);
    WriteFloat(e, "XScale", m_xScale);
    WriteFloat(e, "YScale", m_yScale);
    WriteFloat(e, "BorderLineThickness", m_borderThickness);
    auto write = [](XML::CXMLElement& to, const KSPipeColors& set) {
        WriteColor(to, "FillColorTop", set.fillTop);
        WriteColor(to, "FillColorBottom", set.fillBottom);
        WriteColor(to, "BorderLineColorTop", set.borderTop);
        WriteColor(to, "BorderLineColorBottom", set.borderBottom);
    };
    write(e, m_colors.front());
    auto* list = e.AddSubElement("Colors");
    for (std::size_t i = 1; list != nullptr && i < m_colors.size(); ++i) {
        auto* set = list->AddSubElement("ColorSet");
        if (set == nullptr) {
            return;
        }
        set->SetAttrib("Index", static_cast<int>(i));
        write(*set, m_colors[i]);
    }
}

// ------------------------------------------------------------------ colour rectangle

int KCDrawGraph_ColorRect::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    writer.DrawSolidRect(m_fill, GetPositionRect());
    return writer.GetError();
}

void KCDrawGraph_ColorRect::ReadFromXMLSelf(const XML::CXMLElement& e) {
    ReadColor(e, "FillColor", m_fill);
}

void KCDrawGraph_ColorRect::WriteToXMLSelf(XML::CXMLElement& e) const {
    WriteColor(e, "FillColor", m_fill);
}

// ------------------------------------------------------------------ clipped texture

int KCDrawGraph_ClippedTexture::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    if (m_data.size() < 2) {
        return eGMNoVertices;
    }
    const KURect<short>& r = GetPositionRect();
    {
        kvGS::SGSFrame frame;
        frame.rect = kvGS::ToSGSRect(r);
        kvGS::KCStGSFrameStructWriter guard(writer, frame);
        // The area under the curve, in the frame's coordinates.
        kvGS::KCGSArrays& a = GSArrays();
        a.Start();
        for (const KCPoint2D<float>& p : m_data) {
            PutPoint(a, p.x - r.left, p.y - r.top);
        }
        const auto bottom = static_cast<float>(r.Height());
        PutPoint(a, m_data.back().x - r.left, bottom);
        PutPoint(a, m_data.front().x - r.left, bottom);
        if (const int err = a.GetDrawInstructionsForClipLine(writer); err != eNoErr) {
            return err;
        }
        writer.DrawPNGScaled(std::string_view(m_image.c_str(), m_image.size()),
                             KURect<short>(0, 0, r.Height(), r.Width()));
    }
    return KCDrawGraph_LineStrip::GetDrawInstructions(writer);
}

void KCDrawGraph_ClippedTexture::ReadFromXMLSelf(const XML::CXMLElement& e) {
    KCDrawGraph_LineStrip::ReadFromXMLSelf(e);
    e.GetAttrib("Image", m_image);
}

void KCDrawGraph_ClippedTexture::WriteToXMLSelf(XML::CXMLElement& e) const {
    KCDrawGraph_LineStrip::WriteToXMLSelf(e);
    e.SetAttrib("Image", m_image.c_str());
}

}  // namespace kvKorvaneV10_0_3
