// The sample-rate converter: filter geometry, every listed rate pair in every mode against a
// direct evaluation with no ring, equal rates, several channels, refused settings, caller
// storage, the lengths and the delay.
#include "korvane/dsp/on_the_fly_src.h"

#include "korvane/dsp/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using testing::ReferenceConvert;
using testing::ReferencePolyphase;

std::vector<float> Noise(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-0.9F, 0.9F);
    std::vector<float> v(n);
    for (auto& x : v) {
        x = dist(gen);
    }
    return v;
}

// Largest difference from the reference over the whole output.
double WorstDifference(KCOnTheFlySRC& src, const std::vector<float>& in, int channels,
                       int every = 1) {
    const int frames = static_cast<int>(in.size()) / channels;
    const int outLength = src.RateConvertLength(frames);
    std::vector<float> out(static_cast<std::size_t>(outLength) * channels, 99.0F);
    EXPECT_EQ(src.Convert(in.data(), out.data(), frames, nullptr), eNoErr);
    const auto ref = src.GetMode() == eSRC_Polyphase
                         ? ReferencePolyphase(in, channels, src.GetInputRate(), src.GetOutputRate(),
                                              src.GetHalfLength(), outLength, every)
                         : ReferenceConvert(in, channels, src.GetInputRate(), src.GetOutputRate(),
                                            src.GetHalfLength(), src.GetCutoff(), outLength, every);
    double worst = 0;
    for (std::size_t i = 0; i < out.size(); i += static_cast<std::size_t>(every) * channels) {
        worst = std::max(worst, static_cast<double>(std::fabs(out[i] - ref[i])));
    }
    return worst;
}

TEST(OnTheFlySRC, FilterGeometryFollowsRatioAndMode) {
    const KCOnTheFlySRC up(44100, 48000, eSRC_HighQuality);
    EXPECT_EQ(up.GetHalfLength(), 55);
    EXPECT_EQ(up.GetFilterLength(), 111);
    EXPECT_EQ(up.GetInputLatency(), 71);
    EXPECT_EQ(up.GetError(), eSomeThingNotInitailzed);  // geometry only

    const KCOnTheFlySRC down(48000, 44100, eSRC_HighQuality);
    EXPECT_EQ(down.GetHalfLength(), 109);
    EXPECT_EQ(KCOnTheFlySRC(44100, 48000, eSRC_LowQuality).GetHalfLength(), 18);
    EXPECT_EQ(KCOnTheFlySRC(96000, 96000 * 2, eSRC_Standard).GetHalfLength(), 33);

    KCOnTheFlySRC half(96000, 48000, eSRC_HighQuality, 1);
    ASSERT_TRUE(half.IsValid());
    EXPECT_EQ(half.GetHalfLength(), 101);
    EXPECT_EQ(half.GetTableStep(), 500);
    EXPECT_DOUBLE_EQ(half.GetCutoff(), 22000.0 / 24000.0);
    EXPECT_DOUBLE_EQ(half.GetGain(), 22000.0 / 24000.0 * 0.5);
    EXPECT_EQ(KCOnTheFlySRC::RequiredTableLength(96000, 48000, eSRC_HighQuality), 102000);
}

// The newest frame sits 2h + 18 frames past the read position: a ring of 512 frames lost frames
// still inside the window for every h above 246.
TEST(OnTheFlySRC, RingHoldsTheWindowOfLongFilters) {
    const struct {
        int in, out;
        E_SRC_Flags mode;
        int half;
    } cases[] = {
        {8000, 48000, eSRC_Standard, 303},      {11025, 44100, eSRC_HighQuality, 402},
        {192000, 44100, eSRC_HighQuality, 437}, {44100, 8000, eSRC_HighQuality, 554},
        {8000, 44100, eSRC_HighQuality, 554},
    };
    for (const auto& c : cases) {
        KCOnTheFlySRC src(c.in, c.out, c.mode, 1);
        ASSERT_TRUE(src.IsValid()) << c.in << "->" << c.out;
        EXPECT_EQ(src.GetHalfLength(), c.half) << c.in << "->" << c.out;
        EXPECT_GE(src.GetRingFrames(), 2 * c.half + 19);
        const auto in = Noise(static_cast<std::size_t>(src.GetRingFrames()) + 100, 3);
        EXPECT_LT(WorstDifference(src, in, 1), 2e-6) << c.in << "->" << c.out;
    }
}

