// The designer's edit modes: controls moved and resized by pointer and keys instead of
// changing values, and the layout written back as description XML.
#include "korvane/gui/standard_gui_edit_modes.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/gui/control_pages.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/knob_control.h"
#include "korvane/presets/preset_info.h"
#include "korvane/presets/preset_xml.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using PluginViewManager::KCEventData;
using test_support::ParseXML;
using test_support::TestAlgorithm;
using testing::KnobTypes;

class EditModes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui.AttachAlgorithm(&alg);
        ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
          <cCONTROLLER Name="Gain"><Class Type="Knob"/>
            <ControlRect left='0' top='0' width='40' height='40'/>
            <ParameterList><Param Name="Gain"><MouseVertical/><MouseWheelVertical/></Param>
            </ParameterList></cCONTROLLER>
          <cCONTROLLER Name="Mode"><Class Type="Knob"/>
            <ControlRect left='50' top='0' width='40' height='40'/>
            <ParameterList><Param Name="Mode"><MouseVertical/></Param></ParameterList>
          </cCONTROLLER>
        </Control_List></GUIXML>)")),
                  eNoErr);
        ASSERT_EQ(gui.FinishCreate(), 0);
        gui.GetEditModes().SetMode(EEditMode::eMoveResize);
    }
    static KCEventData At(KCPoint2D<short> where, bool down, bool shift = false) {
        KCEventData event;
        event.SetMouseLocation(where);
        event.SetMouseDownLocation(where);
        event.SetMouseClickCount(PluginViewManager::eSingleClick);
        event.SetMouseButtonPressed(PluginViewManager::eLeftButton, down);
        event.SetKeyModifier(eModShift, shift);
        return event;
    }
    void Drag(KCPoint2D<short> from, KCPoint2D<short> to, bool shift = false) {
        KCEventData event = At(from, true, shift);
        gui.DoMouseDown(event);
        event.SetMouseLocation(to);
        gui.DoMouseMove(event);
        event.SetMouseButtonPressed(PluginViewManager::eLeftButton, false);
        gui.DoMouseUp(event);
    }
    KURect<short> Rect(const char* name) { return gui.GetControlPtrByName(name)->GetControlRect(); }
    static KURect<short> LTWH(short left, short top, short width, short height) {
        return {top, left, static_cast<short>(top + height), static_cast<short>(left + width)};
    }

    KnobTypes types;
    TestAlgorithm alg;
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui{none};
};

TEST_F(EditModes, DraggingMovesOrResizesAControlAndLeavesItsValue) {
    const double gain = alg.GetParamState(TestAlgorithm::kGain);
    Drag({20, 20}, {30, 25});
    EXPECT_EQ(Rect("Gain"), LTWH(10, 5, 40, 40)) << "moved by the pointer's motion";
    EXPECT_EQ(Rect("Mode"), LTWH(50, 0, 40, 40));
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), gain) << "no value changes";
    EXPECT_FALSE(gui.IsMouseCaptured());
    EXPECT_EQ(gui.GetSelectedController(), gui.GetControlPtrByName("Gain"));

    // The bottom-right corner resizes, never below the minimum.
    Drag({49, 44}, {59, 64});
    EXPECT_EQ(Rect("Gain"), LTWH(10, 5, 50, 60));
    Drag({59, 64}, {0, 0});
    EXPECT_EQ(Rect("Gain"),
              LTWH(10, 5, CKorvaneEditModes_X::kMinimumSize, CKorvaneEditModes_X::kMinimumSize));

    // The wheel changes nothing either.
    KCEventData wheel = At({60, 20}, false);
    wheel.SetMouseWheelDelta(3);
    gui.DoMouseWheel(wheel);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), gain);

    // Off again, a drag changes the value and moves nothing.
    gui.GetEditModes().SetMode(EEditMode::eOff);
    const double mode = alg.GetParamState(TestAlgorithm::kMode);
    Drag({70, 20}, {70, -300});
    EXPECT_EQ(Rect("Mode"), LTWH(50, 0, 40, 40));
    EXPECT_NE(alg.GetParamState(TestAlgorithm::kMode), mode);
}

