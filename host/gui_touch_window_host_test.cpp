// The standard GUI's other input paths end to end on the reference host: touch and pinch, the
// window losing the activation in the middle of a gesture, the wheel and key steps a plug-in
// overrides, markers that overlap, and selection by name.
#include "host/gui_host_fixture.h"

#include "korvane/gui/gui_description.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/knob_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

using namespace KorvaneHost::testing;  // the shared fixture and its names
using kvKorvaneV10_0_3::CStandardGUI_X;
using kvKorvaneV10_0_3::eModShift;
using kvKorvaneV10_0_3::eTouchDown;
using kvKorvaneV10_0_3::eTouchMove;
using kvKorvaneV10_0_3::eTouchUp;
using kvKorvaneV10_0_3::KCGUIControl;
using kvKorvaneV10_0_3::KSPinchGesture;
using kvKorvaneV10_0_3::RegisterGUIControlType;
using kvKorvaneV10_0_3::testing::Knob;
using kvKorvaneV10_0_3::testing::KnobTypes;
using Point = PVM::KCEventData::Point;

// Three knobs in a row; a pinch zoom over the gain; below them a graph with two markers that
// overlap between x 15 and 30, and a knob that is never part of a multiple selection; a knob
// only the wheel turns and one only keys step, on continuous parameters whose every state is a
// shown value.
constexpr const char* kWindow = R"(<GUIXML version="4"><Control_List>
  <cCONTROLLER Name="GainKnob"><Class Type="Knob"/>
    <ControlRect left='0' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Gain"><MouseVertical/><MouseWheelVertical/></Param>
    </ParameterList></cCONTROLLER>
  <cCONTROLLER Name="FreqKnob"><Class Type="Knob"/>
    <ControlRect left='50' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Frequency"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="ModeKnob"><Class Type="Knob"/>
    <ControlRect left='100' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Mode"><MouseVertical/><MouseWheelVertical/></Param>
    </ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Zoom"><Class Type="Knob"/>
    <ControlRect left='150' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Gain"><TouchPinchVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="Curve"><Class Type="Knob"/>
    <ControlRect left='0' top='50' width='100' height='40'/>
    <ParameterList><Param Name="Mode"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="LowMark"><Class Type="TestMarker"/>
    <ControlRect left='0' top='50' width='30' height='20'/>
    <ParameterList><Param Name="Gain"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="HighMark"><Class Type="TestMarker"/>
    <ControlRect left='15' top='50' width='30' height='20'/>
    <ParameterList><Param Name="Frequency"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="Alone"><Class Type="Knob"/><Flags><NoMultipleSelection/></Flags>
    <ControlRect left='150' top='50' width='40' height='40'/>
    <ParameterList><Param Name="Mode"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="WheelKnob"><Class Type="Knob"/>
    <ControlRect left='200' top='0' width='40' height='40'/>
    <ParameterList><Param Name="A"><MouseWheelVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="KeyKnob"><Class Type="Knob"/>
    <ControlRect left='200' top='50' width='40' height='40'/>
    <ParameterList><Param Name="C"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="Cover"><Class Type="Knob"/><Flags><Hidden/></Flags>
    <ControlRect left='0' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Mode"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
</Control_List></GUIXML>)";

constexpr Point kGainKnob{20, 20};
constexpr Point kFreqKnob{70, 20};
constexpr Point kModeKnob{120, 20};
constexpr Point kZoom{170, 20};

// A marker for the tests: a knob under a type named like a marker.
struct MarkerTypes {
    MarkerTypes() {
        RegisterGUIControlType("TestMarker", [](CStandardGUI_X& gui) {
            return std::unique_ptr<KCGUIControl>(std::make_unique<Knob>(&gui));
        });
    }
    ~MarkerTypes() { RegisterGUIControlType("TestMarker", nullptr); }
    MarkerTypes(const MarkerTypes&) = delete;
    MarkerTypes& operator=(const MarkerTypes&) = delete;
};

