// Tests of the control side of the exec callback against the reference host, in its float and
// 24-bit fixed-point configurations.
#include "korvane/process/process_buffers.h"

#include "host/host_registry.h"
#include "host/reference_host.h"

#include <gtest/gtest.h>

#include <complex>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

using KorvaneHost::HostConfig;
using KorvaneHost::ReferenceHost;

// Sits between the library and the host: records allocation requests, can fail one selector.
struct Shim {
    static inline std::vector<BUFFER_HEADER> requests;
    static inline int failSelector = -1;
    static int Call(int selector, int refcon, void* a, void* b, void* c) {
        if (selector == failSelector) {
            return eGenericErr;
        }
        if (selector == eSelNewBuffer && a != nullptr) {
            requests.push_back(*static_cast<BUFFER_HEADER*>(a));
        }
        return KorvaneHost::HostExecCallBack(selector, refcon, a, b, c);
    }
    static void Reset() {
        requests.clear();
        failSelector = -1;
    }
};

void Connect(KCProcessBuffers& pb, const ReferenceHost& host, bool viaShim = false) {
    Shim::Reset();
    pb.SetExecCallBack(viaShim ? &Shim::Call : ReferenceHost::Callback(), host.Refcon());
    pb.SetProcessReady(true);
}

void SizeAll(ReferenceHost& host, int words) {
    for (const int space : {eStatesSpace, eCoefsSpace, eExternalXSpace, eExternalYSpace}) {
        ASSERT_EQ(host.SizeSpace(space, words), eNoErr);
    }
}

// Process-format image of `values`, one DSP word each, as the algorithm keeps coefficients.
std::vector<unsigned char> CoefImageOf(const KCProcessBuffers& pb,
                                       const std::vector<double>& values) {
    const auto ws = static_cast<std::size_t>(pb.GetDSPWordSize());
    std::vector<unsigned char> image(values.size() * ws);
    for (std::size_t i = 0; i < values.size(); ++i) {
        pb.GetConversions().doubleToCoef(values[i], image.data() + i * ws);
    }
    return image;
}

std::vector<HostConfig> BothFormats() {
    return {KorvaneHost::Float32Config(), KorvaneHost::Fixed24Config()};
}

int ChainLength(const BUFFER_HEADER* chain) {
    int n = 0;
    for (; chain != nullptr; chain = chain->next) {
        ++n;
    }
    return n;
}

TEST(ProcessBuffers, SetExecCallBackAsksInOrderAndTakesTheHostsFormats) {
    for (const HostConfig& config : BothFormats()) {
        ReferenceHost host(config);
        KCProcessBuffers pb;
        EXPECT_EQ(pb.SetExecCallBack(ReferenceHost::Callback(), host.Refcon()), eNoErr);
        EXPECT_EQ(host.Events().Selectors(),
                  (std::vector<int>{11, 12, 7, 8, 20, 9, 10, 21, 13, 14}));
        EXPECT_EQ(pb.GetDSPWordSize(), config.wordSize) << config.name;
        EXPECT_EQ(pb.GetHostInfoWord(), config.hostInfoWord);
        EXPECT_EQ(pb.GetExecRefcon(), host.Refcon());
        const KSConversionTable& got = pb.GetConversions();
        EXPECT_EQ(got.doubleToCoef, config.conversions.doubleToCoef);
        EXPECT_EQ(got.altDoubleToCoef, config.conversions.altDoubleToCoef);
        EXPECT_EQ(got.intToProcess, config.conversions.intToProcess);
        EXPECT_EQ(got.doubleToProcess, config.conversions.doubleToProcess);
        EXPECT_EQ(got.coefToDouble, config.conversions.coefToDouble);
        EXPECT_EQ(got.altCoefToDouble, config.conversions.altCoefToDouble);
        EXPECT_EQ(got.processToInt, config.conversions.processToInt);
        EXPECT_EQ(got.processToDouble, config.conversions.processToDouble);
    }

    // Refused alternates fall back to the host's primary formats, not the library defaults.
    HostConfig refusing = KorvaneHost::Fixed24Config();
    refusing.answersAlternates = false;
    ReferenceHost host(refusing);
    KCProcessBuffers pb;
    pb.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
    EXPECT_EQ(pb.GetConversions().altDoubleToCoef, refusing.conversions.doubleToCoef);
    EXPECT_EQ(pb.GetConversions().altCoefToDouble, refusing.conversions.coefToDouble);
    EXPECT_NE(pb.GetConversions().altDoubleToCoef, refusing.conversions.altDoubleToCoef);

    // Reconnecting to a host that answers nothing usable restores every default.
    HostConfig broken = KorvaneHost::Float32Config();
    broken.wordSize = 0;
    broken.conversions = {};
    ReferenceHost brokenHost(broken);
    pb.SetExecCallBack(ReferenceHost::Callback(), brokenHost.Refcon());
    EXPECT_EQ(pb.GetDSPWordSize(), 4);
    EXPECT_EQ(pb.GetHostInfoWord(), broken.hostInfoWord);
    EXPECT_EQ(pb.GetConversions().doubleToProcess, DefaultConversionTable().doubleToProcess);
    EXPECT_EQ(pb.GetConversions().altCoefToDouble, DefaultConversionTable().coefToDouble);
}

