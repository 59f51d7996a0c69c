// Preset::CPresetInfo: one preset, its header, its setup records and the plug-in-specific data
// operations on them.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/presets/preset_data.h"
#include "korvane/presets/presets_file_info.h"

#include <vector>

namespace kvKorvaneV10_0_3::Preset {

// Copies copy every setup record. [any-thread] on distinct objects; one object is used by one
// thread at a time.
class KORVANE_API CPresetInfo {
public:
    static constexpr unsigned int kNoIndex = 0xFFFFFFFFU;
    static constexpr unsigned char kSideChainUnset = 255;

    CPresetInfo();
    CPresetInfo(const CPresetInfo& other);
    CPresetInfo& operator=(const CPresetInfo& other);
    virtual ~CPresetInfo();

    // Every field back to its default; the setup records are deleted.
    void MembersDefaults();
    // Takes `other`'s setup records (other keeps none) and copies the rest.
    void TakeOver(CPresetInfo& other);
    void ClearPresetData();
    // Replaces the setup records by copies of `data`.
    void CopyPresetData(const std::vector<sPresetData*>& data);

    // --- header
    [[nodiscard]] const KCFixedString<255>& GetPresetName() const { return m_name; }
    void SetPresetName(const KCFixedStringBase& name) { m_name = name; }
    void SetPresetName(const char* name) { m_name = name; }
    [[nodiscard]] const KCFixedString<255>& GetPresetVersion() const { return m_presetVersion; }
    void SetPresetVersion(const char* text) { m_presetVersion = text; }
    [[nodiscard]] const KCFixedString<255>& GetGroupType() const { return m_group; }
    void SetGroupType(const char* text) { m_group = text; }
    [[nodiscard]] const KCFixedString<255>& GetPluginName() const { return m_pluginName; }
    void SetPluginName(const char* text) { m_pluginName = text; }
    [[nodiscard]] const KCFixedString<255>& GetPluginSubComp() const { return m_pluginSubComp; }
    void SetPluginSubComp(const char* text) { m_pluginSubComp = text; }
    [[nodiscard]] const KCFixedString<255>& GetPluginVersion() const { return m_pluginVersion; }
    void SetPluginVersion(const char* text) { m_pluginVersion = text; }
    [[nodiscard]] const KCFixedString<255>& GetInfoString() const { return m_infoString; }
    void SetInfoString(const char* text) { m_infoString = text; }
    [[nodiscard]] const KCFixedString<255>& GetActiveSetup() const { return m_activeSetup; }
    void SetActiveSetup(const char* text) { m_activeSetup = text; }
    [[nodiscard]] const KCFixedString<511>& GetShellMessage() const { return m_shellMessage; }
    void SetShellMessage(const char* text) { m_shellMessage = text; }
    [[nodiscard]] KCFourCC GetGenericType() const { return m_genericType; }
    // Replaces any type list read from a file.
    void SetGenericType(KCFourCC type) {
        m_genericType = type;
        m_genericTypeList.clear();
    }
    // The "GenericType" text of a file when it is a list ("Abcd,Efgh"), written back as read;
    // empty when the preset has one type. The "SubComp" list likewise.
    [[nodiscard]] const KCFixedString<255>& GetGenericTypeList() const { return m_genericTypeList; }
    void SetGenericTypeList(const char* text) { m_genericTypeList = text; }
    [[nodiscard]] const KCFixedString<255>& GetSubCompList() const { return m_subCompList; }
    void SetSubCompList(const char* text) { m_subCompList = text; }
    [[nodiscard]] const KCFixedString<31>& GetResourceType() const { return m_resourceType; }
    void SetResourceType(const KCFixedString<31>& type) { m_resourceType = type; }
    [[nodiscard]] unsigned int GetPresetIndex() const { return m_index; }
    void SetPresetIndex(unsigned int index) { m_index = index; }
    [[nodiscard]] short GetResourceID() const { return m_resourceID; }
    void SetResourceID(short id) { m_resourceID = id; }
    [[nodiscard]] unsigned char GetSideChainState() const { return m_sideChain; }
    void SetSideChainState(unsigned char state) { m_sideChain = state; }
    [[nodiscard]] EMenuItemType GetMenuItemType() const { return m_menuItemType; }
    void SetMenuItemType(EMenuItemType type) { m_menuItemType = type; }
    [[nodiscard]] const CPresetsFileInfo& GetPresetsFileInfo() const { return m_file; }
    [[nodiscard]] CPresetsFileInfo& GetPresetsFileInfo() { return m_file; }
    void SetPresetsFileInfo(const CPresetsFileInfo& file) { m_file = file; }