// A plug-in's GUI whose wheel notch counts double, and whose Page Up key is the Up arrow.
struct HookedGUI : CStandardGUI_X {
    using CStandardGUI_X::CStandardGUI_X;
    int wheelCalls = 0;
    int keyCalls = 0;

protected:
    void ModifyControlsOnMouseWheel(const PVM::KCEventData& event, KCGUIControl& control) override {
        ++wheelCalls;
        PVM::KCEventData doubled = event;
        doubled.SetMouseWheelDelta(event.GetMouseWheelDelta() * 2);
        CStandardGUI_X::ModifyControlsOnMouseWheel(doubled, control);
    }
    bool ModifyControlsOnKey(const PVM::KCEventData& event, KCGUIControl& control) override {
        ++keyCalls;
        PVM::KCEventData mapped = event;
        if (event.GetKeyCode() == PVM::eKeyPageUp) {
            mapped.SetKey(PVM::eKeyUp, 0);
        }
        return CStandardGUI_X::ModifyControlsOnKey(mapped, control);
    }
};

class GUIInputOnHost : public GUIHostTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GUIHostTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(BuildGUI(gui, kWindow, 11));
    }

    void Press(Point where) {
        PVM::KCEventData event = At(where, true);
        gui.DoMouseDown(event);
    }
    void Move(Point where) {
        PVM::KCEventData event = At(where, true);
        gui.DoMouseMove(event);
        host.ProcessBlock();
    }
    void Release(Point where) {
        PVM::KCEventData event = At(where);
        gui.DoMouseUp(event);
        host.ProcessBlock();
    }
    void Touch(Point where, kvKorvaneV10_0_3::ETouchPhase phase) {
        PVM::KCEventData event;
        event.SetMouseLocation(where);
        gui.DoSingleTouch(event, phase);
        host.ProcessBlock();
    }
    KCGUIControl* Control(const char* name) { return gui.GetControlPtrByName(name); }

    KnobTypes types;
    MarkerTypes markers;
    KTResContainerType* none = nullptr;
    HookedGUI gui{none};
};

TEST_F(GUIInputOnHost, ATouchDragsLikeTheMouseAsOneGestureAndOneUndoStep) {
    const double before = alg.GetParamState(kGain);
    Touch(kGainKnob, eTouchDown);
    EXPECT_TRUE(gui.IsTouchActive());
    EXPECT_EQ(gui.GetSelectedController(), Control("GainKnob"));
    Touch(Up(kGainKnob, 10), eTouchMove);
    Touch(Up(kGainKnob, 20), eTouchMove);
    const double dragged = alg.GetParamState(kGain);
    EXPECT_GT(dragged, before) << "an upward finger raises the gain";

    // The mouse waits for the finger.
    Press(kModeKnob);
    EXPECT_FALSE(gui.IsMouseCaptured());
    Touch(Up(kGainKnob, 20), eTouchUp);
    EXPECT_FALSE(gui.IsTouchActive());
    EXPECT_EQ(alg.GetParamState(kGain), dragged);
    EXPECT_EQ(Gestures(kGainAutomation), Paired(1));
    EXPECT_TRUE(Gestures(kModeAutomation).empty());
    EXPECT_EQ(host.Events().Of(PM::eSelAutomationValue).size(), 2U) << "one value per move";
    ExpectCleanHost();
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_EQ(alg.GetParamState(kGain), before);

    // A parameter that does not follow the drag updates once, when the finger lifts.
    const int calls = alg.updateParamCalls.load();
    Touch(kFreqKnob, eTouchDown);
    Touch(Up(kFreqKnob, 15), eTouchMove);
    EXPECT_EQ(alg.updateParamCalls.load(), calls);
    Touch(Up(kFreqKnob, 15), eTouchUp);
    EXPECT_EQ(alg.updateParamCalls.load(), calls + 1);
    EXPECT_EQ(Gestures(kFreqAutomation), Paired(1));
    ExpectCleanHost();
}

