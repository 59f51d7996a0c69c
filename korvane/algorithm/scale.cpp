// Built-in scale functions. They are called on every value change: no allocation, no locks.
#include "korvane/algorithm/scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kvKorvaneV10_0_3 {
namespace {

// Keeps the whole part and rounds only the fraction to the resolution.
double QuantizeFraction(double y, const sSCALE_INFO& info) {
    const double whole = std::floor(y);
    return whole + std::floor((y - whole) * info.inverseResolution + 0.5) * info.resolution;
}

// Rounds the whole value to a multiple of the resolution.
double QuantizeWhole(double y, const sSCALE_INFO& info) {
    return std::floor(y * info.inverseResolution + 0.5) * info.resolution;
}

std::size_t TableSize(const sSCALE_INFO& info) {
    return std::min(info.statePoints.size(), info.realWorldPoints.size());
}

// Linear interpolation of y at x between (x0, y0) and (x1, y1); a zero-width span gives y1.
double Interpolate(double x, double x0, double y0, double x1, double y1) {
    if (x1 == x0) {
        return y1;
    }
    return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

}  // namespace

double LinearScale(double x, sSCALE_INFO* info) {
    return QuantizeFraction(info->a + info->b * x, *info);
}

double ExtendedResLinearScale(double x, sSCALE_INFO* info) {
    return QuantizeWhole(info->a + info->b * x, *info);
}

double InverseLinearScale(double x, sSCALE_INFO* info) {
    if (info->b == 0.0) {
        return 0.0;
    }
    return (x - info->a) / info->b;
}

double LogScale(double x, sSCALE_INFO* info) {
    return QuantizeFraction(info->a * std::pow(info->b, x), *info);
}

double ExtendedResLogScale(double x, sSCALE_INFO* info) {
    return QuantizeWhole(info->a * std::pow(info->b, x), *info);
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

// Shared body of the two range inverses; `inside` tells whether x fell within the table.
double InverseRanges(double x, const sSCALE_INFO& info, bool& inside) {
    inside = false;
    const std::size_t n = TableSize(info);
    if (n == 0) {
        return 0.0;
    }
    const auto& states = info.statePoints;
    const auto& values = info.realWorldPoints;
    const bool ascending = values.front() <= values[n - 1];
    const double lo = std::min(values.front(), values[n - 1]);
    const double hi = std::max(values.front(), values[n - 1]);
    if (x < lo) {
        return 0.0;
    }
    if (x > hi) {
        return 1000.0;
    }
    if (std::isnan(x)) {
        return x;
    }
    inside = true;
    std::size_t i = 0;
    while (i + 1 < n && (ascending ? values[i] < x : values[i] > x)) {
        ++i;
    }
    if (values[i] == x || i == 0) {
        return states[i];
    }
    return Interpolate(x, values[i - 1], states[i - 1], values[i], states[i]);
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
