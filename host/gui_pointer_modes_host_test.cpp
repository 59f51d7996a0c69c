// The standard GUI's pointer modes driven through the view manager's dispatcher on the
// reference host: toolbar buttons that run their commands, the selection rectangle, draw mode
// across a row of sliders, and the pointer hidden while a control is dragged.
#include "host/gui_host_fixture.h"

#include "korvane/gui/pvm/event_dispatcher.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/view_requests.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/knob_control.h"
#include "korvane/gui/testing/widget_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace KorvaneHost::testing;  // the shared fixture and its names
using kvKorvaneV10_0_3::CStandardGUI_X;
using kvKorvaneV10_0_3::eGUIFlagNoSelectRect;
using kvKorvaneV10_0_3::eModShift;
using kvKorvaneV10_0_3::eSetupA;
using kvKorvaneV10_0_3::eSetupB;
using kvKorvaneV10_0_3::KCGUIControl;
using kvKorvaneV10_0_3::KCPoint2D;
using kvKorvaneV10_0_3::KURect;
using kvKorvaneV10_0_3::testing::KnobTypes;

// 300 x 200: two knobs at the top left, two toolbar buttons at the top right, and a row of
// three vertical sliders (20 wide, 100 high, 10 apart) that are drawn across.
constexpr const char* kWindow = R"(<GUIXML version="4">
  <ViewRect_List><Rect Top="0" Left="0" Bottom="200" Right="300"/></ViewRect_List>
  <ToolBarControl_List>
    <ToolButton Name="Reset" type="Reset"><ControlRect Top="0" Left="200" Bottom="20" Right="240"/></ToolButton>
    <ToolButton Name="AB" type="Switch"><ControlRect Top="0" Left="250" Bottom="20" Right="290"/></ToolButton>
  </ToolBarControl_List>
  <Control_List>
  <cCONTROLLER Name="GainKnob"><Class Type="Knob"/>
    <ControlRect left='0' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Gain"><MouseVertical/></Param></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="ShownKnob"><Class Type="Knob"/><Flags><DisplayCursor/></Flags>
    <ControlRect left='50' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Gain"><MouseVertical/></Param></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="SA"><Class Type="Slider"/><ControlRect left="0" top="100" width="20" height="100"/>
    <Slit><ThumbSize width="20" height="10"/></Slit>
    <ParameterList><Param Name="A"><MouseDrawHorizontal/></Param></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="SB"><Class Type="Slider"/><ControlRect left="30" top="100" width="20" height="100"/>
    <Slit><ThumbSize width="20" height="10"/></Slit>
    <ParameterList><Param Name="B"><MouseDrawHorizontal/></Param></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="SC"><Class Type="Slider"/><ControlRect left="60" top="100" width="20" height="100"/>
    <Slit><ThumbSize width="20" height="10"/></Slit>
    <ParameterList><Param Name="C"><MouseDrawHorizontal/></Param></ParameterList></cCONTROLLER>
  </Control_List></GUIXML>)";

constexpr PVM::KCEventData::Point kGainKnob{20, 20};
constexpr PVM::KCEventData::Point kShownKnob{70, 20};
constexpr PVM::KCEventData::Point kResetButton{220, 10};
constexpr PVM::KCEventData::Point kSwitchButton{270, 10};
constexpr PVM::KCEventData::Point kNowhere{150, 60};
constexpr unsigned int kA = AutomationTestAlgorithm::kA;
constexpr unsigned int kB = AutomationTestAlgorithm::kB;
constexpr unsigned int kC = AutomationTestAlgorithm::kC;

class GUIPointerModesOnHost : public GUIHostTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GUIHostTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(BuildGUI(gui, kWindow, 5));
        ASSERT_EQ(gui.GetNumToolbarButtons(), 2U);
        gui.SetPluginView(&view);
        Settle();
    }

    // Press, moves and release of the left button through the dispatcher.
    void Gesture(PVM::KCEventData::Point from, const std::vector<PVM::KCEventData::Point>& moves,
                 PVM::KCEventData::Point to, const PVM::KTModifierState& modifiers = {}) {
        clock += 1'000'000;  // never a double click
        ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, from, modifiers));
        for (const auto& where : moves) {
            clock += 10'000;
            dispatcher.Motion(where, modifiers);
            host.ProcessBlock();
        }
        clock += 10'000;
        ASSERT_TRUE(dispatcher.ButtonRelease(PVM::eLeftButton, to, modifiers));
        host.ProcessBlock();
    }
    void Click(PVM::KCEventData::Point where) { Gesture(where, {}, where); }

    std::vector<std::string> Selected() {
        std::vector<std::string> names;
        for (const KCGUIControl* control : gui.GetSelectedControls()) {
            names.emplace_back(control->GetName().c_str());
        }
        return names;
    }
    PVM::KCImagePixels Render() { return kvKorvaneV10_0_3::testing::RenderGUI(gui); }
    KnobTypes types;
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui{none};
    PVM::KCRecordingView view;
    std::uint64_t clock = 1'000'000;
    PVM::KCEventDispatcher dispatcher{&gui, [this] { return clock; }};
    const std::vector<int> kOneGesture{PM::eSelAutomationTouch, PM::eSelAutomationRelease};
};

