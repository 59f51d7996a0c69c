// Automation scripts for kvhost render: YAML lanes of timed parameter values, read once and
// evaluated at block boundaries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace KorvaneHost {

// At `frame` the lane's parameter reaches `value`. With `ramp` the value moves linearly from
// the previous point to this one; without, it jumps at `frame`.
struct AutomationPoint {
    std::int64_t frame = 0;
    double value = 0.0;
    bool ramp = false;
};

// One parameter's points, sorted by frame (equal frames keep their script order).
struct AutomationLane {
    std::string parameter;
    std::vector<AutomationPoint> points;
};

// Where and why a script was refused; line and column count from 1 (0 when unknown).
struct AutomationError {
    int line = 0;
    int column = 0;
    std::string message;
};

class AutomationScript {
public:
    // The most points a script may hold, all lanes together: it bounds the memory a script
    // can make the reader take.
    static constexpr std::size_t kMaxPoints = 1'000'000;

    // Reads a script; times given in seconds become frames at `sampleRate`. On failure returns
    // nothing and fills `error`. Never throws. [any-thread]
    [[nodiscard]] static std::optional<AutomationScript> Parse(std::string_view text,
                                                               double sampleRate,
                                                               AutomationError& error);

    [[nodiscard]] const std::vector<AutomationLane>& Lanes() const { return m_lanes; }

    // The lane's value at `frame`: nothing before its first point, the last value after its
    // last one. [any-thread]
    [[nodiscard]] static std::optional<double> ValueAt(const AutomationLane& lane,
                                                       std::int64_t frame);

private:
    std::vector<AutomationLane> m_lanes;
};

}  // namespace KorvaneHost