// Every pair of the common rates in every mode, mono, against the direct evaluation. The input
// is longer than the ring, so every conversion wraps it.
TEST(OnTheFlySRC, EveryCommonRatePairInEveryModeMatchesTheDirectFormula) {
    const int rates[] = {8000,  11025, 16000, 22050,  32000, 44100,
                         48000, 88200, 96000, 176400, 192000};
    for (const E_SRC_Flags mode : {eSRC_Standard, eSRC_HighQuality, eSRC_LowQuality}) {
        for (const int from : rates) {
            for (const int to : rates) {
                if (from == to) {
                    continue;
                }
                KCOnTheFlySRC src(from, to, mode, 1);
                ASSERT_TRUE(src.IsValid()) << from << "->" << to << " mode " << mode;
                // With the flush of 2h + 32 frames the stream runs past the end of the ring.
                const int frames = std::max(src.GetRingFrames() - 2 * src.GetHalfLength(), 0) + 100;
                const auto in = Noise(static_cast<std::size_t>(frames), 11);
                EXPECT_LT(WorstDifference(src, in, 1, 5), 2e-6)
                    << from << "->" << to << " mode " << mode << " h " << src.GetHalfLength();
            }
        }
    }
}

TEST(OnTheFlySRC, EqualRatesCopyWithoutDelay) {
    KCOnTheFlySRC src(48000, 48000, eSRC_HighQuality, 2);
    ASSERT_TRUE(src.IsValid());
    EXPECT_EQ(src.RateConvertLength(100), 100);
    EXPECT_EQ(src.RateUnConvertLength(100), 100);
    EXPECT_EQ(src.GetInputLatency(), 0);
    EXPECT_EQ(src.GetOutputLatency(), 0);

    const auto in = Noise(200, 5);
    std::vector<float> out(200);
    int latency = -1;
    ASSERT_EQ(src.Convert(in.data(), out.data(), 100, &latency), eNoErr);
    EXPECT_EQ(out, in);
    EXPECT_EQ(latency, 0);

    // Frame by frame: the frame just read comes straight out.
    const float frame[2] = {0.25F, -0.5F};
    float o[2] = {};
    int consumed = 0;
    src.ReadSample(frame);
    src.OutSample(consumed, o);
    EXPECT_EQ(consumed, 1);
    EXPECT_EQ(o[0], 0.25F);
    EXPECT_EQ(o[1], -0.5F);
}

// Each channel of a multichannel conversion equals the mono conversion of that channel, and
// nothing is written past the output length.
TEST(OnTheFlySRC, MultichannelConvertAdvancesByTheFrame) {
    for (const auto& [mode, channels] :
         {std::pair{eSRC_Standard, 2}, std::pair{eSRC_Standard, 3}, std::pair{eSRC_Standard, 4},
          std::pair{eSRC_Standard, 5}, std::pair{eSRC_Standard, 8}, std::pair{eSRC_Polyphase, 2},
          std::pair{eSRC_Polyphase, 3}, std::pair{eSRC_Polyphase, 6}}) {
        const int frames = 150;
        const auto in = Noise(static_cast<std::size_t>(frames) * channels, 7U + channels);
        KCOnTheFlySRC multi(44100, 32000, mode, channels);
        ASSERT_TRUE(multi.IsValid());
        const int outLength = multi.RateConvertLength(frames);
        std::vector<float> out(static_cast<std::size_t>(outLength + 4) * channels, 99.0F);
        ASSERT_EQ(multi.Convert(in.data(), out.data(), frames, nullptr), eNoErr);
        for (std::size_t i = static_cast<std::size_t>(outLength) * channels; i < out.size(); ++i) {
            ASSERT_EQ(out[i], 99.0F) << channels << " channels overran at " << i;
        }
        for (int ch = 0; ch < channels; ++ch) {
            std::vector<float> mono(frames);
            for (int f = 0; f < frames; ++f) {
                mono[f] = in[static_cast<std::size_t>(f) * channels + ch];
            }
            KCOnTheFlySRC single(44100, 32000, mode, 1);
            std::vector<float> monoOut(outLength);
            ASSERT_EQ(single.Convert(mono.data(), monoOut.data(), frames, nullptr), eNoErr);
            for (int k = 0; k < outLength; ++k) {
                ASSERT_EQ(out[static_cast<std::size_t>(k) * channels + ch], monoOut[k])
                    << channels << " channels, channel " << ch << ", frame " << k;
            }
        }
    }
}

