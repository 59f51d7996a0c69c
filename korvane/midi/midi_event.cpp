// The MIDI event record.
#include "korvane/midi/midi_event.h"

namespace kvKorvaneV10_0_3::kvMIDI {

KorvaneMidiEvent::KorvaneMidiEvent(int header, unsigned int timeStamp, unsigned int type,
                                   int channel, const unsigned char* data, unsigned int extra)
    : m_header(header), m_timeStamp(timeStamp), m_type(type), m_channel(channel), m_extra(extra) {
    if (data != nullptr) {
        for (unsigned int i = 0; i < kDataBytes; ++i) {
            m_data[i] = data[i];
        }
    }
}

KorvaneMidiEvent::~KorvaneMidiEvent() = default;

KorvaneMidiEvent KorvaneMidiEvent::FromBytes(unsigned char status, unsigned char data1,
                                             unsigned char data2) {
    const unsigned int kind = status >> 4U;
    const int channel = status & 0x0F;
    if (kind < 8U || kind > 14U) {
        return {};
    }
    const unsigned int type = kind - 7U;
    unsigned char bytes[kDataBytes] = {data1, data2, 0, 0};
    if (type == eMidiProgramChange || type == eMidiChannelPressure) {
        bytes[0] = 0;
        bytes[1] = data1;
    }
    return {0, 0, type, channel, bytes, 0};
}

void KorvaneMidiEvent::SetDataByte(unsigned int which, unsigned char value) {
    if (which < kDataBytes) {
        m_data[which] = value;
    }
}

unsigned int KorvaneMidiEvent::GetEventDataLength() const {
    switch (m_type) {
        case eMidiNoteOff:
        case eMidiNoteOn:
        case eMidiPolyPressure:
        case eMidiControlChange:
        case eMidiPitchBend:
            return 2;
        case eMidiProgramChange:
        case eMidiChannelPressure:
            return 1;
        default:
            return 0;
    }
}

}  // namespace kvKorvaneV10_0_3::kvMIDI
