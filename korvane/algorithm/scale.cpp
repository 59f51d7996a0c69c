// Built-in scale functions. They are called on every value change: no allocation, no locks.
#include "korvane/algorithm/scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace kvKorvaneV10_0_3 {
namespace {

// Keeps the whole part and rounds only the fraction to the resolution.
[[gnu::always_inline]] inline double QuantizeFraction(double y, const sSCALE_INFO& info) {
    const double whole = std::floor(y);
    return whole + std::floor((y - whole) * info.inverseResolution + 0.5) * info.resolution;
}

// Rounds the whole value to a multiple of the resolution.
[[gnu::always_inline]] inline double QuantizeWhole(double y, const sSCALE_INFO& info) {
    return std::floor(y * info.inverseResolution + 0.5) * info.resolution;
}

std::size_t TableSize(const sSCALE_INFO& info) {
    return std::min(info.statePoints.size(), info.realWorldPoints.size());
}

using scale_detail::Interpolate;

// std::floor is a conversion round trip on baseline x86-64 (some 25 cycles of latency) and one
// rounding instruction with SSE4.1. The quantising scales are compiled both ways and pick one
// per call on a flag set at load; both give the same result for every input.
using ScaleBody = double (*)(double x, const sSCALE_INFO& info);

#if defined(__x86_64__) && !defined(__SSE4_1__)
const bool kHasSse41 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.1") != 0;
}();

template <ScaleBody Body>
[[gnu::target("sse4.1")]] double WithSse41(double x, const sSCALE_INFO& info) {
    return Body(x, info);
}

template <ScaleBody Body>
double Quantizing(double x, const sSCALE_INFO& info) {
    return kHasSse41 ? WithSse41<Body>(x, info) : Body(x, info);
}
#else
template <ScaleBody Body>
double Quantizing(double x, const sSCALE_INFO& info) {
    return Body(x, info);
}
#endif

[[gnu::always_inline]] inline double LinearBody(double x, const sSCALE_INFO& info) {
    return QuantizeFraction(info.a + info.b * x, info);
}

[[gnu::always_inline]] inline double ExtendedResLinearBody(double x, const sSCALE_INFO& info) {
    return QuantizeWhole(info.a + info.b * x, info);
}

[[gnu::always_inline]] inline double LogBody(double x, const sSCALE_INFO& info) {
    return QuantizeFraction(info.a * std::pow(info.b, x), info);
}

[[gnu::always_inline]] inline double ExtendedResLogBody(double x, const sSCALE_INFO& info) {
    return QuantizeWhole(info.a * std::pow(info.b, x), info);
}

}  // namespace

double LinearScale(double x, sSCALE_INFO* info) {
    return Quantizing<LinearBody>(x, *info);
}

double ExtendedResLinearScale(double x, sSCALE_INFO* info) {
    return Quantizing<ExtendedResLinearBody>(x, *info);
}

double InverseLinearScale(double x, sSCALE_INFO* info) {
    if (info->b == 0.0) {
        return 0.0;
    }
    return (x - info->a) / info->b;
}

double LogScale(double x, sSCALE_INFO* info) {
    return Quantizing<LogBody>(x, *info);
}

double ExtendedResLogScale(double x, sSCALE_INFO* info) {
    return Quantizing<ExtendedResLogBody>(x, *info);
}

double InverseLogScale(double x, sSCALE_INFO* info) {
    // A degenerate scale (a <= 0 or b == 1) has no inverse; 0 keeps the state defined.
    if (x <= 0.0 || info->a <= 0.0 || info->b <= 0.0 || info->b == 1.0) {
        return 0.0;
    }
    return std::log(x / info->a) / std::log(info->b);
}

double ToggleScale(double x, sSCALE_INFO* info) {
    const double count = std::trunc(info->a);
    if (count == 0.0 || !std::isfinite(x)) {
        return 0.0;
    }
    return std::fmod(std::trunc(x), count);
}

double InverseToggleScale(double x, sSCALE_INFO* /*info*/) {
    return x;
}

double ToggleRangesScale(double x, sSCALE_INFO* info) {
    const auto& points = info->realWorldPoints;
    if (points.empty() || !std::isfinite(x) || std::fabs(x) >= 9.2e18) {
        return 0.0;
    }
    // A negative state wraps through the unsigned 32-bit index like the original arithmetic.
    const auto index = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::trunc(x)));
    return points[index % points.size()];
}

