// The example EQ's native processing, reached as a host reaches it: the module is loaded, its
// process function looked up by the name its description gives, and audio rendered block by
// block on the reference host. The levels measured must be those of the band settings,
// evaluated here from their own response formulas.
#include "examples/eq/kv_eq.h"

#include "examples/eq/kv_eq_test_support.h"
#include "host/reference_host.h"
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
namespace PM = ProcessMemory;

constexpr int kRate = 44100;
constexpr int kBlock = 256;

// The settings of one band, as the parameters hold them.
struct Band {
    int type = KvEQ::kBell;
    double freq = 1000;
    double gainDb = 0;
    double q = 1;
    bool on = true;
};

// tan(w/2) / tan(wc/2): the bilinear transform's frequency ratio.
double Ratio(double f, double fc) {
    return std::tan(std::numbers::pi * f / kRate) / std::tan(std::numbers::pi * fc / kRate);
}

// The band's magnitude at f, from the response each band type is designed to have.
double Magnitude(const Band& b, double f) {
    if (!b.on) {
        return 1.0;
    }
    const double k = std::pow(10.0, b.gainDb / 20.0);
    const double t = Ratio(f, b.freq);
    switch (b.type) {
        case KvEQ::kLowCut:  // second-order Butterworth high-pass
            return std::sqrt(std::pow(t, 4) / (1.0 + std::pow(t, 4)));
        case KvEQ::kHighCut:  // second-order Butterworth low-pass
            return std::sqrt(1.0 / (1.0 + std::pow(t, 4)));
        case KvEQ::kLowShelf:  // first order: K at DC, 1 at Nyquist, power mean at f
            return std::sqrt((k * k + t * t) / (1.0 + t * t));
        case KvEQ::kHighShelf:
            return std::sqrt((1.0 + k * k * t * t) / (1.0 + t * t));
        default: {
            // Bell: (1 + K)/2 + (1 - K)/2 A(z), A the second-order all-pass centred on the
            // band's frequency with its 90-degree points w/Q apart.
            const double w0 = 2.0 * std::numbers::pi * b.freq / kRate;
            const double bw = w0 / b.q;
            const double k1 = -std::cos(w0);
            const double k2 = (1.0 - std::tan(bw / 2)) / (1.0 + std::tan(bw / 2));
            const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / kRate);
            const std::complex<double> a =
                (k2 + k1 * (1.0 + k2) * z1 + z1 * z1) / (1.0 + k1 * (1.0 + k2) * z1 + k2 * z1 * z1);
            return std::abs((1.0 + k) / 2.0 + (1.0 - k) / 2.0 * a);
        }
    }
}

double ExpectedDb(const std::vector<Band>& bands, double outputDb, double f) {
    double magnitude = std::pow(10.0, outputDb / 20.0);
    for (const Band& b : bands) {
        magnitude *= Magnitude(b, f);
    }
    return 20.0 * std::log10(magnitude);
}

class KvEQNative : public ::testing::Test {
protected:
    void SetUp() override {
        kvexample::testing::OpenEQOnHost(KVEQ_MODULE, host, container, eq);
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(
            host.LoadNativeProcess(RM::GetHMODULE(container), eq->GetProcessFuncName().c_str(),
                                   eq->GetNumInputs(), eq->GetNumOutputs()),
            eNoErr);
    }

