// Pointer arithmetic of the standard GUI: pixel motion to deltas (high precision, axis lock),
// pixels to parameter states through a control's registrations, and the mouse-wheel
// acceleration. Free functions, so they work before any control routes events.
#pragma once

#include "korvane/algorithm/param_registration.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kvKorvaneV10_0_3 {

// A pointer motion; dy is positive upwards.
struct KSMouseDelta {
    double dx = 0.0;
    double dy = 0.0;
    bool operator==(const KSMouseDelta&) const = default;
};

// Delta units a discrete parameter needs for one state.
constexpr double kMouseUnitsPerDiscreteStep = 96.0;
// The factor high precision applies to both components.
constexpr double kHighPrecisionFactor = 0.25;

// The axis the restriction chose; kAxisNone until a motion chose one.
enum EMouseAxis : int { kAxisNone = 0, kAxisHorizontal = 1, kAxisVertical = 2 };

// The motion from `last` to `point`: dx = point.x - last.x, dy = last.y - point.y. [any-thread]
KORVANE_API KSMouseDelta MouseDelta_Calculate(KCPoint2D<short> last, KCPoint2D<short> point);

// Scales both components by kHighPrecisionFactor when the high-precision modifier is held and
// every selected control linked to the active one supports it. [any-thread]
KORVANE_API void MouseDelta_HighPrecision(KSMouseDelta& delta, bool highPrecisionHeld,
                                          bool allControlsSupportIt);

// With `restrict` and a selected control that works on two axes, the first motion that is not
// (0, 0) picks the axis (horizontal when |dx| > |dy|) and from then on only that component
// passes. Without `restrict` the choice is forgotten and the delta passes whole. One choice for
// the whole process, shared by every GUI. [gui-thread]
KORVANE_API void MouseDelta_RestrictToAxis(KSMouseDelta& delta, bool restrict,
                                           bool anyControlTwoAxes);
[[nodiscard]] KORVANE_API EMouseAxis MouseDelta_GetRestrictedAxis();
KORVANE_API void MouseDelta_ClearRestrictedAxis();

// One component of a pixel motion in the state units of registration `index`: the parameter's
// mouse-delta function first; a continuous parameter then moves by the result times its state
// step; a discrete one adds the result to `accumulator` and moves by the whole steps of 96
// units in it (floor when positive, ceiling otherwise), the rest staying in `accumulator`.
// 0 for an index past the registrations or a registration without an algorithm or parameter.
// [gui-thread]
KORVANE_API double MouseDelta_PixelsToState(const std::vector<KCParamRegistrationData>& regs,
                                            unsigned int index, double pixels, double& accumulator);

// Wheel acceleration: notches close together move further. With t the milliseconds since the
// previous wheel event, when 0 <= t < 200 every non-zero component becomes sign * (100 - 0.49 t)
// below 100 ms and sign * (50 - 0.24 t) from there, the sign negative when either component is;
// otherwise the delta is unchanged. `lastMicroseconds` takes `nowMicroseconds` in every case.
KORVANE_API void AccelerateMouseWheel(KSMouseDelta& delta, std::int64_t nowMicroseconds,
                                      std::int64_t& lastMicroseconds);

// The microsecond clock the GUI reads for the wheel; a test injects its own.
using KTMicrosecondClock = std::function<std::int64_t()>;
// A monotonic clock in microseconds.
[[nodiscard]] KORVANE_API std::int64_t MonotonicMicroseconds();

}  // namespace kvKorvaneV10_0_3