double InverseToggleRangesScale(double x, sSCALE_INFO* info) {
    const auto& points = info->realWorldPoints;
    const std::size_t n = points.size();
    if (n == 0) {
        return 0.0;
    }
    if (n == 1 || x >= points.back()) {
        return static_cast<double>(n - 1);
    }
    std::size_t k = 0;
    while (k + 2 < n && !(points[k + 1] > x)) {
        ++k;
    }
    const bool upper = x - points[k] >= (points[k + 1] - points[k]) * 0.5;
    return static_cast<double>(upper ? k + 1 : k);
}

double ToggleMapScale(double x, sSCALE_INFO* info) {
    const std::size_t n = TableSize(*info);
    for (std::size_t i = 0; i < n; ++i) {
        if (info->statePoints[i] == x) {
            return info->realWorldPoints[i];
        }
    }
    return 0.0;
}

double InverseToggleMapScale(double x, sSCALE_INFO* info) {
    const std::size_t n = TableSize(*info);
    for (std::size_t i = 0; i < n; ++i) {
        if (info->realWorldPoints[i] == x) {
            return info->statePoints[i];
        }
    }
    return 0.0;
}

double LinearRangesScale(double x, sSCALE_INFO* info) {
    const std::size_t n = TableSize(*info);
    if (n == 0) {
        return 0.0;
    }
    const auto& states = info->statePoints;
    const auto& values = info->realWorldPoints;
    if (std::isnan(x)) {
        return QuantizeFraction(values.front(), *info);
    }
    x = std::clamp(x, states.front(), std::max(states.front(), states[n - 1]));
    std::size_t i = 0;
    while (i + 1 < n && states[i] < x) {
        ++i;
    }
    double value = values[i];
    if (states[i] != x && i > 0) {
        value = Interpolate(x, states[i - 1], values[i - 1], states[i], values[i]);
    }
    return QuantizeFraction(value, *info);
}

namespace {

struct RangeFacts {
    int direction = 0;
    bool monotone = false;
    std::size_t count = 0;
    double low = 0.0;
    double high = 0.0;
};

RangeFacts WorkOutRangeFacts(const sSCALE_INFO& info) {
    RangeFacts facts;
    facts.count = TableSize(info);
    if (facts.count == 0) {
        return facts;
    }
    const double first = info.realWorldPoints.front();
    const double last = info.realWorldPoints[facts.count - 1];
    facts.direction = first <= last ? 1 : -1;
    facts.low = std::min(first, last);
    facts.high = std::max(first, last);
    facts.monotone = true;
    for (std::size_t i = 1; i < facts.count; ++i) {
        const double step = info.realWorldPoints[i] - info.realWorldPoints[i - 1];
        if (!(facts.direction > 0 ? step >= 0.0 : step <= 0.0)) {
            facts.monotone = false;  // turns back, or NaN in the table
        }
    }
    return facts;
}

// The point-by-point table for the inline inverse, or none where a point's state could not
// come out exactly as the plain inverse gives it: a level segment (the plain inverse takes
// its first point), a slope or point that is not finite, or a state of -0 (adding 0 to it
// gives +0).
void FillRangePoints(sSCALE_INFO& info) {
    const std::size_t n = info.rangeCount;
    info.rangePoints.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        sRangePoint& point = info.rangePoints[i];
        point.value = info.realWorldPoints[i];
        point.state = info.statePoints[i];
        point.slope = i + 1 < n ? info.rangeSlopes[i + 1] : 0.0;
        const bool usable = std::isfinite(point.value) && std::isfinite(point.state) &&
                            std::isfinite(point.slope) &&
                            !(point.state == 0.0 && std::signbit(point.state)) &&
                            (i + 1 == n || point.value < info.realWorldPoints[i + 1]);
        if (!usable) {
            info.rangePoints.clear();
            return;
        }
    }
    // n - 1 points after the first, rounded up to a multiple of four (four at least).
    info.rangeSearch.assign(std::max<std::size_t>(4, (n + 2) / 4 * 4),
                            std::numeric_limits<double>::infinity());
    std::copy(info.realWorldPoints.begin() + 1, info.realWorldPoints.begin() + n,
              info.rangeSearch.begin());
}

}  // namespace