    void TearDown() override {
        eq.reset();
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    // Sets a parameter as a GUI would; the chain is posted and lands at the next block.
    void Set(unsigned int index, double realWorld) {
        BUFFER_HEADER* chain = eq->UpdateParamRequestRealWorld(index, realWorld);
        ASSERT_EQ(eq->SendAndFreeBuffers(chain, PM::eSelPostChain, true), eNoErr);
    }

    void Apply(const std::vector<Band>& bands, double outputDb) {
        for (unsigned int i = 0; i < bands.size(); ++i) {
            Set(KvEQ::kType + i, bands[i].type);
            Set(KvEQ::kFreq + i, bands[i].freq);
            Set(KvEQ::kGain + i, bands[i].gainDb);
            Set(KvEQ::kQ + i, bands[i].q);
            Set(KvEQ::kOn + i, bands[i].on ? 1 : 0);
        }
        Set(KvEQ::kOutputGain, outputDb);
    }

    // Renders `in` (left) and `in` scaled by `rightScale` (right) in blocks; returns both outputs.
    void Render(const std::vector<float>& left, const std::vector<float>& right,
                std::vector<float>& outLeft, std::vector<float>& outRight) {
        outLeft.assign(left.size(), 0.0F);
        outRight.assign(right.size(), 0.0F);
        for (std::size_t start = 0; start < left.size(); start += kBlock) {
            const int frames = static_cast<int>(std::min<std::size_t>(kBlock, left.size() - start));
            const float* ins[2] = {left.data() + start, right.data() + start};
            float* outs[2] = {outLeft.data() + start, outRight.data() + start};
            ASSERT_EQ(host.ProcessAudio(ins, outs, frames), eNoErr);
        }
    }

    // A stepped sine sweep: each frequency settles, then one second is measured (a whole
    // number of periods). The gain measured per frequency, in dB, for each channel.
    void Sweep(const std::vector<double>& freqs, std::vector<double>& leftDb,
               std::vector<double>& rightDb) {
        constexpr int settle = kRate * 3 / 10;
        constexpr int measure = kRate;
        std::vector<float> left;
        std::vector<float> right;
        for (const double f : freqs) {
            for (int n = 0; n < settle + measure; ++n) {
                const double phase = 2.0 * std::numbers::pi * f * n / kRate;
                left.push_back(static_cast<float>(0.5 * std::sin(phase)));
                right.push_back(static_cast<float>(0.125 * std::cos(phase)));
            }
        }
        std::vector<float> outLeft;
        std::vector<float> outRight;
        Render(left, right, outLeft, outRight);
        const auto db = [](const std::vector<float>& in, const std::vector<float>& out,
                           std::size_t first) {
            double inPower = 0;
            double outPower = 0;
            for (std::size_t i = first; i < first + measure; ++i) {
                inPower += static_cast<double>(in[i]) * in[i];
                outPower += static_cast<double>(out[i]) * out[i];
            }
            return 10.0 * std::log10(outPower / inPower);
        };
        leftDb.clear();
        rightDb.clear();
        for (std::size_t i = 0; i < freqs.size(); ++i) {
            const std::size_t first = i * (settle + measure) + settle;
            leftDb.push_back(db(left, outLeft, first));
            rightDb.push_back(db(right, outRight, first));
        }
    }

    void ExpectResponse(const std::vector<Band>& bands, double outputDb) {
        const std::vector<double> freqs = {30,   60,   120,  250,   500,  1000,
                                           2000, 4000, 8000, 12000, 16000};
        std::vector<double> leftDb;
        std::vector<double> rightDb;
        Sweep(freqs, leftDb, rightDb);
        for (std::size_t i = 0; i < freqs.size(); ++i) {
            const double expected = ExpectedDb(bands, outputDb, freqs[i]);
            EXPECT_NEAR(leftDb[i], expected, 0.01) << freqs[i] << " Hz, left";
            EXPECT_NEAR(rightDb[i], expected, 0.01) << freqs[i] << " Hz, right";
        }
    }

    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<KvEQ> eq;
};

TEST_F(KvEQNative, SweepMatchesTheBandsEvaluatedIndependently) {
    // Boost, shelves both ways and a low cut, with the output lowered.
    const std::vector<Band> first = {{KvEQ::kBell, 120, 6, 2, true},
                                     {KvEQ::kLowShelf, 250, -4.5, 1, true},
                                     {KvEQ::kHighShelf, 8000, 3, 1, true},
                                     {KvEQ::kLowCut, 40, 0, 1, true}};
    Apply(first, -2);
    ExpectResponse(first, -2);

    // A cut, a band switched off, a high cut and more output: applied between blocks.
    const std::vector<Band> second = {{KvEQ::kBell, 2000, -8, 1.5, true},
                                      {KvEQ::kLowShelf, 250, -4.5, 1, false},
                                      {KvEQ::kHighShelf, 3000, -6, 1, true},
                                      {KvEQ::kHighCut, 12000, 0, 1, true}};
    Apply(second, 4);
    ExpectResponse(second, 4);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(KvEQNative, BypassPassesTheSignalThroughUnchanged) {
    Apply({{KvEQ::kBell, 1000, 12, 1, true}}, -6);
    std::vector<float> in(4 * kBlock);
    for (std::size_t n = 0; n < in.size(); ++n) {
        in[n] = static_cast<float>(0.7 * std::sin(0.05 * static_cast<double>(n)));
    }
    std::vector<float> outLeft;
    std::vector<float> outRight;
    Render(in, in, outLeft, outRight);
    EXPECT_GT(std::fabs(outLeft.back() - in.back()), 1e-3) << "the band is heard before";

    Set(KvEQ::kBypass, 1);
    Render(in, in, outLeft, outRight);
    // The sections' states from before drain within a few samples; then the sound is untouched.
    for (std::size_t n = kBlock; n < in.size(); ++n) {
        ASSERT_EQ(outLeft[n], in[n]) << n;
        ASSERT_EQ(outRight[n], in[n]) << n;
    }
}

TEST_F(KvEQNative, TheAlgorithmFindsTheSameFunctionAndMissingNamesFailClearly) {
    // A plug-in that loads its function itself finds the one the host uses.
    class Native : public KvEQ {
    public:
        using KvEQ::KvEQ;
        void UseProcessFunction() { SetProperty(eAlgUsesProcessFunctionInAlg, true); }
    };
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("KvEQ");
    info.componentSubType = KCFourCC("ster");
    Native native(info, container);
    native.UseProcessFunction();
    ASSERT_EQ(native.FinishCreate(), 0);
    ASSERT_EQ(native.InitProcessCode(), 0);
    ASSERT_NE(native.GetNativeProcessFunction(), nullptr);
    KTNativeProcessFunction found = nullptr;
    ASSERT_EQ(PM::FindNativeProcessFunction(RM::GetHMODULE(container), "KvEQ_Process", found),
              eNoErr);
    EXPECT_EQ(native.GetNativeProcessFunction(), found);

    EXPECT_EQ(host.LoadNativeProcess(RM::GetHMODULE(container), "KvEQ_Missing", 2, 2),
              eFuncPointerNotFound);
    EXPECT_EQ(host.LoadNativeProcess(RM::GetHMODULE(container), "", 2, 2), eFuncPointerNotFound);
    // Names the module does not define itself, though its dependencies do, are not found.
    for (const char* name : {"exit", "abort", "memcpy", "malloc"}) {
        KTNativeProcessFunction foreign = found;
        EXPECT_EQ(PM::FindNativeProcessFunction(RM::GetHMODULE(container), name, foreign),
                  eFuncPointerNotFound)
            << name;
        EXPECT_EQ(foreign, nullptr) << name;
    }
    EXPECT_TRUE(host.HasNativeProcess()) << "a failed look-up keeps the function in use";

    // The function refuses a mono call instead of reading a second channel that is not there.
    std::vector<float> mono(kBlock, 0.5F);
    const float* ins[1] = {mono.data()};
    float* outs[1] = {mono.data()};
    ASSERT_EQ(host.SetNativeProcess(found, 1, 1), eNoErr);
    EXPECT_EQ(host.ProcessAudio(ins, outs, kBlock), eIncompatibleNumOfIOs);
    EXPECT_EQ(mono[0], 0.0F) << "silenced";
}

}  // namespace
