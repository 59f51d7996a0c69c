// KCParamRegistrationData: one parameter a control is bound to - the algorithm, the parameter's
// index, the control's value for it and the kinds of input the registration answers to. GUI
// controls and automation controls share it, so it lives below the GUI.
#pragma once

#include "korvane/core/modifier_keys.h"

#include <array>
#include <cstdint>

namespace kvKorvaneV10_0_3 {

class cALGORITHM;

// Bit numbers of a registration's input kinds (a 64-bit set per registration).
enum ERegisterType : std::uint8_t {
    eRegNone = 0,
    eRegMouseDown = 1,
    eRegMouseUp = 2,
    eRegMouseVertical = 3,
    eRegMouseHorizontal = 4,
    eRegMouseWheelVertical = 5,
    eRegMouseWheelHorizontal = 6,
    eRegMouseDrawVertical = 7,
    eRegMouseDrawHorizontal = 8,
    eRegReset = 9,
    eRegOptionReset = 10,
    eRegFixedState = 11,
    eRegCyclic = 12,
    eRegZoomX = 13,
    eRegZoomY = 14,
    eRegScrollX = 15,
    eRegScrollY = 16,
    eRegRadioButton = 17,
    eRegOnOff = 18,
    eRegPopUp = 19,
    eRegPopUpRightButton = 20,
    eRegSnap = 21,
    eRegGraph = 22,
    eRegVertices = 23,
    eRegLoopStart = 24,
    eRegLoopEnd = 25,
    eRegDisplayOnly = 26,
    eRegTouchPinchVertical = 27,
    eRegTouchPinchHorizontal = 28,
    eRegUser1 = 29,
    eRegUser2 = 30,
    eRegUser3 = 31,
    eRegUser4 = 32,
    eRegUser5 = 33,
    eRegUser6 = 34,
};

// Plain value: [any-thread] on distinct objects.
struct KCParamRegistrationData {
    cALGORITHM* alg = nullptr;  // not owned
    unsigned int paramID = 0;
    // The control's value for this parameter, in state units (0 ... 1000).
    double value = 0.0;
    // Set of ERegisterType bits.
    std::uint64_t registerTypes = 0;
    // The state a "FixedState" registration sets.
    double fixedStateValue = 0.0;
    // Modifiers that must equal the event's for the registration to answer.
    std::array<bool, eModCount> modifiers{};

    [[nodiscard]] bool AnswersTo(ERegisterType type) const {
        return (registerTypes >> type & 1U) != 0;
    }
    void SetRegisterType(ERegisterType type, bool on) {
        const std::uint64_t bit = std::uint64_t{1} << type;
        registerTypes = on ? (registerTypes | bit) : (registerTypes & ~bit);
    }
    bool operator==(const KCParamRegistrationData&) const = default;
};

}  // namespace kvKorvaneV10_0_3
