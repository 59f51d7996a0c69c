// The process code descriptions of a component: selecting them from the descriptions document,
// and answering the processor questions over them.
#include "korvane/scan/process_code_manager.h"

#include "korvane/core/four_cc.h"
#include "korvane/scan/component_xml_resource.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <limits>
#include <set>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

using ProcessMemory::WeakerProcessor;
using XML::CXMLElement;

// `name` as `root` itself or one of its children.
const CXMLElement* FindTop(const CXMLElement& root, const char* name) {
    if (root.GetName() == name) {
        return &root;
    }
    return root.SubElement(name);
}

// The four-character code in the text of `e`.
[[nodiscard]] KTErr ReadCode(const CXMLElement& e, KCFourCC& code) {
    return XML::ReadFromXML_KCFourCC(&e, code);
}

// The list's "ResBase" attribute, a signed decimal that must fit 16 bits; 0 without one.
[[nodiscard]] KTErr ReadResBase(const CXMLElement& list, std::int16_t& base) {
    std::string text;
    base = 0;
    if (!list.GetAttrib("ResBase", text)) {
        return eNoErr;
    }
    return XML::str_to_int(text.c_str(), base);
}

// The IDs the sub-components matching `subType` name, or an error.
[[nodiscard]] KTErr MatchedIDs(const CXMLElement& subComponents, KCFourCC subType,
                               std::set<std::string>& ids) {
    bool matched = false;
    for (const CXMLElement* sub : subComponents.GetSubElements()) {
        if (sub->GetName() != "SubComponent") {
            continue;
        }
        const CXMLElement* type = sub->SubElement("SubComponentType");
        if (type == nullptr) {
            return eXMLElementMissing;
        }
        KCFourCC code;
        if (const KTErr err = ReadCode(*type, code); err != eNoErr) {
            return err;
        }
        if (code != subType) {
            continue;
        }
        matched = true;
        const CXMLElement* matches = sub->SubElement("ProcessCodeMatchList");
        if (matches == nullptr) {
            continue;
        }
        for (const CXMLElement* match : matches->GetSubElements()) {
            if (match->GetName() != "ProcessCodeMatch") {
                continue;
            }
            for (const CXMLElement* id : match->GetSubElements()) {
                if (id->GetName() == "ProcessCodeDescriptionID") {
                    ids.insert(id->GetText());
                }
            }
            std::string final;
            if (match->GetAttrib("final", final) && final == "yes") {
                break;  // this sub-component's search ends here
            }
        }
    }
    return matched ? eNoErr : ePluginSubComponentNotFound;
}

}  // namespace

KTErr CProcessCodeManager::ReadProcCodeDescForComponent(const KorvaneComponentInfo& info,
                                                        RM::KCResContainerUser& user, short id) {
    return ReadProcCodeDescForComponent(info, user.GetResContainer(), id);
}

KTErr CProcessCodeManager::ReadProcCodeDescForComponent(const KorvaneComponentInfo& info,
                                                        KTResContainerType* container, short id) {
    if (container == nullptr) {
        return eRMContainerNotFound;
    }
    CXMLElement root;
    if (const KTErr err = RM::GetAndFilterXMLResourceByComponentInfo(
            container, RM::KCResType("ProcessXML"), id, info, root);
        err != eNoErr) {
        return err;
    }
    const KorvaneComponentInfo previous = m_info;
    m_info = info;
    const KTErr err = ReadProcCodeDescForComponentFromXMLTrees(root);
    if (err != eNoErr) {
        m_info = previous;
    }
    return err;
}

KTErr CProcessCodeManager::ReadProcCodeDescForComponentFromXMLTrees(const CXMLElement& root) {
    if (const CXMLElement* thng = FindTop(root, "thng"); thng != nullptr) {
        KCFourCC type;
        if (const KTErr err = ReadCode(*thng, type); err != eNoErr) {
            return err;
        }
        if (type != m_info.componentType) {
            return eComponentTypeNotSupported;
        }
    }
    const CXMLElement* list = FindTop(root, "ProcessCodeDescriptionList");
    if (list == nullptr) {
        return eXMLElementMissing;
    }
    std::int16_t base = 0;
    if (const KTErr err = ReadResBase(*list, base); err != eNoErr) {
        return err;
    }

    // Every description's ID, once each.
    std::vector<std::pair<std::string, const CXMLElement*>> all;
    std::set<std::string> known;
    for (const CXMLElement* desc : list->GetSubElements()) {
        if (desc->GetName() != "ProcessCodeDescription") {
            continue;
        }
        std::string id;
        if (!desc->GetAttrib("ID", id)) {
            return eXMLAttribMissing;
        }
        if (!known.insert(id).second) {
            return eXMLTreeNotValid;
        }
        all.emplace_back(id, desc);
    }

    // Without sub-components every description applies; with them, those their matches name.
    std::set<std::string> selected = known;
    if (const CXMLElement* subs = FindTop(root, "SubComponentList"); subs != nullptr) {
        selected.clear();
        if (const KTErr err = MatchedIDs(*subs, m_info.componentSubType, selected); err != eNoErr) {
            return err;
        }
        for (const std::string& id : selected) {
            if (known.count(id) == 0) {
                return eXMLTreeNotValid;
            }
        }
    }

    std::vector<CProcCodeDesc> read;
    for (const auto& [id, element] : all) {
        if (selected.count(id) == 0) {
            continue;
        }
        CProcCodeDesc desc;
        if (const KTErr err = desc.Read(*element, base); err != eNoErr) {
            return err;
        }
        read.push_back(std::move(desc));
    }
    m_descs = std::move(read);
    m_resBase = base;
    return eNoErr;
}

