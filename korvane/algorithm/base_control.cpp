// A control's flags, registrations, description and graph data stream; anchors the base
// control's vtable.
#include "korvane/algorithm/base_control.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3 {
namespace {

using XML::CXMLElement;

constexpr std::array<const char*, kControlFlagCount> kFlagNames = {
    "DisplayCursor",
    "Automatable",
    "NoAutomatableImage",
    "StickyTouch",
    "ReciveTextEntery",
    "IgnoreMouseOnTextWin",
    "ChildControl",
    "EraseWithBackground",
    "HasDynamicGUI_OnInit",
    "MarkerSwitchOnClick",
    "MarkerSwitchOnMouseUp",
    "MarkerSwitchOnDoubleClick",
    "SliderTextFollowKnob",
    "SliderMouseTrackKnob",
    "SliderNoBackground",
    "SliderIconFollowKnob",
    "SliderLogResolution",
    "TextTempTouch",
    "SetOppositeNextState",
    "PopupNoCheckmark",
    "PopupAppearOnMousePos",
    "ZoomFromAlg",
    "HideWhenDisabled",
    "IgnoreDisableMode",
    "Hidden",
    "CanAttachToMIDI",
    "SaveMIDIAttachment",
    "DefaultDraw",
    "JumpToScaleMarks",
    "DrawSelectionAboveControl",
    "DropEnabled",
    "NoMouseUpAfterDrag",
    "",
    "",
    "ImmediateDrawOnTouchDrag",
    "Momentary",
    "CanAttachToRTMIDI",
    "DraggableSourceControl",
    "ForceMouseOver",
    "ReceiveEmptyTextEntry",
    "ShouldClip",
};

constexpr std::array<const char*, eRegUser6 + 1> kRegisterTypeNames = {
    "None",
    "MouseDown",
    "MouseUp",
    "MouseVertical",
    "MouseHorizontal",
    "MouseWheelVertical",
    "MouseWheelHorizontal",
    "MouseDrawVertical",
    "MouseDrawHorizontal",
    "Reset",
    "OptionReset",
    "FixedState",
    "Cyclic",
    "ZoomX",
    "ZoomY",
    "ScrollX",
    "ScrollY",
    "RadioButton",
    "OnOff",
    "PopUp",
    "PopUpRightButton",
    "Snap",
    "Graph",
    "Vertices",
    "LoopStart",
    "LoopEnd",
    "DisplayOnly",
    "TouchPinchVertical",
    "TouchPinchHorizontal",
    "User1",
    "User2",
    "User3",
    "User4",
    "User5",
    "User6",
};

bool IsTrue(const CXMLElement& e, const char* attribute) {
    std::string text;
    return e.GetAttrib(attribute, text) && text == "true";
}

// The "Value" attribute, lower-cased, is "off".
bool IsOff(const CXMLElement& e) {
    std::string text;
    if (!e.GetAttrib("Value", text)) {
        return false;
    }
    std::ranges::transform(text, text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text == "off";
}

}  // namespace

void ControlFlag2String(EControlFlags flag, KCFixedStringBase& name) {
    name = flag < kControlFlagCount ? kFlagNames[flag] : "";
}

bool ControlFlagFromString(const char* name, EControlFlags& flag) {
    if (name == nullptr || *name == '\0') {
        return false;
    }
    const std::string_view text(name);
    if (text == "SliderCopyFromBackground") {
        flag = eCtrlEraseWithBackground;
        return true;
    }
    if (text == "ClippingRect") {
        flag = eCtrlShouldClip;
        return true;
    }
    for (unsigned int i = 0; i < kControlFlagCount; ++i) {
        if (text == kFlagNames[i]) {
            flag = static_cast<EControlFlags>(i);
            return true;
        }
    }
    return false;
}

bool RegisterTypeFromString(const char* name, ERegisterType& type) {
    if (name == nullptr) {
        return false;
    }
    for (unsigned int i = 0; i < kRegisterTypeNames.size(); ++i) {
        if (std::strcmp(name, kRegisterTypeNames[i]) == 0) {
            type = static_cast<ERegisterType>(i);
            return true;
        }
    }
    return false;
}

const char* RegisterTypeName(ERegisterType type) {
    return type < kRegisterTypeNames.size() ? kRegisterTypeNames[type] : "";
}

KCBaseControl::~KCBaseControl() = default;

int KCBaseControl::GetControlNameOfLength(unsigned int length, char* buffer) const {
    if (buffer != nullptr) {
        m_name.copy_to_buffer(length + 1, buffer);
    }
    return 0;
}

bool KCBaseControl::GetControlFlag(EControlFlags flag) const {
    return flag < 64 && ((m_flags >> flag) & 1U) != 0;
}

void KCBaseControl::SetControlFlag(EControlFlags flag, bool on) {
    if (flag >= 64) {
        return;
    }
    const std::uint64_t bit = std::uint64_t{1} << flag;
    m_flags = on ? (m_flags | bit) : (m_flags & ~bit);
}

void KCBaseControl::SetControlFlag(const char* name, bool on) {
    EControlFlags flag{};
    if (ControlFlagFromString(name, flag)) {
        SetControlFlag(flag, on);
    }
}

int KCBaseControl::Register(const KCParamRegistrationData& registration) {
    m_registrations.push_back(registration);
    return 0;
}

void KCBaseControl::UnRegister(unsigned int index) {
    if (index >= m_registrations.size()) {
        return;
    }
    m_registrations.erase(m_registrations.begin() + index);
    if (index == m_leadIndex) {
        m_leadIndex = 0;  // the next registration is not promoted silently
    } else if (index < m_leadIndex) {
        --m_leadIndex;
    }
}

void KCBaseControl::UnRegisterParam(unsigned int paramID) {
    for (auto i = static_cast<unsigned int>(m_registrations.size()); i-- > 0;) {
        if (m_registrations[i].paramID == paramID) {
            UnRegister(i);
        }
    }
}

const KCParamRegistrationData* KCBaseControl::GetLeadRegistration() const {
    return m_registrations.empty() ? nullptr : &m_registrations[GetLeadParamIndex()];
}

KCParamRegistrationData* KCBaseControl::GetLeadRegistration() {
    return m_registrations.empty() ? nullptr : &m_registrations[GetLeadParamIndex()];
}

unsigned int KCBaseControl::GetLeadParamID() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    return lead != nullptr ? lead->paramID : kNoParamID;
}

