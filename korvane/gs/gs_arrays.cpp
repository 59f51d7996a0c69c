// Vertex and colour arrays of one primitive, and their records.
#include "korvane/gs/gs_arrays.h"

#include <algorithm>

namespace kvKorvaneV10_0_3::kvGS {

namespace {

// Adds the points one by one, stopping at the first refusal (a point of another kind).
template <typename Point, typename Add>
[[nodiscard]] KTErr AddEach(const Point* points, unsigned int count, Add add) {
    if (points == nullptr && count != 0) {
        return eMemNullPointer;
    }
    KTErr err = eNoErr;
    for (unsigned int i = 0; err == eNoErr && i < count; ++i) {
        err = add(points[i]);
    }
    return err;
}

}  // namespace

void KCGSArrays::Start() {
    ClearArrays();
    m_color = {};
    m_strokeWidth = 1.0F;
    m_pattern = 0xFFFF;
    m_antialias = true;
    m_xor = false;
}

void KCGSArrays::ClearArrays() {
    m_kind = EVertexKind::eNone;
    m_floats.clear();
    m_shorts.clear();
    m_colorChannels = 0;
    m_colors.clear();
    m_rangeFirst = 0;
    m_rangeCount = 0;
}

KTErr KCGSArrays::Kind(EVertexKind kind) {
    if (m_kind == EVertexKind::eNone) {
        m_kind = kind;
    }
    return m_kind == kind ? eNoErr : eValueWrongSize;
}

KTErr KCGSArrays::ColorChannels(unsigned int channels) {
    if (m_colorChannels == 0) {
        m_colorChannels = channels;
    }
    return m_colorChannels == channels ? eNoErr : eValueWrongSize;
}

KTErr KCGSArrays::AddPoint_2Df(float x, float y) {
    const KTErr err = Kind(EVertexKind::e2Df);
    if (err == eNoErr) {
        m_floats.insert(m_floats.end(), {x, y});
    }
    return err;
}

KTErr KCGSArrays::AddPoint_2Ds(short x, short y) {
    const KTErr err = Kind(EVertexKind::e2Ds);
    if (err == eNoErr) {
        m_shorts.insert(m_shorts.end(), {x, y});
    }
    return err;
}

KTErr KCGSArrays::AddPoint_3Df(float x, float y, float z) {
    const KTErr err = Kind(EVertexKind::e3Df);
    if (err == eNoErr) {
        m_floats.insert(m_floats.end(), {x, y, z});
    }
    return err;
}

KTErr KCGSArrays::AddPoint_3Ds(short x, short y, short z) {
    const KTErr err = Kind(EVertexKind::e3Ds);
    if (err == eNoErr) {
        m_shorts.insert(m_shorts.end(), {x, y, z});
    }
    return err;
}

KTErr KCGSArrays::AddPoints_2Df(const KCPoint2D<float>* points, unsigned int count) {
    return AddEach(points, count, [this](const auto& p) { return AddPoint_2Df(p.x, p.y); });
}

KTErr KCGSArrays::AddPoints_2Df(const std::vector<KCPoint2D<float>>& points) {
    return AddPoints_2Df(points.data(), static_cast<unsigned int>(points.size()));
}

KTErr KCGSArrays::AddPoints_2Ds(const KCPoint2D<short>* points, unsigned int count) {
    return AddEach(points, count, [this](const auto& p) { return AddPoint_2Ds(p.x, p.y); });
}

KTErr KCGSArrays::AddPoints_2Ds(const std::vector<KCPoint2D<short>>& points) {
    return AddPoints_2Ds(points.data(), static_cast<unsigned int>(points.size()));
}

KTErr KCGSArrays::AddPoints_3Df(const KCPoint3D<float>* points, unsigned int count) {
    return AddEach(points, count, [this](const auto& p) { return AddPoint_3Df(p.x, p.y, p.z); });
}

KTErr KCGSArrays::AddPoints_3Df(const std::vector<KCPoint3D<float>>& points) {
    return AddPoints_3Df(points.data(), static_cast<unsigned int>(points.size()));
}

KTErr KCGSArrays::AddPoints_3Ds(const KCPoint3D<short>* points, unsigned int count) {
    return AddEach(points, count, [this](const auto& p) { return AddPoint_3Ds(p.x, p.y, p.z); });
}

KTErr KCGSArrays::AddPoints_3Ds(const std::vector<KCPoint3D<short>>& points) {
    return AddPoints_3Ds(points.data(), static_cast<unsigned int>(points.size()));
}

KTErr KCGSArrays::AddColor_3ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const KTErr err = ColorChannels(3);
    if (err == eNoErr) {
        m_colors.insert(m_colors.end(), {r, g, b});
    }
    return err;
}

KTErr KCGSArrays::AddColor_4ub(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const KTErr err = ColorChannels(4);
    if (err == eNoErr) {
        m_colors.insert(m_colors.end(), {r, g, b, a});
    }
    return err;
}