    // --- flags
    [[nodiscard]] bool GetFlag(EPresetInfoFlags flag) const { return (m_flags & flag) != 0; }
    void SetFlag(EPresetInfoFlags flag, bool on);
    [[nodiscard]] unsigned int GetFlags() const { return m_flags; }
    [[nodiscard]] bool IsReadOnly() const { return GetFlag(ePresetReadOnly); }
    [[nodiscard]] bool IsLocked() const { return GetFlag(ePresetLocked); }
    [[nodiscard]] bool IsDisabled() const { return GetFlag(ePresetDisabled); }
    [[nodiscard]] bool IsSeperator() const { return GetFlag(ePresetSeparator); }
    [[nodiscard]] bool IsDummyTitle() const { return GetFlag(ePresetDummyTitle); }

    // --- setup records
    [[nodiscard]] std::vector<sPresetData*>& GetPresetData() { return m_data; }
    [[nodiscard]] const std::vector<sPresetData*>& GetPresetData() const { return m_data; }
    // The record of `setup` (eActiveSetup finds the "CURRENT" record), or null.
    [[nodiscard]] sPresetData* GetSetupPresetData(EPluginSetup setup) const;
    // The record of `setup`, created (appended) when missing.
    sPresetData& GetOrAddSetupPresetData(EPluginSetup setup);
    void SetAllLoadFlags(bool load);

    // --- comparisons
    // Name, header, type and flags; with `withData` also every setup record.
    static bool IsSamePreset(const CPresetInfo& a, const CPresetInfo& b, bool withData);
    static bool IsSamePresetName(const CPresetInfo& a, const CPresetInfo& b);
    // The same preset of the same file.
    static bool IsSameSpecificPreset(const CPresetInfo& a, const CPresetInfo& b);
    // Orders by resource ID.
    static bool CompareIDs(const CPresetInfo& a, const CPresetInfo& b);
    static bool CompareIDsPtr(const CPresetInfo* a, const CPresetInfo* b);