void KCBaseControl::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    KCFixedString<127> name;
    if (element.GetAttrib("Name", name) || !update) {
        m_name = name;
    }
    if (!update) {
        m_flags = 0;
        UnRegisterAll();
    }
    for (const CXMLElement* child : element.GetSubElements()) {
        if (child->GetName() == "Flags") {
            ReadFromXMLFlags(*child);
        } else if (child->GetName() == "ParameterList") {
            UnRegisterAll();
            ReadFromXMLParameterList(*child, alg);
        }
    }
}

void KCBaseControl::ReadFromXMLFlags(const CXMLElement& flags) {
    for (const CXMLElement* child : flags.GetSubElements()) {
        SetControlFlag(child->GetName().c_str(), !IsOff(*child));
    }
}

void KCBaseControl::ReadFromXMLParameterList_Registration(const CXMLElement& param,
                                                          KCParamRegistrationData& registration) {
    registration.ReadFromXMLForGUI(param);
}

void KCBaseControl::ReadFromXMLParameterList(const CXMLElement& list, cALGORITHM* alg) {
    for (const CXMLElement* param : list.GetSubElements()) {
        if (param->GetName() != "Param") {
            continue;
        }
        KCParamRegistrationData r;
        r.alg = alg;
        ReadFromXMLParameterList_Registration(*param, r);
        // The parameters the entry stands for: one, or every element of an array.
        KCFixedString<127> name;
        param->GetAttrib("Name", name);
        unsigned int first = kNoParamID;
        unsigned int count = 1;
        if (alg != nullptr) {
            if (IsTrue(*param, "ParamArray")) {
                if (!alg->GetParamArray(name.c_str(), first, count)) {
                    first = kNoParamID;
                    count = 1;
                }
            } else if (const int id = alg->GetParamIDFromName(name.c_str()); id >= 0) {
                first = static_cast<unsigned int>(id);
            }
        }
        if (IsTrue(*param, "LeadParam")) {
            m_leadIndex = static_cast<unsigned int>(m_registrations.size());
        }
        for (unsigned int i = 0; i < count; ++i) {
            r.paramID = first == kNoParamID ? kNoParamID : first + i;
            r.value =
                alg != nullptr && r.paramID != kNoParamID ? alg->GetParamState(r.paramID) : 0.0;
            m_registrations.push_back(r);
        }
    }
}

