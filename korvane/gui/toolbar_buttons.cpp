#include "korvane/gui/toolbar_buttons.h"

#include "korvane/gui/gui_description.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <cstring>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;

X_CToolbarButton::~X_CToolbarButton() = default;

void X_CToolbarButton::ReadFromXML(const CXMLElement& element, bool update) {
    if (!update) {
        m_name.clear();
        m_type.clear();
        m_rect = KURect<short>();
        m_flags.clear();
        m_images = {};
        m_texts.clear();
        m_shown.clear();
    }
    // A skin's element need not repeat what it keeps.
    if (KCFixedString<63> name; element.GetAttrib("Name", name)) {
        m_name = name;
    }
    if (KCFixedString<31> type; element.GetAttrib("type", type)) {
        m_type = type;
    }
    for (const CXMLElement* child : element.GetSubElements()) {
        const auto& name = child->GetName();
        if (name == "Flags") {
            m_flags.clear();
            for (const CXMLElement* flag : child->GetSubElements()) {
                m_flags.emplace_back(flag->GetName().c_str());
            }
        } else if (name == "ControlRect") {
            ReadRectFromXML(*child, m_rect);
        } else if (name == "ImageList") {
            static constexpr const char* kKinds[eToolImageCount] = {"Idle", "Selected", "Disabled",
                                                                    "Selection"};
            for (const CXMLElement* image : child->GetSubElements()) {
                std::string type;
                short id = 0;
                if (image->GetName() != "Image" || !image->GetAttrib("Type", type) ||
                    !image->GetAttrib("ResID", id)) {
                    continue;
                }
                for (int kind = 0; kind < eToolImageCount; ++kind) {
                    if (type == kKinds[kind]) {
                        m_images[static_cast<std::size_t>(kind)] = id;
                    }
                }
            }
        } else if (name == "TextWin") {
            m_texts.clear();
            for (const CXMLElement* text : child->GetSubElements()) {
                if (text->GetName() == "TextString") {
                    m_texts.push_back(text->GetText());
                }
            }
            m_shown = m_texts.empty() ? std::string() : m_texts.front();
        }
    }
}

bool X_CToolbarButton::HasFlag(const char* flag) const {
    return flag != nullptr && std::find(m_flags.begin(), m_flags.end(), flag) != m_flags.end();
}

short X_CToolbarButton::GetImageResID(EToolbarImage kind) const {
    return kind >= 0 && kind < eToolImageCount ? m_images[static_cast<std::size_t>(kind)] : 0;
}

bool X_CToolbarButton::UpdateTextFromIndex(unsigned int index) {
    if (index >= m_texts.size()) {
        return false;
    }
    m_shown = m_texts[index];
    return true;
}

std::string X_CToolbarButton::GetText(unsigned int index) const {
    return index < m_texts.size() ? m_texts[index] : std::string();
}

int X_CSwitchButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteSwitch();
}
int X_CCopyButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteCopy();
}
int X_CSaveButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> where) {
    return gui.System_ExecuteSavePreset(where);
}
int X_CLoadButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> where) {
    return gui.System_ExecuteLoadPreset(where);
}
int X_CAboutButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteAbout();
}
int X_CUndoButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteUndo(1);
}
int X_CRedoButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteRedo(1);
}
int X_CHelpButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteHelp();
}
int X_CPluginSpecificButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecutePluginSpecific(GetName().c_str());
}
int CToolReset_X::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteReset();
}
int X_CPrevPresetButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteNextPrevPreset(false);
}
int X_CNextPresetButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    return gui.System_ExecuteNextPrevPreset(true);
}
int X_CSideChainButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> /*where*/) {
    cALGORITHM* alg = gui.GetAlgorithm();
    return gui.System_ExecuteSideChainActive(alg == nullptr || alg->GetSideChainActive() == 0);
}
int X_CPresetLoader::Execute(CStandardGUI_X& gui, KCPoint2D<short> where) {
    return gui.System_ExecuteLoadPreset(where);
}
int X_CHtmlViewButton::Execute(CStandardGUI_X& gui, KCPoint2D<short> where) {
    return gui.System_ExecuteOpenHtmlView(where);
}

namespace {

template <typename Button>
std::unique_ptr<X_CToolbarButton> Make() {
    return std::make_unique<Button>();
}

}  // namespace

std::unique_ptr<X_CToolbarButton> CreateDefaultToolbarButtons(const char* type) {
    using Maker = std::unique_ptr<X_CToolbarButton> (*)();
    static constexpr struct {
        const char* type;
        Maker make;
    } kKinds[] = {
        {"Switch", &Make<X_CSwitchButton>},
        {"Copy", &Make<X_CCopyButton>},
        {"Save", &Make<X_CSaveButton>},
        {"Load", &Make<X_CLoadButton>},
        {"About", &Make<X_CAboutButton>},
        {"Undo", &Make<X_CUndoButton>},
        {"Redo", &Make<X_CRedoButton>},
        {"Help", &Make<X_CHelpButton>},
        {"PluginSpecific", &Make<X_CPluginSpecificButton>},
        {"Reset", &Make<CToolReset_X>},
        {"PrevPreset", &Make<X_CPrevPresetButton>},
        {"NextPreset", &Make<X_CNextPresetButton>},
        {"SideChain", &Make<X_CSideChainButton>},
        {"PresetLoader", &Make<X_CPresetLoader>},
        {"HtmlView", &Make<X_CHtmlViewButton>},
    };
    if (type == nullptr) {
        return nullptr;
    }
    for (const auto& kind : kKinds) {
        if (std::strcmp(kind.type, type) == 0) {
            return kind.make();
        }
    }
    return nullptr;
}

}  // namespace kvKorvaneV10_0_3
