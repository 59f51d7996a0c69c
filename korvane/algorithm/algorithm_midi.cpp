// MIDI input of the algorithm: events mapped by the controller table onto parameter updates.
#include "korvane/algorithm/algorithm.h"

#include "korvane/core/error_codes.h"

#include <utility>

namespace kvKorvaneV10_0_3 {

using kvThread::ThreadMutexLock;

int cALGORITHM::MidiProcessInput(const kvMIDI::KorvaneMidiEvent& event) {
    KSMidiTargets targets;
    {
        const ThreadMutexLock lock(m_lock);
        if (!m_midiControl) {
            return 0;
        }
        // Also an event that sets nothing may have to be passed on.
        static_cast<void>(m_midiControl->MapEvent(*this, event, targets));
        for (unsigned int k = 0; k < targets.count; ++k) {
            BUFFER_HEADER* chain = UpdateParamState(targets.index[k], targets.state[k]);
            if (chain != nullptr) {
                // A refused delivery is the host's to report; the chain is freed either way.
                static_cast<void>(
                    m_process.SendAndFreeBuffers(chain, ProcessMemory::eSelPostChain, true));
            }
        }
    }
    // Outside the lock, like UpdateParamRequestState: the host may call back into the
    // algorithm while it records the gesture.
    for (unsigned int k = 0; k < targets.count; ++k) {
        Touch(targets.index[k]);
        NotifyParamValue(targets.index[k]);
        Release(targets.index[k]);
    }
    if (targets.forward) {
        MidiSendToProcessSelf(targets.message);
    }
    return static_cast<int>(targets.count);
}

int cALGORITHM::StartMidiLearn(unsigned int index) {
    if (index >= m_params.size() || m_params[index].IsFlagSet(eParamFlagDisplayOnlyParam)) {
        return eOutOfRangeNumber;
    }
    const ThreadMutexLock lock(m_lock);
    if (!m_midiControl) {
        return eSomeThingNotInitailzed;
    }
    return m_midiControl->StartLearn(static_cast<int>(index)) ? eNoErr : eOutOfRangeNumber;
}

void cALGORITHM::StopMidiLearn() {
    const ThreadMutexLock lock(m_lock);
    if (m_midiControl) {
        m_midiControl->StopLearn();
    }
}

int cALGORITHM::GetMidiLearnParam() const {
    const ThreadMutexLock lock(m_lock);
    return m_midiControl ? m_midiControl->GetLearnedParam() : -1;
}

void cALGORITHM::SetMidiControl(std::unique_ptr<KCMidiControlAbs> control) {
    const ThreadMutexLock lock(m_lock);
    m_midiControl = std::move(control);
}

}  // namespace kvKorvaneV10_0_3