std::string FormatName(const ::testing::TestParamInfo<HostConfig>& info) {
    return info.param.name;
}

// A connected pair in one of the host's formats, coefficients based at word 10; every test must
// leave no buffer behind and no misuse logged.
class CoefficientBuffers : public ::testing::TestWithParam<HostConfig> {
protected:
    void SetUp() override {
        SizeAll(host, 32);
        Connect(pb, host);
        pb.SetCoefsOfs(10);
    }
    void TearDown() override {
        EXPECT_EQ(host.LiveBuffers(), 0U);
        EXPECT_EQ(host.Misuse().Count(), 0U);
    }

    std::unique_ptr<ReferenceHost> owned = std::make_unique<ReferenceHost>(GetParam());
    ReferenceHost& host = *owned;
    KCProcessBuffers pb;
    const std::vector<double> values{0.5, -0.25, 0.125};
};

TEST_P(CoefficientBuffers, ABufferLandsAtTheCoefficientBase) {
    const auto image = CoefImageOf(pb, values);
    BUFFER_HEADER* buffer = pb.PrepareCoefBuffer(2, 3, image.data(), true);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->space, eCoefsSpace);
    EXPECT_EQ(buffer->coefFlag, 1);
    EXPECT_EQ(buffer->offset, 12);
    EXPECT_EQ(pb.SendAndFreeBuffers(buffer, eSelExecuteChain, true), eNoErr);
    EXPECT_EQ(buffer, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(host.ReadCoefficient(12 + i).value(), values[i]);
    }
    EXPECT_DOUBLE_EQ(host.ReadCoefficient(11).value(), 0.0);
    EXPECT_DOUBLE_EQ(host.ReadCoefficient(15).value(), 0.0);
}

TEST_P(CoefficientBuffers, NoneIsMadeUnlessSendingWhileReadyAndNotBypassed) {
    const auto image = CoefImageOf(pb, values);
    EXPECT_EQ(pb.PrepareCoefBuffer(0, 3, image.data(), false), nullptr);
    pb.SetBypassed(true);
    EXPECT_EQ(pb.PrepareCoefBuffer(0, 3, image.data(), true), nullptr);
    pb.SetBypassed(false);
    pb.SetProcessReady(false);
    EXPECT_EQ(pb.PrepareCoefBuffer(0, 3, image.data(), true), nullptr);
    EXPECT_EQ(pb.PrepareCoefBufferWithBypass(0, 3, true, 0), nullptr);
}

// The stored images: setup B's normal image, then its bypass image while bypassed.
TEST_P(CoefficientBuffers, AStoredImageIsSentAsNormalOrBypassImage) {
    pb.SizeCoefImages(4);
    pb.CoefImage(1, false) = CoefImageOf(pb, {0.1, 0.2, 0.3, 0.4});
    pb.CoefImage(1, true) = CoefImageOf(pb, {-0.1, -0.2, -0.3, -0.4});
    BUFFER_HEADER* fromImage = pb.PrepareCoefBufferWithBypass(1, 2, true, 1);
    ASSERT_NE(fromImage, nullptr);
    EXPECT_EQ(fromImage->offset, 11);
    EXPECT_EQ(pb.SendAndFreeBuffers(fromImage, eSelExecuteChain, true), eNoErr);
    EXPECT_NEAR(host.ReadCoefficient(11).value(), 0.2, 1e-6);
    EXPECT_NEAR(host.ReadCoefficient(12).value(), 0.3, 1e-6);
    pb.SetBypassed(true);
    fromImage = pb.PrepareCoefBufferWithBypass(0, 4, true, 1);
    EXPECT_EQ(pb.SendAndFreeBuffers(fromImage, eSelExecuteChain, true), eNoErr);
    EXPECT_NEAR(host.ReadCoefficient(13).value(), -0.4, 1e-6);
}