TEST_F(EditModes, KeysAndShiftMoveTheWholeSelection) {
    Drag({20, 20}, {20, 20});
    Drag({70, 20}, {70, 20}, true);
    ASSERT_EQ(gui.GetNumSelectedControllers(), 2U);
    bool handled = false;
    KCEventData key = At({0, 0}, false);
    key.SetKey(PluginViewManager::eKeyRight, 0);
    gui.DoKey(key, handled);
    EXPECT_TRUE(handled);
    key.SetKey(PluginViewManager::eKeyDown, 0);
    key.SetKeyModifier(eModShift, true);
    gui.DoKey(key, handled);
    EXPECT_EQ(Rect("Gain"), LTWH(1, CKorvaneEditModes_X::kShiftKeyStep, 40, 40));
    EXPECT_EQ(Rect("Mode"), LTWH(51, CKorvaneEditModes_X::kShiftKeyStep, 40, 40));
    // A plain press on a selected control drags the whole selection.
    Drag({21, 20}, {26, 20});
    EXPECT_EQ(Rect("Gain").left, 6);
    EXPECT_EQ(Rect("Mode").left, 56);
    // A press on nothing clears it.
    Drag({200, 200}, {210, 210});
    EXPECT_EQ(gui.GetNumSelectedControllers(), 0U);
}

TEST_F(EditModes, DeactivationEndsADragAndTheLayoutIsWrittenBack) {
    KCEventData event = At({20, 20}, true);
    gui.DoMouseDown(event);
    event.SetMouseLocation({25, 20});
    gui.DoMouseMove(event);
    EXPECT_TRUE(gui.GetEditModes().IsDragging());
    gui.DeactivateWindow();
    EXPECT_FALSE(gui.GetEditModes().IsDragging());
    event.SetMouseLocation({60, 20});
    gui.DoMouseMove(event);
    EXPECT_EQ(Rect("Gain"), LTWH(5, 0, 40, 40)) << "moves after the end move nothing";

    XML::CXMLElement list("Control_List", "");
    gui.GetEditModes().WriteControlRectsToXML(list);
    ASSERT_EQ(list.GetSubElements().size(), 2U);
    const XML::CXMLElement* first = list.GetSubElements()[0];
    std::string name;
    ASSERT_TRUE(first->GetAttrib("Name", name));
    EXPECT_EQ(name, "Gain");
    KURect<short> read;
    ASSERT_EQ(XML::ReadFromXML_KURect(first->SubElement("ControlRect"), read), eNoErr);
    EXPECT_EQ(read, Rect("Gain")) << "what is written reads back";
}

TEST_F(EditModes, SnappingPutsTheGrabbedCornerOnTheGrid) {
    CKorvaneEditModes_X& modes = gui.GetEditModes();
    gui.GetControlPtrByName("Mode")->Move(100, 0);  // out of the way
    modes.SetSnapGrid(8);
    // Moved by (13, 3): the corner lands on (16, 0), the nearest grid point.
    Drag({20, 20}, {33, 23});
    EXPECT_EQ(Rect("Gain"), LTWH(16, 0, 40, 40));
    // Small motions in several moves do not creep: rounding starts from the press each time.
    KCEventData event = At({20, 20}, true);
    gui.DoMouseDown(event);
    for (short x = 21; x <= 23; ++x) {
        event.SetMouseLocation({x, 20});
        gui.DoMouseMove(event);
    }
    event.SetMouseButtonPressed(PluginViewManager::eLeftButton, false);
    gui.DoMouseUp(event);
    EXPECT_EQ(Rect("Gain"), LTWH(16, 0, 40, 40)) << "three pixels is less than half a step";
    // Resizing snaps the bottom-right corner: (56, 40) dragged by (5, 13) lands on (64, 56).
    Drag({55, 39}, {60, 52});
    EXPECT_EQ(Rect("Gain"), LTWH(16, 0, 48, 56));
    // Keys still nudge by the pixel; a negative grid is off.
    bool handled = false;
    KCEventData key = At({0, 0}, false);
    key.SetKey(PluginViewManager::eKeyRight, 0);
    gui.DoKey(key, handled);
    EXPECT_EQ(Rect("Gain").left, 17);
    modes.SetSnapGrid(-4);
    EXPECT_EQ(modes.GetSnapGrid(), 0);
    Drag({30, 20}, {33, 21});
    EXPECT_EQ(Rect("Gain"), LTWH(20, 1, 48, 56));
}

