// KCSkinsData: the skins of a plug-in GUI - each skin's name, father, view rectangle and the
// part of the GUI description it changes - and the chain of generations a skin inherits.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/rm/res_container_user.h"
#include "korvane/rm/res_key.h"
#include "korvane/scan/component_info.h"
#include "korvane/xml/xml_element.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

// GetGenerationsSkinXMLs met a skin a second time going up the father chain.
constexpr KTErr kSkinFatherCycle = eWrongObjectState;

struct KORVANE_API KCSkinDetails {
    KCFixedString<31> name;
    KCFixedString<31> fatherName;  // empty for a skin without a father
    KURect<short> viewRect;
    XML::CXMLElement element;  // the skin's part of the GUI description (may be empty)
};

// [gui-thread]
class KORVANE_API KCSkinsData : public RM::KCResContainerUser {
public:
    explicit KCSkinsData(KTResContainerType* container = nullptr);

    // Reads the skins resource `key` of the component (the variant for its sub-type first)
    // with InitSkinsFromXML; the resource layer's error when there is none (no skins then).
    KTErr InitSkins(const RM::KCResKey& key, const KorvaneComponentInfo& info,
                    const KURect<short>& viewRect);
    // Replaces the skins with those of a skins document: "Skins"/"Skin" elements with "Name",
    // "FatherName" and "ViewRect_List"/"Rect" (`viewRect` when absent), and each skin's part
    // of the GUI description under "GUITree"/"Skin" with the same "Name". The document's root
    // may itself be "Skins". A nameless skin and a second skin of a name are skipped.
    void InitSkinsFromXML(const XML::CXMLElement& root, const KURect<short>& viewRect);

    [[nodiscard]] unsigned int GetNumSkins() const {
        return static_cast<unsigned int>(m_skins.size());
    }
    [[nodiscard]] const std::vector<KCSkinDetails>& GetSkins() const { return m_skins; }
    // Null for an unknown name.
    [[nodiscard]] const KCSkinDetails* FindSkinDetailsByName(const char* name) const;
    [[nodiscard]] const XML::CXMLElement* GetSkinXML(const char* name) const;
    // eGUISkinNotFound for an unknown name.
    KTErr GetSkinFatherName(const char* name, KCFixedStringBase& father) const;
    KTErr GetSkinViewRect(const char* name, KURect<short>& rect) const;
    // Appends the named skin's element, then its father's, and so on up the chain, which ends
    // at a skin without a father or with an unknown one. eGUISkinNotFound (nothing appended)
    // for an unknown name; kSkinFatherCycle when a skin comes back, the list then holding each
    // skin of the loop once.
    KTErr GetGenerationsSkinXMLs(const char* name,
                                 std::vector<const XML::CXMLElement*>& elements) const;

    [[nodiscard]] const KCFixedStringBase& GetCurrentSkinName() const { return m_current; }
    void SetCurrentSkinName(const char* name) { m_current = name; }

private:
    KCFixedString<31> m_current{"Default"};
    std::vector<KCSkinDetails> m_skins;
};

}  // namespace kvKorvaneV10_0_3