// Past the end of the image, or negative: nothing is made.
TEST_P(CoefficientBuffers, ARangeOutsideTheStoredImageMakesNothing) {
    pb.SizeCoefImages(4);
    pb.CoefImage(1, false) = CoefImageOf(pb, {0.1, 0.2, 0.3, 0.4});
    pb.CoefImage(1, true) = CoefImageOf(pb, {-0.1, -0.2, -0.3, -0.4});
    EXPECT_EQ(pb.PrepareCoefBufferWithBypass(3, 2, true, 1), nullptr);
    EXPECT_EQ(pb.PrepareCoefBufferWithBypass(-1, 1, true, 1), nullptr);
}

TEST_P(CoefficientBuffers, CopyingImagesCopiesTheBypassImageToo) {
    pb.SizeCoefImages(4);
    pb.CoefImage(1, true) = CoefImageOf(pb, {-0.1, -0.2, -0.3, -0.4});
    pb.CopyCoefImages(1, 0);
    EXPECT_EQ(pb.CoefImage(0, true), pb.CoefImage(1, true));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, CoefficientBuffers, ::testing::ValuesIn(BothFormats()),
                         FormatName);

TEST(ProcessBuffers, FixedPointCoefficientsSaturateAndTheWordSizeBoundsTheCopy) {
    ReferenceHost host(KorvaneHost::Fixed24Config());
    SizeAll(host, 8);
    KCProcessBuffers pb;
    Connect(pb, host);
    const auto image = CoefImageOf(pb, {1.5, -3.0});
    BUFFER_HEADER* buffer = pb.PrepareCoefBuffer(0, 2, image.data(), true);
    pb.SendAndFreeBuffers(buffer, eSelExecuteChain, true);
    EXPECT_DOUBLE_EQ(host.ReadCoefficient(0).value(), 8388607.0 / 8388608.0);
    EXPECT_DOUBLE_EQ(host.ReadCoefficient(1).value(), -1.0);

    // The alternate format reaches 3 integer bits.
    unsigned char word[3];
    pb.GetConversions().altDoubleToCoef(-3.0, word);
    double back = 0.0;
    EXPECT_EQ(pb.GetConversions().altCoefToDouble(word, &back), 3);
    EXPECT_DOUBLE_EQ(back, -3.0);

    // A word size claimed larger than the host's elements must not overrun the data area
    // (AddressSanitizer watches the copy).
    pb.SetDSPWordSize(8);
    std::vector<unsigned char> wide(16, 0x11);
    buffer = pb.PrepareCoefBuffer(0, 2, wide.data(), true);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(pb.SendAndFreeBuffers(buffer, eSelExecuteChain, true), eNoErr);
    EXPECT_DOUBLE_EQ(host.ReadCoefficient(0).value(), 0x111111 / 8388608.0);
}

// A single coefficient from the stored image (a parameter change's buffer) takes its own word
// and nothing more, also when the word size claims more than the host's element holds.
TEST(ProcessBuffers, OneCoefficientFromTheImageLandsAloneWithinTheHostsElement) {
    for (const HostConfig& config : BothFormats()) {
        for (const int claimed : {config.wordSize, 8}) {
            SCOPED_TRACE(std::string(config.name) + ", word size " + std::to_string(claimed));
            ReferenceHost host(config);
            SizeAll(host, 8);
            KCProcessBuffers pb;
            Connect(pb, host);
            pb.SetCoefsOfs(2);
            pb.SetDSPWordSize(claimed);
            pb.SizeCoefImages(3);
            auto& image = pb.CoefImage(0, false);
            std::memset(image.data(), 0x55, image.size());
            pb.GetConversions().doubleToCoef(0.25, image.data() + claimed);
            BUFFER_HEADER* buffer = pb.PrepareCoefBufferWithBypass(1, 1, true, 0);
            ASSERT_NE(buffer, nullptr);
            EXPECT_EQ(buffer->offset, 3);
            EXPECT_EQ(buffer->count, 1);
            EXPECT_EQ(pb.SendAndFreeBuffers(buffer, eSelExecuteChain, true), eNoErr);
            EXPECT_DOUBLE_EQ(host.ReadCoefficient(3).value(), 0.25);
            EXPECT_DOUBLE_EQ(host.ReadCoefficient(2).value(), 0.0);
            EXPECT_DOUBLE_EQ(host.ReadCoefficient(4).value(), 0.0);
            EXPECT_EQ(host.LiveBuffers(), 0U);
        }
    }
}

