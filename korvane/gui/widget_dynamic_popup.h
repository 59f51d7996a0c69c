// KCDynamicPopup: a popup whose items are made when it opens, by a hook the plug-in sets, for
// menus whose entries depend on the moment (the files in a folder, the presets of a bank).
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/widget_popup.h"

#include <functional>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

class KCDynamicPopup;

// Answers the items the popup shows now; an empty list opens no menu. [gui-thread]
using KTDynamicPopupItems = std::function<std::vector<CPopup_X::Item>(const KCDynamicPopup&)>;

// [gui-thread]
class KORVANE_API KCDynamicPopup : public CPopup_X {
public:
    explicit KCDynamicPopup(CStandardGUI_X* owner = nullptr) : CPopup_X(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new KCDynamicPopup(*this); }

    // A copy keeps the hook. Without one the popup behaves as a plain popup.
    void SetItemsHook(KTDynamicPopupItems hook) { m_itemsHook = std::move(hook); }
    [[nodiscard]] bool HasItemsHook() const { return static_cast<bool>(m_itemsHook); }

    // The hook's items (an item without text shows the parameter's text for its state).
    [[nodiscard]] std::vector<Item> GetMenuItems() const override;

protected:
    // A touch press opens the menu with touch-friendly rows.
    [[nodiscard]] bool UseTouchMenu() const override { return IsTouchGesture(); }

private:
    KTDynamicPopupItems m_itemsHook;
};

}  // namespace kvKorvaneV10_0_3
