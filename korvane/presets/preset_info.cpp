// One preset: header, setup records, comparisons and the plug-in-specific data operations.
#include "korvane/presets/preset_info.h"

#include <algorithm>
#include <cstring>

namespace kvKorvaneV10_0_3::Preset {

CPresetInfo::CPresetInfo() {
    MembersDefaults();
}

CPresetInfo::CPresetInfo(const CPresetInfo& other) {
    CopyHeader(other);
    CopyPresetData(other.m_data);
}

CPresetInfo& CPresetInfo::operator=(const CPresetInfo& other) {
    if (this != &other) {
        CopyHeader(other);
        CopyPresetData(other.m_data);
    }
    return *this;
}

CPresetInfo::~CPresetInfo() {
    ClearPresetData();
}

void CPresetInfo::CopyHeader(const CPresetInfo& other) {
    m_name = other.m_name;
    m_presetVersion = other.m_presetVersion;
    m_group = other.m_group;
    m_pluginName = other.m_pluginName;
    m_pluginSubComp = other.m_pluginSubComp;
    m_pluginVersion = other.m_pluginVersion;
    m_infoString = other.m_infoString;
    m_activeSetup = other.m_activeSetup;
    m_shellMessage = other.m_shellMessage;
    m_genericType = other.m_genericType;
    m_genericTypeList = other.m_genericTypeList;
    m_subCompList = other.m_subCompList;
    m_resourceType = other.m_resourceType;
    m_index = other.m_index;
    m_resourceID = other.m_resourceID;
    m_flags = other.m_flags;
    m_sideChain = other.m_sideChain;
    m_menuItemType = other.m_menuItemType;
    m_file = other.m_file;
}

void CPresetInfo::MembersDefaults() {
    m_name.clear();
    m_presetVersion.clear();
    m_group.clear();
    m_pluginName.clear();
    m_pluginSubComp.clear();
    m_pluginVersion.clear();
    m_infoString.clear();
    m_activeSetup.clear();
    m_shellMessage.clear();
    m_genericType = kNoGenericType;
    m_genericTypeList.clear();
    m_subCompList.clear();
    m_resourceType = "Presets";
    m_index = kNoIndex;
    m_resourceID = -1;
    m_flags = ePresetFlagNone;
    m_sideChain = kSideChainUnset;
    m_menuItemType = eMenuItemNone;
    m_file = CPresetsFileInfo();
    ClearPresetData();
}

void CPresetInfo::TakeOver(CPresetInfo& other) {
    if (this == &other) {
        return;
    }
    CopyHeader(other);
    ClearPresetData();
    m_data.swap(other.m_data);
}

void CPresetInfo::ClearPresetData() {
    for (auto* record : m_data) {
        delete record;
    }
    m_data.clear();
}

void CPresetInfo::CopyPresetData(const std::vector<sPresetData*>& data) {
    std::vector<sPresetData*> copies;
    copies.reserve(data.size());
    try {
        for (const auto* record : data) {
            copies.push_back(new sPresetData(*record));
        }
    } catch (...) {
        for (auto* record : copies) {
            delete record;
        }
        throw;
    }
    ClearPresetData();
    m_data.swap(copies);
}

void CPresetInfo::SetFlag(EPresetInfoFlags flag, bool on) {
    m_flags = on ? (m_flags | flag) : (m_flags & ~static_cast<unsigned int>(flag));
}

sPresetData* CPresetInfo::GetSetupPresetData(EPluginSetup setup) const {
    for (auto* record : m_data) {
        if (record->Setup() == setup) {
            return record;
        }
    }
    return nullptr;
}

sPresetData& CPresetInfo::GetOrAddSetupPresetData(EPluginSetup setup) {
    if (auto* record = GetSetupPresetData(setup); record != nullptr) {
        return *record;
    }
    m_data.push_back(new sPresetData(setup));
    return *m_data.back();
}

void CPresetInfo::SetAllLoadFlags(bool load) {
    for (auto* record : m_data) {
        record->SetLoadParams(load);
    }
}

bool CPresetInfo::IsSamePreset(const CPresetInfo& a, const CPresetInfo& b, bool withData) {
    if (a.m_name != b.m_name || a.m_group != b.m_group || a.m_pluginName != b.m_pluginName ||
        a.m_pluginSubComp != b.m_pluginSubComp || a.m_pluginVersion != b.m_pluginVersion ||
        a.m_infoString != b.m_infoString || a.m_activeSetup != b.m_activeSetup ||
        a.m_shellMessage != b.m_shellMessage || !(a.m_genericType == b.m_genericType) ||
        a.m_genericTypeList != b.m_genericTypeList || a.m_subCompList != b.m_subCompList ||
        a.m_sideChain != b.m_sideChain || a.IsReadOnly() != b.IsReadOnly()) {
        return false;
    }
    if (!withData) {
        return true;
    }
    if (a.m_data.size() != b.m_data.size()) {
        return false;
    }
    for (const auto* record : a.m_data) {
        const auto* other = b.GetSetupPresetData(record->Setup());
        if (other == nullptr || !sPresetData::IsSameData(*record, *other)) {
            return false;
        }
    }
    return true;
}

bool CPresetInfo::IsSamePresetName(const CPresetInfo& a, const CPresetInfo& b) {
    return a.m_name == b.m_name;
}

bool CPresetInfo::IsSameSpecificPreset(const CPresetInfo& a, const CPresetInfo& b) {
    return a.m_name == b.m_name && a.m_file == b.m_file;
}

bool CPresetInfo::CompareIDs(const CPresetInfo& a, const CPresetInfo& b) {
    return a.m_resourceID < b.m_resourceID;
}

bool CPresetInfo::CompareIDsPtr(const CPresetInfo* a, const CPresetInfo* b) {
    return a != nullptr && b != nullptr && CompareIDs(*a, *b);
}

// ------------------------------------------------------------------ plug-in-specific data

int CPresetInfo::AddPluginSpecifcData(EPluginSetup setup, const unsigned char* data,
                                      unsigned int size, const KCFixedStringBase& tagName,
                                      int tagID, EPluginSpecificDataTypes type,
                                      const char* menuItemString, unsigned int flags) {
    if (data == nullptr && size != 0) {
        return eMemNullPointer;
    }
    if (FindPluginSpecific_Tag(setup, tagName) != nullptr ||
        FindPluginSpecific_Tag(setup, tagID) != nullptr) {
        return eDuplicatePluginSpecificTag;
    }
    auto record = std::make_unique<sPluginSpecific>();
    record->tagName = tagName;
    record->tagID = tagID;
    record->dataType = type;
    record->flags = flags;
    if (menuItemString != nullptr) {
        record->menuItemString = menuItemString;
    }
    if (size != 0) {
        const KTErr err = record->data.Assign(reinterpret_cast<const char*>(data), size);
        if (err != eNoErr) {
            return err;
        }
    }
    auto& list = GetOrAddSetupPresetData(setup).pluginSpecific;
    list.reserve(list.size() + 1);
    list.push_back(record.release());
    return eNoErr;
}

int CPresetInfo::AddPluginSpecifcXML(EPluginSetup setup, const XML::CXMLElement& xml,
                                     const KCFixedStringBase& tagName, int tagID) {
    std::unique_ptr<XML::CXMLElement> copy;
    try {
        copy = std::make_unique<XML::CXMLElement>(xml);
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
    const int err =
        AddPluginSpecifcData(setup, nullptr, 0, tagName, tagID, ePluginSpecificXMLObject);
    if (err == eNoErr) {
        // The record just added: a search by name misses an empty or cut tag name.
        GetOrAddSetupPresetData(setup).pluginSpecific.back()->xml = std::move(copy);
    }
    return err;
}

int CPresetInfo::AddPluginSpecifcDescriptor_Index(EPluginSetup setup, unsigned int index,
                                                  const char* name, const char* value) {
    auto* record = FindPluginSpecific_Index(setup, index);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    record->descriptors.emplace_back(name, value);
    return eNoErr;
}

int CPresetInfo::AddPluginSpecifcDescriptor_Tag(EPluginSetup setup,
                                                const KCFixedStringBase& tagName, const char* name,
                                                const char* value) {
    auto* record = FindPluginSpecific_Tag(setup, tagName);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    record->descriptors.emplace_back(name, value);
    return eNoErr;
}

int CPresetInfo::AddPluginSpecifcFlag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                      EPluginSpecificFlags flag) {
    auto* record = FindPluginSpecific_Tag(setup, tagName);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    record->flags |= flag;
    return eNoErr;
}

sPluginSpecific* CPresetInfo::FindPluginSpecific_Index(EPluginSetup setup,
                                                       unsigned int index) const {
    const auto* record = GetSetupPresetData(setup);
    return record != nullptr && index < record->pluginSpecific.size()
               ? record->pluginSpecific[index]
               : nullptr;
}

sPluginSpecific* CPresetInfo::FindPluginSpecific_Tag(EPluginSetup setup,
                                                     const KCFixedStringBase& tagName) const {
    const auto* record = GetSetupPresetData(setup);
    if (record == nullptr || tagName.empty()) {
        return nullptr;
    }
    const auto it = std::find_if(record->pluginSpecific.begin(), record->pluginSpecific.end(),
                                 [&](const sPluginSpecific* p) { return p->tagName == tagName; });
    return it == record->pluginSpecific.end() ? nullptr : *it;
}

sPluginSpecific* CPresetInfo::FindPluginSpecific_Tag(EPluginSetup setup, int tagID) const {
    const auto* record = GetSetupPresetData(setup);
    if (record == nullptr) {
        return nullptr;
    }
    const auto it = std::find_if(record->pluginSpecific.begin(), record->pluginSpecific.end(),
                                 [&](const sPluginSpecific* p) { return p->tagID == tagID; });
    return it == record->pluginSpecific.end() ? nullptr : *it;
}

unsigned int CPresetInfo::GetNumPluginSpecificData(EPluginSetup setup) const {
    const auto* record = GetSetupPresetData(setup);
    return record == nullptr ? 0U : static_cast<unsigned int>(record->pluginSpecific.size());
}

namespace {

int ToText(const sPluginSpecific* record, KCFixedStringBase& out) {
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    const auto* bytes = static_cast<const char*>(record->data.ptr);
    out.assign(bytes == nullptr ? "" : bytes, record->data.Empty() ? 0U : record->data.size);
    return eNoErr;
}

int ToMemObj(const sPluginSpecific* record, Utils::KCStMemObj& out) {
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    out = record->data;
    return eNoErr;
}

int ToXML(const sPluginSpecific* record, XML::CXMLElement*& out) {
    out = nullptr;
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    out = record->xml.get();
    return eNoErr;
}

int Descriptor(const sPluginSpecific* record, const char* name, KCFixedStringBase& value) {
    if (record == nullptr || name == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    for (const auto& d : record->descriptors) {
        if (d.first == name) {
            value = d.second;
            return eNoErr;
        }
    }
    return ePluginSpecifcNotExisting;
}

}  // namespace

int CPresetInfo::CopyBytes(const sPluginSpecific* record, void* buffer, unsigned int& size,
                           EEndianityCorrection correction) {
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    const unsigned int needed = record->data.Empty() ? 0U : record->data.size;
    if (buffer == nullptr || size < needed) {
        size = needed;
        return eBuffSizeToSmall;
    }
    if (needed != 0) {
        std::memcpy(buffer, record->data.ptr, needed);
    }
    const auto width = static_cast<unsigned int>(correction);
    if (width > 1) {
        auto* bytes = static_cast<unsigned char*>(buffer);
        for (unsigned int at = 0; at + width <= needed; at += width) {
            std::reverse(bytes + at, bytes + at + width);
        }
    }
    size = needed;
    return eNoErr;
}

int CPresetInfo::GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index,
                                             KCFixedStringBase& out) const {
    return ToText(FindPluginSpecific_Index(setup, index), out);
}

int CPresetInfo::GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index,
                                             Utils::KCStMemObj& out) const {
    return ToMemObj(FindPluginSpecific_Index(setup, index), out);
}