TEST(ProcessBuffers, StatesArePostedAndReachMemoryAtTheNextBlock) {
    for (const HostConfig& config : BothFormats()) {
        SCOPED_TRACE(config.name);
        ReferenceHost host(config);
        SizeAll(host, 16);
        KCProcessBuffers pb;
        Connect(pb, host);
        pb.SetStatesOfs(5);

        const double runs[3] = {0.5, -0.5, 0.75};
        EXPECT_EQ(pb.InitStatesBuffer(1, runs, 3), eNoErr);
        EXPECT_EQ(pb.InitOneState(0, std::int32_t{-1234}), eNoErr);
        EXPECT_EQ(pb.InitOneState(4, 0.25F), eNoErr);
        const std::int32_t ints[2] = {7, 8};
        EXPECT_EQ(pb.InitStatesBuffer(6, ints, 2), eNoErr);
        EXPECT_EQ(host.LiveBuffers(), 0U);
        EXPECT_DOUBLE_EQ(host.ReadDouble(eStatesSpace, 6).value(), 0.0);

        EXPECT_EQ(host.ProcessBlock(), 4);
        EXPECT_EQ(host.ReadInt(eStatesSpace, 5).value(), -1234);
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(host.ReadDouble(eStatesSpace, 6 + i).value(), runs[i]);
        }
        EXPECT_DOUBLE_EQ(host.ReadDouble(eStatesSpace, 9).value(), 0.25);
        EXPECT_EQ(host.ReadInt(eStatesSpace, 11).value(), 7);
        EXPECT_EQ(host.ReadInt(eStatesSpace, 12).value(), 8);

        BUFFER_HEADER* single = pb.SetSingleStateInt(3, 99);
        ASSERT_NE(single, nullptr);
        EXPECT_EQ(single->offset, 8);
        EXPECT_EQ(single->operation, pb.WriteOp());
        pb.FreeBuffers(single);

        EXPECT_EQ(pb.InitStatesBuffer(0, ints, 0), eGenericErr);
        EXPECT_EQ(pb.InitStatesBuffer(0, static_cast<const double*>(nullptr), 2), eGenericErr);
        EXPECT_EQ(pb.InitOneState(20, std::int32_t{1}), eGenericErr);  // beyond the memory
        pb.SetProcessReady(false);
        EXPECT_EQ(pb.InitOneState(0, std::int32_t{1}), eGenericErr);
        EXPECT_EQ(pb.SetSingleStateFloat(0, 1.0F), nullptr);
        EXPECT_EQ(pb.PrepareStatesReadBuffer(0, 1), nullptr);
        EXPECT_EQ(host.ProcessBlock(), 0);
    }
}

TEST(ProcessBuffers, OperationCodesFollowTheirBase) {
    HostConfig config = KorvaneHost::Float32Config();
    config.opBase = 10;
    ReferenceHost host(config);
    SizeAll(host, 4);
    KCProcessBuffers pb;
    Connect(pb, host);
    EXPECT_EQ(pb.ReadWriteOp(), 2);
    EXPECT_EQ(pb.FourthOp(), 4);
    EXPECT_EQ(pb.PrepareStatesWriteBuffer(0, 1), nullptr);  // the host knows no code 0
    pb.SetMemOperationEnums(10);
    EXPECT_EQ(pb.ReadOp(), 11);
    EXPECT_EQ(pb.FourthOp(), 14);
    EXPECT_EQ(pb.InitOneState(1, std::int32_t{5}), eNoErr);
    host.ProcessBlock();
    EXPECT_EQ(host.ReadInt(eStatesSpace, 1).value(), 5);
    BUFFER_HEADER* fourth = pb.PrepareStatesBuffer(pb.FourthOp(), 1, 1);
    ASSERT_NE(fourth, nullptr);
    EXPECT_EQ(pb.SendAndFreeBuffers(fourth, eSelExecuteChain, true), eNoErr);
    EXPECT_EQ(host.ReadInt(eStatesSpace, 1).value(), 5);
}

