// KCParamRegistrationData: one parameter a control is bound to - the algorithm, the parameter's
// index, the control's value for it and the kinds of input the registration answers to - and
// how an input delta becomes a parameter change. GUI controls and automation controls share
// it, so it lives below the GUI.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/core/modifier_keys.h"

#include <array>
#include <cstdint>

namespace KPAPI_PROCESS_MEMORY {
struct BUFFER_HEADER;
}

namespace kvKorvaneV10_0_3 {

class cALGORITHM;
namespace XML {
class CXMLElement;
}

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

// Plain value: [any-thread] on distinct objects. The operations that change the parameter go
// through the algorithm, which takes its lock.
struct KORVANE_API KCParamRegistrationData {
    using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

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
    // The parameter's state where the drag in progress began; -1 when none is.
    double dragStartValue = -1.0;
    // Where the registration's image (an icon shown with the control) stands, in GUI
    // coordinates; empty without one. A slider with "SliderIconFollowKnob" moves it with its
    // thumb.
    KURect<short> imageRect{};

    [[nodiscard]] bool AnswersTo(ERegisterType type) const {
        return (registerTypes >> type & 1U) != 0;
    }
    void SetRegisterType(ERegisterType type, bool on) {
        const std::uint64_t bit = std::uint64_t{1} << type;
        registerTypes = on ? (registerTypes | bit) : (registerTypes & ~bit);
    }
    // True when `eventModifiers` (four booleans in KEModifier order) equal the registration's;
    // null matches anything.
    [[nodiscard]] bool MatchModifiers(const bool* eventModifiers) const;
    // The registration names a parameter of its algorithm.
    [[nodiscard]] bool HasParam() const;
    [[nodiscard]] bool IsDiscrete() const;
    // The parameter wraps around at the ends of its range.
    [[nodiscard]] bool IsCyclic() const;

    // The state a delta of kind `type` would give the parameter (see OffsetParamValue), without
    // applying it; the current state when the registration does not answer to `type`.
    [[nodiscard]] double NewStateForOffset(double delta, ERegisterType type) const;
    // Applies `delta` as an input of kind `type`; nothing (null) unless the registration answers
    // to `type` and, when `eventModifiers` is given, its modifiers equal them. Drag-like kinds add
    // the delta (a discrete parameter stops at its first and last state), "MouseDown" and
    // "MouseUp" step through the states modulo their number, "FixedState" sets its fixed value.
    // The result stays in 0 ... 1000: a cyclic parameter wraps modulo the range, any other is
    // clamped. A parameter that does not update while dragged is dragged (DragParam), any other
    // set. Returns the parameter's buffers.
    BUFFER_HEADER* OffsetParamValue(double delta, ERegisterType type, const bool* eventModifiers);
    // True when the state OffsetParamValue would set shows a different real-world value.
    [[nodiscard]] bool DoesNewStateChangeRealWorld(double delta, ERegisterType type,
                                                   const bool* eventModifiers) const;
    // Moves to the next state, in the direction of `delta`, whose real-world value differs, so
    // that one wheel notch or key press always changes what is displayed.
    BUFFER_HEADER* OffsetParamValueToNextDifferentValue(double delta, ERegisterType type,
                                                        const bool* eventModifiers);
    // A drag step: the first one remembers where the drag began. The parameter's processing
    // hears nothing until FinishDragParam.
    BUFFER_HEADER* DragParam(double state);
    // Ends the drag in progress: the final value reaches the processing and the drag start is
    // cleared. Null without a drag.
    BUFFER_HEADER* FinishDragParam();
    // Sets the parameter's reset value.
    BUFFER_HEADER* ResetParam();
    // Start and end of a gesture on the parameter, for the host's automation.
    void Touch() const;
    void Release() const;
    // The pixel delta through the parameter's mouse-delta function; 0 without a parameter.
    [[nodiscard]] double UpdateMouseDeltaStep(double delta) const;
    // Refreshes `value` from the parameter.
    void UpdateValue();

    // One "Param" element of a control description: "Modifiers" names at most one modifier
    // (searched for "Alt", "Secondary", "Shift", then "Primary"), one child per input kind
    // ("FixedState" with its "Value"), and "ImageRect" (left, top, width, height) for the
    // image rectangle. The parameter itself is resolved by the control.
    void ReadFromXMLForGUI(const XML::CXMLElement& param);
    // Writes what ReadFromXMLForGUI reads into `param`.
    void WriteToXMLForGUI(XML::CXMLElement& param) const;

    bool operator==(const KCParamRegistrationData&) const = default;
};

}  // namespace kvKorvaneV10_0_3
