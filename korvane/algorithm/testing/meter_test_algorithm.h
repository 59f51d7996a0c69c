// The test algorithm with meters appended after its own parameters: one meter parameter per
// requested read offset, every other one with clip, and a clock the tests drive.
#pragma once

#include "korvane/algorithm/testing/test_algorithm.h"

#include <functional>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::test_support {

class MeterTestAlgorithm : public TestAlgorithm {
public:
    explicit MeterTestAlgorithm(std::vector<unsigned int> offsets, bool withClip = false)
        : m_offsets(std::move(offsets)), m_withClip(withClip) {
        GetMeterManager().SetClock([this] { return nowMs; });
    }

    // The parameter index of the i-th requested meter.
    [[nodiscard]] static unsigned int MeterParam(unsigned int i) { return kCount + i; }

    double nowMs = 1000.0;
    std::vector<double> trims;

    // When set, converts every raw value read, as a plug-in's ReadMeterSelf would.
    std::function<double(unsigned int, double)> readMeter;

    void Meters_ExecuteTrim(double dB) override { trims.push_back(dB); }

protected:
    double ReadMeterSelf(unsigned int paramIndex, double raw) override {
        return readMeter ? readMeter(paramIndex, raw) : raw;
    }

    int BuildParameterList() override {
        TestAlgorithm::BuildParameterList();
        auto& params = GetParamVector();
        for (unsigned int offset : m_offsets) {
            sCONTROL_PARAM param;
            param.SetName("Level");
            param.SetLabelString("Lvl");
            param.SetScaleLin(-60, 0, 0.1);
            param.SetFlag(eParamFlagDisplayOnlyParam, true);
            KCParamExtensionMeter* meter =
                m_withClip ? new KCParamExtensionMeterWithClip() : new KCParamExtensionMeter();
            meter->SetReadOffset(offset);
            param.SetParamExtension(meter);
            params.push_back(param);
        }
        return 0;
    }

private:
    std::vector<unsigned int> m_offsets;
    bool m_withClip;
};

}  // namespace kvKorvaneV10_0_3::test_support
