// The standard GUI's skins as a plug-in ships them, and the widget palettes they select.
#include "korvane/gui/standard_gui.h"

#include "korvane/rm/res_key.h"

#include <algorithm>
#include <string>

namespace kvKorvaneV10_0_3 {

KTErr CStandardGUI_X::InitSkinsFromResources() {
    KTResContainerType* container = m_resources;
    if (container == nullptr && m_alg != nullptr) {
        container = m_alg->GetResContainer();
    }
    if (container == nullptr) {
        return eNoErr;
    }
    if (m_skins.InitSkins(RM::KCResKey(RM::KCResType("SkinXML"), GetSkinResourceID()), m_info,
                          m_rect) != eNoErr ||
        m_skins.GetNumSkins() == 0) {
        return eNoErr;
    }
    const char* first = m_skins.GetSkins().front().name.c_str();
    const char* wanted = m_alg != nullptr ? m_alg->GetDefaultSkin().c_str() : "";
    const char* name = m_skins.FindSkinDetailsByName(wanted) != nullptr ? wanted : first;
    m_skins.SetCurrentSkinName("");
    return UpdateSkin(name);
}

void CStandardGUI_X::SetWidgetPalette(const KSWidgetPalette& palette) {
    m_basePalette = palette;
    SelectSkinWidgetPalette();
}

void CStandardGUI_X::SetSkinWidgetPalette(const char* name, const KSWidgetPalette& palette) {
    if (name == nullptr || *name == '\0') {
        return;
    }
    const auto found = std::find_if(m_skinPalettes.begin(), m_skinPalettes.end(),
                                    [name](const auto& entry) { return entry.first == name; });
    if (found != m_skinPalettes.end()) {
        found->second = palette;
    } else {
        m_skinPalettes.emplace_back(name, palette);
    }
    SelectSkinWidgetPalette();
}

void CStandardGUI_X::SelectSkinWidgetPalette() {
    KSWidgetPalette chosen = m_basePalette;
    // Up the father chain, never longer than the skins even when it loops.
    const KCSkinDetails* skin = m_skins.FindSkinDetailsByName(m_skins.GetCurrentSkinName().c_str());
    for (unsigned int step = 0; skin != nullptr && step < m_skins.GetNumSkins(); ++step) {
        const auto found =
            std::find_if(m_skinPalettes.begin(), m_skinPalettes.end(),
                         [skin](const auto& entry) { return skin->name == entry.first.c_str(); });
        if (found != m_skinPalettes.end()) {
            chosen = found->second;
            break;
        }
        skin = skin->fatherName.empty() ? nullptr
                                        : m_skins.FindSkinDetailsByName(skin->fatherName.c_str());
    }
    if (!(chosen == m_palette)) {
        m_palette = chosen;
        m_needRedrawGUI = true;
    }
}

}  // namespace kvKorvaneV10_0_3
