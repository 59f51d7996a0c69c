// The designer's edit modes: controls moved and resized by pointer and keys instead of
// changing values, and the layout written back as description XML.
#include "korvane/gui/standard_gui_edit_modes.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/knob_control.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <gtest/gtest.h>

#include <string>
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

}  // namespace
}  // namespace kvKorvaneV10_0_3
