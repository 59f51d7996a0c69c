// The standard GUI's pages: which controls show, and are hit, while a page is current.
#include "korvane/gui/standard_gui.h"

#include <algorithm>

namespace kvKorvaneV10_0_3 {

std::vector<std::string> CStandardGUI_X::GetPageNames() const {
    std::vector<std::string> pages;
    for (const auto& control : m_controls) {
        const KCFixedStringBase& page = control->GetPageName();
        if (!page.empty() && std::find(pages.begin(), pages.end(), page.c_str()) == pages.end()) {
            pages.emplace_back(page.c_str());
        }
    }
    return pages;
}

std::string CStandardGUI_X::GetCurrentPage() const {
    if (!m_currentPage.empty()) {
        return m_currentPage;
    }
    for (const auto& control : m_controls) {
        if (!control->GetPageName().empty()) {
            return control->GetPageName().c_str();
        }
    }
    return {};
}

bool CStandardGUI_X::IsPageShown(const char* name) const {
    return name == nullptr || *name == '\0' || GetCurrentPage() == name;
}

void CStandardGUI_X::SetCurrentPage(const char* name) {
    const std::string page = name != nullptr ? name : "";
    if (page == GetCurrentPage()) {
        return;
    }
    m_currentPage = page;
    m_needRedrawGUI = true;
    // A control that went away cannot stay selected or hovered.
    for (const auto& control : m_controls) {
        if (!control->IsOnShownPage()) {
            m_selection.Deselect(control.get());
            control->ClearMouseHover();
        }
    }
}

}  // namespace kvKorvaneV10_0_3
