// MIDI control end to end — 10,000 controller events, each mapped onto eight parameters and
// applied through UpdateParamState with the chain handed to the host — against the limit of
// the same 80,000 UpdateParamState calls made directly.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/midi/midi_event.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using test_support::TestAlgorithm;
namespace PM = ProcessMemory;

constexpr unsigned int kMapped = 8;
constexpr int kEvents = 10000;
constexpr int kController = 7;

// A host that hands out one static buffer and accepts every delivery, so only the library's
// work is measured.
int MinimalHost(int selector, int /*refcon*/, void* a, void* /*b*/, void* c) {
    static BUFFER_HEADER header;
    static unsigned char data[64];
    if (selector == PM::eSelNewBuffer) {
        header = *static_cast<BUFFER_HEADER*>(a);
        header.data = data;
        *static_cast<BUFFER_HEADER**>(c) = &header;
        return 0;
    }
    return selector <= PM::eSelFreeChain ? 0 : -1;
}

// The test algorithm's five parameters plus eight gains, listening to MIDI.
class EightGains : public TestAlgorithm {
public:
    static constexpr unsigned int kFirst = kCount;

    EightGains() {
        SetCoefsNum(kFirst + kMapped);
        SetProperty(eAlgIsMidiListener, true);
        SetExecCallBack(MinimalHost, 0);
        FinishCreate();
        InitData();
        InitInstanceData();
    }

protected:
    int BuildParameterList() override {
        TestAlgorithm::BuildParameterList();
        auto& params = GetParamVector();
        const sCONTROL_PARAM gain = params[kGain];
        params.insert(params.end(), kMapped, gain);
        return 0;
    }
};

// Two values far enough apart that every event changes every parameter.
int ValueOf(int n) {
    return (n & 1) != 0 ? 100 : 27;
}

void MidiEventsToEightParams(benchmark::State& state) {
    EightGains alg;
    for (unsigned int i = 0; i < kMapped; ++i) {
        if (alg.StartMidiLearn(EightGains::kFirst + i) != eNoErr ||
            alg.MidiProcessInput(kvMIDI::KorvaneMidiEvent::FromBytes(0xB0, kController, 1)) != 0) {
            state.SkipWithError("learning failed");
            return;
        }
    }
    std::vector<kvMIDI::KorvaneMidiEvent> events;
    events.reserve(kEvents);
    for (int n = 0; n < kEvents; ++n) {
        events.push_back(kvMIDI::KorvaneMidiEvent::FromBytes(
            0xB0, kController, static_cast<unsigned char>(ValueOf(n))));
    }
    for (auto _ : state) {
        int set = 0;
        for (const auto& event : events) {
            set += alg.MidiProcessInput(event);
        }
        if (set != kEvents * static_cast<int>(kMapped)) {
            state.SkipWithError("an event did not reach all eight parameters");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(MidiEventsToEightParams)->Name("midi.10000_events_to_8_params/korvane");

void DirectUpdates(benchmark::State& state) {
    EightGains alg;
    std::vector<double> states(kEvents);
    for (int n = 0; n < kEvents; ++n) {
        states[static_cast<std::size_t>(n)] = 1000.0 * ValueOf(n) / 127.0;
    }
    for (auto _ : state) {
        for (const double s : states) {
            for (unsigned int i = 0; i < kMapped; ++i) {
                BUFFER_HEADER* chain = alg.UpdateParamState(EightGains::kFirst + i, s);
                benchmark::DoNotOptimize(alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true));
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(DirectUpdates)->Name("midi.10000_events_to_8_params/limit:direct_update_param_state");

}  // namespace