// A connected pair in one of the host's formats with five external blocks: X of 5 words at 4,
// Y of 3 at 2, L of 4 at 10, an empty X block and one of an unknown kind.
class ExternalBlocks : public ::testing::TestWithParam<HostConfig> {
protected:
    void SetUp() override {
        SizeAll(host, 16);
        Connect(pb, host);
        pb.GetExtBuffers() = {{kXMem, 5, 0, 4, 77},
                              {kYMem, 3, 0, 2, 78},
                              {kLMem, 4, 0, 10, 79},
                              {kXMem, 0, 0, 0, 0},
                              {0x41424344U, 4, 0, 0, 0}};
    }
    void TearDown() override { EXPECT_EQ(host.Misuse().Count(), 0U); }

    std::unique_ptr<ReferenceHost> owned = std::make_unique<ReferenceHost>(GetParam());
    ReferenceHost& host = *owned;
    KCProcessBuffers pb;
    const double values[6] = {0.5, 0.25, -0.25, 0.125, -0.5, 0.75};
};

TEST_P(ExternalBlocks, AnXBlockTakesAtMostItsSize) {
    BUFFER_HEADER* x = pb.InitExternalFromArray(0, values, 6);
    ASSERT_EQ(ChainLength(x), 1);
    EXPECT_EQ(x->space, eExternalXSpace);
    EXPECT_EQ(x->count, 5);  // n above the size: exactly the size
    EXPECT_EQ(x->extra, 77);
    EXPECT_EQ(pb.SendAndFreeBuffers(x, eSelExecuteChain, true), eNoErr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_DOUBLE_EQ(host.ReadDouble(eExternalXSpace, 4 + i).value(), values[i]);
    }
    EXPECT_DOUBLE_EQ(host.ReadDouble(eExternalXSpace, 9).value(), 0.0);
}

TEST_P(ExternalBlocks, AnLBlockIsSplitIntoAnXAndAYHalf) {
    BUFFER_HEADER* l = pb.InitExternalFromArray(2, values, 2);
    ASSERT_EQ(ChainLength(l), 2);
    EXPECT_EQ(l->space, eExternalXSpace);
    EXPECT_EQ(l->next->space, eExternalYSpace);
    EXPECT_EQ(l->next->count, 2);
    EXPECT_EQ(l->next->extra, 79);
    EXPECT_EQ(pb.SendAndFreeBuffers(l, eSelExecuteChain, true), eNoErr);
    EXPECT_DOUBLE_EQ(host.ReadDouble(eExternalYSpace, 11).value(), values[1]);
    EXPECT_DOUBLE_EQ(host.ReadDouble(eExternalXSpace, 10).value(), values[0]);
}

TEST_P(ExternalBlocks, ANegativeCountMakesEmptyHalves) {
    BUFFER_HEADER* empty = pb.InitExternalFromArray(2, values, -3);
    ASSERT_EQ(ChainLength(empty), 2);
    EXPECT_EQ(empty->count, 0);
    EXPECT_EQ(empty->next->count, 0);
    pb.FreeBuffers(empty);
}

TEST_P(ExternalBlocks, ComplexValuesFillTheRealAndImaginaryHalves) {
    const std::complex<double> z[2] = {{0.5, -0.5}, {0.25, -0.25}};
    BUFFER_HEADER* complex = pb.InitExternalFromArray(2, z, 2);
    EXPECT_EQ(pb.SendAndFreeBuffers(complex, eSelExecuteChain, true), eNoErr);
    EXPECT_DOUBLE_EQ(host.ReadDouble(eExternalXSpace, 11).value(), 0.25);
    EXPECT_DOUBLE_EQ(host.ReadDouble(eExternalYSpace, 11).value(), -0.25);
}

TEST_P(ExternalBlocks, IntegersFillAYBlock) {
    const std::int32_t ints[3] = {1, 2, 3};
    BUFFER_HEADER* y = pb.InitExternalFromArray(1, ints, 3);
    EXPECT_EQ(pb.SendAndFreeBuffers(y, eSelExecuteChain, true), eNoErr);
    EXPECT_EQ(host.ReadInt(eExternalYSpace, 4).value(), 3);
}