TEST_F(GUIPointerModesOnHost, AClickOnAToolbarButtonRunsItsCommand) {
    Gesture(kGainKnob, {{20, 10}, {20, 0}}, {20, 0});
    const double reset = 0;  // the gain's reset state
    ASSERT_NE(alg.GetParamState(kGain), reset);
    host.Events().Clear();

    Click(kResetButton);
    EXPECT_EQ(alg.GetParamState(kGain), reset);
    EXPECT_NEAR(host.ReadCoefficient(static_cast<int>(kGain)).value_or(-1),
                AutomationTestAlgorithm::CoefValue(reset), 1e-6)
        << "the reset reached the host";
    EXPECT_EQ(gui.GetPressedToolbarButton(), nullptr);
    EXPECT_FALSE(gui.IsMouseCaptured());
    EXPECT_FALSE(view.IsCursorHidden()) << "a button is not dragged";

    // A press that slides off the button before the release does nothing.
    ASSERT_EQ(alg.GetActiveSetup(), eSetupA);
    Gesture(kSwitchButton, {{270, 40}}, {270, 40});
    EXPECT_EQ(alg.GetActiveSetup(), eSetupA);
    Click(kSwitchButton);
    EXPECT_EQ(alg.GetActiveSetup(), eSetupB);

    // The buttons take no press that lands on a control, and a control is no button.
    Gesture(kGainKnob, {{20, 10}}, {20, 10});
    EXPECT_EQ(alg.GetActiveSetup(), eSetupB);
    EXPECT_NE(alg.GetParamState(kGain), reset) << "the knob took the drag";
    ExpectCleanHost();
}

TEST_F(GUIPointerModesOnHost, ADragOnEmptySpaceSelectsTheControlsItsRectangleTouches) {
    const PVM::KCImagePixels before = Render();
    ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, {45, 60}, {}));
    EXPECT_TRUE(gui.IsSelectingRect());
    // A slider counts when the rectangle touches its thumb (at the bottom, state 0).
    dispatcher.Motion({5, 199}, {});
    EXPECT_EQ(gui.GetSelectRect(), (KURect<short>(60, 5, 199, 45)));
    EXPECT_EQ(Selected(), (std::vector<std::string>{"SA", "SB"})) << "live, while dragging";
    EXPECT_TRUE(gui.NeedToRedrawGUI());
    // The rectangle is drawn inverted over what lies under it, and only there.
    const PVM::KCImagePixels during = Render();
    EXPECT_NE(during.At(25, 80), before.At(25, 80));
    EXPECT_EQ(during.At(25, 50), before.At(25, 50));
    EXPECT_EQ(during.At(150, 80), before.At(150, 80));

    // Dragging back shrinks it: SA leaves the selection.
    dispatcher.Motion({25, 199}, {});
    EXPECT_EQ(Selected(), (std::vector<std::string>{"SB"}));
    dispatcher.Motion({5, 199}, {});
    ASSERT_TRUE(dispatcher.ButtonRelease(PVM::eLeftButton, {5, 199}, {}));
    EXPECT_FALSE(gui.IsSelectingRect());
    EXPECT_EQ(gui.GetSelectRect().Width(), 0) << "the rectangle goes at the release";
    EXPECT_EQ(Selected(), (std::vector<std::string>{"SA", "SB"})) << "its selection stays";
    EXPECT_EQ(Render().At(25, 80), before.At(25, 80));

    // With Shift a rectangle adds to the selection.
    PVM::KTModifierState shift{};
    shift[eModShift] = true;
    Gesture({95, 60}, {{65, 199}}, {65, 199}, shift);
    EXPECT_EQ(Selected(), (std::vector<std::string>{"SA", "SB", "SC"}));

    // Without a rectangle (the GUI's "NoSelectRect"), a press on nothing only clears it.
    gui.SetGUIFlag(eGUIFlagNoSelectRect, true);
    Gesture({45, 60}, {{5, 199}}, {5, 199});
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(gui.GetSelectRect().Width(), 0);
    EXPECT_TRUE(host.Events().Of(PM::eSelAutomationTouch).empty()) << "no parameter moved";
    ExpectCleanHost();
}