int CPresetInfo::GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index,
                                             XML::CXMLElement*& out) const {
    return ToXML(FindPluginSpecific_Index(setup, index), out);
}

int CPresetInfo::GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index, void* buffer,
                                             unsigned int& size,
                                             EEndianityCorrection correction) const {
    return CopyBytes(FindPluginSpecific_Index(setup, index), buffer, size, correction);
}

int CPresetInfo::GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                           KCFixedStringBase& out) const {
    return ToText(FindPluginSpecific_Tag(setup, tagName), out);
}

int CPresetInfo::GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                           Utils::KCStMemObj& out) const {
    return ToMemObj(FindPluginSpecific_Tag(setup, tagName), out);
}

int CPresetInfo::GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                           XML::CXMLElement*& out) const {
    return ToXML(FindPluginSpecific_Tag(setup, tagName), out);
}

int CPresetInfo::GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                           void* buffer, unsigned int& size,
                                           EEndianityCorrection correction) const {
    return CopyBytes(FindPluginSpecific_Tag(setup, tagName), buffer, size, correction);
}

int CPresetInfo::GetPluginSpecificDescriptor_Index(EPluginSetup setup, unsigned int index,
                                                   const char* name,
                                                   KCFixedStringBase& value) const {
    return Descriptor(FindPluginSpecific_Index(setup, index), name, value);
}