TEST(OnTheFlySRC, RefusesSettingsItCannotServeAndStaysSilent) {
    const struct {
        int in, out, channels;
    } bad[] = {
        {44100, 48000, 0},  {44100, 48000, 9}, {0, 48000, 1},    {44100, 0, 1},
        {-44100, 48000, 1}, {2000, 48000, 1},  {48000, 1500, 1}, {44100, 200, 1},
    };
    for (const auto& b : bad) {
        KCOnTheFlySRC src(44100, 48000, eSRC_Standard, 2);
        ASSERT_TRUE(src.IsValid());
        EXPECT_EQ(src.Init(b.in, b.out, eSRC_Standard, b.channels), eOutOfRangeNumber)
            << b.in << "->" << b.out << " x" << b.channels;
        EXPECT_FALSE(src.IsValid());
        EXPECT_EQ(src.GetError(), eOutOfRangeNumber);

        const float frame[8] = {1, 1, 1, 1, 1, 1, 1, 1};
        float out[8] = {5, 5, 5, 5, 5, 5, 5, 5};
        int consumed = 0;
        for (int i = 0; i < 300; ++i) {
            src.ReadSample(frame);
            src.OutSample(consumed, out);
            ASSERT_EQ(out[0], 0.0F);
        }
    }
    EXPECT_TRUE(KCOnTheFlySRC(2001, 48000, eSRC_Standard, 1).IsValid());
    EXPECT_TRUE(KCOnTheFlySRC(44100, 48000, eSRC_Standard, 8).IsValid());

    KCOnTheFlySRC never;
    std::vector<float> in(10, 1.0F);
    std::vector<float> out(10, 5.0F);
    EXPECT_EQ(never.Convert(in.data(), out.data(), 10, nullptr), eSomeThingNotInitailzed);
    EXPECT_EQ(never.Convert(nullptr, out.data(), 10, nullptr), eMemNullPointer);
}

// A refused Init forgets the previous shape: nothing is sized by eight channels or old rates.
TEST(OnTheFlySRC, ARefusedInitWritesNothingSizedByThePreviousSettings) {
    KCOnTheFlySRC src(44100, 48000, eSRC_Standard, 8);
    ASSERT_TRUE(src.IsValid());
    ASSERT_EQ(src.Init(0, 48000, eSRC_Standard, 1), eOutOfRangeNumber);
    EXPECT_EQ(src.RateConvertLength(1000), 0);
    std::vector<float> out(16, 5.0F);
    int consumed = 0;
    src.OutSample(consumed, out.data());
    EXPECT_EQ(out[0], 0.0F);
    EXPECT_EQ(out[1], 5.0F) << "one silent float at most for an unusable converter";
    const std::vector<float> in(100, 1.0F);
    std::fill(out.begin(), out.end(), 5.0F);
    EXPECT_NE(src.Convert(in.data(), out.data(), 100, nullptr), eNoErr);
    EXPECT_EQ(out[0], 5.0F) << "no output length, nothing written";
}

TEST(OnTheFlySRC, NoFramesConvertNothing) {
    for (const int out_rate : {48000, 44100}) {
        KCOnTheFlySRC src(48000, out_rate, eSRC_Standard, 2);
        const float in[2] = {1, 1};
        float out[2] = {5, 5};
        EXPECT_EQ(src.Convert(in, out, -1, nullptr), eNoErr);
        EXPECT_EQ(src.Convert(in, out, 0, nullptr), eNoErr);
        EXPECT_EQ(out[0], 5.0F);
    }
}

TEST(OnTheFlySRC, LengthsAreNeverNegative) {
    const KCOnTheFlySRC src(48000, 44100, eSRC_Standard);
    const int flush = 2 * src.GetInputLatency();
    EXPECT_EQ(src.RateUnConvertLength(0), 0);
    EXPECT_EQ(src.RateUnConvertLength(1), 0);
    EXPECT_EQ(src.RateUnConvertLength(-5), 0);
    EXPECT_EQ(src.RateUnConvertLength(10000),
              static_cast<int>(std::ceil(48000.0 / 44100 * 10000)) - flush);
    EXPECT_EQ(src.RateConvertLength(1000),
              static_cast<int>(std::ceil(44100.0 / 48000 * (1000 + flush))));
    EXPECT_EQ(src.RateConvertLength(-3), 0);
    EXPECT_EQ(SampleRateConvertLength(1000, 48000, 44100, eSRC_Standard),
              src.RateConvertLength(1000));
    EXPECT_EQ(SampleRateConvertLength(1000, 0, 44100, eSRC_Standard), 0);
}