TEST_F(GUIInputOnHost, ASecondFingerEndsTheTouchAndPinches) {
    const double before = alg.GetParamState(kGain);
    gui.DoTouch({{7, kZoom, eTouchDown}});
    host.ProcessBlock();
    EXPECT_TRUE(gui.IsTouchActive());
    gui.DoTouch({{7, kZoom, eTouchMove}, {9, {180, 30}, eTouchDown}});
    host.ProcessBlock();
    EXPECT_FALSE(gui.IsTouchActive()) << "the single touch ended when the second finger came";
    EXPECT_EQ(Gestures(kGainAutomation), Paired(1));
    // The fingers spread by 12 pixels vertically: the zoom's pinch registration moves.
    gui.DoTouch({{7, {160, 14}, eTouchMove}, {9, {180, 36}, eTouchMove}});
    host.ProcessBlock();
    const double pinched = alg.GetParamState(kGain);
    EXPECT_NEAR(pinched - before, 12.0, 2.5) << "the spread, in state units";
    EXPECT_EQ(Gestures(kGainAutomation), Paired(2)) << "each pinch step is a gesture";
    gui.DoTouch({{7, {160, 14}, eTouchUp}, {9, {180, 36}, eTouchMove}});
    gui.DoTouch({{9, {180, 36}, eTouchUp}});
    host.ProcessBlock();
    EXPECT_EQ(alg.GetParamState(kGain), pinched);

    // A pinch where nothing answers to it changes nothing and says so.
    bool handled = true;
    gui.DoPinchGesture(KSPinchGesture{kFreqKnob, 0.0, 5.0}, handled);
    EXPECT_FALSE(handled);
    gui.DoPinchGesture(KSPinchGesture{kZoom, 0.0, -2.0}, handled);
    host.ProcessBlock();
    EXPECT_TRUE(handled);
    EXPECT_LT(alg.GetParamState(kGain), pinched) << "fingers closing lower it";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_EQ(alg.GetParamState(kGain), pinched);
    ExpectCleanHost();
}

TEST_F(GUIInputOnHost, AFingerHeldStillIsOneLongPressOnTheGUIsTimer) {
    using Delay = std::int64_t;
    constexpr Delay kDelay = CStandardGUI_X::kLongPressDelayUs;
    constexpr int kSlop = CStandardGUI_X::kLongPressSlop;
    auto& knob = dynamic_cast<Knob&>(*Control("GainKnob"));
    const Point shaken{static_cast<short>(kGainKnob.x + kSlop), kGainKnob.y};

    // Held, trembling within the slop: the idle pass after the delay fires it, once.
    Touch(kGainKnob, eTouchDown);
    Touch(shaken, eTouchMove);
    now += kDelay - 1;
    EXPECT_EQ(gui.DoIdle(), 0);
    EXPECT_TRUE(knob.longPresses.empty()) << "not yet";
    now += 1;
    EXPECT_EQ(gui.DoIdle(), 0);
    EXPECT_EQ(knob.longPresses, (std::vector<kvKorvaneV10_0_3::KCPoint2D<short>>{shaken}));
    now += kDelay;
    EXPECT_FALSE(gui.CheckTouchLongPress()) << "one per touch";
    EXPECT_TRUE(gui.IsTouchActive()) << "the gesture goes on";
    Touch(shaken, eTouchUp);
    EXPECT_EQ(Gestures(kGainAutomation), Paired(1));

    // A finger that travels past the slop drags; one lifted before the delay taps.
    Touch(kGainKnob, eTouchDown);
    Touch(Up(kGainKnob, kSlop + 1), eTouchMove);
    Touch(kGainKnob, eTouchMove);
    now += kDelay;
    EXPECT_FALSE(gui.CheckTouchLongPress()) << "back where it landed is still a drag";
    Touch(kGainKnob, eTouchUp);
    Touch(kGainKnob, eTouchDown);
    now += kDelay / 2;
    Touch(kGainKnob, eTouchUp);
    now += kDelay;
    EXPECT_FALSE(gui.CheckTouchLongPress());
    // Nor does a touch on nothing, or one the window's deactivation ended.
    Touch({300, 300}, eTouchDown);
    now += kDelay;
    EXPECT_FALSE(gui.CheckTouchLongPress());
    Touch({300, 300}, eTouchUp);
    Touch(kGainKnob, eTouchDown);
    gui.DeactivateWindow();
    now += kDelay;
    EXPECT_FALSE(gui.CheckTouchLongPress());
    EXPECT_EQ(knob.longPresses.size(), 1U);
    ExpectCleanHost();
}

