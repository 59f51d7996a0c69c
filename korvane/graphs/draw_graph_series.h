// Series primitives: separate lines, dots and ovals, each element with its own colour, and
// the surround scope.
#pragma once

#include "korvane/core/export.h"
#include "korvane/graphs/graph_data.h"

namespace kvKorvaneV10_0_3 {

// Each line its own segment ("nlts" with per-vertex colours). Lines of equal thickness that
// follow each other share one record; a line's thickness 0 means "LineThickness". [gui-thread]
class KORVANE_API KCDrawGraph_LineSeries : public KCGraphData<sLineDescription> {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_LineSeries(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_LineSeries"; }
    // Sets line `index`, growing the series when needed; false (nothing changed) from
    // kMaxIndexedGraphElements on.
    bool SetLine(unsigned int index, const sLineDescription& line);
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;

private:
    float m_thickness = 1.0F;
};

// Each point a square dot of its size in its colour; points of equal size that follow each
// other share one record. [gui-thread]
class KORVANE_API KCDrawGraph_PointSeries : public KCGraphData<sPointDescription> {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_PointSeries(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_PointSeries"; }
    // Inserts the point before `index` (appends when index is past the end).
    void AddPoint(unsigned int index, const sPointDescription& point);
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

// One filled "lavO" per oval. [gui-thread]
class KORVANE_API KCDrawGraph_OvalSeries : public KCGraphData<sOvalDescription> {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_OvalSeries(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_OvalSeries"; }
    // As SetLine.
    bool SetOval(unsigned int index, const sOvalDescription& oval);
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

// The channels' points of a surround scope joined into one closed outline in the graph
// colour, and a spoke from the centre of the position rectangle to each point. [gui-thread]
class KORVANE_API KCDrawGraph_SurroundScope : public KCGraphData<KCPoint2D<float>> {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override {
        return new KCDrawGraph_SurroundScope(*this);
    }
    [[nodiscard]] const char* GetDrawClassType() const override {
        return "DrawGraph_SurroundScope";
    }
    // eGMNoVertices for fewer than two points.
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

}  // namespace kvKorvaneV10_0_3
