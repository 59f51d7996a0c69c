// KCParamRegistrationData: one parameter a control is bound to (the algorithm and the
// parameter's index). The register types, modifiers and windows arrive with the control model.
#pragma once

namespace kvKorvaneV10_0_3 {

class cALGORITHM;

// Plain value: [any-thread] on distinct objects.
struct KCParamRegistrationData {
    cALGORITHM* alg = nullptr;  // not owned
    unsigned int paramID = 0;
    bool operator==(const KCParamRegistrationData&) const = default;
};

}  // namespace kvKorvaneV10_0_3
