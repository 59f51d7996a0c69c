// The test algorithm with what control tests need besides: a cyclic parameter ("Phase", states
// 0 ... 1000 in steps of 1) and a discrete one ("Steps", 8 states) whose mouse-delta function
// passes pixels through unchanged, so drag amounts in tests are delta units.
#pragma once

#include "korvane/algorithm/testing/test_algorithm.h"

namespace kvKorvaneV10_0_3::test_support {

class ControlTestAlgorithm : public TestAlgorithm {
public:
    enum ExtraParam : unsigned int { kPhase = TestAlgorithm::kCount, kSteps, kAllCount };

protected:
    int BuildParameterList() override {
        const int result = TestAlgorithm::BuildParameterList();
        auto& params = GetParamVector();
        params.resize(kAllCount);
        const KCFixedString<15> state("state");
        params[kPhase].SetName("Phase");
        params[kPhase].SetScaleLin(0, 1000, 1);
        params[kPhase].SetScaleDefaults(0, state, 0, state);
        params[kPhase].SetFlag(eParamFlagCyclicContinious, true);
        params[kSteps].SetName("Steps");
        params[kSteps].SetScaleToggle(8);
        params[kSteps].SetScaleDefaults(0, state, 3, state);
        params[kSteps].SetMouseDeltaFunc(+[](double delta) { return delta; });
        return result;
    }

    // The extra parameters write no coefficient.
    BUFFER_HEADER* UpdateParamSelf(unsigned int index) override {
        return index < TestAlgorithm::kCount ? TestAlgorithm::UpdateParamSelf(index) : nullptr;
    }
};

}  // namespace kvKorvaneV10_0_3::test_support
