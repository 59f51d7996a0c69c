// Scale coefficients and the built-in scale functions that map a parameter's state
// (0..1000, or 0..numStates-1) to its real-world value and back.
#pragma once

#include "korvane/core/export.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace kvKorvaneV10_0_3 {

// One point of a prepared ascending range table, with the slope of the segment that starts at
// it (states per real-world unit; 0 after the last point), kept together so that the inverse
// finds all three with one index (32 bytes apart: the index becomes an offset in one shift).
struct alignas(32) sRangePoint {
    double value = 0.0;  // real-world
    double state = 0.0;
    double slope = 0.0;
};

// The argument of every scale function. A plain value: copy and move freely.
struct sSCALE_INFO {
    double a = 0.0;                       // offset / minimum / toggle count
    double b = 0.0;                       // slope / ratio / maximum
    double c = 0.0;                       // free third coefficient (generic scales)
    double resolution = 1.0;              // quantum of the real-world value
    double inverseResolution = 1.0;       // 1 / resolution
    std::vector<double> realWorldPoints;  // breakpoints in real-world units
    std::vector<double> statePoints;      // breakpoints in states
    // What the piecewise-linear inverse needs of the tables, worked out once by
    // PrepareRangeTables() when they are set; rangeDirection 0 means not prepared, and the
    // functions then work it out on every call. Refill the tables: prepare them again (tables
    // of another size are noticed and worked out per call; a same-size refill is not).
    int rangeDirection = 0;      // +1 real-world points ascend (or are level), -1 descend
    bool rangeMonotone = false;  // every point follows that direction (none turns back)
    std::size_t rangeCount = 0;  // usable pairs: the shorter of the two tables
    double rangeLow = 0.0;       // smaller of the first and last real-world point
    double rangeHigh = 0.0;      // larger of the two
    // Per segment i (from point i - 1 to point i), states per real-world unit, so the inverse
    // multiplies instead of dividing; entry 0 is unused. Filled for monotone tables only.
    std::vector<double> rangeSlopes;
    // The table point by point, for a strictly ascending table of finite points and slopes
    // (empty otherwise): at a point the inverse gives its state exactly, with no test for it.
    std::vector<sRangePoint> rangePoints;
    // With rangePoints: the real-world points after the first, padded with +infinity to a
    // multiple of four (four at least), so the inverse compares them in fixed steps.
    std::vector<double> rangeSearch;
};

// Works out the range fields from the two tables (clears them for tables without a pair).
KORVANE_API void PrepareRangeTables(sSCALE_INFO& info);

