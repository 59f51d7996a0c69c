// The line strip primitives: a curve drawn as a "prts" line strip, optionally interpolated and
// with an outer stroke under it.
#pragma once

#include "korvane/core/export.h"
#include "korvane/graphs/graph_data.h"
#include "korvane/graphs/interpolation.h"

#include <string_view>

namespace kvKorvaneV10_0_3 {

// The stroke settings a line strip reads from its description.
struct KSLineStyle {
    KCRGBAColor color;                   // "LineColor" (or "FGLineColor")
    KCRGBAColor background{0, 0, 0, 0};  // "BGLineColor": under the gaps of a pattern
    float thickness = 1.0F;              // "LineThickness"
    unsigned short pattern = 0xFFFF;     // "Pattern"
};

// XML besides the base's: "NoAntialiasing", "LineThickness", "Pattern", "XOR", "Bits",
// "OuterLineThickness" (0: no outer stroke); colour children "LineColor", "FGLineColor",
// "BGLineColor", "OuterFGLineColor", "OuterBGLineColor"; an "Interpolation" child with "Type"
// (default "Spline2"), "NumPoints" (default 1000, at most 100000) and "AdaptToResolution"
// (one point per pixel of the curve's width). [gui-thread]
template <typename P>
class KORVANE_API TKCDrawGraph_LineStrip : public KCGraphData<P> {
public:
    static constexpr unsigned int kMaxInterpolatedPoints = 100000;

    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new TKCDrawGraph_LineStrip(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_LineStrip"; }
    [[nodiscard]] const char* GetDrawClassDataType() const override;

    // The points (interpolated) as one "pnt2" record, then the outer stroke when it has a
    // thickness, then the line; eGMNoVertices for fewer than two points.
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
    // A label for the curve in its own frame at `where`, in the graph's font and colour.
    int GetTextDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer, std::string_view text,
                                const KURect<short>& where, kvGS::KTGSCode hAlign = kvGS::eGSLeft,
                                kvGS::KTGSCode vAlign = kvGS::eGSTop) const;

    // The run-time colour replaces "LineColor" while SetIsRuntimeLineColor(true).
    void SetLineColor(const KCRGBAColor& color) { m_runtimeColor = color; }
    void SetLineThickness(float thickness) { m_line.thickness = thickness; }
    void SetIsRuntimeLineColor(bool on) { m_useRuntimeColor = on; }
    [[nodiscard]] bool GetIsRuntimeLineColor() const { return m_useRuntimeColor; }
    void SetInterpolation(EInterpolationType type, unsigned int numPoints, bool adapt);
    [[nodiscard]] EInterpolationType GetInterpolationType() const { return m_interpolation; }
    [[nodiscard]] unsigned int GetNumPoints() const { return m_numPoints; }
    [[nodiscard]] const KSLineStyle& GetLineStyle() const { return m_line; }
    [[nodiscard]] const KSLineStyle& GetOuterStyle() const { return m_outer; }

    // The points that are drawn: the elements, interpolated unless "Off" (or when they cannot
    // be, e.g. x not increasing, in which case they are drawn as they are).
    [[nodiscard]] std::vector<P> DrawnPoints() const;

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;
    void Stroke(kvGS::KCGraphicStreamBinaryWriter& writer, const KSLineStyle& style,
                const KCRGBAColor& color) const;

    KSLineStyle m_line;
    KSLineStyle m_outer{{}, {0, 0, 0, 0}, 0.0F, 0xFFFF};
    bool m_noAntialiasing = false;
    bool m_xor = false;
    int m_bits = 0;
    bool m_hasOuter = true;  // false for the plain line strip
    KCRGBAColor m_runtimeColor;
    bool m_useRuntimeColor = false;
    EInterpolationType m_interpolation = EInterpolationType::eSpline2;
    unsigned int m_numPoints = 1000;
    bool m_adaptToResolution = false;
};

extern template class KORVANE_API TKCDrawGraph_LineStrip<KCPoint2D<short>>;
extern template class KORVANE_API TKCDrawGraph_LineStrip<KCPoint2D<float>>;

// The plain line strip over float points: "NoAntialiasing", "LineColor", "LineThickness",
// "Pattern", "XOR"; no interpolation and no outer stroke. [gui-thread]
class KORVANE_API KCDrawGraph_LineStrip : public TKCDrawGraph_LineStrip<KCPoint2D<float>> {
public:
    KCDrawGraph_LineStrip();
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_LineStrip(*this);
    }
    [[nodiscard]] const char* GetDrawClassDataType() const override { return ""; }

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;
};

}  // namespace kvKorvaneV10_0_3