// Converts a unit impulse and checks that its peak comes out where the reported delay says;
// returns that delay (-1 when the conversion fails).
int ImpulseDelay(KCOnTheFlySRC& src) {
    std::vector<float> in(64, 0.0F);
    in[0] = 1.0F;
    std::vector<float> out(static_cast<std::size_t>(src.RateConvertLength(64)));
    int latency = -1;
    if (src.Convert(in.data(), out.data(), 64, &latency) != eNoErr) {
        ADD_FAILURE() << "the impulse did not convert";
        return -1;
    }
    const auto peak = std::max_element(out.begin(), out.end()) - out.begin();
    EXPECT_NEAR(static_cast<double>(peak), latency, 1.0);
    return latency;
}

// The reported delay is where an impulse comes out; the historical getters keep their formulas.
TEST(OnTheFlySRC, ReportedDelayIsWhereAnImpulseComesOut) {
    for (const auto& [from, to] : {std::pair{44100, 48000}, std::pair{48000, 44100}}) {
        KCOnTheFlySRC src(from, to, eSRC_Polyphase, 1);
        const int latency = ImpulseDelay(src);
        ASSERT_GE(latency, 0) << from << "->" << to;
        EXPECT_EQ(src.GetOutputLatency(), latency);
        EXPECT_EQ(src.GetInputLatency(), src.GetHalfLength());
        // About 1.2 ms: no more than 1.5 ms at these rates.
        EXPECT_LE(src.GetInputLatency(), from * 0.0015) << from << "->" << to;
    }
    for (const auto& [from, to] : {std::pair{44100, 48000}, std::pair{48000, 44100},
                                   std::pair{96000, 48000}, std::pair{22050, 88200}}) {
        KCOnTheFlySRC src(from, to, eSRC_Standard, 1);
        const int latency = ImpulseDelay(src);
        ASSERT_GE(latency, 0) << from << "->" << to;
        const int h = src.GetHalfLength();
        EXPECT_EQ(latency, std::lround((h + 18) * static_cast<double>(to) / from));
        EXPECT_EQ(src.GetInputLatency(), h + 16);
        EXPECT_EQ(src.GetOutputLatency(),
                  static_cast<int>(std::ceil(static_cast<double>(to) / from * 3 * (h + 16))));
    }
}

// Feeds what the converter asks for and collects outputs up to `until`.
struct Feeder {
    KCOnTheFlySRC src;
    std::size_t next = 0;
    int need = 1;
    std::vector<float> got;
    void Run(const std::vector<float>& in, std::size_t until) {
        while (got.size() < until) {
            for (; need > 0; --need, ++next) {
                src.ReadSample(next < in.size() ? in[next] : 0.0F);
            }
            float o = 0;
            src.OutSample(need, &o);
            got.push_back(o);
        }
    }
};

TEST(OnTheFlySRC, FrameByFrameMatchesBlockConversionAndCopiesContinue) {
    const auto in = Noise(400, 17);
    for (const E_SRC_Flags mode : {eSRC_HighQuality, eSRC_Polyphase}) {
        KCOnTheFlySRC block(32000, 44100, mode, 1);
        std::vector<float> expected(static_cast<std::size_t>(block.RateConvertLength(400)));
        ASSERT_EQ(block.Convert(in.data(), expected.data(), 400, nullptr), eNoErr);

        Feeder original;
        ASSERT_EQ(original.src.Init(32000, 44100, mode, 1), eNoErr);
        original.Run(in, 150);
        Feeder copy = original;  // a copy mid-stream has tables and history of its own
        original.Run(in, 300);
        copy.Run(in, 300);
        for (std::size_t k = 0; k < 300; ++k) {
            ASSERT_EQ(original.got[k], expected[k]) << "mode " << mode << ", frame " << k;
            ASSERT_EQ(copy.got[k], expected[k]) << "mode " << mode << ", frame " << k;
        }
    }
}