TEST_F(GUIInputOnHost, DeactivatingTheWindowEndsAGestureWithItsRelease) {
    gui.ActivateWindow(nullptr);
    EXPECT_TRUE(gui.IsWindowActive());
    PVM::KCEventData hover = At(kModeKnob);
    gui.DoMouseMove(hover);
    ASSERT_TRUE(Control("ModeKnob")->IsMouseHover());

    const double before = alg.GetParamState(kGain);
    Press(kGainKnob);
    Move(Up(kGainKnob, 10));
    const double dragged = alg.GetParamState(kGain);
    ASSERT_GT(dragged, before);
    ASSERT_EQ(Gestures(kGainAutomation), (std::vector<int>{PM::eSelAutomationTouch}));
    gui.DeactivateWindow();
    host.ProcessBlock();
    EXPECT_FALSE(gui.IsWindowActive());
    EXPECT_FALSE(gui.IsMouseCaptured());
    EXPECT_EQ(Gestures(kGainAutomation), Paired(1)) << "the host sees the release";
    EXPECT_EQ(alg.GetParamState(kGain), dragged) << "a release is no click: the value stays";
    EXPECT_FALSE(Control("ModeKnob")->IsMouseHover());
    EXPECT_EQ(gui.GetSelectedController(), Control("GainKnob")) << "the selection stays";
    ExpectCleanHost();
    // The real release comes later and finds nothing to end.
    Release(Up(kGainKnob, 10));
    EXPECT_EQ(Gestures(kGainAutomation), Paired(1));
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1) << "the ended drag is one undo step";
    EXPECT_EQ(alg.GetParamState(kGain), before);

    // A touch under way ends the same way when the GUI leaves its view.
    Touch(kModeKnob, eTouchDown);
    gui.ResetPluginView();
    host.ProcessBlock();
    EXPECT_FALSE(gui.IsTouchActive());
    EXPECT_EQ(gui.GetPluginView(), nullptr);
    EXPECT_EQ(Gestures(kModeAutomation), Paired(1));
    ExpectCleanHost();
}

