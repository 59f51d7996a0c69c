#include "korvane/gui/widget_popup.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/param_extensions.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/gui/widget_value_text.h"
#include "korvane/xml/xml_element.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

namespace {

std::string ChildText(const XML::CXMLElement& e, const char* name) {
    std::string text;
    if (const XML::CXMLElement* child = e.SubElement(name)) {
        if (!child->GetAttrib("Value", text)) {
            text = child->GetText();
        }
    }
    return text;
}

bool ParseDouble(std::string_view text, double& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// Menu items carry their entry's index as user data.
constexpr std::intptr_t kUserDataBase = 1;

}  // namespace

void CPopup_X::ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) {
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_items.clear();
        m_populateFromParameter = false;
    }
    if (const XML::CXMLElement* populate = element.SubElement("PopulateMenuFromParameter")) {
        std::string value;
        populate->GetAttrib("Value", value);
        m_populateFromParameter = value != "false" && value != "off";
    }
    const XML::CXMLElement* list = element.SubElement("MenuItemList");
    if (list == nullptr) {
        return;
    }
    m_items.clear();
    for (const XML::CXMLElement* child : list->GetSubElements()) {
        if (child->GetName() != "MenuItem") {
            continue;
        }
        Item item;
        item.separator = ChildText(*child, "Separator") == "true";
        const std::string state = ChildText(*child, "State");
        if (!item.separator && !ParseDouble(state, item.state)) {
            continue;  // an item without a state sets nothing
        }
        item.text = ChildText(*child, "Text");
        for (const XML::CXMLElement* image : child->GetSubElements()) {
            if (image->GetName() != "Image") {
                continue;
            }
            std::string type;
            image->GetAttrib("Type", type);
            short id = 0;
            image->GetAttrib("ResID", id);
            if (type == "SelectBitmap") {
                item.selectImage = id;
            } else if (type == "IdleBitmap") {
                item.idleImage = id;
            }
        }
        m_items.push_back(std::move(item));
    }
}

std::vector<CPopup_X::Item> CPopup_X::GetMenuItems() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    std::vector<Item> items = m_items;
    // Without a list of its own the popup shows the menu the parameter brings.
    if (items.empty() && lead != nullptr && lead->HasParam()) {
        if (const auto* menu = dynamic_cast<const KCParamExtensionMenu*>(
                lead->alg->GetParamExtension(lead->paramID))) {
            for (const KCParamExtensionMenu::Item& item : menu->GetItems()) {
                items.push_back({item.state, item.text, item.separator});
            }
        }
    }
    const bool listed = !items.empty();
    for (Item& item : items) {
        if (!item.separator && item.text.empty() && lead != nullptr) {
            item.text = WidgetValueText(*lead, item.state);
        }
    }
    if ((listed && !m_populateFromParameter) || lead == nullptr || !lead->HasParam()) {
        return items;
    }
    const int states = lead->alg->GetParamNumStates(lead->paramID);
    if (states <= 0 || states > kMaxParameterItems) {
        return items;
    }
    for (int i = 0; i < states; ++i) {
        items.push_back({static_cast<double>(i), WidgetValueText(*lead, i)});
    }
    return items;
}

BUFFER_HEADER* CPopup_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr || !lead->HasParam()) {
        return chain;
    }
    const std::vector<Item> items = GetMenuItems();
    if (items.empty()) {
        return chain;
    }
    PVM::KCMenuCreationOptions options;
    options.disableCheckmarks = GetControlFlag(eCtrlPopupNoCheckmark);
    options.touchFriendly = UseTouchMenu();
    PVM::KSMenu* menu = nullptr;
    if (PVM::CreatePopupMenu(options, menu) != eNoErr) {
        return chain;
    }
    const double now = lead->alg->GetParamState(lead->paramID);
    for (std::size_t i = 0; i < items.size(); ++i) {
        PVM::KCMenuItemInfo info;
        info.text = items[i].text;
        info.separator = items[i].separator;
        info.userData = kUserDataBase + static_cast<std::intptr_t>(i);
        info.checked = !options.disableCheckmarks && !items[i].separator && items[i].state == now;
        info.disableCheckmarks = options.disableCheckmarks;
        const short image = info.checked ? items[i].selectImage : items[i].idleImage;
        if (image != 0) {
            info.imageResID = image;
        }
        (void)PVM::AddMenuItem(menu, info);
    }
    // Under the control, or where the pointer is with "PopupAppearOnMousePos".
    const KCPoint2D<short> where =
        GetControlFlag(eCtrlPopupAppearOnMousePos)
            ? event.GetMouseLocation()
            : KCPoint2D<short>{GetControlRect().left, GetControlRect().bottom};
    PVM::KSMenu* chosenMenu = nullptr;
    PVM::KCMenuItemInfo chosen;
    if (PVM::ActivatePopup(menu, nullptr, where, chosenMenu, chosen) == eNoErr) {
        const auto index = static_cast<std::size_t>(chosen.userData - kUserDataBase);
        if (index < items.size() && !items[index].separator) {
            chain = ChainBuffers(
                chain, lead->alg->UpdateParamRequestState(lead->paramID, items[index].state));
            lead->UpdateValue();
            SetNeedToRedrawControl();
        }
    }
    (void)PVM::DisposeMenu(menu);
    return chain;
}

void CPopup_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead != nullptr && lead->HasParam()) {
        const double now = lead->alg->GetParamState(lead->paramID);
        std::string text;
        for (const Item& item : GetMenuItems()) {
            if (!item.separator && item.state == now) {
                text = item.text;
                break;
            }
        }
        if (text.empty()) {
            text = WidgetValueText(*lead, now);
        }
        writer.Font("Arial", std::max(6, GetControlRect().Height() * 2 / 3), Palette().text, 0);
        // Text aligns inside the innermost frame: the control's own, not the window's.
        const KURect<short>& box = GetControlRect();
        kvGS::KCStGSFrameStructWriter frame(
            writer, KURect<int>(box.top, box.left, box.bottom, box.right), 0);
        writer.DrawTheText(text, 0, kvGS::eGSLeft, kvGS::eGSVCenter);
    }
    // A small arrow at the right tells that a click opens a menu.
    const KURect<short> rect = GetControlRect();
    const short size = static_cast<short>(std::max(2, rect.Height() / 4));
    const auto midY = static_cast<short>((rect.top + rect.bottom) / 2);
    const auto right = static_cast<short>(rect.right - size);
    writer.DrawLine(Palette().text,
                    {static_cast<short>(right - size), static_cast<short>(midY - size / 2)},
                    {right, static_cast<short>(midY + size / 2)}, 1.0F, true);
    writer.DrawLine(Palette().text, {right, static_cast<short>(midY + size / 2)},
                    {static_cast<short>(right + size), static_cast<short>(midY - size / 2)}, 1.0F,
                    true);
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