void KCBaseControl::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                      const char* elementName) const {
    CXMLElement* element = parent.AddSubElement(elementName);
    element->AddAttrib("Name", m_name.c_str());
    if (m_flags != 0) {
        CXMLElement* flags = element->AddSubElement("Flags");
        for (unsigned int i = 0; i < kControlFlagCount; ++i) {
            if (GetControlFlag(static_cast<EControlFlags>(i))) {
                flags->AddSubElement(kFlagNames[i]);
            }
        }
    }
    CXMLElement* list = element->AddSubElement("ParameterList");
    for (unsigned int i = 0; i < m_registrations.size(); ++i) {
        const KCParamRegistrationData& r = m_registrations[i];
        CXMLElement* param = list->AddSubElement("Param");
        const bool named = alg != nullptr && r.paramID < alg->GetNumParams();
        param->AddAttrib("Name", named ? alg->GetParamName(r.paramID).c_str() : "");
        if (i == m_leadIndex && i != 0) {
            param->AddAttrib("LeadParam", "true");
        }
        r.WriteToXMLForGUI(*param);
    }
}

namespace {

// True when the last record from `from` on is a point record no "dVIN" has drawn yet.
bool EndsWithUndrawnPoints(const Utils::KCStMemObj& stream, unsigned int from) {
    const char* bytes = static_cast<const char*>(stream.ptr);
    kvGS::SGSData last{};
    bool any = false;
    for (unsigned int at = from; at + sizeof(kvGS::SGSCommandHeader) <= stream.size;) {
        kvGS::SGSCommandHeader header;
        std::memcpy(&header, bytes + at, sizeof header);
        if (header.size < sizeof header || header.size > stream.size - at) {
            return false;
        }
        last = {};
        std::memcpy(&last, bytes + at, std::min<std::size_t>(header.size, sizeof last));
        any = true;
        at += header.size;
    }
    return any && (last.header.code == kvGS::eGSDataHere || last.header.code == kvGS::eGSDataPtr) &&
           last.purpose == kvGS::eGSPoint2D;
}

}  // namespace

int KCBaseControl::GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const {
    int result = 0;
    for (const KCParamRegistrationData& r : m_registrations) {
        if (r.alg == nullptr || r.paramID >= r.alg->GetNumParams()) {
            continue;
        }
        // The graph object belongs to the active setup's values: the lock keeps it in place
        // while it is written to the stream.
        const kvThread::ThreadMutexLock lock(r.alg->AlgLock());
        const KCGraphDataBase* graph = r.alg->GetParamGraphData(r.paramID);
        if (graph == nullptr || graph->GetGraphSize() == 0) {
            continue;
        }
        const std::string id = std::to_string(r.paramID);
        writer.MetaData("ParamID: " + id);
        const unsigned int before = writer.GetStream().size;
        result = graph->GetGraphDataAsGraphicStream(writer);
        if (result != 0) {
            writer.Remark("No graph points because graph type is not KTPoint2s paramID " + id);
        } else if (EndsWithUndrawnPoints(writer.GetStream(), before)) {
            // Graphs with several lines draw all but their last one themselves.
            writer.DrawVertices(kvGS::SGSDrawVertices());
        }
    }
    return result;
}

}  // namespace kvKorvaneV10_0_3
