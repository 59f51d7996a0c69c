// KCGraphData<T>: graph data as a growable array of T, and the element records of the series
// primitives (lines, ovals, points).
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/graphs/graph_data_base.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

// A line from `from` to `to`; thickness 0 uses the series' "LineThickness".
struct sLineDescription {
    KCPoint2D<float> from;
    KCPoint2D<float> to;
    KCRGBAColor color;
    float thickness = 0.0F;
    bool operator==(const sLineDescription&) const = default;
};

// A filled oval inside `rect`, or the pie slice from startAngle over sweepAngle (degrees,
// clockwise from 3 o'clock).
struct sOvalDescription {
    KURect<short> rect;
    KCRGBAColor color;
    float startAngle = 0.0F;
    float sweepAngle = 360.0F;
    bool operator==(const sOvalDescription&) const = default;
};

// A square dot of `size` pixels centred on `position`, or a polygon corner.
struct sPointDescription {
    KCPoint2D<float> position;
    KCRGBAColor color;
    float size = 1.0F;
    bool operator==(const sPointDescription&) const = default;
};

// One vertex of a dynamic marker.
struct KCDynamicVertexData {
    KCPoint2D<double> vertex;
    bool operator==(const KCDynamicVertexData&) const = default;
};

// Setters that grow a graph up to an index (polygon corners, series lines and ovals) refuse
// indices from this one on: a stray index must not allocate gigabytes.
inline constexpr unsigned int kMaxIndexedGraphElements = 100000;

// The elements are a std::vector; copies and Clone copy them. [any-thread] on distinct objects.
template <typename T>
class KORVANE_API KCGraphData : public KCGraphDataBase {
public:
    using value_type = T;

    KCGraphData() = default;
    explicit KCGraphData(std::vector<T> data) : m_data(std::move(data)) {}

    [[nodiscard]] KCGraphDataBase* Clone() const override { return new KCGraphData(*this); }
    [[nodiscard]] const void* GetGraphData() const override {
        return m_data.empty() ? nullptr : m_data.data();
    }
    [[nodiscard]] unsigned int GetGraphSize() const override {
        return static_cast<unsigned int>(m_data.size());
    }
    [[nodiscard]] unsigned int GetGraphSizeInBytes() const override {
        return static_cast<unsigned int>(m_data.size() * sizeof(T));
    }
    bool ResizeGraph(unsigned int size) override {
        m_data.resize(size);
        return true;
    }
    // Only short points write: one "pnt2" record of 2 × points int16 values.
    int GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const override {
        if constexpr (std::is_same_v<T, KCPoint2D<short>>) {
            const KTErr before = writer.GetError();
            const unsigned int size = writer.GetStream().size;
            writer.Data(m_data.data(), static_cast<unsigned int>(m_data.size()), kvGS::eGSPoint2D);
            return WriteResult(writer, before, size);
        } else {
            return KCGraphDataBase::GetGraphDataAsGraphicStream(writer);
        }
    }

    [[nodiscard]] std::vector<T>& Data() { return m_data; }
    [[nodiscard]] const std::vector<T>& Data() const { return m_data; }
    void SetData(std::vector<T> data) { m_data = std::move(data); }

protected:
    // Stores `value` at `index`, growing the array up to it; false from
    // kMaxIndexedGraphElements on.
    bool SetElement(unsigned int index, const T& value) {
        if (index >= kMaxIndexedGraphElements) {
            return false;
        }
        if (index >= m_data.size()) {
            m_data.resize(static_cast<std::size_t>(index) + 1);
        }
        m_data[index] = value;
        return true;
    }

    std::vector<T> m_data;
};

}  // namespace kvKorvaneV10_0_3
