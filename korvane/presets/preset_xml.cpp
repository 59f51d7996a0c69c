// The preset element's layout: header, setups with their value lists, controls
// and plug-in-specific records.
#include "korvane/presets/preset_xml.h"

#include "korvane/core/four_cc.h"
#include "korvane/core/number_format.h"
#include "korvane/presets/preset_text.h"
#include "korvane/xml/number_parse.h"

#include <cstring>
#include <memory>
#include <string>

namespace kvKorvaneV10_0_3::Preset {

namespace {

constexpr const char* kSeparators = " \t\n\r;";

template <typename Fn>
void ForEachValueToken(const std::string& text, Fn fn) {
    const char* p = text.c_str();
    const char* end = p + text.size();
    std::string token;
    while (p < end) {
        while (p < end && std::strchr(kSeparators, *p) != nullptr && *p != 0) {
            ++p;
        }
        const char* start = p;
        while (p < end && (*p == 0 || std::strchr(kSeparators, *p) == nullptr)) {
            ++p;
        }
        if (p > start) {
            token.assign(start, p);
            fn(token);
        }
    }
}

void AddText(XML::CXMLElement& parent, const char* name, const KCFixedStringBase& text) {
    if (!text.empty()) {
        parent.AddSubElement(name, text.c_str());
    }
}

void ReadStates(const std::string& text, sPresetData& data) {
    data.states.clear();
    ForEachValueToken(text, [&](const std::string& token) {
        if (token == "*") {
            data.states.push_back(-1);
            return;
        }
        long long v = 0;
        if (KUAtoi(token.c_str(), v) != eNoErr) {
            data.states.push_back(-1);  // a malformed state is left unset, like "*"
            return;
        }
        data.states.push_back(static_cast<int>(
            std::max<long long>(std::min<long long>(v, 0x7FFFFFFF), -0x7FFFFFFF - 1)));
    });
}

// A number written with a decimal comma ("-3,25", "1,5e-07", as printf writes
// under such a locale) gets a point; any other token is left to the number
// parser as it is.
void AcceptDecimalComma(std::string& token) {
    std::size_t mantissa = token.find_first_not_of("+-");
    if (mantissa > 1 || token.find(',') == std::string::npos) {
        return;
    }
    std::size_t end = token.find_first_not_of("0123456789,.", mantissa);
    if (end == mantissa) {
        return;
    }
    if (end != std::string::npos) {
        // Only an exponent may follow: e, an optional sign, digits.
        std::size_t digits = end + 1;
        if (digits < token.size() && (token[digits] == '+' || token[digits] == '-')) {
            ++digits;
        }
        if ((token[end] != 'e' && token[end] != 'E') || digits == token.size() ||
            token.find_first_not_of("0123456789", digits) != std::string::npos) {
            return;
        }
    } else {
        end = token.size();
    }
    for (std::size_t i = mantissa; i < end; ++i) {
        token[i] = token[i] == ',' ? '.' : token[i];
    }
}

void ReadRealWorld(const std::string& text, sPresetData& data) {
    data.realWorld.clear();
    data.realWorldKinds.clear();
    ForEachValueToken(text, [&](std::string& token) {
        if (token == "*") {
            data.realWorld.push_back(0.0);
            data.realWorldKinds.push_back(eValueMissing);
            return;
        }
        AcceptDecimalComma(token);
        data.realWorld.push_back(detail::ParseDouble(token));
        data.realWorldKinds.push_back(eValueNumber);
    });
}

}  // namespace

void FormatRealWorldList(const sPresetData& data, std::string& out) {
    out.clear();
    out.reserve(data.realWorld.size() * 24);
    for (std::size_t i = 0; i < data.realWorld.size(); ++i) {
        const bool missing =
            i < data.realWorldKinds.size() && data.realWorldKinds[i] == eValueMissing;
        if (missing) {
            out += '*';
        } else {
            out += KUFormatGeneral(data.realWorld[i], 20);
        }
        out += (i + 1) % 10 == 0 ? '\n' : ' ';
    }
}

void WriteToXML_sPresetData(const sPresetData& data, XML::CXMLElement& parent) {
    XML::CXMLElement* element = parent.AddSubElement("PresetData");
    if (element == nullptr) {
        return;
    }
    element->AddAttrib("Setup", PresetSetupName(data.Setup()));
    if (!data.setupName.empty()) {
        element->AddAttrib("SetupName", data.setupName.c_str());
    }
    if (!data.states.empty()) {
        std::string text;
        text.reserve(data.states.size() * 5);
        for (std::size_t i = 0; i < data.states.size(); ++i) {
            if (i != 0) {
                text += ' ';
            }
            // A parameter without a value (not saved to presets) is "*", as in the
            // real-world list.
            if (data.states[i] < 0) {
                text += '*';
            } else {
                text += KUFormatInteger(static_cast<long long>(data.states[i]));
            }
        }
        if (auto* states = element->AddSubElement("Parameters", text); states != nullptr) {
            states->AddAttrib("Type", "States");
        }
    }
    if (!data.realWorld.empty()) {
        if (auto* values = element->AddSubElement("Parameters"); values != nullptr) {
            values->AddAttrib("Type", "RealWorld");
            FormatRealWorldList(data, values->Text());
        }
    }
    if (!data.controls.empty()) {
        auto* controls = element->AddSubElement("Controls");
        for (const auto& control : data.controls) {
            if (auto* one = controls != nullptr ? controls->AddSubElement("Control") : nullptr) {
                control.WriteToXML(*one);
            }
        }
    }
    if (!data.pluginXMLData.GetSubElements().empty()) {
        auto* copy = new XML::CXMLElement(data.pluginXMLData);
        copy->SetName("PluginSpecificXMLData");
        element->push_back(copy);
    }
    for (const auto* record : data.pluginSpecific) {
        record->WriteToXML(element->AddSubElement("PluginSpecific"));
    }
}

void WriteToXML_CPresetInfo(const CPresetInfo& preset, XML::CXMLElement& e) {
    e.Clear();
    e.SetName("Preset");
    e.AddAttrib("Name", preset.GetPresetName().c_str());
    // A type list read from a file goes back as it was, so that a rewrite keeps
    // the preset limited to the plug-ins it named.
    if (!preset.GetGenericTypeList().empty()) {
        e.AddAttrib("GenericType", preset.GetGenericTypeList().c_str());
    } else if (!(preset.GetGenericType() == kNoGenericType)) {
        KCFixedString<7> type;
        type << preset.GetGenericType();
        e.AddAttrib("GenericType", type.c_str());
    }
    if (!preset.GetSubCompList().empty()) {
        e.AddAttrib("SubComp", preset.GetSubCompList().c_str());
    }
    auto* header = e.AddSubElement("PresetHeader");
    if (header == nullptr) {
        return;
    }
    AddText(*header, "Group", preset.GetGroupType());
    AddText(*header, "PluginName", preset.GetPluginName());
    AddText(*header, "PluginSubComp", preset.GetPluginSubComp());
    AddText(*header, "PluginVersion", preset.GetPluginVersion());
    AddText(*header, "InfoString", preset.GetInfoString());
    AddText(*header, "ActiveSetup", preset.GetActiveSetup());
    header->AddSubElement("ReadOnly", preset.IsReadOnly() ? "true" : "false");
    AddText(e, "MessageToShell", preset.GetShellMessage());
    if (preset.GetSideChainState() <= 1) {
        e.AddSubElement("VST24SideChainActive", preset.GetSideChainState() == 1 ? "true" : "false");
    }
    for (const auto* data : preset.GetPresetData()) {
        WriteToXML_sPresetData(*data, e);
    }
}

void ReadHeadersFromXML_CPresetInfo(const XML::CXMLElement* e, CPresetInfo& preset) {
    if (e == nullptr) {
        return;
    }
    std::string text;
    if (e->GetAttrib("Name", text)) {
        KCFixedString<255> name;
        detail::AssignCut(name, text);
        preset.SetPresetName(name);
    }
    if (e->GetAttrib("GenericType", text)) {
        if (const auto code = ParseFourCC(text)) {
            preset.SetGenericType(*code);
        } else {
            KCFixedString<255> list;
            detail::AssignCut(list, text);
            preset.SetGenericTypeList(list.c_str());
        }
    }
    if (e->GetAttrib("SubComp", text)) {
        KCFixedString<255> list;
        detail::AssignCut(list, text);
        preset.SetSubCompList(list.c_str());
    }
    if (const auto* header = e->SubElement("PresetHeader"); header != nullptr) {
        const auto read = [&](const char* element, void (CPresetInfo::*set)(const char*)) {
            if (const char* value = header->SubElementText(element); value != nullptr) {
                KCFixedString<255> cut;
                detail::AssignCut(cut, value);
                (preset.*set)(cut.c_str());
            }
        };
        read("Group", &CPresetInfo::SetGroupType);
        read("PluginName", &CPresetInfo::SetPluginName);
        read("PluginSubComp", &CPresetInfo::SetPluginSubComp);
        read("PluginVersion", &CPresetInfo::SetPluginVersion);
        read("InfoString", &CPresetInfo::SetInfoString);
        read("ActiveSetup", &CPresetInfo::SetActiveSetup);
        if (const char* ro = header->SubElementText("ReadOnly"); ro != nullptr) {
            preset.SetFlag(ePresetReadOnly, std::strcmp(ro, "true") == 0);
        }
    }
    if (const char* message = e->SubElementText("MessageToShell"); message != nullptr) {
        KCFixedString<511> cut;
        detail::AssignCut(cut, message);
        preset.SetShellMessage(cut.c_str());
    }
    if (const char* side = e->SubElementText("VST24SideChainActive"); side != nullptr) {
        preset.SetSideChainState(std::strcmp(side, "true") == 0 ? 1 : 0);
    }
}

bool ReadFromXML_EPluginSetup(const XML::CXMLElement* e, EPluginSetup& setup) {
    KCFixedString<31> text;
    if (e == nullptr || !e->GetAttrib("Setup", text)) {
        return false;
    }
    setup = PresetSetupFromName(text.c_str());
    return true;
}

void ReadFromXML_sPresetData(const XML::CXMLElement* e, sPresetData& data,
                             const FM::KCStPath* presetFolder) {
    if (e == nullptr) {
        return;
    }
    std::string setupName;
    if (e->GetAttrib("SetupName", setupName)) {
        detail::AssignCut(data.setupName, setupName);
    }
    bool haveRealWorld = !data.realWorld.empty();
    for (const auto* child : e->GetSubElements()) {
        const auto& name = child->GetName();
        if (name == "Parameters") {
            std::string type;
            child->GetAttrib("Type", type);
            type = type.empty() ? "states" : ToLowerCopy(type);
            if (type == "realworld") {
                ReadRealWorld(child->GetText(), data);
                data.states.clear();
                haveRealWorld = true;
                data.parametersKind = eParametersRealWorld;
            } else if (type == "states") {
                if (!haveRealWorld) {
                    ReadStates(child->GetText(), data);
                    data.parametersKind = eParametersStates;
                }
            } else if (type == "reset") {
                data.parametersKind = eParametersReset;
            } else if (type == "nodata") {
                data.parametersKind = eParametersNoData;
            }
        } else if (name == "PluginSpecificXMLData") {
            data.pluginXMLData = *child;
        } else if (name == "Controls") {
            data.controls.clear();
            for (const auto* control : child->GetSubElements()) {
                if (control->GetName() == "Control") {
                    sPresetControlData one;
                    one.ReadFromXML(*control);
                    data.controls.push_back(one);
                }
            }
        } else if (name == "PluginSpecific") {
            auto record = std::make_unique<sPluginSpecific>();
            // A record whose file could not be read keeps what the element itself
            // holds.
            record->ReadFromXML(child, presetFolder);
            for (auto*& existing : data.pluginSpecific) {
                if (existing->tagID == record->tagID) {
                    delete existing;
                    existing = record.release();
                    break;
                }
            }
            if (record) {
                data.pluginSpecific.push_back(record.release());
            }
        }
    }
}

void ReadDataFromXML_CPresetInfo(const XML::CXMLElement* e, CPresetInfo& preset,
                                 const FM::KCStPath* presetFolder) {
    if (e == nullptr) {
        return;
    }
    for (const auto* child : e->GetSubElements()) {
        if (child->GetName() != "PresetData") {
            continue;
        }
        EPluginSetup setup = eActiveSetup;
        ReadFromXML_EPluginSetup(child, setup);
        ReadFromXML_sPresetData(child, preset.GetOrAddSetupPresetData(setup), presetFolder);
    }
}

}  // namespace kvKorvaneV10_0_3::Preset
