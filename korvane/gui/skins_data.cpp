#include "korvane/gui/skins_data.h"

#include "korvane/gui/gui_description.h"
#include "korvane/scan/component_xml_resource.h"

#include <algorithm>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;

KCSkinsData::KCSkinsData(KTResContainerType* container) : RM::KCResContainerUser(container) {}

KTErr KCSkinsData::InitSkins(const RM::KCResKey& key, const KorvaneComponentInfo& info,
                             const KURect<short>& viewRect) {
    m_skins.clear();
    CXMLElement root;
    if (const KTErr err =
            RM::GetAndFilterXMLResourceByComponentInfo(GetResContainer(), key, info, root);
        err != eNoErr) {
        return err;
    }
    InitSkinsFromXML(root, viewRect);
    return eNoErr;
}

void KCSkinsData::InitSkinsFromXML(const CXMLElement& root, const KURect<short>& viewRect) {
    m_skins.clear();
    const CXMLElement* skins = root.GetName() == "Skins" ? &root : root.SubElement("Skins");
    if (skins == nullptr) {
        return;
    }
    const CXMLElement* tree = root.SubElement("GUITree");
    for (const CXMLElement* skin : skins->GetSubElements()) {
        KCSkinDetails details;
        if (skin->GetName() != "Skin" || !skin->GetAttrib("Name", details.name) ||
            details.name.empty() || FindSkinDetailsByName(details.name.c_str()) != nullptr) {
            continue;
        }
        skin->GetAttrib("FatherName", details.fatherName);
        details.viewRect = viewRect;
        if (const CXMLElement* rects = skin->SubElement("ViewRect_List")) {
            if (const CXMLElement* rect = rects->SubElement("Rect")) {
                ReadRectFromXML(*rect, details.viewRect);
            }
        }
        if (tree != nullptr) {
            for (const CXMLElement* part : tree->GetSubElements()) {
                KCFixedString<31> name;
                if (part->GetName() == "Skin" && part->GetAttrib("Name", name) &&
                    name == details.name) {
                    details.element = *part;
                    break;
                }
            }
        }
        m_skins.push_back(std::move(details));
    }
}

const KCSkinDetails* KCSkinsData::FindSkinDetailsByName(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    const auto found = std::find_if(m_skins.begin(), m_skins.end(),
                                    [name](const KCSkinDetails& s) { return s.name == name; });
    return found == m_skins.end() ? nullptr : &*found;
}

const CXMLElement* KCSkinsData::GetSkinXML(const char* name) const {
    const KCSkinDetails* details = FindSkinDetailsByName(name);
    return details == nullptr ? nullptr : &details->element;
}

KTErr KCSkinsData::GetSkinFatherName(const char* name, KCFixedStringBase& father) const {
    const KCSkinDetails* details = FindSkinDetailsByName(name);
    if (details == nullptr) {
        return eGUISkinNotFound;
    }
    father = details->fatherName;
    return eNoErr;
}

KTErr KCSkinsData::GetSkinViewRect(const char* name, KURect<short>& rect) const {
    const KCSkinDetails* details = FindSkinDetailsByName(name);
    if (details == nullptr) {
        return eGUISkinNotFound;
    }
    rect = details->viewRect;
    return eNoErr;
}

KTErr KCSkinsData::GetGenerationsSkinXMLs(const char* name,
                                          std::vector<const CXMLElement*>& elements) const {
    const KCSkinDetails* details = FindSkinDetailsByName(name);
    if (details == nullptr) {
        return eGUISkinNotFound;
    }
    // A chain visits each skin at most once, so it is never longer than the skins.
    std::vector<const KCSkinDetails*> seen;
    while (details != nullptr) {
        if (std::find(seen.begin(), seen.end(), details) != seen.end()) {
            return kSkinFatherCycle;
        }
        seen.push_back(details);
        elements.push_back(&details->element);
        details = details->fatherName.empty() ? nullptr
                                              : FindSkinDetailsByName(details->fatherName.c_str());
    }
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3
