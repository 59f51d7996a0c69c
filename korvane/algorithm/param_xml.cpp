// Reading one parameter's description and applying it to a parameter record.
#include "korvane/algorithm/param_xml.h"

#include "korvane/algorithm/display_functions.h"
#include "korvane/core/number_format.h"
#include "korvane/xml/number_parse.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <cmath>
#include <cstring>
#include <string>
#include <utility>

namespace kvKorvaneV10_0_3 {
namespace {

using XML::CXMLElement;

bool Is(const CXMLElement& e, const char* name) {
    return e.GetName() == name;
}

// A flag element's "value": "false", "no" or "off" clear the flag; anything else sets it.
bool FlagValue(const CXMLElement& e) {
    KCFixedString<15> value;
    if (!e.GetAttrib("value", value)) {
        return true;
    }
    return value.case_insensitive_compare("false") != 0 &&
           value.case_insensitive_compare("no") != 0 && value.case_insensitive_compare("off") != 0;
}

void ReadDouble(const CXMLElement& e, double& value) {
    // A malformed number keeps the default.
    (void)XML::ReadFromXML_Float(&e, value);
}

void ReadValueWithType(const CXMLElement& e, double& value, KCFixedStringBase& type) {
    ReadDouble(e, value);
    KCFixedString<31> text;
    if (e.GetAttrib("Type", text)) {
        type = text;
    }
}

template <typename Map>
auto Find(const Map* map, const KCFixedStringBase& name) -> const typename Map::mapped_type* {
    if (map == nullptr || name.empty()) {
        return nullptr;
    }
    const auto it = map->find(KCFixedString<63>(name));
    return it != map->end() ? &it->second : nullptr;
}

// Numbers of the description, with 20 significant digits so that they read back unchanged.
std::string Number(double v) {
    return KUFormatGeneral(v, 20);
}

}  // namespace

sCONTROL_PARAMXML::sCONTROL_PARAMXML(KTResContainerType* resources, const KSParamFunctionMaps& maps)
    : m_resources(resources), m_maps(maps) {
    MembersDefaults();
}

sCONTROL_PARAMXML::~sCONTROL_PARAMXML() = default;

void sCONTROL_PARAMXML::MembersDefaults() {
    m_name.clear();
    m_scaleType = "None";
    m_mouseDeltaName.clear();
    m_displayName = "DisplayNothing";
    m_minimum = m_maximum = m_var = 0.0;
    m_numStates = 1001;
    m_resolution = 1.0;
    m_resetValue = 0.0;
    m_resetType.clear();
    m_initialValue = 0.0;
    m_initialType = "state";
    m_flags.ClearAll();
    m_mouseAcceleration = sCONTROL_PARAM::kNoMouseAcceleration;
    m_label.clear();
    m_units.clear();
    m_displayStrings.clear();
    m_linkGroups.clear();
    m_controlledLinkGroups.clear();
    m_statePoints.clear();
    m_realWorldPoints.clear();
    m_omitFromMap.clear();
    m_extension.reset();
    m_graph.reset();
}

void sCONTROL_PARAMXML::ReadFromXML(const CXMLElement& element) {
    KCFixedString<127> name;
    m_name = element.GetAttrib("Name", name) ? name.c_str() : "Unknown Name";
    for (const CXMLElement* child : element.GetSubElements()) {
        const CXMLElement& e = *child;
        if (Is(e, "Scale")) {
            ReadScale(e);
        } else if (Is(e, "Flags")) {
            ReadFlags(e);
        } else if (Is(e, "ResetValue")) {
            ReadValueWithType(e, m_resetValue, m_resetType);
        } else if (Is(e, "InitialValue")) {
            ReadValueWithType(e, m_initialValue, m_initialType);
        } else if (Is(e, "Label")) {
            m_label = e.GetText().c_str();
        } else if (Is(e, "Units")) {
            m_units = e.GetText().c_str();
        } else if (Is(e, "MouseDeltaFunction")) {
            m_mouseDeltaName = e.GetText().c_str();
        } else if (Is(e, "DisplayFunction")) {
            m_displayName = e.GetText().c_str();
        } else if (Is(e, "DisplayStrings")) {
            ReadDisplayStrings(e);
        } else if (Is(e, "ExtensionClass")) {
            KCFixedString<63> type;
            e.GetAttrib("Type", type);
            if (const auto* factory = Find(m_maps.extensions, type); factory != nullptr) {
                m_extension.reset((*factory)(m_resources));
                if (m_extension != nullptr) {
                    m_extension->ReadFromXML(const_cast<CXMLElement*>(&e));
                }
            }
        } else if (Is(e, "DrawClass")) {
            KCFixedString<63> key;
            KCFixedString<31> dataType;
            e.GetAttrib("Type", key);
            if (e.GetAttrib("DataType", dataType)) {
                key << '_' << dataType;
            }
            if (const auto* factory = Find(m_maps.drawClasses, key); factory != nullptr) {
                m_graph.reset((*factory)(m_resources));
                if (m_graph != nullptr) {
                    m_graph->ReadFromXML(const_cast<CXMLElement*>(&e));
                    m_graph->FinishCreate();
                }
            }
        } else if (Is(e, "LinkGroups")) {
            // Malformed lists keep what was read.
            (void)XML::ReadFromXML_Int_Vector(&e, m_linkGroups);
        } else if (Is(e, "LinkGroupsThisParamControls")) {
            ReadControlledLinkGroups(e);
        } else if (Is(e, "MouseAcceleration")) {
            ReadDouble(e, m_mouseAcceleration);
        }
    }
}

void sCONTROL_PARAMXML::ReadScale(const CXMLElement& scale) {
    for (const CXMLElement* child : scale.GetSubElements()) {
        const CXMLElement& e = *child;
        if (Is(e, "Minimum")) {
            ReadDouble(e, m_minimum);
        } else if (Is(e, "Maximum")) {
            ReadDouble(e, m_maximum);
        } else if (Is(e, "Var")) {
            ReadDouble(e, m_var);
        } else if (Is(e, "Resolution")) {
            ReadDouble(e, m_resolution);
        } else if (Is(e, "NumberOfStates")) {
            // A malformed number keeps the default.
            (void)XML::ReadFromXML_Int(&e, m_numStates);
        } else if (Is(e, "OmitFromMap")) {
            // Malformed lists keep what was read.
            (void)XML::ReadFromXML_Int_Vector(&e, m_omitFromMap);
        } else if (Is(e, "ScaleType")) {
            KCFixedString<63> type;
            if (!e.GetAttrib("Type", type)) {
                m_scaleType = e.GetText().c_str();
                continue;
            }
            const bool ranges = type == "linearRanges" || type == "linearRangesWithRounding";
            const bool map = type == "toggleMap";
            const bool toggleRanges = type == "toggleRanges";
            if (!ranges && !map && !toggleRanges) {
                continue;  // another "Type" leaves the scale type as it was
            }
            m_scaleType = type;
            for (const CXMLElement* table : e.GetSubElements()) {
                if (Is(*table, "RealWorld") || Is(*table, "RealWorldExact")) {
                    // Malformed tables are refused when the scale is set.
                    (void)XML::ReadFromXML_Float_Vector(table, m_realWorldPoints);
                } else if (Is(*table, "State") && !toggleRanges) {
                    // Malformed tables are refused when the scale is set.
                    (void)XML::ReadFromXML_Float_Vector(table, m_statePoints);
                }
            }
        }
    }
}

void sCONTROL_PARAMXML::ReadFlags(const CXMLElement& flags) {
    KCFixedString<15> reset;
    if (flags.GetAttrib("ResetAllFlags", reset) && reset == "true") {
        m_flags.ClearAll();
    }
    for (const CXMLElement* child : flags.GetSubElements()) {
        const int bit = ParamFlagBitFromName(child->GetName().c_str());
        if (bit >= 0) {
            m_flags.Set(static_cast<unsigned int>(bit), FlagValue(*child));
        }
    }
}

void sCONTROL_PARAMXML::ReadDisplayStrings(const CXMLElement& strings) {
    constexpr int kMaxStrings = 4096;  // an index from outside never allocates without bound
    for (const CXMLElement* child : strings.GetSubElements()) {
        int index = -1;
        KCFixedString<127> text;
        if (!Is(*child, "RealWorld") || !child->GetAttrib("Value", index) || index < 0 ||
            index >= kMaxStrings) {
            continue;
        }
        child->GetAttrib("String", text);
        if (static_cast<std::size_t>(index) >= m_displayStrings.size()) {
            m_displayStrings.resize(static_cast<std::size_t>(index) + 1);
        }
        m_displayStrings[static_cast<std::size_t>(index)] = text;
    }
}

void sCONTROL_PARAMXML::ReadControlledLinkGroups(const CXMLElement& element) {
    for (const CXMLElement* child : element.GetSubElements()) {
        if (!Is(*child, "ControlledGroup")) {
            continue;
        }
        ControlledLinkGroup group;
        std::string groups;
        if (child->GetAttrib("Groups", groups)) {
            // Malformed lists keep what was read.
            (void)XML::StringToIntVector(groups.c_str(), group.groups, ",");
        }
        std::string enabled;
        if (child->GetAttrib("EnabledValue", enabled)) {
            group.enabledValue = KUAtof(enabled.c_str());
        }
        child->GetAttrib("LinkFunction", group.linkFunctionName);
        m_controlledLinkGroups.push_back(std::move(group));
    }
}

void sCONTROL_PARAMXML::HandleToggleMapWriteToParam() {
    if (m_statePoints.empty()) {
        for (std::size_t i = 0; i < m_realWorldPoints.size(); ++i) {
            m_statePoints.push_back(static_cast<double>(i));
        }
    }
    const std::size_t n = std::min(m_statePoints.size(), m_realWorldPoints.size());
    m_statePoints.resize(n);
    m_realWorldPoints.resize(n);
}

void sCONTROL_PARAMXML::WriteDataToMembers(sCONTROL_PARAM& param) {
    if (const DisplayFn* display = Find(m_maps.display, m_displayName); display != nullptr) {
        param.SetDisplayFunc(*display);
    }
    if (m_displayName == "DisplayTheSame") {
        m_flags.Set(eParamFlagKeepValueString);
    }
    const MouseDeltaFn* mouseDelta = Find(m_maps.mouseDelta, m_mouseDeltaName);
    const sUserScaleFunctions* user = Find(m_maps.scale, m_scaleType);
    if (m_scaleType == "toggleMap") {
        HandleToggleMapWriteToParam();
    }
    param.SetName(m_name.c_str());
    param.SetDisplayFuncName(m_displayName.c_str());
    param.SetLinkGroups(m_linkGroups);
    param.SetControlledLinkGroups(m_controlledLinkGroups);
    param.SetScale(m_minimum, m_maximum, m_resolution, m_numStates, m_var, m_scaleType,
                   user != nullptr ? user->scale : nullptr,
                   user != nullptr ? user->inverse : nullptr, m_statePoints, m_realWorldPoints);
    param.SetScaleDefaults(m_resetValue, m_resetType, m_initialValue, m_initialType);
    param.SetFlags(m_flags);
    param.SetLabelString(m_label.c_str());
    param.SetUnitsString(m_units.c_str());
    param.SetDisplayStrings(m_displayStrings);
    if (m_displayName == "DisplayRealWorldString") {
        param.UseDisplayStrings();
    }
    param.SetMouseAccelerationValue(m_mouseAcceleration);
    if (mouseDelta != nullptr) {
        param.SetMouseDeltaFunc(*mouseDelta);
    }
    if (m_extension != nullptr) {
        param.SetParamExtension(m_extension.release());
    }
    if (m_graph != nullptr) {
        param.SetGraphDataObject(*m_graph);
        m_graph.reset();
    }
}

void sCONTROL_PARAMXML::ReadDataFromMembers(const sCONTROL_PARAM& param) {
    MembersDefaults();
    m_name = param.GetName();
    if (param.IsFlagSet(eParamFlagKeepValueString)) {
        m_displayName = "DisplayTheSame";
    } else {
        m_displayName = param.GetDisplayFuncName();
    }
    if (m_maps.mouseDelta != nullptr && param.GetMouseDeltaFunc() != nullptr) {
        for (const auto& [name, fn] : *m_maps.mouseDelta) {
            if (fn == param.GetMouseDeltaFunc()) {
                m_mouseDeltaName = name;
                break;
            }
        }
    }
    ScaleFn scale = nullptr;
    ScaleFn inverse = nullptr;
    param.GetScale(m_minimum, m_maximum, m_resolution, m_numStates, m_var, m_scaleType, scale,
                   inverse, m_statePoints, m_realWorldPoints);
    // Whole states read back exactly through "RealWorld"; others need the exact form.
    const auto value = [&](double state, double realWorld, double& out, KCFixedStringBase& type) {
        out = realWorld;
        type = state == std::floor(state) ? "RealWorld" : "RealWorldExact";
    };
    value(param.GetInitialState(), param.GetInitialRealWorld(), m_initialValue, m_initialType);
    value(param.GetResetState(), param.GetResetRealWorld(), m_resetValue, m_resetType);
    m_flags = param.GetFlags();
    m_label = param.GetLabelString();
    m_units = param.GetUnitsString();
    m_displayStrings = param.GetDisplayStrings();
    m_linkGroups = param.GetLinkGroups();
    m_controlledLinkGroups = param.GetControlledLinkGroups();
    m_mouseAcceleration = param.GetMouseAccelerationValue();
    const KCGraphDataBase* graph = param.GetGraphDataObject(eSetupA);
    m_graph.reset(graph == nullptr ? nullptr : graph->Clone());
}

void sCONTROL_PARAMXML::WriteToXML(XML::CXMLElement& parent) const {
    CXMLElement* element = parent.AddSubElement("Parameter");
    if (element == nullptr) {
        return;
    }
    element->AddAttrib("Name", m_name.c_str());
    WriteScale(*element);
    WriteFlags(*element);
    if (auto* initial = element->AddSubElement("InitialValue", Number(m_initialValue))) {
        initial->AddAttrib("Type", m_initialType.c_str());
    }
    if (auto* reset = element->AddSubElement("ResetValue", Number(m_resetValue))) {
        reset->AddAttrib("Type", m_resetType.c_str());
    }
    const std::pair<const char*, const KCFixedStringBase*> texts[] = {
        {"Label", &m_label},
        {"Units", &m_units},
        {"DisplayFunction", &m_displayName},
        {"MouseDeltaFunction", &m_mouseDeltaName}};
    for (const auto& [name, text] : texts) {
        if (!text->empty()) {
            element->AddSubElement(name, text->c_str());
        }
    }
    WriteDisplayStrings(*element);
    if (!m_linkGroups.empty()) {
        XML::WriteToXML_Int_Vector(element->AddSubElement("LinkGroups"), m_linkGroups);
    }
    WriteDrawClass(*element);
    WriteControlledLinkGroups(*element);
    if (m_mouseAcceleration != sCONTROL_PARAM::kNoMouseAcceleration) {
        element->AddSubElement("MouseAcceleration", Number(m_mouseAcceleration));
    }
}

void sCONTROL_PARAMXML::WriteScale(CXMLElement& element) const {
    CXMLElement* scale = element.AddSubElement("Scale");
    if (scale == nullptr) {
        return;
    }
    scale->AddSubElement("Minimum", Number(m_minimum));
    scale->AddSubElement("Maximum", Number(m_maximum));
    scale->AddSubElement("Var", Number(m_var));
    scale->AddSubElement("Resolution", Number(m_resolution));
    scale->AddSubElement("NumberOfStates", std::to_string(m_numStates));
    // Table scales name their type in an attribute and carry the tables as children.
    const bool tables = m_scaleType == "linearRanges" ||
                        m_scaleType == "linearRangesWithRounding" || m_scaleType == "toggleMap" ||
                        m_scaleType == "toggleRanges";
    CXMLElement* type = scale->AddSubElement("ScaleType", tables ? "" : m_scaleType.c_str());
    if (type == nullptr || !tables) {
        return;
    }
    type->AddAttrib("Type", m_scaleType.c_str());
    XML::WriteToXML_Float_Vector(type->AddSubElement("RealWorld"), m_realWorldPoints);
    if (m_scaleType != "toggleRanges") {
        XML::WriteToXML_Float_Vector(type->AddSubElement("State"), m_statePoints);
    }
}

void sCONTROL_PARAMXML::WriteFlags(CXMLElement& element) const {
    CXMLElement* flags = element.AddSubElement("Flags");
    if (flags == nullptr) {
        return;
    }
    flags->AddAttrib("ResetAllFlags", "true");
    for (unsigned int bit = 0; bit < TBitVector<unsigned int>::kBits; ++bit) {
        if (const char* keyword = ParamFlagName(bit); keyword != nullptr && m_flags.IsSet(bit)) {
            flags->AddSubElement(keyword);
        }
    }
}

void sCONTROL_PARAMXML::WriteDisplayStrings(CXMLElement& element) const {
    if (m_displayStrings.empty()) {
        return;
    }
    CXMLElement* strings = element.AddSubElement("DisplayStrings");
    for (std::size_t i = 0; strings != nullptr && i < m_displayStrings.size(); ++i) {
        if (auto* entry = strings->AddSubElement("RealWorld")) {
            entry->AddAttrib("Value", static_cast<int>(i));
            entry->AddAttrib("String", m_displayStrings[i].c_str());
        }
    }
}

void sCONTROL_PARAMXML::WriteDrawClass(CXMLElement& element) const {
    if (m_graph == nullptr || *m_graph->GetDrawClassType() == '\0') {
        return;
    }
    // The class's own key last, over whatever type the object carries.
    CXMLElement* drawClass = m_graph->WriteToXML(element.AddSubElement("DrawClass"));
    if (drawClass == nullptr) {
        return;
    }
    drawClass->SetAttrib("Type", m_graph->GetDrawClassType());
    if (*m_graph->GetDrawClassDataType() != '\0') {
        drawClass->SetAttrib("DataType", m_graph->GetDrawClassDataType());
    }
}

void sCONTROL_PARAMXML::WriteControlledLinkGroups(CXMLElement& element) const {
    if (m_controlledLinkGroups.empty()) {
        return;
    }
    CXMLElement* controls = element.AddSubElement("LinkGroupsThisParamControls");
    if (controls == nullptr) {
        return;
    }
    for (const auto& group : m_controlledLinkGroups) {
        CXMLElement* entry = controls->AddSubElement("ControlledGroup");
        if (entry == nullptr) {
            return;
        }
        std::string groups;
        for (const int g : group.groups) {
            groups += (groups.empty() ? "" : ",") + std::to_string(g);
        }
        entry->AddAttrib("Groups", groups.c_str());
        entry->AddAttrib("EnabledValue", Number(group.enabledValue).c_str());
        entry->AddAttrib("LinkFunction", group.linkFunctionName.c_str());
    }
}

}  // namespace kvKorvaneV10_0_3
