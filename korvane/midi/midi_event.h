// kvMIDI::KorvaneMidiEvent: one incoming MIDI event as the library carries it, with the event
// types the parameter mapping knows.
#pragma once

#include "korvane/core/export.h"

#include <cstdint>

namespace kvKorvaneV10_0_3::kvMIDI {

// The status nibble of a channel message less 7. Only these have controller tables.
enum MidiEventType : std::uint32_t {
    eMidiNoEvent = 0,
    eMidiNoteOff = 1,
    eMidiNoteOn = 2,
    eMidiPolyPressure = 3,
    eMidiControlChange = 4,
    eMidiProgramChange = 5,
    eMidiChannelPressure = 6,
    eMidiPitchBend = 7,  // 14 bits, LSB in data byte 1
};

// Value semantics. [any-thread] on distinct objects.
class KORVANE_API KorvaneMidiEvent {
public:
    static constexpr unsigned int kDataBytes = 4;

    KorvaneMidiEvent() = default;
    // `data` null gives four zero bytes.
    KorvaneMidiEvent(int header, unsigned int timeStamp, unsigned int type, int channel,
                     const unsigned char* data, unsigned int extra);
    KorvaneMidiEvent(const KorvaneMidiEvent&) = default;
    KorvaneMidiEvent& operator=(const KorvaneMidiEvent&) = default;
    virtual ~KorvaneMidiEvent();

    // An event from the bytes of a channel message (status with its channel, then up to two
    // data bytes). The one data byte of a program change or channel pressure goes to data
    // byte 2, where every type keeps its value. A status that is no channel message gives
    // type eMidiNoEvent.
    [[nodiscard]] static KorvaneMidiEvent FromBytes(unsigned char status, unsigned char data1,
                                                    unsigned char data2 = 0);

    [[nodiscard]] int GetHeader() const { return m_header; }
    [[nodiscard]] unsigned int GetTimeStamp() const { return m_timeStamp; }
    void SetTimeStamp(unsigned int stamp) { m_timeStamp = stamp; }
    [[nodiscard]] MidiEventType GetMidiEventType() const {
        return static_cast<MidiEventType>(m_type);
    }
    [[nodiscard]] unsigned int GetRawType() const { return m_type; }
    [[nodiscard]] int GetChannel() const { return m_channel; }
    [[nodiscard]] unsigned int GetExtra() const { return m_extra; }
    // The four data bytes: byte 1 (controller or note number, or the low 7 bits of a pitch
    // bend) at [0], byte 2 (value, velocity, high 7 bits) at [1].
    [[nodiscard]] virtual const unsigned char* GetData() const { return m_data; }
    void SetDataByte(unsigned int which, unsigned char value);
    // Bytes of the MIDI message after the status: 2, 1 for program change and channel
    // pressure, 0 for an unknown type.
    [[nodiscard]] virtual unsigned int GetEventDataLength() const;

private:
    std::int32_t m_header = 0;
    std::uint32_t m_timeStamp = 0;
    std::uint32_t m_type = eMidiNoEvent;
    std::int32_t m_channel = 0;
    unsigned char m_data[kDataBytes] = {};
    std::uint32_t m_extra = 0;
};

}  // namespace kvKorvaneV10_0_3::kvMIDI
