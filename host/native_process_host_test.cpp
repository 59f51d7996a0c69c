// The reference host running a native process function over its process memory: what the
// function sees, that posted chains land before it runs, and how misuse is refused.
#include "korvane/process/native_process.h"

#include "host/reference_host.h"
#include "korvane/process/process_buffers.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

using KorvaneHost::ReferenceHost;

// What the last call saw.
struct Seen {
    static inline KSNativeProcessMemory memory{};
    static inline int numInputs = -1;
    static inline int numOutputs = -1;
    static inline int frames = -1;
    static inline int calls = 0;
};

// out[c][i] = in[c][i] * coefs[0] + states[0]; states[0] counts the calls.
std::int32_t GainAndCount(const KSNativeProcessMemory* memory, const float* const* inputs,
                          std::int32_t numInputs, float* const* outputs, std::int32_t numOutputs,
                          std::int32_t frames) {
    Seen::memory = *memory;
    Seen::numInputs = numInputs;
    Seen::numOutputs = numOutputs;
    Seen::frames = frames;
    ++Seen::calls;
    if (memory->numCoefs < 1 || memory->numStates < 1) {
        return eMemBuffTooShort;
    }
    for (int c = 0; c < numOutputs && c < numInputs; ++c) {
        for (int i = 0; i < frames; ++i) {
            outputs[c][i] = inputs[c][i] * memory->coefs[0] + memory->states[0];
        }
    }
    memory->states[0] += 1.0F;
    return 0;
}

class NativeOnHost : public ::testing::Test {
protected:
    void SetUp() override {
        Seen::calls = 0;
        ASSERT_EQ(host.SizeSpace(eCoefsSpace, 4), eNoErr);
        ASSERT_EQ(host.SizeSpace(eStatesSpace, 2), eNoErr);
        ASSERT_EQ(host.SizeSpace(eExternalXSpace, 8), eNoErr);
        pb.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
        pb.SetProcessReady(true);
    }

    // Posts coefficient 0 = value through the callback, as a plug-in's parameter change does.
    void PostGain(double value) {
        unsigned char word[4];
        pb.GetConversions().doubleToCoef(value, word);
        BUFFER_HEADER* chain = pb.PrepareCoefBuffer(0, 1, word, true);
        ASSERT_NE(chain, nullptr);
        ASSERT_EQ(pb.SendAndFreeBuffers(chain, eSelPostChain, true), eNoErr);
    }

    ReferenceHost host;
    KCProcessBuffers pb;
    std::vector<float> left = std::vector<float>(16, 0.5F);
    std::vector<float> right = std::vector<float>(16, -1.0F);
    std::vector<float> outLeft = std::vector<float>(16, 9.0F);
    std::vector<float> outRight = std::vector<float>(16, 9.0F);
    const float* ins[2] = {left.data(), right.data()};
    float* outs[2] = {outLeft.data(), outRight.data()};
};

TEST_F(NativeOnHost, TheFunctionSeesTheHostsMemoryWithPostedChainsApplied) {
    ASSERT_EQ(host.SetNativeProcess(GainAndCount, 2, 2), eNoErr);
    EXPECT_TRUE(host.HasNativeProcess());
    PostGain(0.25);
    EXPECT_EQ(host.PendingChains(), 1U);
    ASSERT_EQ(host.ProcessAudio(ins, outs, 16), eNoErr);
    EXPECT_EQ(host.PendingChains(), 0U);
    EXPECT_EQ(Seen::memory.structSize, sizeof(KSNativeProcessMemory));
    EXPECT_EQ(Seen::memory.wordSize, 4);
    EXPECT_EQ(Seen::memory.numCoefs, 4);
    EXPECT_EQ(Seen::memory.numStates, 2);
    EXPECT_EQ(Seen::memory.numExternX, 8);
    EXPECT_EQ(Seen::memory.numExternY, 0);
    EXPECT_EQ(Seen::memory.externY, nullptr);
    EXPECT_EQ(Seen::numInputs, 2);
    EXPECT_EQ(Seen::numOutputs, 2);
    EXPECT_EQ(Seen::frames, 16);
    EXPECT_FLOAT_EQ(outLeft[3], 0.125F);
    EXPECT_FLOAT_EQ(outRight[15], -0.25F);

    // States belong to the process and persist; a new gain lands at the next block.
    PostGain(2.0);
    ASSERT_EQ(host.ProcessAudio(ins, outs, 16), eNoErr);
    EXPECT_FLOAT_EQ(outLeft[0], 2.0F);  // 0.5 * 2 + one earlier call
    EXPECT_EQ(host.ReadDouble(eStatesSpace, 0), 2.0);
    EXPECT_EQ(Seen::calls, 2);
}

TEST_F(NativeOnHost, MisuseIsRefusedWithoutCallingTheFunction) {
    EXPECT_EQ(host.ProcessAudio(ins, outs, 16), eSomeThingNotInitailzed);
    ASSERT_EQ(host.SetNativeProcess(GainAndCount, 2, 2), eNoErr);
    EXPECT_EQ(host.ProcessAudio(nullptr, outs, 16), eMemNullPointer);
    float* halfOuts[2] = {outLeft.data(), nullptr};
    EXPECT_EQ(host.ProcessAudio(ins, halfOuts, 16), eMemNullPointer);
    EXPECT_EQ(host.ProcessAudio(ins, outs, -1), eOutOfRangeNumber);
    EXPECT_EQ(host.SetNativeProcess(GainAndCount, -1, 2), eOutOfRangeNumber);
    EXPECT_EQ(Seen::calls, 0);

    // A module-less or nameless look-up fails clearly and keeps the function set.
    EXPECT_EQ(host.LoadNativeProcess(nullptr, "Anything", 2, 2), eDLLNotFound);
    EXPECT_TRUE(host.HasNativeProcess());
    ASSERT_EQ(host.SetNativeProcess(nullptr, 2, 2), eNoErr);
    EXPECT_FALSE(host.HasNativeProcess());

    // A host whose words are not floats cannot run native code.
    ReferenceHost fixed(KorvaneHost::Fixed24Config());
    EXPECT_EQ(fixed.SetNativeProcess(GainAndCount, 2, 2), eDataFormatNotSupported);
    EXPECT_FALSE(fixed.HasNativeProcess());
}

TEST_F(NativeOnHost, AFailingFunctionSilencesTheOutputs) {
    ReferenceHost bare;  // no process memory: the function refuses
    ASSERT_EQ(bare.SetNativeProcess(GainAndCount, 2, 2), eNoErr);
    EXPECT_EQ(bare.ProcessAudio(ins, outs, 16), eMemBuffTooShort);
    EXPECT_EQ(Seen::calls, 1);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(outLeft[static_cast<std::size_t>(i)], 0.0F);
        EXPECT_EQ(outRight[static_cast<std::size_t>(i)], 0.0F);
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::ProcessMemory
