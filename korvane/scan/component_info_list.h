// KCKorvaneComponentInfoList: the components a scan accepted, in order, with the lookups and
// filters a shell applies to them.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/xmlable.h"
#include "korvane/scan/component_info.h"
#include "korvane/scan/scan_types.h"

#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

// [any-thread] on distinct objects.
class KORVANE_API KCKorvaneComponentInfoList : public XML::KCXMLable {
public:
    using container_type = std::vector<KorvaneComponentInfo>;

    void Add(const KorvaneComponentInfo& info) { m_items.push_back(info); }
    void Add(KorvaneComponentInfo&& info) { m_items.push_back(std::move(info)); }
    void Add(const KCKorvaneComponentInfoList& other);
    void Clear() { m_items.clear(); }
    [[nodiscard]] bool Empty() const { return m_items.empty(); }
    [[nodiscard]] int GetNumComponents() const { return static_cast<int>(m_items.size()); }

    // Null for an index out of range.
    [[nodiscard]] KorvaneComponentInfo* GetKorvaneComponentInfo(int index);
    [[nodiscard]] const KorvaneComponentInfo* GetKorvaneComponentInfo(int index) const;
    // The first component of that type and sub-type into `out`; false (out untouched) if none.
    bool GetKorvaneComponentInfo(KCFourCC type, KCFourCC subType, KorvaneComponentInfo& out) const;
    // The index of the first component of that type, -1 when none.
    [[nodiscard]] int GetKorvaneComponentIndex(KCFourCC type) const;
    [[nodiscard]] int GetKorvaneComponentIndexByID(const KCPluginUniqueID& id) const;
    // Removes every component of that type; returns how many.
    int FilterOut(KCFourCC type);
    // False for an index out of range.
    bool RemoveKorvaneComponentInfo(int index);
    // Removes every component of that sub-type; returns how many.
    int RemoveSubComponentInfo(KCFourCC subType);
    // By KorvaneComponentInfo::SortByNameAndSubCompPredicate, equal ones keeping their order.
    void Sort();
    // AddMonoStereoToPluginName on every short name with the component's channel counts.
    void AddMonoStereoToNames();
    // Components of `type` become network-shell components: their type becomes `netType`
    // ("????" when zero is given), their instance type `instanceType`, and, when `suffix` is
    // not null or empty, the suffix is appended to their short name.
    void AdjustToNetShell(KCFourCC type, int instanceType, const char* suffix,
                          KCFourCC netType = KCFourCC("KNet"));

    // One "KorvaneComponentInfo" child per component; reading replaces the list.
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    container_type::iterator begin() { return m_items.begin(); }
    container_type::iterator end() { return m_items.end(); }
    [[nodiscard]] container_type::const_iterator begin() const { return m_items.begin(); }
    [[nodiscard]] container_type::const_iterator end() const { return m_items.end(); }

private:
    container_type m_items;
};

}  // namespace kvKorvaneV10_0_3