int CPresetInfo::GetPluginSpecificDescriptor_Tag(EPluginSetup setup,
                                                 const KCFixedStringBase& tagName, const char* name,
                                                 KCFixedStringBase& value) const {
    return Descriptor(FindPluginSpecific_Tag(setup, tagName), name, value);
}

int CPresetInfo::GetPluginSpecificName_Index(EPluginSetup setup, unsigned int index,
                                             KCFixedStringBase& name) const {
    const auto* record = FindPluginSpecific_Index(setup, index);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    name = record->tagName;
    return eNoErr;
}

int CPresetInfo::GetPluginSpecificName_Tag(EPluginSetup setup, int tagID,
                                           KCFixedStringBase& name) const {
    const auto* record = FindPluginSpecific_Tag(setup, tagID);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    name = record->tagName;
    return eNoErr;
}

int CPresetInfo::GetPluginSpecificMenuItemString_Index(EPluginSetup setup, unsigned int index,
                                                       KCFixedStringBase& text) const {
    const auto* record = FindPluginSpecific_Index(setup, index);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    text = record->menuItemString;
    return eNoErr;
}

int CPresetInfo::SetPluginSpecificMenuItemString_Index(EPluginSetup setup, unsigned int index,
                                                       const char* text) {
    auto* record = FindPluginSpecific_Index(setup, index);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    record->menuItemString = text;
    return eNoErr;
}

int CPresetInfo::RemovePluginSpecificData(EPluginSetup setup, const KCFixedStringBase& tagName) {
    auto* record = GetSetupPresetData(setup);
    if (record == nullptr) {
        return eDeletePluginSpecifcFailed;
    }
    auto& list = record->pluginSpecific;
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const sPluginSpecific* p) { return p->tagName == tagName; });
    if (it == list.end()) {
        return eDeletePluginSpecifcFailed;
    }
    delete *it;
    list.erase(it);
    return eNoErr;
}

void ClearPresetInfoPtrVec(std::vector<CPresetInfo*>& presets) {
    for (auto* preset : presets) {
        delete preset;
    }
    presets.clear();
}

}  // namespace kvKorvaneV10_0_3::Preset
