// The example EQ's parameters are MIDI-learnable: a learned controller moves a band on the
// reference host, and the mapping travels with the EQ's state chunk.
#include "examples/eq/kv_eq.h"
#include "examples/eq/kv_eq_test_support.h"

#include "host/reference_host.h"
#include "korvane/midi/midi_event.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
using kvMIDI::KorvaneMidiEvent;
namespace PM = ProcessMemory;

KorvaneMidiEvent CC(int number, int value) {
    return KorvaneMidiEvent::FromBytes(0xB0, static_cast<unsigned char>(number),
                                       static_cast<unsigned char>(value));
}

class KvEQMidi : public ::testing::Test {
protected:
    void SetUp() override { kvexample::testing::OpenEQOnHost(KVEQ_BUNDLE, host, container, eq); }
    void TearDown() override {
        eq.reset();
        copy.reset();
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    // The coefficients of band 0 on `on` equal the section designed from `alg`'s values.
    static void ExpectBand0(KvEQ& alg, KorvaneHost::ReferenceHost& on) {
        const auto rw = [&](unsigned int first) { return alg.GetParamRealWorld(first); };
        const BIQUAD expected =
            KvEQ::DesignBand(static_cast<int>(rw(KvEQ::kType)), rw(KvEQ::kFreq), rw(KvEQ::kGain),
                             rw(KvEQ::kQ), rw(KvEQ::kOn) != 0, alg.GetSampleRate());
        const double coefs[] = {expected.b0, expected.b1, expected.b2, expected.a1, expected.a2};
        for (unsigned int c = 0; c < KvEQ::kCoefsPerBand; ++c) {
            const auto stored = on.ReadCoefficient(static_cast<int>(c));
            ASSERT_TRUE(stored.has_value());
            EXPECT_NEAR(*stored, coefs[c], 1e-6 * std::max(1.0, std::fabs(coefs[c])))
                << "coefficient " << c;
        }
    }

    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<KvEQ> eq;
    KorvaneHost::ReferenceHost copyHost;
    std::unique_ptr<KvEQ> copy;
};

TEST_F(KvEQMidi, ALearnedControllerMovesABand) {
    EXPECT_TRUE(eq->IsMidiListener()) << "its description asks for MIDI";
    ASSERT_EQ(eq->StartMidiLearn(KvEQ::kGain), eNoErr);
    EXPECT_EQ(eq->MidiProcessInput(CC(20, 1)), 0);
    EXPECT_EQ(eq->GetMidiLearnParam(), -1);

    EXPECT_EQ(eq->MidiProcessInput(CC(20, 127)), 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kGain), 18.0, 1e-9);
    host.ProcessBlock();
    ExpectBand0(*eq, host);
    EXPECT_EQ(eq->MidiProcessInput(CC(20, 0)), 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kGain), -18.0, 1e-9);
    host.ProcessBlock();
    ExpectBand0(*eq, host);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(KvEQMidi, TheMappingTravelsWithTheStateChunk) {
    ASSERT_EQ(eq->StartMidiLearn(KvEQ::kFreq), eNoErr);
    ASSERT_EQ(eq->MidiProcessInput(CC(21, 1)), 0);
    Utils::KCStMemObj chunk;
    ASSERT_EQ(eq->GetChunk(kPresetChunkID.Value(), chunk, false), eNoErr);
    const std::string text(static_cast<const char*>(chunk.ptr), chunk.size);
    EXPECT_NE(text.find("<Control "), std::string::npos) << text;

    kvexample::testing::CreateEQOnHost(container, copyHost, copy);
    ASSERT_FALSE(HasFatalFailure());
    const Utils::KCStConstMemObj data(text.data(), static_cast<unsigned int>(text.size()));
    ASSERT_EQ(copy->SetChunk(kPresetChunkID.Value(), data), eNoErr);
    EXPECT_EQ(copy->MidiProcessInput(CC(21, 127)), 1);
    EXPECT_NEAR(copy->GetParamRealWorld(KvEQ::kFreq), 20000.0, 1e-6);
    copyHost.ProcessBlock();
    ExpectBand0(*copy, copyHost);
}

}  // namespace
