// A small plug-in algorithm for tests and benchmarks: five parameters of different kinds, each
// parameter change writing one coefficient, state / 1024 (inside every process format's range).
#pragma once

#include "korvane/algorithm/algorithm.h"
#include "korvane/algorithm/display_functions.h"

#include <atomic>

namespace kvKorvaneV10_0_3::test_support {

class TestAlgorithm : public cALGORITHM {
public:
    enum Param : unsigned int { kGain, kMode, kMeter, kAlways, kDragged, kCount };

    explicit TestAlgorithm(const KorvaneComponentInfo& info = KorvaneComponentInfo())
        : cALGORITHM(info, s_noResources) {
        SetCoefsNum(kCount);
        SetNumInputs(2);
        SetNumOutputs(2);
    }

    std::atomic<int> updateParamCalls{0};
    std::atomic<int> updateAlgCalls{0};
    std::atomic<int> displayCalls{0};

protected:
    int BuildParameterList() override {
        auto& params = GetParamVector();
        params.resize(kCount);
        const KCFixedString<15> state("state");
        params[kGain].SetName("Gain");
        params[kGain].SetScaleLin(-24, 24, 0.1);
        params[kGain].SetScaleDefaults(0, state, 500, state);
        params[kGain].SetDisplayFunc(DisplayGainWithDB);
        params[kMode].SetName("Mode");
        params[kMode].SetScaleToggle(3);
        params[kMode].SetScaleDefaults(2, state, 0, state);
        params[kMeter].SetName("Meter");
        params[kMeter].SetScaleLin(-60, 0, 0.1);
        params[kMeter].SetFlag(eParamFlagDisplayOnlyParam, true);
        params[kAlways].SetName("Trigger");
        params[kAlways].SetScaleToggle(2);
        params[kAlways].SetFlag(eParamFlagAlwaysUpdate, true);
        params[kDragged].SetName("Frequency");
        params[kDragged].SetScaleLog(20, 20000, 0.01);
        params[kDragged].SetScaleDefaults(0, state, 500, state);
        params[kDragged].SetFlag(eParamFlagDontUpdateWhileDrag, true);
        params[kDragged].SetDisplayFunc(DisplayFloat0WithHz);
        return 0;
    }

    // One coefficient per parameter, at the parameter's index.
    BUFFER_HEADER* UpdateParamSelf(unsigned int index) override {
        ++updateParamCalls;
        return CoefFor(index);
    }

    BUFFER_HEADER* UpdateAlgSelf() override {
        ++updateAlgCalls;
        return AllCoefs();
    }

    BUFFER_HEADER* InitAlgSelf() override { return AllCoefs(); }

    void UpdateParamDisplaySelf(unsigned int /*index*/) override { ++displayCalls; }

    void ProcessHookSelf() override {}

    // Mute and delay travel as states 0 and 1; the DSP coefficients as the whole image.
    BUFFER_HEADER* SetMuteSelf(bool mute) override {
        return Process().SetSingleStateInt(0, mute ? 1 : 0);
    }
    BUFFER_HEADER* SetDelaySelf(int samples) override {
        SetThroughDelay(samples);
        return Process().SetSingleStateInt(1, samples);
    }
    BUFFER_HEADER* UpdateDSPCoefsSelf() override { return AllCoefs(); }

    int ReceiveMessageSelf(char* text, const KCFourCC& id) override {
        lastMessageId = id;
        return text != nullptr && text[0] == '!' ? -1 : 0;
    }

public:
    KCFourCC lastMessageId;

    static double CoefValue(double state) { return state / 1024.0; }

private:
    BUFFER_HEADER* CoefFor(unsigned int index) {
        const auto& conversions = Process().GetConversions();
        auto& image = Process().CoefImage(GetActiveSetup(), false);
        const auto word = static_cast<std::size_t>(GetDSPWordSize());
        if (conversions.doubleToCoef != nullptr && image.size() >= (index + 1) * word) {
            conversions.doubleToCoef(CoefValue(GetParam(index).GetState(GetActiveSetup())),
                                     image.data() + index * word);
        }
        return PrepareCoefBufferWithBypass(static_cast<int>(index), 1, true);
    }

    BUFFER_HEADER* AllCoefs() {
        BUFFER_HEADER* chain = nullptr;
        for (unsigned int i = 0; i < kCount; ++i) {
            BUFFER_HEADER* one = CoefFor(i);
            chain = chain == nullptr ? one : (one == nullptr ? chain : ChainBufs(chain, one));
        }
        return chain;
    }

    static inline KTResContainerType* s_noResources = nullptr;
};

}  // namespace kvKorvaneV10_0_3::test_support