TEST_P(ExternalBlocks, OneValueGoesToTheStartOfItsBlock) {
    BUFFER_HEADER* one = pb.InitOneExternal(1, 0.5);
    EXPECT_EQ(one->count, 1);
    pb.FreeBuffers(one);
    BUFFER_HEADER* byPtr = pb.InitOneExternalByPtr(&pb.GetExtBuffers()[0], 0.5);
    EXPECT_EQ(byPtr->offset, 4);
    pb.FreeBuffers(byPtr);
}

TEST_P(ExternalBlocks, AnEmptyUnknownOrMissingBlockTakesNoArray) {
    const float floats[1] = {0.5F};
    EXPECT_EQ(pb.InitExternalFromArray(3, floats, 1), nullptr);  // size below 1
    EXPECT_EQ(pb.InitExternalFromArray(4, floats, 1), nullptr);  // unknown kind
    EXPECT_EQ(pb.InitExternalFromArray(5, floats, 1), nullptr);  // no such block
    EXPECT_EQ(pb.InitExternalFromArray(-1, floats, 1), nullptr);
}

TEST_P(ExternalBlocks, AReadBufferBringsBackWhatTheBlockHolds) {
    BUFFER_HEADER* x = pb.InitExternalFromArray(0, values, 6);
    ASSERT_EQ(pb.SendAndFreeBuffers(x, eSelExecuteChain, true), eNoErr);
    const sEXT_BUFF& xBlock = pb.GetExtBuffers()[0];
    BUFFER_HEADER* read = pb.PrepareExtReadBuffer(&xBlock, 1, 4);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->offset, 5);
    EXPECT_EQ(read->operation, pb.ReadOp());
    EXPECT_EQ(pb.SendBuffers(read, eSelExecuteChain), eNoErr);
    double back = 0.0;
    pb.GetConversions().processToDouble(
        static_cast<unsigned char*>(read->data) + 3 * pb.GetDSPWordSize(), &back);
    EXPECT_DOUBLE_EQ(back, values[4]);
    pb.FreeBuffers(read);
}

TEST_P(ExternalBlocks, ReadAndWriteBuffersStayInsideOnePlainBlock) {
    const sEXT_BUFF& xBlock = pb.GetExtBuffers()[0];
    EXPECT_EQ(pb.PrepareExtWriteBuffer(&pb.GetExtBuffers()[1], 0, 3)->space, eExternalYSpace);
    EXPECT_EQ(pb.PrepareExtBuffer(&pb.GetExtBuffers()[2], pb.WriteOp(), 0, 1), nullptr);
    EXPECT_EQ(pb.PrepareExtReadWriteBuffer(&xBlock, 0, 6), nullptr);  // count above size
    EXPECT_EQ(pb.PrepareExtReadBuffer(&xBlock, 2, 4), nullptr);       // runs past the block
    EXPECT_EQ(pb.PrepareExtReadBuffer(&xBlock, -1, 1), nullptr);
    EXPECT_EQ(pb.PrepareExtReadBuffer(nullptr, 0, 1), nullptr);
    EXPECT_EQ(host.LiveBuffers(), 1U);  // the Y write buffer left unfreed above
}