TEST_F(GUIInputOnHost, APluginsWheelAndKeyStepsApplyTheirChangeOnce) {
    // One notch moves "A" one state; the plug-in's step makes it two, applied once.
    const double a = alg.GetParamState(AutomationTestAlgorithm::kA);
    PVM::KCEventData wheel = At({220, 20});
    wheel.SetMouseWheelDelta(1);
    gui.DoMouseWheel(wheel);
    host.ProcessBlock();
    EXPECT_EQ(gui.wheelCalls, 1);
    EXPECT_DOUBLE_EQ(alg.GetParamState(AutomationTestAlgorithm::kA), a + 2.0);
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_EQ(alg.GetParamState(AutomationTestAlgorithm::kA), a) << "one undo step for it";

    // Page Up means nothing to a knob; the plug-in's key step makes it the Up arrow.
    ASSERT_TRUE(gui.SelectControlByName("KeyKnob"));
    const double c = alg.GetParamState(AutomationTestAlgorithm::kC);
    PVM::KCEventData key = At({220, 70});
    key.SetKey(PVM::eKeyPageUp, 0);
    bool handled = false;
    gui.DoKey(key, handled);
    host.ProcessBlock();
    EXPECT_TRUE(handled);
    EXPECT_EQ(gui.keyCalls, 1);
    EXPECT_DOUBLE_EQ(alg.GetParamState(AutomationTestAlgorithm::kC), c + 1.0);
    key.SetKey(PVM::eKeyHome, 0);
    gui.DoKey(key, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(gui.keyCalls, 2);
    EXPECT_DOUBLE_EQ(alg.GetParamState(AutomationTestAlgorithm::kC), c + 1.0);
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_EQ(alg.GetParamState(AutomationTestAlgorithm::kC), c);
    ExpectCleanHost();
}

TEST_F(GUIInputOnHost, OfOverlappingMarkersTheTopmostTakesTheClick) {
    const double gain = alg.GetParamState(kGain);
    const double freq = alg.GetParamState(kFrequency);
    const double mode = alg.GetParamState(kMode);
    EXPECT_TRUE(Control("LowMark")->IsMarker());
    EXPECT_FALSE(Control("Curve")->IsMarker());
    // Where both markers lie, the upper one moves; the graph under them and the lower marker
    // do not.
    Press({20, 60});
    EXPECT_EQ(gui.GetSelectedController(), Control("HighMark"));
    Move({20, 50});
    Release({20, 50});
    EXPECT_NE(alg.GetParamState(kFrequency), freq);
    EXPECT_EQ(alg.GetParamState(kGain), gain);
    EXPECT_EQ(alg.GetParamState(kMode), mode);
    // Where only the lower marker lies it is grabbed, although the graph is drawn above it.
    Press({5, 60});
    EXPECT_EQ(gui.GetSelectedController(), Control("LowMark"));
    Move({5, 50});
    Release({5, 50});
    EXPECT_NE(alg.GetParamState(kGain), gain);
    EXPECT_EQ(alg.GetParamState(kMode), mode);
    // Away from the markers the graph takes the click.
    Press({80, 80});
    EXPECT_EQ(gui.GetSelectedController(), Control("Curve"));
    Release({80, 80});
    ExpectCleanHost();
}

TEST_F(GUIInputOnHost, ControlsAreSelectedByIndexAndNameAndAllAtOnce) {
    EXPECT_TRUE(gui.SelectControlByName("GainKnob"));
    EXPECT_TRUE(gui.SelectControlByName("FreqKnob", true));
    EXPECT_TRUE(gui.IsMultipleControlsSelected());
    EXPECT_EQ(gui.GetSelectedController(), Control("GainKnob")) << "the first selected";
    EXPECT_TRUE(gui.SelectControlByName("FreqKnob", true)) << "already selected: it stays";
    EXPECT_EQ(gui.GetNumSelectedControllers(), 2U);
    EXPECT_TRUE(gui.SelectControlByName("Alone", true));
    EXPECT_EQ(gui.GetSelectedControls(), std::vector<KCGUIControl*>{Control("Alone")})
        << "a control kept out of multiple selections ends up alone";
    EXPECT_FALSE(gui.SelectControlByName("Cover")) << "hidden";
    EXPECT_FALSE(gui.SelectControlByName("Nobody"));
    EXPECT_FALSE(gui.SelectControl(99));
    EXPECT_EQ(gui.GetSelectedController(), Control("Alone")) << "failed calls change nothing";
    ASSERT_TRUE(gui.SelectControl(2));
    EXPECT_EQ(gui.GetSelectedController(), Control("ModeKnob"));

    EXPECT_EQ(gui.SelectAllControls(), 9U) << "all but the hidden and the lone control";
    EXPECT_FALSE(Control("Alone")->IsSelected());
    EXPECT_FALSE(Control("Cover")->IsSelected());
    gui.DeSelectAllControls();
    EXPECT_EQ(gui.GetNumSelectedControllers(), 0U);
    EXPECT_EQ(gui.GetSelectedController(), nullptr);

    EXPECT_TRUE(gui.SetControlHighlightInfo(0, true, false));
    EXPECT_EQ(Control("GainKnob")->GetSelectLevel(), kvKorvaneV10_0_3::eSelectLevelAutomated);
    EXPECT_FALSE(gui.SetControlHighlightInfo(99, true, false));
    // Shift at a press still only extends the selection.
    PVM::KCEventData extend = At(kModeKnob, true);
    extend.SetKeyModifier(eModShift, true);
    gui.DoMouseDown(extend);
    gui.DoMouseUp(extend);
    EXPECT_EQ(gui.GetNumSelectedControllers(), 1U);
    ExpectCleanHost();
}

}  // namespace
