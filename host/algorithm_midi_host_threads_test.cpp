// MIDI input on its own thread while the GUI learns and sets parameters and the audio thread
// applies the posted chains: every gesture is paired, the process memory ends consistent.
#include "host/reference_host.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/midi/midi_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace kvKorvaneV10_0_3;
using test_support::TestAlgorithm;
namespace PM = ProcessMemory;
using KorvaneHost::ReferenceHost;

class CountingAlgorithm : public TestAlgorithm {
public:
    CountingAlgorithm() { SetProperty(eAlgIsMidiListener, true); }
    void Touch(unsigned int /*index*/) override { ++touches; }
    void Release(unsigned int /*index*/) override { ++releases; }
    std::atomic<long> touches{0};
    std::atomic<long> releases{0};
};

kvMIDI::KorvaneMidiEvent CC(int number, int value) {
    return kvMIDI::KorvaneMidiEvent::FromBytes(0xB0, static_cast<unsigned char>(number),
                                               static_cast<unsigned char>(value));
}

TEST(MidiThreads, EventsLearningAndGuiChangesRunTogether) {
    ReferenceHost host;
    CountingAlgorithm alg;
    ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, TestAlgorithm::kCount), 0);
    alg.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
    ASSERT_EQ(alg.FinishCreate(), 0);
    alg.InitData();
    alg.InitInstanceData();
    alg.InitAlg(true);
    ASSERT_EQ(alg.StartMidiLearn(TestAlgorithm::kGain), eNoErr);
    ASSERT_EQ(alg.MidiProcessInput(CC(1, 0)), 0);

    std::atomic<bool> stop{false};
    std::atomic<long> set{0};
    std::thread audio([&] {
        while (!stop) {
            host.ProcessBlock();
            std::this_thread::yield();
        }
    });
    std::thread midi([&] {
        for (int n = 0; n < 20000; ++n) {
            set += alg.MidiProcessInput(CC(1 + (n & 1), n % 128));
        }
    });
    std::thread gui([&] {
        for (int round = 0; round < 2000; ++round) {
            // Learning the mode parameter races the events of controller 2.
            EXPECT_EQ(alg.StartMidiLearn(TestAlgorithm::kMode), eNoErr);
            BUFFER_HEADER* chain = alg.UpdateParamState(TestAlgorithm::kDragged, round % 1001);
            alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
            if ((round & 7) == 0) {
                alg.StopMidiLearn();
            }
        }
        alg.StopMidiLearn();
    });
    midi.join();
    gui.join();
    stop = true;
    audio.join();
    host.ProcessBlock();

    EXPECT_GT(set.load(), 0);
    EXPECT_EQ(alg.touches.load(), set.load()) << "one touch per parameter set";
    EXPECT_EQ(alg.releases.load(), set.load()) << "and its release";
    EXPECT_EQ(alg.GetMidiLearnParam(), -1);
    for (unsigned int i = 0; i < TestAlgorithm::kCount; ++i) {
        EXPECT_NEAR(*host.ReadCoefficient(static_cast<int>(i)),
                    TestAlgorithm::CoefValue(alg.GetParamState(i)), 1e-6)
            << "coefficient " << i;
    }
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

}  // namespace
