// CProcessCodeManager: the process code descriptions of one component, read from the
// component's "ProcessXML" resource, and the processor questions a host asks about them.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/xmlable.h"
#include "korvane/process/proc_code_desc.h"
#include "korvane/process/processor_spec.h"
#include "korvane/rm/res_container_user.h"
#include "korvane/rm/res_types.h"
#include "korvane/scan/component_info.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

// The id under which a component's process code descriptions are stored by default.
constexpr short kProcessXMLResID = 128;

// [any-thread] on distinct objects.
class KORVANE_API CProcessCodeManager : public XML::KCXMLable {
public:
    using CProcCodeDesc = ProcessMemory::CProcCodeDesc;
    using SProcessorSpec = ProcessMemory::SProcessorSpec;
    using SDSPReqRes = ProcessMemory::SDSPReqRes;

    CProcessCodeManager() = default;
    explicit CProcessCodeManager(KorvaneComponentInfo info) : m_info(std::move(info)) {}

    [[nodiscard]] const KorvaneComponentInfo& GetComponentInfo() const { return m_info; }
    void SetComponentInfo(const KorvaneComponentInfo& info) { m_info = info; }
    [[nodiscard]] std::vector<CProcCodeDesc>& GetDescriptions() { return m_descs; }
    [[nodiscard]] const std::vector<CProcCodeDesc>& GetDescriptions() const { return m_descs; }
    [[nodiscard]] std::int16_t GetResBase() const { return m_resBase; }
    void SetResBase(std::int16_t base) { m_resBase = base; }

    // Loads the component's "ProcessXML" resource (its sub-type variant when there is one)
    // and reads it with ReadProcCodeDescForComponentFromXMLTrees; `info` becomes the
    // manager's component. The resource and XML errors unchanged; eRMContainerNotFound
    // without a container. On failure the manager keeps what it held.
    [[nodiscard]] KTErr ReadProcCodeDescForComponent(const KorvaneComponentInfo& info,
                                                     RM::KCResContainerUser& user,
                                                     short id = kProcessXMLResID);
    [[nodiscard]] KTErr ReadProcCodeDescForComponent(const KorvaneComponentInfo& info,
                                                     KTResContainerType* container,
                                                     short id = kProcessXMLResID);
    // Replaces the descriptions with those the document selects for the manager's component
    // (the matching rules are in docs/process.md). eXMLElementMissing without a
    // "ProcessCodeDescriptionList", eXMLAttribMissing for a description without "ID",
    // eXMLTreeNotValid for a duplicate or unknown ID, eComponentTypeNotSupported when "thng"
    // names another component type, ePluginSubComponentNotFound when no sub-component
    // matches, or a description's read error. On failure the manager keeps what it held.
    [[nodiscard]] KTErr ReadProcCodeDescForComponentFromXMLTrees(const XML::CXMLElement& root);

    // One "ProcessCodeDescription" element per description, each with the attribute
    // "resBase"; reading replaces the descriptions (the first error, nothing replaced).
    [[nodiscard]] KTErr Read(const XML::CXMLElement& element);
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    // Walks the descriptions in order; each that runs on `wanted` stores the processor it
    // runs on in `used`, and the walk stops at an exact match. True when any runs there.
    bool CanRunOnSpecificProcessor(const SProcessorSpec& wanted, SProcessorSpec& used) const;
    // The weakest processor over the descriptions, folding them in order with
    // WeakerProcessor. A description of another family than the one folded so far starts the
    // fold again from itself. False (out untouched) when no description has a weakest
    // processor.
    bool FindWeakestProcessor(SProcessorSpec& out) const;
    // Fills `req` from the first description that runs on the processor; false (req
    // untouched) when none does. The record's status word is always 0: the bool answers.
    bool GetDSPReqResForSpecificProcessor(const SProcessorSpec& wanted, SDSPReqRes& req) const;
    // The first description that runs on the processor, or null.
    [[nodiscard]] const CProcCodeDesc* DescForSpecificProcessor(const SProcessorSpec& wanted) const;

    // The name set for external buffer `index`, else "kvExtMem_<type>_<sub-type>_<index>".
    void GetExternalMemoryName(unsigned int index, KCFixedStringBase& out) const;
    void SetExternalMemoryName(unsigned int index, const char* name);

    // Sets the internal program size of every description whose resource id is `resID`;
    // FixIdleCodeNum the idle program size of those whose idle id is `resID`.
    void FixCodeNum(short resID, int size);
    void FixIdleCodeNum(short resID, int size);

private:
    KorvaneComponentInfo m_info;
    std::vector<CProcCodeDesc> m_descs;
    std::int16_t m_resBase = 0;
    std::map<unsigned int, KCFixedString<255>> m_extNames;
};

}  // namespace kvKorvaneV10_0_3