KTErr KCGSArrays::AddColors_3ub(const std::uint8_t* rgb, unsigned int count) {
    if (rgb == nullptr && count != 0) {
        return eMemNullPointer;
    }
    const KTErr err = count == 0 ? eNoErr : ColorChannels(3);
    if (err == eNoErr) {
        m_colors.insert(m_colors.end(), rgb, rgb + 3ULL * count);
    }
    return err;
}

KTErr KCGSArrays::AddColors_4ub(const std::uint8_t* rgba, unsigned int count) {
    if (rgba == nullptr && count != 0) {
        return eMemNullPointer;
    }
    const KTErr err = count == 0 ? eNoErr : ColorChannels(4);
    if (err == eNoErr) {
        m_colors.insert(m_colors.end(), rgba, rgba + 4ULL * count);
    }
    return err;
}

void KCGSArrays::SetRange(unsigned int first, unsigned int count) {
    m_rangeFirst = first;
    m_rangeCount = count;
}

unsigned int KCGSArrays::GetDimension() const {
    switch (m_kind) {
        case EVertexKind::e2Df:
        case EVertexKind::e2Ds:
            return 2;
        case EVertexKind::e3Df:
        case EVertexKind::e3Ds:
            return 3;
        default:
            return 0;
    }
}

unsigned int KCGSArrays::GetNumVerticesTotal() const {
    const unsigned int dimension = GetDimension();
    if (dimension == 0) {
        return 0;
    }
    const std::size_t values = m_floats.empty() ? m_shorts.size() : m_floats.size();
    return static_cast<unsigned int>(values / dimension);
}

unsigned int KCGSArrays::First() const {
    return std::min(m_rangeFirst, GetNumVerticesTotal());
}

unsigned int KCGSArrays::GetNumVertices() const {
    const unsigned int left = GetNumVerticesTotal() - First();
    return m_rangeCount == 0 ? left : std::min(left, m_rangeCount);
}

unsigned int KCGSArrays::GetNumColors() const {
    return m_colorChannels == 0 ? 0 : static_cast<unsigned int>(m_colors.size() / m_colorChannels);
}

const void* KCGSArrays::GetVerticesPtr() const {
    if (GetNumVertices() == 0) {
        return nullptr;
    }
    const std::size_t offset = static_cast<std::size_t>(First()) * GetDimension();
    return m_floats.empty() ? static_cast<const void*>(m_shorts.data() + offset)
                            : static_cast<const void*>(m_floats.data() + offset);
}

const std::uint8_t* KCGSArrays::GetColorPtr() const {
    if (GetNumColors() <= First()) {
        return nullptr;
    }
    return m_colors.data() + static_cast<std::size_t>(First()) * m_colorChannels;
}

unsigned int KCGSArrays::GetVerticesSizeInBytes() const {
    const unsigned int valueSize = m_floats.empty() ? sizeof(short) : sizeof(float);
    return GetNumVertices() * GetDimension() * valueSize;
}

unsigned int KCGSArrays::GetColorsSizeInBytes() const {
    return GetColorPtr() == nullptr ? 0 : GetNumVertices() * m_colorChannels;
}

KTErr KCGSArrays::CheckVerticesAndDimensionsConsistancy(KTGSCode method) const {
    const unsigned int n = GetNumVertices();
    unsigned int needed = 1;
    switch (method) {
        case eGSLineStrip:
            needed = 2;
            break;
        case eGSPolygon:
        case eGSTriangleFan:
        case eGSTriangleStrip:
            needed = 3;
            break;
        case eGSStraightLines:
            needed = 2;
            if (n % 2 != 0) {
                return eGMNoVertices;
            }
            break;
        default:
            break;
    }
    if (n < needed) {
        return eGMNoVertices;
    }
    if (GetNumColors() != 0 && GetNumColors() < First() + n) {
        return eGMNoColors;
    }
    return eNoErr;
}

// Always copied: the arrays are scratch space that is refilled (or destroyed) before the stream
// is read, so a "DataPtr" to them would dangle.
void KCGSArrays::GiveVerticesToGS(KCGraphicStreamBinaryWriter& writer) const {
    const unsigned int values = GetNumVertices() * GetDimension();
    const KTGSCode purpose = GetDimension() == 3 ? eGSPoint3D : eGSPoint2D;
    if (m_floats.empty()) {
        writer.DataHere(static_cast<const short*>(GetVerticesPtr()), values, purpose);
    } else {
        writer.DataHere(static_cast<const float*>(GetVerticesPtr()), values, purpose);
    }
}

bool KCGSArrays::GiveColorsToGS(KCGraphicStreamBinaryWriter& writer) const {
    const std::uint8_t* colors = GetColorPtr();
    // One colour per vertex in the range, or none at all: never bytes past the colours.
    if (colors == nullptr || GetNumColors() < First() + GetNumVertices()) {
        return false;
    }
    writer.DataHere(colors, GetNumVertices() * m_colorChannels,
                    m_colorChannels == 3 ? eGSRGBColor : eGSRGBAColor);
    return true;
}

