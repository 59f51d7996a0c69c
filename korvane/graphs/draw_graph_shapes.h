// Area primitives: a filled polygon, the gradient pipe between two curves, a coloured
// rectangle and an image clipped to the area under a curve.
#pragma once

#include "korvane/core/export.h"
#include "korvane/graphs/draw_graph_line_strip.h"
#include "korvane/graphs/graph_data.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

// Corners with their colours, filled ("ylop" with per-vertex colours), then the closed outline
// when "OutlineThickness" > 0 in "OutlineColor". [gui-thread]
class KORVANE_API KCDrawGraph_Polygon : public KCGraphData<sPointDescription> {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override { return new KCDrawGraph_Polygon(*this); }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_Polygon"; }
    // Sets corner `index`, growing the polygon when needed; false (nothing changed) from
    // kMaxIndexedGraphElements on.
    bool SetPoint(unsigned int index, const sPointDescription& point);
    // eGMNoVertices for fewer than three corners.
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;

private:
    KCRGBAColor m_outlineColor;
    float m_outlineThickness = 0.0F;
    bool m_noAntialiasing = false;
};

// One colour set of the gradient pipe.
struct KSPipeColors {
    KCRGBAColor fillTop;
    KCRGBAColor fillBottom;
    KCRGBAColor borderTop;
    KCRGBAColor borderBottom;
    bool operator==(const KSPipeColors&) const = default;
};

// Two curves of "DataSize" values each (elements 0..n-1 the top, n..2n-1 the bottom), point i
// at (i × "XScale", value × "YScale"). Draws the band between them as a triangle strip with a
// vertical gradient from the fill colours of the current colour set, then both borders when
// "BorderLineThickness" > 0. Colours: "FillColorTop", "FillColorBottom", "BorderLineColorTop",
// "BorderLineColorBottom" (set 0), and a "Colors" child whose children carry "Index" and the
// same four colour children. [gui-thread]
class KORVANE_API KCDrawGraph_GradientPipe : public KCGraphData<float> {
public:
    static constexpr unsigned int kMaxDataSize = 100000;

    KCDrawGraph_GradientPipe();
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_GradientPipe(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_GradientPipe"; }
    static constexpr unsigned int kMaxColorIndex = 255;
    // Points per curve (at most kMaxDataSize); the element array holds twice as many values.
    void SetDataSize(unsigned int size);
    // Always half the element array (at most kMaxDataSize), also after the array was resized
    // through ResizeGraph, Data or SetData: the bottom curve starts at this index.
    [[nodiscard]] unsigned int GetDataSize() const;
    float* GetTopLine() { return m_data.data(); }
    float* GetBottomLine() { return m_data.data() + GetDataSize(); }
    // Selects the colour set used for drawing; an index without a set uses set 0.
    void SetColorIndex(unsigned int index) { m_colorIndex = index; }
    // Index 0..kMaxColorIndex; false (nothing changed) above.
    bool SetColorForIndex(unsigned int index, const KCRGBAColor& fillTop,
                          const KCRGBAColor& fillBottom, const KCRGBAColor& borderTop,
                          const KCRGBAColor& borderBottom);
    [[nodiscard]] const KSPipeColors& GetCurrentColors() const;
    // The two curves as short-point records, the top one with a default "dVIN" so that both
    // are drawn (the control draws the last one); 0 or the writer's error.
    int GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const override;
    // eGMNoVertices for fewer than two points per curve.
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;

private:
    [[nodiscard]] KCPoint2D<float> Point(unsigned int i, bool top) const;

    float m_xScale = 1.0F;
    float m_yScale = 1.0F;
    float m_borderThickness = 1.0F;
    bool m_noAntialiasing = false;
    std::vector<KSPipeColors> m_colors;
    unsigned int m_colorIndex = 0;
};

// The position rectangle filled with "FillColor". [gui-thread]
class KORVANE_API KCDrawGraph_ColorRect : public KCGraphData<char> {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_ColorRect(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_ColorRect"; }
    void SetFillColor(const KCRGBAColor& color) { m_fill = color; }
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;

private:
    KCRGBAColor m_fill;
};

// Points of a curve (in the graph's coordinates). In a frame at the position rectangle: a clip
// to the area between the curve and the frame's bottom ("cVIN"), the "Image" scaled to the
// frame, "EFRM"; then the curve as a line strip ("LineColor", "LineThickness", "Pattern",
// "NoAntialiasing"). [gui-thread]
class KORVANE_API KCDrawGraph_ClippedTexture : public KCDrawGraph_LineStrip {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_ClippedTexture(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override {
        return "DrawGraph_ClippedTexture";
    }
    void SetImage(const char* name) { m_image = name; }
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;

private:
    KCFixedString<127> m_image;
};

}  // namespace kvKorvaneV10_0_3