KTErr CProcessCodeManager::Read(const CXMLElement& element) {
    std::vector<CProcCodeDesc> read;
    for (const CXMLElement* child : element.GetSubElements()) {
        if (child->GetName() != "ProcessCodeDescription") {
            continue;
        }
        int base = 0;
        std::string text;
        if (child->GetAttrib("resBase", text)) {
            if (const KTErr err = XML::str_to_int(text.c_str(), base); err != eNoErr) {
                return err;
            }
        }
        CProcCodeDesc desc;
        if (const KTErr err = desc.Read(*child, base); err != eNoErr) {
            return err;
        }
        read.push_back(std::move(desc));
    }
    m_descs = std::move(read);
    return eNoErr;
}

void CProcessCodeManager::ReadFromXML(CXMLElement* element) {
    if (element != nullptr) {
        (void)Read(*element);  // the KCXMLable form has no result; a bad element reads nothing
    }
}

CXMLElement* CProcessCodeManager::WriteToXML(CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    for (const CProcCodeDesc& desc : m_descs) {
        CXMLElement* child = element->AddSubElement("ProcessCodeDescription");
        child->AddAttrib("resBase", static_cast<int>(m_resBase));
        desc.Write(*child, m_resBase);
    }
    return element;
}

bool CProcessCodeManager::CanRunOnSpecificProcessor(const SProcessorSpec& wanted,
                                                    SProcessorSpec& used) const {
    bool any = false;
    for (const CProcCodeDesc& desc : m_descs) {
        SProcessorSpec runsOn;
        int cycles = -1;
        if (!desc.CyclesForSpecificProcessor(wanted, runsOn, cycles)) {
            continue;
        }
        any = true;
        used = runsOn;
        if (used == wanted) {
            break;
        }
    }
    return any;
}

bool CProcessCodeManager::FindWeakestProcessor(SProcessorSpec& out) const {
    bool seeded = false;
    SProcessorSpec accumulator;
    for (const CProcCodeDesc& desc : m_descs) {
        SProcessorSpec candidate;
        if (!desc.FindWeakestProcessor(candidate)) {
            continue;
        }
        // The first candidate, and one of another family than the fold so far, seed it.
        if (!seeded || !WeakerProcessor(accumulator, candidate, accumulator)) {
            accumulator = candidate;
            seeded = true;
        }
    }
    if (seeded) {
        out = accumulator;
    }
    return seeded;
}

bool CProcessCodeManager::GetDSPReqResForSpecificProcessor(const SProcessorSpec& wanted,
                                                           SDSPReqRes& req) const {
    const CProcCodeDesc* desc = DescForSpecificProcessor(wanted);
    return desc != nullptr && desc->DSPReqResForSpecificProcessor(wanted, req);
}

const ProcessMemory::CProcCodeDesc* CProcessCodeManager::DescForSpecificProcessor(
    const SProcessorSpec& wanted) const {
    for (const CProcCodeDesc& desc : m_descs) {
        SProcessorSpec used;
        int cycles = -1;
        if (desc.CyclesForSpecificProcessor(wanted, used, cycles)) {
            return &desc;
        }
    }
    return nullptr;
}

void CProcessCodeManager::GetExternalMemoryName(unsigned int index, KCFixedStringBase& out) const {
    if (const auto it = m_extNames.find(index); it != m_extNames.end()) {
        out = it->second;
        return;
    }
    out = "kvExtMem_";
    out.append(FormatFourCC(m_info.componentType).c_str());
    out.append("_");
    out.append(FormatFourCC(m_info.componentSubType).c_str());
    out.append("_");
    out.append_uint(index, 10);
}

void CProcessCodeManager::SetExternalMemoryName(unsigned int index, const char* name) {
    m_extNames[index] = name;
}

void CProcessCodeManager::FixCodeNum(short resID, int size) {
    for (CProcCodeDesc& desc : m_descs) {
        if (desc.ResID_ == resID) {
            desc.InternalP = static_cast<std::uint32_t>(size);
        }
    }
}

void CProcessCodeManager::FixIdleCodeNum(short resID, int size) {
    for (CProcCodeDesc& desc : m_descs) {
        if (desc.IdleResID_ == resID) {
            desc.IdleInternalP = static_cast<std::uint32_t>(size);
        }
    }
}

}  // namespace kvKorvaneV10_0_3