TEST_F(GUIPointerModesOnHost, DrawingAcrossSlidersSetsEachToThePointerAndPairsTheirGestures) {
    for (const unsigned int p : {kA, kB, kC}) {
        kvKorvaneV10_0_3::BUFFER_HEADER* chain = alg.UpdateParamState(p, 500);
        alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
    }
    host.ProcessBlock();
    gui.RecordUndo(kvKorvaneV10_0_3::Undo::eInsertNoMerge,
                   kvKorvaneV10_0_3::Undo::eUndoTypeParameters);
    host.Events().Clear();

    ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, {10, 150}, {}));
    EXPECT_TRUE(gui.IsInDrawMode());
    EXPECT_FALSE(view.IsCursorHidden()) << "the pointer is what draws";
    for (const PVM::KCEventData::Point where :
         {PVM::KCEventData::Point{25, 130}, {40, 110}, {55, 150}, {70, 190}}) {
        dispatcher.Motion(where, {});
        host.ProcessBlock();
    }
    ASSERT_TRUE(dispatcher.ButtonRelease(PVM::eLeftButton, {70, 190}, {}));
    host.ProcessBlock();
    EXPECT_FALSE(gui.IsInDrawMode());

    EXPECT_NEAR(alg.GetParamState(kA), 500, 1) << "the pressed slider keeps its hold";
    EXPECT_GT(alg.GetParamState(kB), 900) << "drawn near its top";
    EXPECT_LT(alg.GetParamState(kC), 100) << "drawn near its bottom";
    for (const std::int64_t control : {kAAutomation, kBAutomation, kCAutomation}) {
        EXPECT_EQ(Gestures(control), kOneGesture) << "control " << control;
    }
    EXPECT_TRUE(Gestures(kGainAutomation).empty());
    EXPECT_NEAR(host.ReadCoefficient(static_cast<int>(kB)).value_or(-1),
                AutomationTestAlgorithm::CoefValue(alg.GetParamState(kB)), 1e-6);
    ExpectCleanHost();

    // The whole stroke is one undo step.
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_EQ(alg.GetParamState(kB), 500);
    EXPECT_EQ(alg.GetParamState(kC), 500);
}

TEST_F(GUIPointerModesOnHost, TheViewHidesThePointerWhileAKnobIsDragged) {
    ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, kGainKnob, {}));
    EXPECT_TRUE(view.IsCaptured());
    EXPECT_TRUE(view.IsCursorHidden());
    EXPECT_TRUE(gui.IsCursorHidden());
    dispatcher.Motion({20, 5}, {});
    EXPECT_TRUE(view.IsCursorHidden());
    ASSERT_TRUE(dispatcher.ButtonRelease(PVM::eLeftButton, {20, 5}, {}));
    host.ProcessBlock();
    EXPECT_FALSE(view.IsCursorHidden());
    EXPECT_FALSE(view.IsCaptured());
    KCPoint2D<short> where;
    ASSERT_TRUE(view.GetCursorPosition(where));
    EXPECT_EQ(where, (KCPoint2D<short>(kGainKnob))) << "back where the drag started";
    EXPECT_EQ(view.GetHideCount(), 1);

    // A knob flagged to keep the pointer shown, and a click on nothing, never hide it.
    Gesture(kShownKnob, {{70, 10}}, {70, 10});
    Gesture(kNowhere, {{150, 70}}, {150, 70});
    EXPECT_EQ(view.GetHideCount(), 1);

    // A press that ends with the focus lost shows the pointer again.
    ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, kGainKnob, {}));
    EXPECT_TRUE(view.IsCursorHidden());
    ASSERT_TRUE(dispatcher.FocusLost());
    host.ProcessBlock();
    EXPECT_FALSE(view.IsCursorHidden());
    EXPECT_FALSE(gui.IsCursorHidden());

    // A view attached during a drag hides the pointer; the old one shows it again.
    PVM::KCRecordingView other;
    ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, kGainKnob, {}));
    gui.SetPluginView(&other);
    EXPECT_FALSE(view.IsCursorHidden());
    EXPECT_TRUE(other.IsCursorHidden());
    ASSERT_TRUE(dispatcher.ButtonRelease(PVM::eLeftButton, kGainKnob, {}));
    EXPECT_FALSE(other.IsCursorHidden());
    gui.SetPluginView(nullptr);
    host.ProcessBlock();
    ExpectCleanHost();
}

}  // namespace
