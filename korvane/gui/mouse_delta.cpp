#include "korvane/gui/mouse_delta.h"

#include "korvane/algorithm/algorithm.h"

#include <atomic>
#include <chrono>
#include <cmath>

namespace kvKorvaneV10_0_3 {

namespace {

// Only GUI threads touch it; atomic so that two plug-in windows never race on it.
std::atomic<int> g_restrictedAxis{kAxisNone};

}  // namespace

KSMouseDelta MouseDelta_Calculate(KCPoint2D<short> last, KCPoint2D<short> point) {
    return {static_cast<double>(point.x) - last.x, static_cast<double>(last.y) - point.y};
}

void MouseDelta_HighPrecision(KSMouseDelta& delta, bool highPrecisionHeld,
                              bool allControlsSupportIt) {
    if (highPrecisionHeld && allControlsSupportIt) {
        delta.dx *= kHighPrecisionFactor;
        delta.dy *= kHighPrecisionFactor;
    }
}

void MouseDelta_RestrictToAxis(KSMouseDelta& delta, bool restrict, bool anyControlTwoAxes) {
    if (!restrict) {
        g_restrictedAxis.store(kAxisNone, std::memory_order_relaxed);
        return;
    }
    if (!anyControlTwoAxes) {
        return;
    }
    int axis = g_restrictedAxis.load(std::memory_order_relaxed);
    if (axis == kAxisNone) {
        if (delta.dx == 0.0 && delta.dy == 0.0) {
            return;
        }
        axis = std::fabs(delta.dx) > std::fabs(delta.dy) ? kAxisHorizontal : kAxisVertical;
        g_restrictedAxis.store(axis, std::memory_order_relaxed);
    }
    if (axis == kAxisHorizontal) {
        delta.dy = 0.0;
    } else {
        delta.dx = 0.0;
    }
}

EMouseAxis MouseDelta_GetRestrictedAxis() {
    return static_cast<EMouseAxis>(g_restrictedAxis.load(std::memory_order_relaxed));
}

void MouseDelta_ClearRestrictedAxis() {
    g_restrictedAxis.store(kAxisNone, std::memory_order_relaxed);
}

double MouseDelta_PixelsToState(const std::vector<KCParamRegistrationData>& regs,
                                unsigned int index, double pixels, double& accumulator) {
    if (index >= regs.size()) {
        return 0.0;
    }
    const KCParamRegistrationData& reg = regs[index];
    if (reg.alg == nullptr || reg.paramID >= reg.alg->GetNumParams()) {
        return 0.0;
    }
    const double delta = reg.alg->UpdateMouseDeltaStep(reg.paramID, pixels);
    const double step = reg.alg->GetStateStep(reg.paramID);
    if (reg.alg->GetParamType(reg.paramID) != eParamDiscrete) {
        return delta * step;
    }
    accumulator += delta;
    const double ratio = accumulator / kMouseUnitsPerDiscreteStep;
    const double steps = ratio > 0.0 ? std::floor(ratio) : std::ceil(ratio);
    accumulator -= steps * kMouseUnitsPerDiscreteStep;
    return steps * step;
}

void AccelerateMouseWheel(KSMouseDelta& delta, std::int64_t nowMicroseconds,
                          std::int64_t& lastMicroseconds) {
    const double t = static_cast<double>(nowMicroseconds - lastMicroseconds) / 1000.0;
    lastMicroseconds = nowMicroseconds;
    // A clock that went back says nothing about how fast the wheel turns.
    if (t < 0.0 || t >= 200.0) {
        return;
    }
    const double sign = (delta.dx < 0.0 || delta.dy < 0.0) ? -1.0 : 1.0;
    const double size = t < 100.0 ? 100.0 - 0.49 * t : 50.0 - 0.24 * t;
    if (delta.dx != 0.0) {
        delta.dx = sign * size;
    }
    if (delta.dy != 0.0) {
        delta.dy = sign * size;
    }
}

std::int64_t MonotonicMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace kvKorvaneV10_0_3