    // --- plug-in-specific data of one setup. An index is the record's position in the setup's
    // list; a tag is its name or numeric ID. Codes: ePluginSpecifcNotExisting when nothing
    // matches, eDuplicatePluginSpecificTag when adding a name or ID that exists,
    // eBuffSizeToSmall for a short caller buffer, eDeletePluginSpecifcFailed when a removal
    // finds nothing to remove.
    int AddPluginSpecifcData(EPluginSetup setup, const unsigned char* data, unsigned int size,
                             const KCFixedStringBase& tagName, int tagID,
                             EPluginSpecificDataTypes type, const char* menuItemString = nullptr,
                             unsigned int flags = ePluginSpecificNoFlags);
    int AddPluginSpecifcXML(EPluginSetup setup, const XML::CXMLElement& xml,
                            const KCFixedStringBase& tagName, int tagID);
    int AddPluginSpecifcDescriptor_Index(EPluginSetup setup, unsigned int index, const char* name,
                                         const char* value);
    int AddPluginSpecifcDescriptor_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                       const char* name, const char* value);
    int AddPluginSpecifcFlag(EPluginSetup setup, const KCFixedStringBase& tagName,
                             EPluginSpecificFlags flag);
    [[nodiscard]] sPluginSpecific* FindPluginSpecific_Index(EPluginSetup setup,
                                                            unsigned int index) const;
    [[nodiscard]] sPluginSpecific* FindPluginSpecific_Tag(EPluginSetup setup,
                                                          const KCFixedStringBase& tagName) const;
    [[nodiscard]] sPluginSpecific* FindPluginSpecific_Tag(EPluginSetup setup, int tagID) const;
    [[nodiscard]] unsigned int GetNumPluginSpecificData(EPluginSetup setup) const;
    int GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index,
                                    KCFixedStringBase& out) const;
    int GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index,
                                    Utils::KCStMemObj& out) const;
    // `out` points into the record (owned by it) or is null for a record without XML.
    int GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index,
                                    XML::CXMLElement*& out) const;
    // Copies the bytes, then swaps each group of `correction` bytes; size: in the capacity,
    // out the bytes copied (or needed, with eBuffSizeToSmall).
    int GetPluginSpecificData_Index(EPluginSetup setup, unsigned int index, void* buffer,
                                    unsigned int& size, EEndianityCorrection correction) const;
    int GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                  KCFixedStringBase& out) const;
    int GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                  Utils::KCStMemObj& out) const;
    int GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                  XML::CXMLElement*& out) const;
    int GetPluginSpecificData_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                  void* buffer, unsigned int& size,
                                  EEndianityCorrection correction) const;
    int GetPluginSpecificDescriptor_Index(EPluginSetup setup, unsigned int index, const char* name,
                                          KCFixedStringBase& value) const;
    int GetPluginSpecificDescriptor_Tag(EPluginSetup setup, const KCFixedStringBase& tagName,
                                        const char* name, KCFixedStringBase& value) const;
    int GetPluginSpecificName_Index(EPluginSetup setup, unsigned int index,
                                    KCFixedStringBase& name) const;
    int GetPluginSpecificName_Tag(EPluginSetup setup, int tagID, KCFixedStringBase& name) const;
    int GetPluginSpecificMenuItemString_Index(EPluginSetup setup, unsigned int index,
                                              KCFixedStringBase& text) const;
    int SetPluginSpecificMenuItemString_Index(EPluginSetup setup, unsigned int index,
                                              const char* text);
    int RemovePluginSpecificData(EPluginSetup setup, const KCFixedStringBase& tagName);

private:
    static int CopyBytes(const sPluginSpecific* record, void* buffer, unsigned int& size,
                         EEndianityCorrection correction);
    void CopyHeader(const CPresetInfo& other);

    KCFixedString<255> m_name;
    KCFixedString<255> m_presetVersion;
    KCFixedString<255> m_group;
    KCFixedString<255> m_pluginName;
    KCFixedString<255> m_pluginSubComp;
    KCFixedString<255> m_pluginVersion;
    KCFixedString<255> m_infoString;
    KCFixedString<255> m_activeSetup;
    KCFixedString<511> m_shellMessage;
    KCFourCC m_genericType;
    KCFixedString<255> m_genericTypeList;
    KCFixedString<255> m_subCompList;
    KCFixedString<31> m_resourceType;
    unsigned int m_index = kNoIndex;
    short m_resourceID = -1;
    unsigned int m_flags = ePresetFlagNone;
    unsigned char m_sideChain = kSideChainUnset;
    EMenuItemType m_menuItemType = eMenuItemNone;
    std::vector<sPresetData*> m_data;  // owned
    CPresetsFileInfo m_file;
};

// Deletes every preset and empties the vector. [any-thread]
KORVANE_API void ClearPresetInfoPtrVec(std::vector<CPresetInfo*>& presets);

// The generic type meaning "none".
inline constexpr KCFourCC kNoGenericType("????");

}  // namespace kvKorvaneV10_0_3::Preset
