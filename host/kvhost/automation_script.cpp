// Automation scripts for kvhost render.
#include "host/kvhost/automation_script.h"

namespace KorvaneHost {

// Placeholder until the reader lands: every script is refused.
std::optional<AutomationScript> AutomationScript::Parse(std::string_view /*text*/,
                                                        double /*sampleRate*/,
                                                        AutomationError& error) {
    error = {0, 0, "automation scripts are not supported yet"};
    return std::nullopt;
}

std::optional<double> AutomationScript::ValueAt(const AutomationLane& /*lane*/,
                                                std::int64_t /*frame*/) {
    return std::nullopt;
}

}  // namespace KorvaneHost
