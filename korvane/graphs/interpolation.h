// Interpolation of curve points for line strips: cosine, Catmull-Rom ("Spline2") and a natural
// cubic spline over unevenly spaced x ("Spline1").
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

enum class EInterpolationType { eOff = 0, eSpline1 = 1, eSpline2 = 2, eCosine = 3 };

// "Off", "Spline1", "Spline2", "Cosine" (also their numbers "0" to "3"); false for other
// text. [any-thread]
KORVANE_API bool InterpolationTypeFromText(const char* text, EInterpolationType& type);
KORVANE_API const char* InterpolationTypeToText(EInterpolationType type);

// Writes nOut points with x evenly spaced from the first to the last input x and y by `type`
// (Off copies min(nIn, nOut) points). Returns the number of points written, or eMemNullPointer,
// eValueWrongSize (fewer than 2 points in or out) or eOutOfRangeNumber (x not strictly
// increasing, or not finite); `out` is untouched on failure. [any-thread]
KORVANE_API int CalcPointsForSpline(const KCPoint2D<double>* in, KCPoint2D<double>* out,
                                    unsigned int nIn, unsigned int nOut, EInterpolationType type);

// The natural cubic spline through points with strictly increasing x (zero curvature at both
// ends): Prepare once, then Evaluate any x (clamped to the first and last x). [any-thread] on
// distinct objects.
class KORVANE_API KCNaturalSpline {
public:
    // eValueWrongSize for fewer than 2 points, eOutOfRangeNumber for x not increasing.
    [[nodiscard]] KTErr Prepare(const KCPoint2D<double>* points, unsigned int count);
    [[nodiscard]] double Evaluate(double x) const;

private:
    std::vector<double> m_x;
    std::vector<double> m_y;
    std::vector<double> m_second;  // second derivatives at the knots
};

// The natural cubic spline through `points` at x (0 when the points do not define one).
KORVANE_API double NonUniformXDistSpline_PAZ(const std::vector<KCPoint2D<double>>& points,
                                             double x);

}  // namespace kvKorvaneV10_0_3
