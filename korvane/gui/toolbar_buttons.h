// The toolbar buttons of the standard GUI as a model: what each reads from its "ToolButton"
// description, the text it shows and the system command it runs. Drawing comes with the
// control widgets.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

class CStandardGUI_X;

enum EToolbarImage : int {
    eToolImageIdle = 0,
    eToolImageSelected,
    eToolImageDisabled,
    eToolImageSelection,
    eToolImageCount
};

// [gui-thread]
class KORVANE_API X_CToolbarButton {
public:
    X_CToolbarButton() = default;
    X_CToolbarButton(const X_CToolbarButton&) = delete;
    X_CToolbarButton& operator=(const X_CToolbarButton&) = delete;
    virtual ~X_CToolbarButton();

    // Reads "Name" and "type" (attributes), "Flags" (one child per flag), "ControlRect" (a
    // rectangle), "ImageList" ("Image" children with "Type" Idle / Selected / Disabled /
    // Selection and "ResID") and "TextWin" ("TextString" children, the first shown). With
    // `update` only what the element holds changes (a skin).
    virtual void ReadFromXML(const XML::CXMLElement& element, bool update);
    // What a click on the button does; the command's result (0 for a button without one).
    virtual int Execute(CStandardGUI_X& /*gui*/, KCPoint2D<short> /*where*/) { return 0; }

    [[nodiscard]] const KCFixedStringBase& GetName() const { return m_name; }
    [[nodiscard]] const KCFixedStringBase& GetType() const { return m_type; }
    [[nodiscard]] const KURect<short>& GetRect() const { return m_rect; }
    [[nodiscard]] bool HasFlag(const char* flag) const;
    // The "ResID" of an image kind; 0 when the description names none.
    [[nodiscard]] short GetImageResID(EToolbarImage kind) const;

    // The text shown now.
    [[nodiscard]] const std::string& GetShownText() const { return m_shown; }
    void UpdateText(const char* text) { m_shown = text != nullptr ? text : ""; }
    // Shows text string `index`; false (nothing changes) past the strings.
    bool UpdateTextFromIndex(unsigned int index);
    // Text string `index`, "" past the strings.
    [[nodiscard]] std::string GetText(unsigned int index) const;
    [[nodiscard]] unsigned int GetNumTexts() const {
        return static_cast<unsigned int>(m_texts.size());
    }

private:
    KCFixedString<63> m_name;
    KCFixedString<31> m_type;
    KURect<short> m_rect;
    std::vector<std::string> m_flags;
    std::array<short, eToolImageCount> m_images{};
    std::vector<std::string> m_texts;
    std::string m_shown;
};

// One class per button kind; each runs its system command of the GUI.
class KORVANE_API X_CSwitchButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CCopyButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CSaveButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CLoadButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CAboutButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CUndoButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CRedoButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CHelpButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CPluginSpecificButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API CToolReset_X : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CPrevPresetButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CNextPresetButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CSideChainButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CPresetLoader : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};
class KORVANE_API X_CHtmlViewButton : public X_CToolbarButton {
public:
    int Execute(CStandardGUI_X& gui, KCPoint2D<short> where) override;
};

// The button of a "type" ("Switch", "Copy", "Save", "Load", "About", "Undo", "Redo", "Help",
// "PluginSpecific", "Reset", "PrevPreset", "NextPreset", "SideChain", "PresetLoader",
// "HtmlView"); null for any other. [gui-thread]
KORVANE_API std::unique_ptr<X_CToolbarButton> CreateDefaultToolbarButtons(const char* type);

}  // namespace kvKorvaneV10_0_3
