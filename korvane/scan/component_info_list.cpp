// The component list and its XML form.
#include "korvane/scan/component_info_list.h"

#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cstring>

namespace kvKorvaneV10_0_3 {

void KCKorvaneComponentInfoList::Add(const KCKorvaneComponentInfoList& other) {
    m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
}

KorvaneComponentInfo* KCKorvaneComponentInfoList::GetKorvaneComponentInfo(int index) {
    return index >= 0 && index < GetNumComponents() ? &m_items[static_cast<std::size_t>(index)]
                                                    : nullptr;
}

const KorvaneComponentInfo* KCKorvaneComponentInfoList::GetKorvaneComponentInfo(int index) const {
    return index >= 0 && index < GetNumComponents() ? &m_items[static_cast<std::size_t>(index)]
                                                    : nullptr;
}

bool KCKorvaneComponentInfoList::GetKorvaneComponentInfo(KCFourCC type, KCFourCC subType,
                                                         KorvaneComponentInfo& out) const {
    for (const auto& info : m_items) {
        if (info.componentType == type && info.componentSubType == subType) {
            out = info;
            return true;
        }
    }
    return false;
}

int KCKorvaneComponentInfoList::GetKorvaneComponentIndex(KCFourCC type) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].componentType == type) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int KCKorvaneComponentInfoList::GetKorvaneComponentIndexByID(const KCPluginUniqueID& id) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (id.Matches(m_items[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int KCKorvaneComponentInfoList::FilterOut(KCFourCC type) {
    return static_cast<int>(std::erase_if(
        m_items, [type](const KorvaneComponentInfo& i) { return i.componentType == type; }));
}

bool KCKorvaneComponentInfoList::RemoveKorvaneComponentInfo(int index) {
    if (index < 0 || index >= GetNumComponents()) {
        return false;
    }
    m_items.erase(m_items.begin() + index);
    return true;
}

int KCKorvaneComponentInfoList::RemoveSubComponentInfo(KCFourCC subType) {
    return static_cast<int>(std::erase_if(m_items, [subType](const KorvaneComponentInfo& i) {
        return i.componentSubType == subType;
    }));
}

void KCKorvaneComponentInfoList::Sort() {
    std::stable_sort(m_items.begin(), m_items.end(),
                     KorvaneComponentInfo::SortByNameAndSubCompPredicate);
}

void KCKorvaneComponentInfoList::AddMonoStereoToNames() {
    for (auto& info : m_items) {
        AddMonoStereoToPluginName(info.shortName, info.numInputs, info.numOutputs);
    }
}

void KCKorvaneComponentInfoList::AdjustToNetShell(KCFourCC type, int instanceType,
                                                  const char* suffix, KCFourCC netType) {
    for (auto& info : m_items) {
        if (info.componentType != type) {
            continue;
        }
        info.componentType = netType == KCFourCC() ? KCFourCC("????") : netType;
        info.instanceType = static_cast<ePluginInstanceType>(instanceType);
        if (suffix != nullptr && suffix[0] != '\0') {
            info.shortName << suffix;
        }
    }
}

void KCKorvaneComponentInfoList::ReadFromXML(XML::CXMLElement* element) {
    m_items.clear();
    if (element == nullptr) {
        return;
    }
    for (XML::CXMLElement* child : element->GetSubElements()) {
        if (std::strcmp(child->GetName().c_str(), "KorvaneComponentInfo") == 0) {
            KorvaneComponentInfo info;
            info.ReadFromXML(child);
            m_items.push_back(std::move(info));
        }
    }
}

XML::CXMLElement* KCKorvaneComponentInfoList::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    for (const auto& info : m_items) {
        info.WriteToXML(element->AddSubElement("KorvaneComponentInfo"));
    }
    return element;
}

}  // namespace kvKorvaneV10_0_3
