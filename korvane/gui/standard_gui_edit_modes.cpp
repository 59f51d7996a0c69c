// The designer's edit modes: controls moved and resized by hand, the layout written out.
#include "korvane/gui/standard_gui_edit_modes.h"

#include "korvane/gui/control_pages.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_xml.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"
#include "korvane/xml/xml_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kvKorvaneV10_0_3 {

using PluginViewManager::KCEventData;

namespace {

// `value` on the nearest multiple of `grid`; as it is without a grid.
int Snap(int value, short grid) {
    if (grid <= 0) {
        return value;
    }
    return static_cast<int>(std::lround(static_cast<double>(value) / grid)) * grid;
}

}  // namespace

void CKorvaneEditModes_X::SetMode(EEditMode mode) {
    if (mode == EEditMode::eOff) {
        Cancel();
    }
    m_mode = mode;
    m_gui.SetNeedToRedrawGUI();
}

void CKorvaneEditModes_X::Cancel() {
    m_dragging = false;
    m_resizing = false;
    m_grabbed = nullptr;
}

bool CKorvaneEditModes_X::MouseDown(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    if (event.GetMouseButtonPressed(PluginViewManager::eRightButton)) {
        static_cast<void>(DoEditPopupMenu(event));  // dismissed or done: nothing more to do
        return true;
    }
    const KCPoint2D<short> at = event.GetMouseLocation();
    KCGUIControl* control = m_gui.GetClickedControl(at, &event);
    const bool extend = event.GetKeyModifiers(eModShift);
    if (control == nullptr) {
        if (!extend) {
            m_gui.DeSelectAllControls();
        }
        return true;
    }
    // A plain press on a selected control moves the whole selection.
    if (extend || !control->IsSelected()) {
        m_gui.GetSelectionHome().AdjustSelectionToClick(control, extend);
    }
    const KURect<short> rect = control->GetControlRect();
    m_resizing = std::abs(at.x - rect.right) <= kResizeHandle &&
                 std::abs(at.y - rect.bottom) <= kResizeHandle;
    m_dragging = true;
    m_grabbed = control;
    m_last = at;
    m_press = at;
    m_grabbedCorner = m_resizing ? rect.BottomRight() : rect.TopLeft();
    m_gui.SetNeedToRedrawGUI();
    return true;
}

bool CKorvaneEditModes_X::MouseMove(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    if (!m_dragging || m_grabbed == nullptr) {
        return true;
    }
    const KCPoint2D<short> at = event.GetMouseLocation();
    // The grabbed corner follows the pointer's whole motion, wherever it was taken.
    const int x = Snap(m_grabbedCorner.x + at.x - m_press.x, m_snapGrid);
    const int y = Snap(m_grabbedCorner.y + at.y - m_press.y, m_snapGrid);
    const KURect<short> rect = m_grabbed->GetControlRect();
    if (m_resizing) {
        const int width = std::max<int>(kMinimumSize, x - rect.left);
        const int height = std::max<int>(kMinimumSize, y - rect.top);
        if (width != rect.Width() || height != rect.Height()) {
            m_grabbed->Resize(width, height);
            m_gui.SetNeedToRedrawGUI();
        }
    } else {
        MoveSelection(x - rect.left, y - rect.top);
    }
    m_last = at;
    return true;
}

bool CKorvaneEditModes_X::MouseUp(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    if (m_dragging) {
        MouseMove(event);
    }
    Cancel();
    return true;
}

bool CKorvaneEditModes_X::Key(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    const int step = event.GetKeyModifiers(eModShift) ? kShiftKeyStep : 1;
    switch (event.GetKeyCode()) {
        case PluginViewManager::eKeyLeft:
            MoveSelection(-step, 0);
            break;
        case PluginViewManager::eKeyRight:
            MoveSelection(step, 0);
            break;
        case PluginViewManager::eKeyUp:
            MoveSelection(0, -step);
            break;
        case PluginViewManager::eKeyDown:
            MoveSelection(0, step);
            break;
        default:
            break;
    }
    return true;
}

void CKorvaneEditModes_X::MoveSelection(int dx, int dy) {
    if (dx == 0 && dy == 0) {
        return;
    }
    for (KCGUIControl* control : m_gui.GetSelectedControls()) {
        control->Move(dx, dy);
    }
    m_gui.SetNeedToRedrawGUI();
}

void CKorvaneEditModes_X::WriteControlRectsToXML(XML::CXMLElement& list) const {
    m_gui.DoOnAllControls([&list](KCGUIControl& control) {
        XML::CXMLElement* element = list.AddSubElement("cCONTROLLER");
        element->SetAttrib("Name", control.GetName().c_str());
        XML::WriteToXML_KURect(element->AddSubElement("ControlRect"), control.GetControlRect());
    });
}

void CKorvaneEditModes_X::BuildPageTables(KCControlPageTableList& tables, const char* type) const {
    KCControlPageTable table;
    table.type = type != nullptr ? type : "";
    std::vector<std::string> names;
    m_gui.DoOnAllControls([&](KCGUIControl& control) {
        const std::string page(control.GetPageName().c_str());
        if (page.empty()) {
            return;
        }
        auto found = std::find(names.begin(), names.end(), page);
        if (found == names.end()) {
            names.push_back(page);
            table.pages.emplace_back();
            found = names.end() - 1;
        }
        KCControlPageEntry entry;
        entry.name = control.GetName().c_str();
        table.pages[static_cast<std::size_t>(found - names.begin())].controls.push_back(entry);
    });
    for (const KCControlPage& page : table.pages) {
        table.pageSize = std::max(table.pageSize, static_cast<int>(page.controls.size()));
    }
    tables.tables.push_back(std::move(table));
}

