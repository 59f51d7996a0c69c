// CPopup_X: a click opens a menu of values and the chosen one becomes the lead parameter's
// state.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API CPopup_X : public KCGUIControl {
public:
    // One entry of the menu: the state it sets, or a separator.
    struct Item {
        double state = 0.0;
        std::string text;
        bool separator = false;
        short selectImage = 0;
        short idleImage = 0;
    };

    explicit CPopup_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CPopup_X(*this); }

    // Besides the control's description: "MenuItemList" of "MenuItem" ("State", "Text",
    // "Separator"="true", "Image" with "Type" "SelectBitmap" or "IdleBitmap" and "ResID"), and
    // "PopulateMenuFromParameter": the parameter's states come after the listed items. Without a
    // list the lead parameter's "Menu" extension gives the items, and without that the menu holds
    // the parameter's states.
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;

    // The entries the menu shows now; a parameter's states are listed when it has at most
    // kMaxParameterItems of them.
    [[nodiscard]] virtual std::vector<Item> GetMenuItems() const;
    [[nodiscard]] const std::vector<Item>& GetListedItems() const { return m_items; }

    // The background, the lead value's text, a small arrow, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr int kMaxParameterItems = 256;

protected:
    // Whether the menu is shown with larger, touch-friendly rows.
    [[nodiscard]] virtual bool UseTouchMenu() const { return false; }
    // Presents the menu (through the view manager's popup presenter) and sets the choice.
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;

private:
    std::vector<Item> m_items;
    bool m_populateFromParameter = false;
};

}  // namespace kvKorvaneV10_0_3