TEST_P(ExternalBlocks, NothingIsPreparedWhileNotReady) {
    const sEXT_BUFF& xBlock = pb.GetExtBuffers()[0];
    pb.SetProcessReady(false);
    EXPECT_EQ(pb.PrepareExtReadBuffer(&xBlock, 0, 1), nullptr);
    EXPECT_EQ(pb.InitOneExternal(0, 0.5), nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, ExternalBlocks, ::testing::ValuesIn(BothFormats()),
                         FormatName);

TEST(ProcessBuffers, AFailedHalfOrJoinLeavesNothingAllocated) {
    ReferenceHost host;
    SizeAll(host, 8);
    EXPECT_EQ(host.SizeSpace(eExternalYSpace, 2), eNoErr);  // too small for the Y half
    KCProcessBuffers pb;
    Connect(pb, host, true);
    pb.GetExtBuffers() = {{kLMem, 4, 0, 0, 0}};
    const double values[4] = {1, 2, 3, 4};
    EXPECT_EQ(pb.InitExternalFromArray(0, values, 4), nullptr);
    EXPECT_EQ(host.LiveBuffers(), 0U);

    EXPECT_EQ(host.SizeSpace(eExternalYSpace, 8), eNoErr);
    Shim::failSelector = eSelJoinChains;
    EXPECT_EQ(pb.InitExternalFromArray(0, values, 4), nullptr);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    Shim::failSelector = -1;

    BUFFER_HEADER* a = pb.PrepareStatesWriteBuffer(0, 1);
    EXPECT_EQ(pb.ChainBufs(nullptr, a), a);
    EXPECT_EQ(pb.ChainBufs(a, nullptr), a);
    BUFFER_HEADER* joined = pb.ChainBufs(a, pb.PrepareStatesReadBuffer(1, 1));
    EXPECT_EQ(joined, a);
    EXPECT_EQ(ChainLength(joined), 2);
    EXPECT_EQ(pb.FreeBuffers(joined), eNoErr);
    EXPECT_EQ(joined, nullptr);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    // Only the oversized Y request was refused.
    EXPECT_EQ(host.Misuse().Count(), 1U);
    EXPECT_EQ(host.Misuse().Count(KorvaneHost::MisuseKind::BadRequest), 1U);
}

TEST(ProcessBuffers, SendingNothingCallsNothingAndFailedDeliveriesAreReported) {
    ReferenceHost host;
    SizeAll(host, 8);
    KCProcessBuffers pb;
    Connect(pb, host, true);
    const auto before = host.TotalCalls();
    BUFFER_HEADER* none = nullptr;
    EXPECT_EQ(pb.SendBuffers(nullptr, eSelPostChain), eNoErr);
    EXPECT_EQ(pb.SendAndFreeBuffers(none, eSelPostChain, true), eNoErr);
    EXPECT_EQ(pb.FreeBuffers(none), eNoErr);
    EXPECT_EQ(host.TotalCalls(), before);

    BUFFER_HEADER* buffer = pb.PrepareStatesWriteBuffer(0, 1);
    Shim::failSelector = eSelPostChain;
    EXPECT_EQ(pb.SendAndFreeBuffers(buffer, eSelPostChain, true), eGenericErr);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(pb.InitOneState(0, std::int32_t{3}), eGenericErr);
    EXPECT_EQ(host.LiveBuffers(), 0U);

    buffer = pb.PrepareStatesWriteBuffer(0, 1);
    EXPECT_EQ(pb.SendAndFreeBuffers(buffer, eSelPostChain, false), eNoErr);
    EXPECT_EQ(host.PendingChains(), 0U);
    EXPECT_EQ(pb.NewBuffer(eStatesSpace, 0, 0, 0, -1, 0), nullptr);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST(ProcessBuffers, SplitWritesPiecesAtConsecutiveOffsets) {
    for (const HostConfig& config : BothFormats()) {
        SCOPED_TRACE(config.name);
        ReferenceHost host(config);
        SizeAll(host, 32);
        KCProcessBuffers pb;
        Connect(pb, host, true);
        const sEXT_BUFF block{kXMem, 12, 0, 6, 55};
        std::vector<std::int32_t> values(10);
        for (int i = 0; i < 10; ++i) {
            values[static_cast<std::size_t>(i)] = 100 + i;
        }
        pb.SetThrottled(true);
        EXPECT_EQ(
            pb.SendFreeAndSplitIntoSmallBuffers(eExternalXSpace, 10, &block, values.data(), 1, 4),
            eNoErr);
        ASSERT_EQ(Shim::requests.size(), 3U);
        const int counts[3] = {4, 4, 2};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(Shim::requests[i].offset, 6 + 4 * static_cast<int>(i));
            EXPECT_EQ(Shim::requests[i].count, counts[i]);
            EXPECT_EQ(Shim::requests[i].extra, 55);
            EXPECT_EQ(Shim::requests[i].refcon, host.Refcon());
            EXPECT_EQ(Shim::requests[i].space, eExternalXSpace);
        }
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(host.ReadInt(eExternalXSpace, 6 + i).value(), 100 + i);
        }
        EXPECT_EQ(host.LiveBuffers(), 0U);
        EXPECT_EQ(host.CallCount(eSelExecuteChain), 3U);

        Shim::requests.clear();
        EXPECT_EQ(
            pb.SendFreeAndSplitIntoSmallBuffers(eExternalXSpace, 0, &block, values.data(), 0, 4),
            eNoErr);
        EXPECT_EQ(
            pb.SendFreeAndSplitIntoSmallBuffers(eExternalXSpace, 10, &block, values.data(), 0, 0),
            eGenericErr);
        EXPECT_EQ(
            pb.SendFreeAndSplitIntoSmallBuffers(eExternalXSpace, 13, &block, values.data(), 0, 4),
            eGenericErr);
        EXPECT_TRUE(Shim::requests.empty());

        // A piece the host refuses is reported; the others still land.
        EXPECT_EQ(host.SizeSpace(eExternalXSpace, 14), eNoErr);
        std::vector<std::int32_t> next(10, 7);
        EXPECT_EQ(
            pb.SendFreeAndSplitIntoSmallBuffers(eExternalXSpace, 10, &block, next.data(), 0, 4),
            eGenericErr);
        EXPECT_EQ(host.ReadInt(eExternalXSpace, 13).value(), 7);
        Shim::failSelector = eSelExecuteChain;
        EXPECT_EQ(
            pb.SendFreeAndSplitIntoSmallBuffers(eExternalXSpace, 4, &block, next.data(), 0, 4),
            eGenericErr);
        EXPECT_EQ(host.LiveBuffers(), 0U);
    }
}