// Parts of the piecewise-linear inverse, inline so that a parameter record converts through a
// prepared ascending table without a call; InverseLinearRangesScale runs the same code.
namespace scale_detail {

// Linear interpolation of y at x between (x0, y0) and (x1, y1); a zero-width span gives y1.
[[gnu::always_inline]] inline double Interpolate(double x, double x0, double y0, double x1,
                                                 double y1) {
    if (x1 == x0) {
        return y1;
    }
    return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

// The segment of a monotone real-world table that holds x: the first point not before x in the
// table's direction (the last one when none is). The points before x form a prefix, so the
// last of them is found with a select, not a branch: a value in a random segment costs no
// misprediction.
template <bool Ascending>
[[gnu::always_inline]] inline std::size_t CountSegment(const double* values, std::size_t n,
                                                       double x) {
    std::size_t i = 0;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const bool before = Ascending ? values[k] < x : values[k] > x;
        i = __builtin_expect_with_probability(before, true, 0.5) ? k + 1 : i;
    }
    return i;
}

// States per real-world unit from (x0, y0) to (x1, y1): what the inverse multiplies by, worked
// out once per table when it is prepared, and in the same way when it is not.
[[gnu::always_inline]] inline double SpanSlope(double x0, double y0, double x1, double y1) {
    return (y1 - y0) / (x1 - x0);
}

// The state for x inside a monotone table (between its end points, not NaN). `slopes` holds
// the segments' slopes (rangeSlopes), or is null to work each out here: the same result.
template <bool Ascending>
[[gnu::always_inline]] inline double InverseInsideMonotone(double x, const double* states,
                                                           const double* values,
                                                           const double* slopes, std::size_t n) {
    const std::size_t i = CountSegment<Ascending>(values, n, x);
    if (values[i] == x || i == 0) {
        return states[i];
    }
    // values[i - 1] lies before x and values[i] after it, so the segment has a width.
    const double slope = slopes != nullptr
                             ? slopes[i]
                             : SpanSlope(values[i - 1], states[i - 1], values[i], states[i]);
    return states[i - 1] + (x - values[i - 1]) * slope;
}

// How many of the search points from `first` to `last` (four at least, a multiple of four) lie
// at or before x, compared two at a time: for a handful of points a count is cheaper than a
// search that branches, and a value in a random segment costs no misprediction. A NaN counts
// none.
[[gnu::always_inline]] inline std::size_t CountPointsNotAfter(const double* first,
                                                              const double* last, double x) {
    using Pair = double __attribute__((vector_size(16)));
    using Mask = long long __attribute__((vector_size(16)));
    const Pair xx = {x, x};
    Mask count = {0, 0};
    do {
        Pair low;
        Pair high;
        __builtin_memcpy(&low, first, sizeof low);
        __builtin_memcpy(&high, first + 2, sizeof high);
        count -= low <= xx;  // a true comparison is -1
        count -= high <= xx;
        first += 4;
    } while (first != last);
    count += __builtin_shufflevector(count, count, 1, 0);
    return static_cast<std::size_t>(count[0]);
}

// InverseLinearRangesScale for tables whose rangePoints PrepareRangeTables filled, while they
// keep the size it saw. The segment is the one that starts at the last point not after x; at a
// point x minus the point is 0, so its state comes out exact, and a NaN gives a NaN.
[[gnu::always_inline]] inline double InverseAscendingRanges(double x, const sSCALE_INFO& info) {
    // Values outside the table are the exception: their constants stay off the common path.
    if (x < info.rangeLow) [[unlikely]] {
        return 0.0;
    }
    if (x > info.rangeHigh) [[unlikely]] {
        return 1000.0;
    }
    const double* search = info.rangeSearch.data();
    const std::size_t j = CountPointsNotAfter(search, search + info.rangeSearch.size(), x);
    const sRangePoint& point = info.rangePoints.data()[j];
    return point.state + (x - point.value) * point.slope;
}

}  // namespace scale_detail

// state -> real-world or real-world -> state; must not allocate (called on every change).
using ScaleFn = double (*)(double value, sSCALE_INFO* info);

// A scale and its inverse, registered together under a name by a plug-in.
struct sUserScaleFunctions {
    ScaleFn scale = nullptr;
    ScaleFn inverse = nullptr;
};

// Linear: a + b*x. The plain form rounds only the fraction to the resolution (res <= 1), the
// extended form rounds the whole value to a multiple of the resolution (res > 1).
KORVANE_API double LinearScale(double x, sSCALE_INFO* info);
KORVANE_API double ExtendedResLinearScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseLinearScale(double x, sSCALE_INFO* info);

// Logarithmic: a * b^x, with the same two rounding forms.
KORVANE_API double LogScale(double x, sSCALE_INFO* info);
KORVANE_API double ExtendedResLogScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseLogScale(double x, sSCALE_INFO* info);

// Toggle: trunc(x) % trunc(a), sign of the dividend.
KORVANE_API double ToggleScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseToggleScale(double x, sSCALE_INFO* info);

// Toggle over a table of real-world points; the inverse picks the nearest (a half goes up).
KORVANE_API double ToggleRangesScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseToggleRangesScale(double x, sSCALE_INFO* info);

// Exact state <-> real-world pairs; no match gives 0.
KORVANE_API double ToggleMapScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseToggleMapScale(double x, sSCALE_INFO* info);

// Piecewise linear through (statePoints[i], realWorldPoints[i]); real-world points may descend.
KORVANE_API double LinearRangesScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseLinearRangesScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseLinearRangesScaleWithRounding(double x, sSCALE_INFO* info);

// Identity.
KORVANE_API double DummyScale(double x, sSCALE_INFO* info);
KORVANE_API double InverseDummyScale(double x, sSCALE_INFO* info);

}  // namespace kvKorvaneV10_0_3