SGSDrawVertices KCGSArrays::Settings(KTGSCode method) const {
    SGSDrawVertices v;
    v.method = method;
    v.stroke_width = m_strokeWidth;
    v.stroke_pattern = m_pattern;
    v.flags = (m_antialias ? 0 : SGSDrawVertices::NoAntialias) |
              (m_xor ? SGSDrawVertices::eDrawInXORMode : 0);
    v.draw_color = ToSGSColor(m_color);
    return v;
}

KTErr KCGSArrays::GetDrawInstructionsArrays(KCGraphicStreamBinaryWriter& writer, KTGSCode method,
                                            bool clip, const SGSScale& scale,
                                            const SGSSize& logicalSize) const {
    if (const KTErr err = CheckVerticesAndDimensionsConsistancy(method); err != eNoErr) {
        return err;
    }
    SGSDrawVertices v = Settings(method);
    v.scale = scale;
    v.logical_size = logicalSize;
    GiveVerticesToGS(writer);
    if (GiveColorsToGS(writer)) {
        v.flags |= SGSDrawVertices::ColorsInData;
    }
    if (clip) {
        writer.ClipVertices(v);
    } else {
        writer.DrawVertices(v);
    }
    return writer.GetError();
}

KTErr KCGSArrays::GetDrawInstructionsLineStrip(KCGraphicStreamBinaryWriter& writer) const {
    return GetDrawInstructionsArrays(writer, eGSLineStrip, false);
}

KTErr KCGSArrays::GetDrawInstructionsPolygon(KCGraphicStreamBinaryWriter& writer) const {
    return GetDrawInstructionsArrays(writer, eGSPolygon, false);
}

KTErr KCGSArrays::GetDrawInstructionsStraightLines(KCGraphicStreamBinaryWriter& writer) const {
    return GetDrawInstructionsArrays(writer, eGSStraightLines, false);
}

KTErr KCGSArrays::GetDrawInstructionsTriangleFan(KCGraphicStreamBinaryWriter& writer) const {
    return GetDrawInstructionsArrays(writer, eGSTriangleFan, false);
}

KTErr KCGSArrays::GetDrawInstructionsTriangleStrip(KCGraphicStreamBinaryWriter& writer) const {
    return GetDrawInstructionsArrays(writer, eGSTriangleStrip, false);
}

KTErr KCGSArrays::GetDrawInstructionsForClipLine(KCGraphicStreamBinaryWriter& writer) const {
    return GetDrawInstructionsArrays(writer, eGSPolygon, true);
}

KTErr KCGSArrays::GetDrawInstructionsPoints(KCGraphicStreamBinaryWriter& writer) const {
    const unsigned int n = GetNumVertices();
    if (n == 0) {
        return eGMNoVertices;
    }
    if (GetNumColors() != 0 && GetNumColors() < First() + n) {
        return eGMNoColors;
    }
    // Two vertices per dot, half a stroke to either side of the point.
    KCGSArrays dots;
    dots.m_color = m_color;
    dots.m_strokeWidth = m_strokeWidth;
    dots.m_pattern = 0xFFFF;
    dots.m_antialias = m_antialias;
    dots.m_xor = m_xor;
    const unsigned int dimension = GetDimension();
    const float half = m_strokeWidth / 2.0F;
    for (unsigned int i = First(); i < First() + n; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * dimension;
        const float x = m_floats.empty() ? m_shorts[at] : m_floats[at];
        const float y = m_floats.empty() ? m_shorts[at + 1] : m_floats[at + 1];
        // The dots array is fresh and holds only 2-D floats and this array's colour layout, so
        // its kind checks cannot refuse.
        (void)dots.AddPoint_2Df(x - half, y);
        (void)dots.AddPoint_2Df(x + half, y);
        if (GetColorPtr() != nullptr) {
            const std::uint8_t* c = m_colors.data() + static_cast<std::size_t>(i) * m_colorChannels;
            for (int twice = 0; twice < 2; ++twice) {
                if (m_colorChannels == 3) {
                    (void)dots.AddColor_3ub(c[0], c[1], c[2]);
                } else {
                    (void)dots.AddColor_4ub(c[0], c[1], c[2], c[3]);
                }
            }
        }
    }
    return dots.GetDrawInstructionsStraightLines(writer);
}

KTErr KCGSArrays::GetDrawInstructionsOval(KCGraphicStreamBinaryWriter& writer,
                                          const KURect<short>& rect, int slices, float startAngle,
                                          float sweepAngle) const {
    SGSDrawOval oval;
    oval.rect = ToSGSRect(rect);
    oval.slices_num = slices;
    oval.start_angle = startAngle;
    oval.sweep_angle = sweepAngle;
    oval.stroke_width = m_strokeWidth;
    oval.draw_color = ToSGSColor(m_color);
    writer.DrawOval(oval);
    return writer.GetError();
}

}  // namespace kvKorvaneV10_0_3::kvGS