void PrepareRangeTables(sSCALE_INFO& info) {
    const RangeFacts facts = WorkOutRangeFacts(info);
    info.rangeDirection = facts.direction;
    info.rangeMonotone = facts.monotone;
    info.rangeCount = facts.count;
    info.rangeLow = facts.low;
    info.rangeHigh = facts.high;
    info.rangeSlopes.clear();
    if (facts.monotone) {
        info.rangeSlopes.resize(facts.count, 0.0);
        for (std::size_t i = 1; i < facts.count; ++i) {
            info.rangeSlopes[i] =
                scale_detail::SpanSlope(info.realWorldPoints[i - 1], info.statePoints[i - 1],
                                        info.realWorldPoints[i], info.statePoints[i]);
        }
    }
    info.rangePoints.clear();
    info.rangeSearch.clear();
    if (facts.monotone && facts.direction > 0) {
        FillRangePoints(info);
    }
}

namespace {

// The segment of a real-world table that holds x: the first point not before x in the table's
// direction (the last one when none is).
template <bool Ascending>
std::size_t FindSegment(const double* values, std::size_t n, double x) {
    std::size_t i = 0;
    while (i + 1 < n && (Ascending ? values[i] < x : values[i] > x)) {
        ++i;
    }
    return i;
}

// Shared body of the two range inverses, for the facts given; `inside` tells whether x fell
// within the table.
[[gnu::always_inline]] inline double InverseRanges(double x, const sSCALE_INFO& info,
                                                   const RangeFacts& facts, bool& inside) {
    inside = false;
    const std::size_t n = facts.count;
    if (x < facts.low) {
        return 0.0;
    }
    if (x > facts.high) {
        return 1000.0;
    }
    if (std::isnan(x)) {
        return x;
    }
    inside = true;
    const double* states = info.statePoints.data();
    const double* values = info.realWorldPoints.data();
    if (facts.monotone) {
        // The prepared slopes when the table has them (the facts may have been worked out here
        // for an unprepared one).
        const double* slopes = info.rangeSlopes.size() == n ? info.rangeSlopes.data() : nullptr;
        return facts.direction > 0
                   ? scale_detail::InverseInsideMonotone<true>(x, states, values, slopes, n)
                   : scale_detail::InverseInsideMonotone<false>(x, states, values, slopes, n);
    }
    const std::size_t i =
        facts.direction > 0 ? FindSegment<true>(values, n, x) : FindSegment<false>(values, n, x);
    if (values[i] == x || i == 0 || values[i] == values[i - 1]) {
        return states[i];
    }
    // The same arithmetic as the monotone path: the state per real-world unit, then one product.
    return states[i - 1] + (x - values[i - 1]) * scale_detail::SpanSlope(values[i - 1],
                                                                         states[i - 1], values[i],
                                                                         states[i]);
}

// Tables filled by hand, or without a pair: works out what preparing them would have. Kept out
// of line so the prepared path stays short.
[[gnu::noinline]] double InverseUnpreparedRanges(double x, const sSCALE_INFO& info, bool& inside) {
    inside = false;
    const RangeFacts facts = WorkOutRangeFacts(info);
    return facts.count == 0 ? 0.0 : InverseRanges(x, info, facts, inside);
}

[[gnu::always_inline]] inline double InverseRanges(double x, const sSCALE_INFO& info,
                                                   bool& inside) {
    // Tables refilled to another size without preparing them again must not be walked with
    // the old count.
    if (info.rangeDirection == 0 || info.rangeCount != TableSize(info)) {
        return InverseUnpreparedRanges(x, info, inside);
    }
    const RangeFacts facts{info.rangeDirection, info.rangeMonotone, info.rangeCount, info.rangeLow,
                           info.rangeHigh};
    return InverseRanges(x, info, facts, inside);
}

}  // namespace

double InverseLinearRangesScale(double x, sSCALE_INFO* info) {
    bool inside = false;
    return InverseRanges(x, *info, inside);
}

double InverseLinearRangesScaleWithRounding(double x, sSCALE_INFO* info) {
    bool inside = false;
    const double state = InverseRanges(x, *info, inside);
    return inside ? std::floor(state + 0.5) : state;
}

double DummyScale(double x, sSCALE_INFO* /*info*/) {
    return x;
}

double InverseDummyScale(double x, sSCALE_INFO* /*info*/) {
    return x;
}

}  // namespace kvKorvaneV10_0_3