TEST(OnTheFlySRC, CallerStorageServesShortFiltersAndRefusesLongOnes) {
    const int table = KCOnTheFlySRC::RequiredTableLength(44100, 48000, eSRC_Standard);
    ASSERT_EQ(table, 56000);
    std::vector<double> sinc(table);
    std::vector<double> window(56);
    std::vector<float> ring(kSRCPreallocatedRingFloats);

    KCOnTheFlySRC src;
    EXPECT_EQ(
        src.InitPreallocated(44100, 48000, eSRC_Standard, 1, nullptr, window.data(), ring.data()),
        eMemNullPointer);
    EXPECT_EQ(src.GetError(), eSomeThingNotInitailzed);
    ASSERT_EQ(src.InitPreallocated(44100, 48000, eSRC_Standard, 1, sinc.data(), window.data(),
                                   ring.data()),
              eNoErr);
    const auto in = Noise(500, 23);
    EXPECT_LT(WorstDifference(src, in, 1), 2e-6);

    std::vector<float> viaFree(static_cast<std::size_t>(src.RateConvertLength(500)));
    std::vector<float> viaObject(viaFree.size());
    int latency = 0;
    ASSERT_EQ(RateConvertFIR(in.data(), viaFree.data(), 500, 44100, 48000, eSRC_Standard, &latency,
                             sinc.data(), window.data(), ring.data()),
              eNoErr);
    ASSERT_EQ(src.Convert(in.data(), viaObject.data(), 500, nullptr), eNoErr);
    EXPECT_EQ(viaFree, viaObject);
    EXPECT_EQ(latency, src.GetMeasuredOutputDelay());

    // h = 303 needs 625 frames of ring: more than the caller's 512.
    std::vector<double> big(
        static_cast<std::size_t>(KCOnTheFlySRC::RequiredTableLength(8000, 48000, eSRC_Standard)));
    std::vector<double> bigWindow(304);
    EXPECT_EQ(src.InitPreallocated(8000, 48000, eSRC_Standard, 1, big.data(), bigWindow.data(),
                                   ring.data()),
              eOutOfRangeNumber);
    EXPECT_FALSE(src.IsValid());
}

// The polyphase mode against its filter evaluated exactly: every common pair, the input longer
// than the history so that it wraps. The phase table's interpolation and single precision leave
// differences far below the 1e-4 bound; a lost or misplaced frame does not.
TEST(OnTheFlySRC, PolyphaseModeConvertsEveryCommonRatePair) {
    const int rates[] = {8000,  11025, 16000, 22050,  32000, 44100,
                         48000, 88200, 96000, 176400, 192000};
    for (const int from : rates) {
        for (const int to : rates) {
            if (from == to) {
                continue;
            }
            KCOnTheFlySRC src(from, to, eSRC_Polyphase, 1);
            ASSERT_TRUE(src.IsValid()) << from << "->" << to;
            const int frames = std::max(src.GetRingFrames() - 2 * src.GetHalfLength(), 0) + 100;
            EXPECT_LT(WorstDifference(src, Noise(static_cast<std::size_t>(frames), 29), 1, 7), 1e-4)
                << from << "->" << to << " h " << src.GetHalfLength();
        }
    }
}

TEST(OnTheFlySRC, PolyphaseVectorAndPortableKernelsAgree) {
    KCOnTheFlySRC vector(48000, 44100, eSRC_Polyphase, 3);
    if (!vector.UsesVectorKernel()) {
        GTEST_SKIP() << "this processor has no AVX2: only the portable kernel runs";
    }
    KCOnTheFlySRC portable(48000, 44100, eSRC_Polyphase, 3);
    portable.UsePortableKernel();
    EXPECT_FALSE(portable.UsesVectorKernel());
    const auto in = Noise(3 * 2000, 31);
    std::vector<float> a(static_cast<std::size_t>(vector.RateConvertLength(2000)) * 3);
    std::vector<float> b(a.size());
    ASSERT_EQ(vector.Convert(in.data(), a.data(), 2000, nullptr), eNoErr);
    ASSERT_EQ(portable.Convert(in.data(), b.data(), 2000, nullptr), eNoErr);
    double worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        worst = std::max(worst, static_cast<double>(std::fabs(a[i] - b[i])));
    }
    EXPECT_LT(worst, 1e-6);
}

TEST(OnTheFlySRC, PolyphaseModeRefusesCallerStorage) {
    std::vector<double> sinc(1000);
    std::vector<double> window(10);
    std::vector<float> ring(kSRCPreallocatedRingFloats);
    KCOnTheFlySRC src;
    EXPECT_EQ(src.InitPreallocated(44100, 48000, eSRC_Polyphase, 1, sinc.data(), window.data(),
                                   ring.data()),
              eOutOfRangeNumber);
    EXPECT_FALSE(src.IsValid());
    EXPECT_EQ(KCOnTheFlySRC::RequiredTableLength(44100, 48000, eSRC_Polyphase), 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