TEST_F(EditModes, ThePagesAreWrittenAsAPageTableThatReadsBack) {
    KCGUIControl* gain = gui.GetControlPtrByName("Gain");
    KCGUIControl* mode = gui.GetControlPtrByName("Mode");
    mode->SetPageName("Main");
    gain->SetPageName("Extra");
    XML::CXMLElement parent("GUIXML", "");
    gui.GetEditModes().WritePageTablesToXML(parent, "Tabs");
    ASSERT_EQ(parent.GetSubElements().size(), 1U);
    KCControlVisibilityPageTableList read;
    read.ReadFromXML(parent.GetSubElements().front());
    ASSERT_EQ(read.tables.size(), 1U);
    const KCControlPageTable& table = read.tables.front();
    EXPECT_EQ(table.type, "Tabs");
    EXPECT_EQ(table.pageSize, 1);
    ASSERT_EQ(table.pages.size(), 2U);
    EXPECT_EQ(table.pages[0].controls.front().name, "Gain") << "pages in the order first named";
    EXPECT_EQ(table.pages[1].controls.front().name, "Mode");
    std::vector<KCFixedString<63>> names;
    read.GetControNamesListByPageTableType("Tabs", names);
    EXPECT_EQ(names.size(), 2U);

    // A control without a page shows on every page and is in none; an empty GUI writes an
    // empty table.
    mode->SetPageName("");
    KCControlPageTableList tables;
    gui.GetEditModes().BuildPageTables(tables, "Tabs");
    ASSERT_EQ(tables.tables.size(), 1U);
    ASSERT_EQ(tables.tables.front().pages.size(), 1U);
    EXPECT_EQ(tables.tables.front().pages.front().controls.size(), 1U);
    gain->SetPageName("");
    tables.tables.clear();
    gui.GetEditModes().BuildPageTables(tables, "Tabs");
    EXPECT_TRUE(tables.tables.front().pages.empty());
    EXPECT_EQ(tables.tables.front().pageSize, 0);
}