void CKorvaneEditModes_X::WritePageTablesToXML(XML::CXMLElement& parent, const char* type) const {
    KCControlPageTableList tables;
    tables.version = "1";
    BuildPageTables(tables, type);
    tables.WriteToXML(parent.AddSubElement("PageTables"));
}

KTErr CKorvaneEditModes_X::SetEditPopupMenu(PluginViewManager::KSMenu* menu) const {
    namespace PVM = PluginViewManager;
    const auto item = [](const char* text, EEditMenuItem id, bool enabled, bool checked) {
        PVM::KCMenuItemInfo info;
        info.text = text;
        info.userData = id;
        info.enabled = enabled;
        info.checked = checked;
        info.disableAutoSelection = true;  // the marks follow the state, not the last choice
        return info;
    };
    PVM::KCMenuItemInfo separator;
    separator.separator = true;
    separator.enabled = false;
    const bool canWrite = static_cast<bool>(m_output);
    for (const PVM::KCMenuItemInfo& info :
         {item("Move and Resize", eEditMenuMoveResize, true, IsOn()),
          item("Snap to Grid", eEditMenuSnapToGrid, true, m_snapGrid > 0), separator,
          item("Select All", eEditMenuSelectAll, true, false),
          item("Write Layout", eEditMenuWriteLayout, canWrite, false),
          item("Write Page Tables", eEditMenuWritePageTables, canWrite, false),
          item("Write Parameters", eEditMenuWriteParameters,
               canWrite && m_gui.GetAlgorithm() != nullptr, false),
          item("Write Preset", eEditMenuWritePreset, canWrite && m_gui.GetAlgorithm() != nullptr,
               false)}) {
        if (const KTErr err = PVM::AddMenuItem(menu, info); err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

KTErr CKorvaneEditModes_X::ApplyEditMenuItem(std::intptr_t item) {
    const auto write = [this](const char* what, const XML::CXMLElement& element) {
        if (!m_output) {
            return eWrongObjectState;
        }
        std::string text;
        XML::AppendXML(text, element, false, true, 0);
        m_output(what, text);
        return eNoErr;
    };
    switch (item) {
        case eEditMenuMoveResize:
            SetMode(IsOn() ? EEditMode::eOff : EEditMode::eMoveResize);
            return eNoErr;
        case eEditMenuSnapToGrid:
            SetSnapGrid(m_snapGrid > 0 ? 0 : kDefaultSnapGrid);
            return eNoErr;
        case eEditMenuSelectAll:
            static_cast<void>(m_gui.SelectAllControls());
            return eNoErr;
        case eEditMenuWriteLayout: {
            XML::CXMLElement list("Control_List", "");
            WriteControlRectsToXML(list);
            return write("Control_List", list);
        }
        case eEditMenuWritePageTables: {
            XML::CXMLElement parent("GUIXML", "");
            WritePageTablesToXML(parent, kPageTableType);
            return write("PageTables", *parent.GetSubElements().front());
        }
        case eEditMenuWriteParameters: {
            const cALGORITHM* alg = m_gui.GetAlgorithm();
            if (alg == nullptr) {
                return eWrongObjectState;
            }
            // The same shape as the plug-in's parameter resource, to compare or paste back.
            XML::CXMLElement list("ParamXML", "");
            alg->WriteParametersXML(list);
            return write("ParamXML", list);
        }
        case eEditMenuWritePreset: {
            cALGORITHM* alg = m_gui.GetAlgorithm();
            if (alg == nullptr || !m_output) {
                return eWrongObjectState;
            }
            // A "Preset" element as preset files hold it, to paste into a factory preset list.
            Preset::CPresetInfo preset;
            if (const int err = Preset::SavePresetFromAlg(CPublicAlg(*alg), preset); err != 0) {
                return static_cast<KTErr>(err);
            }
            XML::CXMLElement element("Preset", "");
            Preset::WriteToXML_CPresetInfo(preset, element);
            return write("Preset", element);
        }
        default:
            return eValueNotFound;
    }
}

KTErr CKorvaneEditModes_X::DoEditPopupMenu(const KCEventData& event) {
    namespace PVM = PluginViewManager;
    PVM::KSMenu* menu = nullptr;
    KTErr err = PVM::CreatePopupMenu(PVM::KCMenuCreationOptions{"Edit", false, false}, menu);
    if (err != eNoErr) {
        return err;
    }
    err = SetEditPopupMenu(menu);
    if (err == eNoErr) {
        PVM::KSMenu* chosenMenu = nullptr;
        PVM::KCMenuItemInfo chosen;
        err = PVM::ActivatePopup(menu, nullptr, event.GetMouseLocation(), chosenMenu, chosen);
        if (err == eNoErr) {
            err = ApplyEditMenuItem(chosen.userData);
        }
    }
    static_cast<void>(PVM::DisposeMenu(menu));
    return err;
}

}  // namespace kvKorvaneV10_0_3