TEST(ProcessBuffers, ReadVUReadsAndOptionallyResetsOneState) {
    for (const HostConfig& config : BothFormats()) {
        SCOPED_TRACE(config.name);
        ReferenceHost host(config);
        SizeAll(host, 8);
        KCProcessBuffers pb;
        pb.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
        pb.SetStatesOfs(3);
        const auto calls = host.TotalCalls();
        EXPECT_EQ(pb.ReadVU(0, 0, std::int32_t{7}), 7);
        EXPECT_DOUBLE_EQ(pb.ReadVU(0, 1, 7.0), 7.0);
        EXPECT_EQ(host.TotalCalls(), calls);

        pb.SetProcessReady(true);
        ASSERT_EQ(host.WriteInt(eStatesSpace, 5, 42), eNoErr);
        EXPECT_EQ(pb.ReadVU(2, 0, std::int32_t{0}), 42);
        EXPECT_EQ(host.ReadInt(eStatesSpace, 5).value(), 42);
        EXPECT_EQ(pb.ReadVU(2, 1, std::int32_t{-3}), 42);
        EXPECT_EQ(host.ReadInt(eStatesSpace, 5).value(), -3);

        ASSERT_EQ(host.WriteDouble(eStatesSpace, 4, 0.375), eNoErr);
        EXPECT_DOUBLE_EQ(pb.ReadVU(1, 0, 0.0), 0.375);
        EXPECT_DOUBLE_EQ(pb.ReadVU(1, 1, 0.0), 0.375);
        EXPECT_DOUBLE_EQ(host.ReadDouble(eStatesSpace, 4).value(), 0.0);
        EXPECT_EQ(pb.ReadVU(10, 0, std::int32_t{9}), 9);  // refused by the host
        EXPECT_EQ(host.LiveBuffers(), 0U);
    }
}

TEST(ProcessBuffers, NetShellProcessorNameMapsTypeAndClass) {
    struct Case {
        std::int32_t type, processorClass, valid;
        const char* name;
    };
    const Case cases[] = {{10, 2, 1, "GenericMultiCore"},
                          {11, 4, 1, "AVX"},
                          {3, 2, 1, "Generic"},
                          {10, 3, 1, "Error"},
                          {10, 2, 0, "Error"},
                          {0, 4, 1, "Generic"}};
    for (const Case& c : cases) {
        HostConfig config = KorvaneHost::Float32Config();
        config.netShellType = c.type;
        config.netShellClass = c.processorClass;
        config.netShellValid = c.valid;
        ReferenceHost host(config);
        KCProcessBuffers pb;
        pb.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
        host.Events().Clear();
        EXPECT_STREQ(pb.GetNetShellProcessorName().c_str(), c.name) << c.type;
        EXPECT_EQ(host.Events().Selectors(), (std::vector<int>{64, 65}));
    }
    ReferenceHost host;
    KCProcessBuffers pb;
    Connect(pb, host, true);
    Shim::failSelector = eSelNetShellProcessorType;
    EXPECT_STREQ(pb.GetNetShellProcessorName().c_str(), "Error");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::ProcessMemory
