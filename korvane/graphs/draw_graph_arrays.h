// Vertex and colour adders for the arrays a draw-graph primitive fills. Every primitive starts
// its arrays afresh with 2-D float points and RGBA colours, so the kind checks, the only way an
// add can fail, never refuse here.
#pragma once

#include "korvane/core/geometry.h"
#include "korvane/gs/gs_arrays.h"

namespace kvKorvaneV10_0_3::DrawGraphArrays {

inline void PutPoint(kvGS::KCGSArrays& a, float x, float y) {
    (void)a.AddPoint_2Df(x, y);
}

inline void PutColor(kvGS::KCGSArrays& a, const KCRGBAColor& c) {
    (void)a.AddColor_4ub(c.red, c.green, c.blue, c.alpha);
}

}  // namespace kvKorvaneV10_0_3::DrawGraphArrays
