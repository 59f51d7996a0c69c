// cALGORITHM's description: the "cALGORITHM" element and the parameter list.
#include "korvane/algorithm/algorithm.h"

#include "korvane/core/four_cc.h"
#include "korvane/scan/component_xml_resource.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <cstring>

namespace kvKorvaneV10_0_3 {
namespace {

using XML::CXMLElement;

constexpr const char* kPropertyElements[] = {"NeedProcessThreadSafe",
                                             "IsTempoListener",
                                             "IsMidiListener",
                                             "IsMidiRealtime",
                                             "IsMidiBroadcaster",
                                             "IsTrackInfoListener",
                                             "IsBeatInfoListener",
                                             "UsesProcessFunctionInAlg",
                                             "UsesVecLibSetup",
                                             "CanProcessVarIO",
                                             "IsStickyTouch",
                                             "DoesntExportFactoryPresets",
                                             "HasGlobalDataInPresets",
                                             "DontSuspendProcess",
                                             nullptr,
                                             nullptr,
                                             "IsDragAndDropEnabled",
                                             "IsNKSSupport",
                                             "UsesPluginCommunication",
                                             "IsSampleBased"};
constexpr unsigned int kPropertyBits = sizeof kPropertyElements / sizeof kPropertyElements[0];

// "ParamArraySize" when it is at least 1, else 1.
int ArraySize(const CXMLElement& parameter) {
    int size = 0;
    return parameter.GetAttrib("ParamArraySize", size) && size >= 1 ? size : 1;
}

// Arrays larger than this are refused: a description from outside must not allocate without end.
constexpr int kMaxParamArraySize = 4096;

// The component's description of `type`; an error without a container or resource.
[[nodiscard]] KTErr FetchDescription(KTResContainerType* container, const char* type, short id,
                                     const KorvaneComponentInfo& info, CXMLElement& root) {
    if (container == nullptr) {
        return eRMContainerNotFound;
    }
    return RM::GetAndFilterXMLResourceByComponentInfo(container, RM::KCResType(type), id, info,
                                                      root);
}

}  // namespace

const char* AlgPropertyElementName(unsigned int bit) {
    return bit < kPropertyBits ? kPropertyElements[bit] : nullptr;
}

int cALGORITHM::ReadAlgXML() {
    CXMLElement root;
    const KTErr err =
        FetchDescription(m_resources, "AlgXML", DescriptionResourceID(), m_info, root);
    if (err != eNoErr) {
        return err;
    }
    ReadFromXML(root);
    return eNoErr;
}

int cALGORITHM::BuildParameterList() {
    CXMLElement root;
    const KTErr err =
        FetchDescription(m_resources, "ParamXML", DescriptionResourceID(), m_info, root);
    if (err != eNoErr) {
        return err;
    }
    ReadParametersXML(root);
    return eNoErr;
}

void cALGORITHM::ReadFromXML(const XML::CXMLElement& root) {
    for (const CXMLElement* alg : root.GetSubElements()) {
        if (alg->GetName() != "cALGORITHM") {
            continue;
        }
        for (const CXMLElement* child : alg->GetSubElements()) {
            const CXMLElement& e = *child;
            const KCFixedStringBase& name = e.GetName();
            KCFourCC code;
            if (name == "AlgName") {
                SetAlgName(e.GetText().c_str());
            } else if (name == "AlgNameList") {
                for (const CXMLElement* entry : e.GetSubElements()) {
                    int chars = 0;
                    if (entry->GetName() == "Name" && entry->GetAttrib("NumChars", chars) &&
                        chars > 0) {
                        m_shortNames[static_cast<unsigned int>(chars)] = entry->GetText().c_str();
                    }
                }
            } else if (name == "UserManualName") {
                SetUserManualName(e.GetText().c_str());
            } else if (name == "PresetCompatibleType") {
                if (XML::ReadFromXML_KCFourCC(&e, code) == eNoErr) {
                    AddPresetCompatibleType(code);
                }
            } else if (name == "PresetCompatibleSubComp") {
                if (XML::ReadFromXML_KCFourCC(&e, code) == eNoErr) {
                    AddPresetCompatibleSubComp(code);
                }
            } else if (name == "AlgType") {
                if (XML::ReadFromXML_KCFourCC(&e, code) == eNoErr) {
                    SetAlgType(code);
                }
            } else if (name == "UndoLevel") {
                // A malformed number keeps the default.
                (void)XML::ReadFromXML_Int(&e, m_undoLevel);
            } else if (name == "UndoTypePreset") {
                m_undoTypePreset = true;
            } else if (name == "PresetXMLResID") {
                // A malformed number keeps the default.
                (void)XML::ReadFromXML_Int(&e, m_presetXMLResID);
            } else if (name == "OptimalRefreshRate") {
                int rate = 0;
                if (XML::ReadFromXML_Int(&e, rate) == eNoErr && rate != 0) {
                    m_optimalRefreshRate = rate;
                }
            } else if (name == "IsVirtualInstrument") {
                m_virtualInstrument = true;
            } else {
                for (unsigned int bit = 0; bit < kPropertyBits; ++bit) {
                    if (kPropertyElements[bit] != nullptr && name == kPropertyElements[bit]) {
                        SetProperty(static_cast<EAlgPropertyBit>(bit), true);
                    }
                }
            }
        }
    }
    if (m_userManualName.empty()) {
        m_userManualName = m_algName;
    }
}

int cALGORITHM::ReadParametersXML(const XML::CXMLElement& root) {
    const auto isParameter = [](const CXMLElement* e) { return e->GetName() == "Parameter"; };
    std::size_t total = m_params.size();
    for (const CXMLElement* e : root.GetSubElements()) {
        if (isParameter(e)) {
            total += static_cast<std::size_t>(std::min(ArraySize(*e), kMaxParamArraySize));
        }
    }
    m_params.reserve(total);

    const KSParamFunctionMaps maps{&m_displayFunctions, &m_scaleFunctions, &m_mouseDeltaFunctions,
                                   &m_drawClasses, &m_extensionFactories};
    sCONTROL_PARAMXML description(m_resources, maps);
    int added = 0;
    for (const CXMLElement* e : root.GetSubElements()) {
        if (!isParameter(e)) {
            continue;
        }
        int declared = 0;
        const bool array = e->GetAttrib("ParamArraySize", declared) && declared > 0;
        if (declared > kMaxParamArraySize) {
            continue;
        }
        const int count = array ? declared : 1;
        KCFixedString<127> parentName;
        const CXMLElement* parent = nullptr;
        if (e->GetAttrib("Parent", parentName)) {
            for (const CXMLElement* candidate : root.GetSubElements()) {
                KCFixedString<127> name;
                if (candidate != e && candidate->GetAttrib("Name", name) && name == parentName) {
                    parent = candidate;
                    break;
                }
            }
        }
        for (int k = 0; k < count; ++k) {
            description.MembersDefaults();
            if (parent != nullptr) {
                description.ReadFromXML(*parent);
            }
            description.ReadFromXML(*e);
            if (array) {
                KCFixedString<127> name(description.GetName());
                if (k == 0) {
                    m_paramArrays[name] = {static_cast<unsigned int>(m_params.size()),
                                           static_cast<unsigned int>(count)};
                }
                name << '_' << k;
                description.SetName(name.c_str());
            }
            m_params.emplace_back();
            description.WriteDataToMembers(m_params.back());
            ++added;
        }
    }
    return added;
}

void cALGORITHM::WriteToXML(XML::CXMLElement& parent) const {
    CXMLElement* alg = parent.AddSubElement("cALGORITHM");
    if (alg == nullptr) {
        return;
    }
    alg->AddSubElement("AlgName", m_algName.c_str());
    if (!m_shortNames.empty()) {
        auto* list = alg->AddSubElement("AlgNameList");
        for (const auto& [chars, name] : m_shortNames) {
            if (auto* entry =
                    list != nullptr ? list->AddSubElement("Name", name.c_str()) : nullptr) {
                entry->AddAttrib("NumChars", static_cast<int>(chars));
            }
        }
    }
    alg->AddSubElement("UserManualName", m_userManualName.c_str());
    alg->AddSubElement("AlgType", FormatFourCC(m_info.componentType));
    for (const KCFourCC type : m_presetTypes) {
        alg->AddSubElement("PresetCompatibleType", FormatFourCC(type));
    }
    for (const KCFourCC type : m_presetSubComps) {
        alg->AddSubElement("PresetCompatibleSubComp", FormatFourCC(type));
    }
    alg->AddSubElement("UndoLevel", std::to_string(m_undoLevel));
    if (m_undoTypePreset) {
        alg->AddSubElement("UndoTypePreset");
    }
    alg->AddSubElement("PresetXMLResID", std::to_string(m_presetXMLResID));
    alg->AddSubElement("OptimalRefreshRate", std::to_string(m_optimalRefreshRate));
    if (m_virtualInstrument) {
        alg->AddSubElement("IsVirtualInstrument");
    }
    for (unsigned int bit = 0; bit < kPropertyBits; ++bit) {
        if (kPropertyElements[bit] != nullptr && HasProperty(static_cast<EAlgPropertyBit>(bit))) {
            alg->AddSubElement(kPropertyElements[bit]);
        }
    }
}

void cALGORITHM::WriteParametersXML(XML::CXMLElement& parent) const {
    const KSParamFunctionMaps maps{&m_displayFunctions, &m_scaleFunctions, &m_mouseDeltaFunctions,
                                   &m_drawClasses, &m_extensionFactories};
    sCONTROL_PARAMXML description(m_resources, maps);
    for (const auto& param : m_params) {
        description.ReadDataFromMembers(param);
        description.WriteToXML(parent);
    }
}

bool cALGORITHM::GetParamArray(const char* name, unsigned int& first, unsigned int& size) const {
    const auto it = m_paramArrays.find(KCFixedString<127>(name));
    if (it == m_paramArrays.end()) {
        return false;
    }
    first = it->second.first;
    size = it->second.second;
    return true;
}

void cALGORITHM::AddPresetCompatibleType(KCFourCC type) {
    if (std::find(m_presetTypes.begin(), m_presetTypes.end(), type) == m_presetTypes.end()) {
        m_presetTypes.push_back(type);
    }
}

void cALGORITHM::AddPresetCompatibleSubComp(KCFourCC type) {
    if (std::find(m_presetSubComps.begin(), m_presetSubComps.end(), type) ==
        m_presetSubComps.end()) {
        m_presetSubComps.push_back(type);
    }
}

void cALGORITHM::SetAlgType(KCFourCC type) {
    m_info.componentType = type;
    AddPresetCompatibleType(type);
}

}  // namespace kvKorvaneV10_0_3
