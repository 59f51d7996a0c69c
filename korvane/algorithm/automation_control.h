// KCAutomationControl: one item the host automates. It drives a lead parameter and optionally
// followers that keep their offset from the lead, reports the lead's changes, touches and
// releases to the host, and describes itself in the info record the host asks for.
#pragma once

#include "korvane/algorithm/base_control.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/process/host_callback.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

// What the host passes to GetControlAutomationInfo: it sets `version` to 9, the library fills
// the rest. The layout is fixed byte for byte (see the static_asserts and docs/platform.md); the
// reserved bytes are written as zeros.
struct ControllerAutomationInfoVer9 {
    std::int32_t version = 0;
    std::int32_t reserved0 = 0;
    std::int32_t numPositions = 0;  // always 1001
    std::int32_t reserved1 = 0;
    std::int32_t numStates = 0;  // of a discrete lead, else 0
    std::int32_t controlSurfaceDisplay = 0;
    std::int32_t refCon1 = 0;
    std::int32_t refCon2 = 0;
    char name[32] = {};
    char units[32] = {};
    char valueString[32] = {};
    bool automatable = false;  // a valid lead and the "Automatable" flag
    bool reserved2 = false;    // always false
    bool stickyTouch = false;  // the "StickyTouch" flag
    char reserved3[5] = {};
    double referenceValue = 0.0;  // the lead parameter's reset state
    double currentValue = 0.0;    // the control's value, in the lead's state units
    double realWorld = 0.0;       // the lead parameter's real-world value
    std::int32_t leadParamIndex = 0;
    std::int32_t reserved4 = 0;
};
static_assert(offsetof(ControllerAutomationInfoVer9, version) == 0);
static_assert(offsetof(ControllerAutomationInfoVer9, numPositions) == 8);
static_assert(offsetof(ControllerAutomationInfoVer9, numStates) == 16);
static_assert(offsetof(ControllerAutomationInfoVer9, controlSurfaceDisplay) == 20);
static_assert(offsetof(ControllerAutomationInfoVer9, refCon1) == 24);
static_assert(offsetof(ControllerAutomationInfoVer9, refCon2) == 28);
static_assert(offsetof(ControllerAutomationInfoVer9, name) == 32);
static_assert(offsetof(ControllerAutomationInfoVer9, units) == 64);
static_assert(offsetof(ControllerAutomationInfoVer9, valueString) == 96);
static_assert(offsetof(ControllerAutomationInfoVer9, automatable) == 128);
static_assert(offsetof(ControllerAutomationInfoVer9, reserved2) == 129);
static_assert(offsetof(ControllerAutomationInfoVer9, stickyTouch) == 130);
static_assert(offsetof(ControllerAutomationInfoVer9, referenceValue) == 136);
static_assert(offsetof(ControllerAutomationInfoVer9, currentValue) == 144);
static_assert(offsetof(ControllerAutomationInfoVer9, realWorld) == 152);
static_assert(offsetof(ControllerAutomationInfoVer9, leadParamIndex) == 160);
static_assert(sizeof(ControllerAutomationInfoVer9) == 168);

// Result codes of automation that have no name in the error table.
constexpr int kAutomationBadIndex = -5016;    // no control at that index
constexpr int kAutomationBadVersion = -5017;  // an info record of another version
constexpr int kAutomationNoLead = -1;         // the lead registration names no parameter

// How a control surface shows the control ("ControlSurface" in the description).
struct KCControlSurfaceDisplay {
    struct Entry {
        KCFixedString<31> name;
        int value = 0;
    };
    KCFixedString<31> type;  // "Rotary", "Switch", ...
    // 0 "MinLeftMaxRight" (also when absent), 1 "MinRightMaxLeft", 2 "BoostCut", 3 "Wrap",
    // 4 "Spread", 5 "SingleDot"; the value the info record carries.
    int orientation = 0;
    std::vector<Entry> displays;  // "Display" entries: "Name", "Value"
};

// The MIDI attachment of a control; the MIDI layer reads and writes it.
struct KCMIDIAttachment {
    int channel = -1;    // -1: none
    int controlID = -1;  // -1: none
    int eventType = 0;
    int group = 0;  // "MIDIGroup"
    bool learnMode = false;
    // A button: a press steps the control to its next state (see
    // KCAutomationManager::CalculateNextState), a release changes nothing. Notes learn as one.
    bool keySwitch = false;
    [[nodiscard]] bool IsAttached() const { return channel >= 0 && controlID >= 0; }
    bool operator==(const KCMIDIAttachment&) const = default;
};

// Built and read on the GUI thread before the algorithm is created; once created, the
// algorithm's automation manager calls it with the algorithm lock held ([any-thread & lock
// held]), so the touch count, the registrations' values and the host calls stay in one order.
class KORVANE_API KCAutomationControl : public KCBaseControl {
public:
    KCAutomationControl() = default;
    KCAutomationControl(const KCAutomationControl&) = default;
    KCAutomationControl& operator=(const KCAutomationControl&) = default;
    ~KCAutomationControl() override;
    [[nodiscard]] KCAutomationControl* Clone() const override;