TEST_F(EditModes, TheRightButtonsMenuTogglesSnappingSelectsAndWritesTheDumps) {
    namespace PVM = PluginViewManager;
    // The user picks the item whose text the test names; the menu shown is kept to look at.
    std::string pick;
    std::vector<PVM::KCMenuItemInfo> shown;
    PVM::SetPopupPresenter([&](const PVM::KSMenu& menu, PVM::KSPluginView*, KCPoint2D<short>,
                               PVM::KCPopupMenuItemData& chosen) {
        shown.clear();
        for (int i = 0; i < PVM::GetMenuItemCount(&menu); ++i) {
            PVM::KCMenuItemInfo info;
            EXPECT_EQ(PVM::GetMenuItemByIndex(&menu, i, info), eNoErr);
            if (info.text == pick) {
                chosen = {&menu, i};
            }
            shown.push_back(info);
        }
        return chosen.index >= 0;
    });
    const auto rightClick = [this](KCPoint2D<short> where) {
        KCEventData event = At(where, false);
        event.SetMouseButtonPressed(PVM::eRightButton, true);
        gui.DoMouseDown(event);
        event.SetMouseButtonPressed(PVM::eRightButton, false);
        gui.DoMouseUp(event);
    };
    CKorvaneEditModes_X& modes = gui.GetEditModes();

    pick = "Snap to Grid";
    rightClick({20, 20});
    EXPECT_EQ(modes.GetSnapGrid(), CKorvaneEditModes_X::kDefaultSnapGrid);
    ASSERT_EQ(shown.size(), 8U);
    EXPECT_TRUE(shown[0].IsChecked()) << "the mode is on";
    EXPECT_FALSE(shown[1].IsChecked());
    EXPECT_FALSE(shown[4].enabled) << "no output: nothing to write to";
    EXPECT_EQ(Rect("Gain"), LTWH(0, 0, 40, 40)) << "a right press moves nothing";

    pick = "Select All";
    rightClick({200, 200});
    EXPECT_TRUE(shown[1].IsChecked());
    EXPECT_EQ(gui.GetNumSelectedControllers(), 2U);

    std::vector<std::pair<std::string, std::string>> written;
    modes.SetOutput(
        [&written](const char* what, const std::string& xml) { written.emplace_back(what, xml); });
    gui.GetControlPtrByName("Mode")->SetPageName("Main");
    pick = "Write Layout";
    rightClick({200, 200});
    pick = "Write Page Tables";
    rightClick({200, 200});
    pick = "Write Parameters";
    rightClick({200, 200});
    alg.UpdateParamState(TestAlgorithm::kGain, 700);
    pick = "Write Preset";
    rightClick({200, 200});
    ASSERT_EQ(written.size(), 4U);
    EXPECT_EQ(written[0].first, "Control_List");
    const XML::CXMLElement layout = ParseXML(written[0].second);
    EXPECT_EQ(layout.GetSubElements().size(), 2U) << "the text parses back";
    EXPECT_EQ(written[1].first, "PageTables");
    KCControlVisibilityPageTableList tables;
    XML::CXMLElement root = ParseXML(written[1].second);
    tables.ReadFromXML(&root);
    ASSERT_EQ(tables.tables.size(), 1U);
    EXPECT_EQ(tables.tables.front().type, CKorvaneEditModes_X::kPageTableType);
    // The parameter list reads back into as many parameters as the algorithm has.
    EXPECT_EQ(written[2].first, "ParamXML");
    TestAlgorithm again;
    EXPECT_EQ(again.ReadParametersXML(ParseXML(written[2].second)),
              static_cast<int>(alg.GetNumParams()));
    // The preset reads back with the present values.
    EXPECT_EQ(written[3].first, "Preset");
    const XML::CXMLElement presetXML = ParseXML(written[3].second);
    Preset::CPresetInfo preset;
    Preset::ReadHeadersFromXML_CPresetInfo(&presetXML, preset);
    Preset::ReadDataFromXML_CPresetInfo(&presetXML, preset);
    const Preset::sPresetData* setupA = preset.GetSetupPresetData(eSetupA);
    ASSERT_NE(setupA, nullptr);
    ASSERT_GT(setupA->realWorld.size(), static_cast<std::size_t>(TestAlgorithm::kGain));
    EXPECT_NE(alg.GetParamRealWorld(TestAlgorithm::kGain), 0.0) << "not the default";
    EXPECT_DOUBLE_EQ(setupA->realWorld[TestAlgorithm::kGain],
                     alg.GetParamRealWorld(TestAlgorithm::kGain));

    EXPECT_EQ(modes.ApplyEditMenuItem(0), eValueNotFound);
    modes.SetOutput({});
    EXPECT_EQ(modes.ApplyEditMenuItem(eEditMenuWriteLayout), eWrongObjectState);
    pick = "Move and Resize";
    rightClick({20, 20});
    EXPECT_FALSE(modes.IsOn());
    PVM::SetPopupPresenter({});
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
