// The GUI-free part of every control: its name, flags, the parameters it is registered to and
// which of them leads, read from and written to the control's description element. GUI controls
// and the algorithm's automation controls derive from it.
#pragma once

#include "korvane/algorithm/param_extension.h"
#include "korvane/algorithm/param_registration.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/gs/gs_writer.h"

#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

// Bit numbers of a control's flag set (64 bits; 32 and 33 are unused).
enum EControlFlags : std::uint8_t {
    eCtrlDisplayCursor = 0,
    eCtrlAutomatable = 1,
    eCtrlNoAutomatableImage = 2,
    eCtrlStickyTouch = 3,
    eCtrlReciveTextEntery = 4,
    eCtrlIgnoreMouseOnTextWin = 5,
    eCtrlChildControl = 6,
    eCtrlEraseWithBackground = 7,
    eCtrlHasDynamicGUI_OnInit = 8,
    eCtrlMarkerSwitchOnClick = 9,
    eCtrlMarkerSwitchOnMouseUp = 10,
    eCtrlMarkerSwitchOnDoubleClick = 11,
    eCtrlSliderTextFollowKnob = 12,
    eCtrlSliderMouseTrackKnob = 13,
    eCtrlSliderNoBackground = 14,
    eCtrlSliderIconFollowKnob = 15,
    eCtrlSliderLogResolution = 16,
    eCtrlTextTempTouch = 17,
    eCtrlSetOppositeNextState = 18,
    eCtrlPopupNoCheckmark = 19,
    eCtrlPopupAppearOnMousePos = 20,
    eCtrlZoomFromAlg = 21,
    eCtrlHideWhenDisabled = 22,
    eCtrlIgnoreDisableMode = 23,
    eCtrlHidden = 24,
    eCtrlCanAttachToMIDI = 25,
    eCtrlSaveMIDIAttachment = 26,
    eCtrlDefaultDraw = 27,
    eCtrlJumpToScaleMarks = 28,
    eCtrlDrawSelectionAboveControl = 29,
    eCtrlDropEnabled = 30,
    eCtrlNoMouseUpAfterDrag = 31,
    eCtrlImmediateDrawOnTouchDrag = 34,
    eCtrlMomentary = 35,
    eCtrlCanAttachToRTMIDI = 36,
    eCtrlDraggableSourceControl = 37,
    eCtrlForceMouseOver = 38,
    eCtrlReceiveEmptyTextEntry = 39,
    eCtrlShouldClip = 40,
};
// Flag numbers 0 ... kControlFlagCount - 1; writers loop over all of them.
constexpr unsigned int kControlFlagCount = 41;

// The flag's name as written in a description; empty for the unused numbers. [any-thread]
KORVANE_API void ControlFlag2String(EControlFlags flag, KCFixedStringBase& name);
// The flag a description names (with the synonyms "SliderCopyFromBackground" and
// "ClippingRect"); false for an unknown name. [any-thread]
KORVANE_API bool ControlFlagFromString(const char* name, EControlFlags& flag);
// A registration's input kind by its description name ("MouseVertical", "DisplayOnly", ...);
// false for an unknown name. [any-thread]
KORVANE_API bool RegisterTypeFromString(const char* name, ERegisterType& type);
KORVANE_API const char* RegisterTypeName(ERegisterType type);

// The parameter index of a registration that names no parameter.
constexpr unsigned int kNoParamID = 0xFFFFFFFFU;

// [gui-thread]: a control is built and read on the GUI thread; the classes deriving from it say
// where their own operations run.
class KORVANE_API KCBaseControl : public KCParamController {
public:
    KCBaseControl() = default;
    KCBaseControl(const KCBaseControl&) = default;
    KCBaseControl& operator=(const KCBaseControl&) = default;
    ~KCBaseControl() override;

    // A new control of the same concrete type; the caller owns it.
    [[nodiscard]] virtual KCBaseControl* Clone() const = 0;