    // Host value `value` (the lead's state units): nothing (null) without a lead registration
    // naming a parameter of the owning algorithm, or for a non-finite value; else
    // SetControllerValueSelf's chain.
    virtual BUFFER_HEADER* SetControllerValue(double value);
    // The lead takes `value` clamped into its range (0 ... 1000, or 0 ... states - 1 for a
    // discrete lead); every other registration that is not "DisplayOnly" moves by the same
    // delta from its parameter's current state, clamped into its own range. The parameters'
    // chains joined in registration order.
    virtual BUFFER_HEADER* SetControllerValueSelf(double value);
    // The lead's value string for `value`; kAutomationNoLead without a lead parameter, else 0.
    virtual int TranslateController(double value, KCFixedStringBase& text) const;
    // Fills everything but `version` (see the record); kAutomationNoLead when the lead
    // registration names no parameter (only name, display and reference values are filled).
    virtual int GetControlAutomationInfo(ControllerAutomationInfoVer9& info);
    [[nodiscard]] static bool IsControlAutomationInfoVersionSupported(int version) {
        return version == 9;
    }

    // The lead parameter now holds `state`: stored as the lead registration's value (the next
    // host delta starts from it) and sent to the host (16) when published.
    void NotifySetControlValue(double state);
    // Gestures nest: the host hears a touch (17) when the first one starts and a release (18)
    // when the last one ends; a release without a gesture in progress sends nothing.
    void NotifyTouch();
    void NotifyRelease();
    // Ends a gesture in progress at once, whatever its depth (one release); false without one.
    bool EndGesture();
    [[nodiscard]] bool GetTouched() const { return m_touchDepth > 0; }
    [[nodiscard]] int GetTouchDepth() const { return m_touchDepth; }
    // Refreshes parameter `index`'s value string for the active setup.
    void UpdateValueStringOfParam(unsigned int index);

    // Reads the base element and its "Class" attribute, then "MIDIGroup" and "ControlSurface".
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    // The base element with the "Class" attribute that makes it a host's control again.
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;
    // The description's "Class" attribute ("Automation" when made in code).
    [[nodiscard]] const KCFixedStringBase& GetHostClass() const { return m_hostClass; }
    void ReadFromXMLControlSurfaceDisplay(const XML::CXMLElement& element);
    // Whether the control should reinterpret a MIDI value itself; false by default.
    [[nodiscard]] virtual bool ReinterpretMidiValue() const { return false; }

    // --- host identity, set by the manager
    [[nodiscard]] cALGORITHM* GetAlgorithm() const { return m_alg; }
    void SetAlgorithm(cALGORITHM* alg) { m_alg = alg; }
    [[nodiscard]] int GetHostIndex() const { return m_hostIndex; }
    void SetHostIndex(int index) { m_hostIndex = index; }
    [[nodiscard]] bool IsPublished() const { return m_published; }
    void SetPublished(bool published) { m_published = published; }
    void SetAutomationRefCons(int refCon1, int refCon2) {
        m_refCon1 = refCon1;
        m_refCon2 = refCon2;
    }
    [[nodiscard]] int GetAutomationRefCon1() const { return m_refCon1; }
    [[nodiscard]] int GetAutomationRefCon2() const { return m_refCon2; }
    [[nodiscard]] const KCControlSurfaceDisplay& GetControlSurfaceDisplay() const {
        return m_surface;
    }

    // --- MIDI attachment
    [[nodiscard]] const KCMIDIAttachment& GetMIDIAttachment() const { return m_midi; }
    [[nodiscard]] int GetMIDIChannel() const { return m_midi.channel; }
    void SetMIDIChannel(int channel) { m_midi.channel = channel; }
    [[nodiscard]] int GetMIDIControlID() const { return m_midi.controlID; }
    void SetMIDIControlID(int id) { m_midi.controlID = id; }
    [[nodiscard]] int GetMIDIEventType() const { return m_midi.eventType; }
    void SetMIDIEventType(int type) { m_midi.eventType = type; }
    [[nodiscard]] int GetMIDIGroup() const { return m_midi.group; }
    void SetMIDIGroup(int group) { m_midi.group = group; }
    [[nodiscard]] bool GetMIDILearnMode() const { return m_midi.learnMode; }
    void SetMIDILearnMode(bool on) { m_midi.learnMode = on; }
    [[nodiscard]] bool GetMIDIKeySwitch() const { return m_midi.keySwitch; }
    void SetMIDIKeySwitch(bool on) { m_midi.keySwitch = on; }
    [[nodiscard]] bool CanAttachToMIDI() const { return GetControlFlag(eCtrlCanAttachToMIDI); }
    [[nodiscard]] bool CanAttachToRTMIDI() const { return GetControlFlag(eCtrlCanAttachToRTMIDI); }
    // Clears channel, control, event type and key switch and leaves learn mode.
    void ClearMIDIAttachment();

private:
    // The lead's parameter index when it names a parameter of the algorithm, else kNoParamID.
    [[nodiscard]] unsigned int ValidLeadParam() const;
    // Host call; skipped when unpublished or without an algorithm.
    void Send(int selector, void* b) const;

    cALGORITHM* m_alg = nullptr;  // not owned
    int m_hostIndex = -1;
    bool m_published = false;
    KCFixedString<63> m_hostClass{"Automation"};
    int m_refCon1 = 0;
    int m_refCon2 = 0;
    int m_touchDepth = 0;
    KCControlSurfaceDisplay m_surface;
    KCMIDIAttachment m_midi;
};

}  // namespace kvKorvaneV10_0_3
