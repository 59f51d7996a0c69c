// Automation scripts from outside: any bytes give a script or an error with a one-line message,
// never an exception or a crash. A script that was read keeps the reader's promises (lanes with
// points in time order, finite values, no ramp without a point before it, the cap), and its
// lanes give values that stay between the points around them.
#include "host/kvhost/automation_script.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

using KorvaneHost::AutomationError;
using KorvaneHost::AutomationLane;
using KorvaneHost::AutomationScript;

namespace {

void CheckLane(const AutomationLane& lane) {
    const auto& points = lane.points;
    if (lane.parameter.empty() || points.empty() || points.front().ramp) {
        std::abort();
    }
    if (AutomationScript::ValueAt(lane, points.front().frame - 1).has_value()) {
        std::abort();  // nothing before the first point
    }
    // The values at and just after a bounded number of points.
    const std::size_t checked = points.size() < 64 ? points.size() : 64;
    for (std::size_t i = 0; i < checked; ++i) {
        if (points[i].frame < 0 || !std::isfinite(points[i].value) ||
            (i > 0 && points[i].frame < points[i - 1].frame)) {
            std::abort();
        }
        const bool lastAtFrame = i + 1 == points.size() || points[i + 1].frame != points[i].frame;
        const auto at = AutomationScript::ValueAt(lane, points[i].frame);
        if (!at || (lastAtFrame && *at != points[i].value)) {
            std::abort();  // exact at a point
        }
        if (i + 1 < points.size() && points[i + 1].frame > points[i].frame + 1) {
            const std::int64_t middle =
                points[i].frame + (points[i + 1].frame - points[i].frame) / 2;
            const auto between = AutomationScript::ValueAt(lane, middle);
            const double a = points[i].value;
            const double b = points[i + 1].ramp ? points[i + 1].value : a;
            if (!between || *between < std::fmin(a, b) || *between > std::fmax(a, b)) {
                std::abort();  // a jump holds, a ramp stays between its ends
            }
        }
    }
    if (AutomationScript::ValueAt(lane, points.back().frame + 1) != points.back().value) {
        std::abort();  // the last value holds
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    AutomationError error{7, 7, "stale"};
    const auto script = AutomationScript::Parse(text, 48000.0, error);
    if (!script) {
        const bool control = std::any_of(error.message.begin(), error.message.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        });
        if (error.message.empty() || control || error.line < 0 || error.column < 0 ||
            (error.line == 0) != (error.column == 0)) {
            std::abort();  // a refusal says what and where, on one line
        }
        return 0;
    }
    if (error.line != 0 || error.column != 0 || !error.message.empty()) {
        std::abort();  // a successful read leaves no error behind
    }
    const auto& lanes = script->Lanes();
    if (lanes.empty()) {
        std::abort();
    }
    std::size_t total = 0;
    std::set<std::string> parameters;
    for (const AutomationLane& lane : lanes) {
        total += lane.points.size();
        if (!parameters.insert(lane.parameter).second) {
            std::abort();  // one lane per parameter
        }
        CheckLane(lane);
    }
    if (total > AutomationScript::kMaxPoints) {
        std::abort();
    }
    return 0;
}
