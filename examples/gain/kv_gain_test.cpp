// KvGain as a host meets it: the module opened as a container, the algorithm made by the
// module's exported creation function, and blocks run on the reference host through the process
// function the description names. Levels are checked against 10^(dB/20), not the plug-in's code.
#include "kv_gain.h"

#include "host/reference_host.h"
#include "korvane/fm/path.h"
#include "korvane/process/native_process.h"
#include "korvane/rm/resource_manager.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvgain::KvGain;
namespace PM = ProcessMemory;

constexpr int kBlock = 128;

using CreateFunction = cALGORITHM* (*)(const KorvaneComponentInfo*, KTResContainerType**);

class KvGainOnHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr);
        ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(KVGAIN_MODULE), 0, container), eNoErr);
        const auto create =
            reinterpret_cast<CreateFunction>(::dlsym(RM::GetHMODULE(container), "KvGain_Create"));
        ASSERT_NE(create, nullptr);
        EXPECT_EQ(create(nullptr, &container), nullptr);

        KorvaneComponentInfo info;
        info.componentType = KCFourCC("KvGn");
        info.componentSubType = KCFourCC("ster");
        gain.reset(create(&info, &container));
        ASSERT_NE(gain, nullptr);
        gain->SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), host.Refcon());
        ASSERT_EQ(gain->FinishCreate(), 0);
        ASSERT_EQ(gain->InitProcessCode(), 0);
        ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, static_cast<int>(gain->GetCoefsNum())), eNoErr);
        ASSERT_EQ(host.SizeSpace(PM::eStatesSpace, static_cast<int>(gain->GetStatesNum())), eNoErr);
        gain->InitData();
        gain->InitInstanceData();
        gain->InitAlg(true);
        ASSERT_EQ(gain->GetProcessFuncName(), "KvGain_Process");
        ASSERT_EQ(
            host.LoadNativeProcess(RM::GetHMODULE(container), gain->GetProcessFuncName().c_str(),
                                   gain->GetNumInputs(), gain->GetNumOutputs()),
            eNoErr);
    }

    void TearDown() override {
        gain.reset();  // its code is in the module, which closing the container unloads
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    // Sets a parameter as a GUI would; the chain lands at the next block.
    void Set(unsigned int index, double realWorld) {
        BUFFER_HEADER* chain = gain->UpdateParamRequestRealWorld(index, realWorld);
        ASSERT_EQ(gain->SendAndFreeBuffers(chain, PM::eSelPostChain, true), eNoErr);
    }

    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<cALGORITHM> gain;
};

TEST_F(KvGainOnHost, ScalesBothChannelsByTheGainWithThePolarity) {
    ASSERT_EQ(gain->GetNumInputs(), 2);
    ASSERT_EQ(gain->GetNumOutputs(), 2);
    std::vector<float> left(kBlock);
    std::vector<float> right(kBlock);
    for (int n = 0; n < kBlock; ++n) {
        left[n] = static_cast<float>(0.5 * std::sin(0.07 * n));
        right[n] = static_cast<float>(0.25 * std::cos(0.3 * n) - 0.1);
    }
    // Runs one block and checks both outputs and the delivered coefficient against `factor`.
    const auto expectFactor = [&](double factor, const char* what) {
        std::vector<float> outLeft(kBlock, 9.0F);
        std::vector<float> outRight(kBlock, 9.0F);
        const float* ins[2] = {left.data(), right.data()};
        float* outs[2] = {outLeft.data(), outRight.data()};
        ASSERT_EQ(host.ProcessAudio(ins, outs, kBlock), eNoErr) << what;
        const auto coef = host.ReadCoefficient(static_cast<int>(KvGain::kFactorCoef));
        ASSERT_TRUE(coef.has_value()) << what;
        EXPECT_NEAR(*coef, factor, 1e-6 * std::fabs(factor)) << what;
        for (int n = 0; n < kBlock; ++n) {
            ASSERT_NEAR(outLeft[n], left[n] * factor, 1e-6) << what << ", left " << n;
            ASSERT_NEAR(outRight[n], right[n] * factor, 1e-6) << what << ", right " << n;
        }
    };
    expectFactor(1.0, "as created");

    struct Setting {
        double db;
        bool invert;
        const char* what;
    };
    // Cuts, boosts and the inverted polarity; the last returns to normal polarity, so the
    // switch is seen going both ways.
    for (const Setting s : {Setting{-6, false, "-6 dB"}, Setting{12.5, true, "12.5 dB inverted"},
                            Setting{-24, true, "-24 dB inverted"}, Setting{3, false, "3 dB"}}) {
        Set(KvGain::kGain, s.db);
        Set(KvGain::kInvert, s.invert ? 1 : 0);
        expectFactor((s.invert ? -1.0 : 1.0) * std::pow(10.0, s.db / 20.0), s.what);
    }
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(KvGainOnHost, ProcessFunctionRefusesWhatItCannotProcess) {
    KTNativeProcessFunction process = nullptr;
    ASSERT_EQ(PM::FindNativeProcessFunction(RM::GetHMODULE(container), "KvGain_Process", process),
              eNoErr);
    std::vector<float> buffer(kBlock, 0.5F);
    const float* ins[2] = {buffer.data(), buffer.data()};
    float* outs[2] = {buffer.data(), nullptr};
    const float factor = 2.0F;
    KSNativeProcessMemory memory{};
    memory.structSize = sizeof memory;
    memory.wordSize = 4;
    memory.coefs = &factor;
    memory.numCoefs = 1;

    EXPECT_EQ(process(nullptr, ins, 2, outs, 2, kBlock), eMemNullPointer);
    EXPECT_EQ(process(&memory, ins, 2, outs, 1, kBlock), eIncompatibleNumOfIOs);
    EXPECT_EQ(process(&memory, ins, 2, outs, 2, kBlock), eMemNullPointer) << "missing channel";
    EXPECT_EQ(buffer.front(), 0.5F) << "a refused call writes no channel";
    KSNativeProcessMemory empty = memory;
    empty.numCoefs = 0;
    EXPECT_EQ(process(&empty, ins, 1, outs, 1, kBlock), eMemBuffTooShort);
    KSNativeProcessMemory wide = memory;
    wide.wordSize = 8;
    EXPECT_EQ(process(&wide, ins, 1, outs, 1, kBlock), eMemBuffTooShort);
    // In place, one channel: the factor applies.
    ASSERT_EQ(process(&memory, ins, 1, outs, 1, kBlock), eNoErr);
    EXPECT_EQ(buffer.front(), 1.0F);
    EXPECT_EQ(buffer.back(), 1.0F);
}

}  // namespace
