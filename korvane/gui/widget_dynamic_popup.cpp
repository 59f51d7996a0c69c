#include "korvane/gui/widget_dynamic_popup.h"

#include "korvane/gui/widget_value_text.h"

namespace kvKorvaneV10_0_3 {

std::vector<CPopup_X::Item> KCDynamicPopup::GetMenuItems() const {
    if (!m_itemsHook) {
        return CPopup_X::GetMenuItems();
    }
    std::vector<Item> items = m_itemsHook(*this);
    const KCParamRegistrationData* lead = GetLeadRegistration();
    for (Item& item : items) {
        if (!item.separator && item.text.empty() && lead != nullptr && lead->HasParam()) {
            item.text = WidgetValueText(*lead, item.state);
        }
    }
    return items;
}

}  // namespace kvKorvaneV10_0_3
