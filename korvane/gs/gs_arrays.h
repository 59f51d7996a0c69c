// KCGSArrays: collects the vertices, colours and stroke settings of one primitive and writes
// them as data records and one "dVIN"/"cVIN" (or an oval).
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gs/gs_writer.h"

#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3::kvGS {

// The first vertex added fixes the kind (2-D or 3-D, float or short) until ClearArrays or
// Start; a vertex of another kind is refused with eValueWrongSize. Colours have 3 or 4
// channels, fixed the same way. [any-thread] on distinct objects.
class KORVANE_API KCGSArrays {
public:
    enum class EVertexKind { eNone, e2Df, e2Ds, e3Df, e3Ds };

    // Clears the arrays and resets the stroke settings (black, width 1, solid, antialiased).
    void Start();
    void ClearArrays();

    [[nodiscard]] KTErr AddPoint_2Df(float x, float y);
    [[nodiscard]] KTErr AddPoint_2Ds(short x, short y);
    [[nodiscard]] KTErr AddPoint_3Df(float x, float y, float z);
    [[nodiscard]] KTErr AddPoint_3Ds(short x, short y, short z);
    [[nodiscard]] KTErr AddPoints_2Df(const KCPoint2D<float>* points, unsigned int count);
    [[nodiscard]] KTErr AddPoints_2Df(const std::vector<KCPoint2D<float>>& points);
    [[nodiscard]] KTErr AddPoints_2Ds(const KCPoint2D<short>* points, unsigned int count);
    [[nodiscard]] KTErr AddPoints_2Ds(const std::vector<KCPoint2D<short>>& points);
    [[nodiscard]] KTErr AddPoints_3Df(const KCPoint3D<float>* points, unsigned int count);
    [[nodiscard]] KTErr AddPoints_3Df(const std::vector<KCPoint3D<float>>& points);
    [[nodiscard]] KTErr AddPoints_3Ds(const KCPoint3D<short>* points, unsigned int count);
    [[nodiscard]] KTErr AddPoints_3Ds(const std::vector<KCPoint3D<short>>& points);
    [[nodiscard]] KTErr AddColor_3ub(std::uint8_t r, std::uint8_t g, std::uint8_t b);
    [[nodiscard]] KTErr AddColor_4ub(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                     std::uint8_t a);
    [[nodiscard]] KTErr AddColors_3ub(const std::uint8_t* rgb, unsigned int count);
    [[nodiscard]] KTErr AddColors_4ub(const std::uint8_t* rgba, unsigned int count);

    // Writes only vertices [first, first + count) (and their colours); count 0 means "to the
    // end". Cleared by Start and ClearArrays.
    void SetRange(unsigned int first, unsigned int count);
    void SetDrawColor(const KCRGBAColor& color) { m_color = color; }
    void SetStrokeWidth(float width) { m_strokeWidth = width; }
    void SetStrokePattern(std::uint16_t pattern) { m_pattern = pattern; }
    void SetAntialias(bool on) { m_antialias = on; }
    void SetXorMode(bool on) { m_xor = on; }

    // Vertices in the range, and in total.
    [[nodiscard]] unsigned int GetNumVertices() const;
    [[nodiscard]] unsigned int GetNumVerticesTotal() const;
    [[nodiscard]] unsigned int GetNumColors() const;
    [[nodiscard]] EVertexKind GetVertexKind() const { return m_kind; }
    [[nodiscard]] unsigned int GetDimension() const;
    // The first coordinate of the first vertex in the range (float or short by the kind);
    // null when empty.
    [[nodiscard]] const void* GetVerticesPtr() const;
    [[nodiscard]] const std::uint8_t* GetColorPtr() const;
    [[nodiscard]] unsigned int GetVerticesSizeInBytes() const;
    [[nodiscard]] unsigned int GetColorsSizeInBytes() const;

    // eGMNoVertices when the range holds fewer vertices than `method` needs (line strip 2,
    // polygon and triangles 3, straight lines an even number ≥ 2), eGMNoColors when colours
    // are given but fewer than the vertices.
    [[nodiscard]] KTErr CheckVerticesAndDimensionsConsistancy(KTGSCode method) const;
    // Vertex data ("pnt2"/"pnt3", "flot"/"16in"), colour data when there are colours, then a
    // "dVIN" (or "cVIN" when clip) with `method` and the stroke settings. Writes nothing and
    // returns the error when the check above fails.
    [[nodiscard]] KTErr GetDrawInstructionsArrays(KCGraphicStreamBinaryWriter& writer,
                                                  KTGSCode method, bool clip,
                                                  const SGSScale& scale = {},
                                                  const SGSSize& logicalSize = {}) const;
    [[nodiscard]] KTErr GetDrawInstructionsLineStrip(KCGraphicStreamBinaryWriter& writer) const;
    [[nodiscard]] KTErr GetDrawInstructionsPolygon(KCGraphicStreamBinaryWriter& writer) const;
    // Each vertex as a square dot of the stroke width: a straight line across it.
    [[nodiscard]] KTErr GetDrawInstructionsPoints(KCGraphicStreamBinaryWriter& writer) const;
    [[nodiscard]] KTErr GetDrawInstructionsStraightLines(KCGraphicStreamBinaryWriter& writer) const;
    [[nodiscard]] KTErr GetDrawInstructionsTriangleFan(KCGraphicStreamBinaryWriter& writer) const;
    [[nodiscard]] KTErr GetDrawInstructionsTriangleStrip(KCGraphicStreamBinaryWriter& writer) const;
    // A clip to the closed shape of the vertices ("cVIN", method polygon).
    [[nodiscard]] KTErr GetDrawInstructionsForClipLine(KCGraphicStreamBinaryWriter& writer) const;
    // One "lavO" in `rect` with the draw colour and stroke width (0: filled).
    [[nodiscard]] KTErr GetDrawInstructionsOval(KCGraphicStreamBinaryWriter& writer,
                                                const KURect<short>& rect, int slices,
                                                float startAngle = 0.0F,
                                                float sweepAngle = 360.0F) const;

    // The vertex and colour records alone, always copied (never "DataPtr"). GiveColorsToGS
    // writes nothing and returns false unless every vertex in the range has its colour.
    void GiveVerticesToGS(KCGraphicStreamBinaryWriter& writer) const;
    bool GiveColorsToGS(KCGraphicStreamBinaryWriter& writer) const;

private:
    [[nodiscard]] KTErr Kind(EVertexKind kind);
    [[nodiscard]] KTErr ColorChannels(unsigned int channels);
    [[nodiscard]] unsigned int First() const;
    [[nodiscard]] SGSDrawVertices Settings(KTGSCode method) const;

    EVertexKind m_kind = EVertexKind::eNone;
    std::vector<float> m_floats;
    std::vector<short> m_shorts;
    unsigned int m_colorChannels = 0;
    std::vector<std::uint8_t> m_colors;
    unsigned int m_rangeFirst = 0;
    unsigned int m_rangeCount = 0;
    KCRGBAColor m_color;
    float m_strokeWidth = 1.0F;
    std::uint16_t m_pattern = 0xFFFF;
    bool m_antialias = true;
    bool m_xor = false;
};

}  // namespace kvKorvaneV10_0_3::kvGS