    [[nodiscard]] const KCFixedStringBase& GetName() const { return m_name; }
    void SetName(const char* name) { m_name = name; }
    // Copies at most `length` characters and terminates; 0.
    int GetControlNameOfLength(unsigned int length, char* buffer) const;

    // --- flags
    [[nodiscard]] virtual bool GetControlFlag(EControlFlags flag) const;
    void SetControlFlag(EControlFlags flag, bool on);
    // By description name; an unknown name changes nothing.
    virtual void SetControlFlag(const char* name, bool on);
    [[nodiscard]] std::uint64_t GetControlFlags() const { return m_flags; }

    // --- parameter registrations, in registration order
    // Appends the registration; 0.
    int Register(const KCParamRegistrationData& registration);
    // Removes registration `index` (nothing past the end); the lead follows its registration.
    // Removing the lead itself makes the first remaining registration lead.
    void UnRegister(unsigned int index);
    // Removes every registration of that parameter.
    void UnRegisterParam(unsigned int paramID);
    void UnRegisterAll() {
        m_registrations.clear();
        m_leadIndex = 0;
    }
    [[nodiscard]] const std::vector<KCParamRegistrationData>& GetRegistrations() const {
        return m_registrations;
    }
    [[nodiscard]] std::vector<KCParamRegistrationData>& Registrations() { return m_registrations; }

    // Which registration leads (the first unless the description marks another); an index past
    // the registrations falls back to the first.
    [[nodiscard]] unsigned int GetLeadParamIndex() const {
        return m_leadIndex < m_registrations.size() ? m_leadIndex : 0;
    }
    void SetLeadParamIndex(unsigned int index) { m_leadIndex = index; }
    // The lead registration (see GetLeadParamIndex), or null without registrations.
    [[nodiscard]] const KCParamRegistrationData* GetLeadRegistration() const;
    [[nodiscard]] KCParamRegistrationData* GetLeadRegistration();
    // The lead registration's parameter index; kNoParamID without a lead registration.
    [[nodiscard]] virtual unsigned int GetLeadParamID() const;

    // --- description
    // Reads the element: "Name", "Flags" and "ParameterList". Parameter names are resolved in
    // `alg` (null: every registration names no parameter). `update` keeps what the element does
    // not hold (registrations are replaced only when it has a "ParameterList").
    virtual void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update);
    // One child per flag; each sets it unless its "Value", lower-cased, is "off".
    virtual void ReadFromXMLFlags(const XML::CXMLElement& flags);
    // One registration per "Param" child: "Name" (a parameter of `alg`; with "ParamArray" =
    // "true" every element of that array), "LeadParam" = "true" marks the lead, "Modifiers"
    // names at most one modifier, and one child per input kind ("FixedState" with its "Value").
    virtual void ReadFromXMLParameterList(const XML::CXMLElement& list, cALGORITHM* alg);
    // The registration's own part of a "Param" element (input kinds, modifiers).
    virtual void ReadFromXMLParameterList_Registration(const XML::CXMLElement& param,
                                                       KCParamRegistrationData& registration);
    // Appends an element `elementName` with the same shape ReadFromXMLWithAlg reads.
    virtual void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                                   const char* elementName) const;
    // Called once every control of its owner exists; 0.
    virtual int FinishCreate() { return 0; }

    // For each registered parameter with graph data of at least one element: "ParamID: <id>"
    // metadata, the graph's own records and a default "dVIN" line strip over its last points
    // (graphs with several lines draw the others), or a remark when the graph cannot write
    // itself. Returns the last graph's result (0 when none wrote).
    int GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const;

private:
    KCFixedString<127> m_name;
    std::vector<KCParamRegistrationData> m_registrations;
    std::uint64_t m_flags = 0;
    unsigned int m_leadIndex = 0;
};

}  // namespace kvKorvaneV10_0_3
