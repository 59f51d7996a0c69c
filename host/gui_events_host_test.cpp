// The standard GUI driven end to end: input from the view manager's dispatcher (or event records
// built by hand) goes through the GUI's routing to its controls, and the changes reach the
// reference host as coefficients and paired automation gestures, with one undo step each.
#include "host/gui_host_fixture.h"

#include "korvane/algorithm/display_functions.h"
#include "korvane/gui/pvm/event_dispatcher.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/knob_control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace KorvaneHost::testing;  // the shared fixture and its names
using kvKorvaneV10_0_3::CStandardGUI_X;
using kvKorvaneV10_0_3::eModShift;
using kvKorvaneV10_0_3::KCPoint2D;
using kvKorvaneV10_0_3::testing::KnobTypes;

// The window: three knobs side by side, 40 pixels wide, and a hidden knob over the gain knob.
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
    <ParameterList><Param Name="Mode"><MouseWheelVertical/></Param></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="Cover"><Class Type="Knob"/><Flags><Hidden/></Flags>
    <ControlRect left='0' top='0' width='40' height='40'/>
    <ParameterList><Param Name="Mode"><MouseVertical/></Param></ParameterList>
  </cCONTROLLER>
</Control_List></GUIXML>)";

constexpr PVM::KCEventData::Point kGainKnob{20, 20};
constexpr PVM::KCEventData::Point kFreqKnob{70, 20};
constexpr PVM::KCEventData::Point kModeKnob{120, 20};
constexpr PVM::KCEventData::Point kNowhere{200, 200};

class GUIEventsOnHost : public GUIHostTest {
protected:
    // The discrete "Mode" shows its value as a number.
    GUIEventsOnHost()
        : GUIHostTest([](auto& params) {
              params[kMode].SetDisplayFunc(kvKorvaneV10_0_3::DisplayFloat0);
          }) {}
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GUIHostTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(BuildGUI(gui, kWindow, 4));
    }

    // A press at `from`, moves of `dy` pixels upwards each, a release.
    void Drag(PVM::KCEventData::Point from, const std::vector<int>& moves) {
        PVM::KCEventData event = At(from, true);
        gui.DoMouseDown(event);
        PVM::KCEventData::Point where = from;
        for (const int dy : moves) {
            where.y = static_cast<short>(where.y - dy);
            event.SetMouseLocation(where);
            gui.DoMouseMove(event);
            host.ProcessBlock();
        }
        event.SetMouseButtonPressed(PVM::eLeftButton, false);
        gui.DoMouseUp(event);
        host.ProcessBlock();
    }
    void Wheel(PVM::KCEventData::Point where, int notches) {
        PVM::KCEventData event = At(where);
        event.SetMouseWheelDelta(notches);
        gui.DoMouseWheel(event);
        host.ProcessBlock();
    }

    KnobTypes types;
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui{none};
};

TEST_F(GUIEventsOnHost, ADragOnTheGainKnobReachesTheHostAsOneGesture) {
    const double before = alg.GetParamState(kGain);
    const double mode = alg.GetParamState(kMode);
    Drag(kGainKnob, {10, 10, 10});
    const double after = alg.GetParamState(kGain);
    EXPECT_GT(after, before) << "an upward drag raises the gain";
    EXPECT_EQ(alg.GetParamState(kMode), mode) << "the hidden knob over it took nothing";
    EXPECT_NEAR(Coefficient(kGain), AutomationTestAlgorithm::CoefValue(after), 1e-6);
    EXPECT_EQ(Gestures(kGainAutomation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    EXPECT_EQ(host.Events().Of(PM::eSelAutomationValue).size(), 3U) << "one value per move";
    EXPECT_FALSE(gui.IsMouseCaptured());
    KCPoint2D<short> where;
    ASSERT_TRUE(gui.GetLastCursorPosOnRelease(where));
    EXPECT_EQ(where, (KCPoint2D<short>(kGainKnob))) << "the pointer goes back to the press";
    ExpectCleanHost();

    // A second gesture is paired on its own.
    Drag(kGainKnob, {-5});
    EXPECT_LT(alg.GetParamState(kGain), after);
    EXPECT_EQ(Gestures(kGainAutomation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease,
                                PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    ExpectCleanHost();
}

TEST_F(GUIEventsOnHost, UndoAfterADragRestoresTheValue) {
    const double before = alg.GetParamState(kGain);
    Drag(kGainKnob, {10, 10});
    const double dragged = alg.GetParamState(kGain);
    ASSERT_NE(dragged, before);
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_EQ(alg.GetParamState(kGain), before) << "the whole gesture is one step";
    EXPECT_EQ(gui.System_ExecuteRedo(1), 1);
    EXPECT_EQ(alg.GetParamState(kGain), dragged);
}

// A parameter that does not update while dragged reaches the update hook once, at mouse-up.
TEST_F(GUIEventsOnHost, ADraggedParameterUpdatesOnceAtMouseUp) {
    const double coefBefore = Coefficient(kFrequency);
    const int callsBefore = alg.updateParamCalls.load();
    PVM::KCEventData event = At(kFreqKnob, true);
    gui.DoMouseDown(event);
    for (short y = 15; y >= 0; y = static_cast<short>(y - 5)) {
        event.SetMouseLocation({kFreqKnob.x, y});
        gui.DoMouseMove(event);
        host.ProcessBlock();
    }
    EXPECT_EQ(alg.updateParamCalls.load(), callsBefore) << "nothing while dragged";
    EXPECT_EQ(Coefficient(kFrequency), coefBefore);
    event.SetMouseButtonPressed(PVM::eLeftButton, false);
    gui.DoMouseUp(event);
    host.ProcessBlock();
    EXPECT_EQ(alg.updateParamCalls.load(), callsBefore + 1);
    EXPECT_NEAR(Coefficient(kFrequency),
                AutomationTestAlgorithm::CoefValue(alg.GetParamState(kFrequency)), 1e-6);
    EXPECT_NE(Coefficient(kFrequency), coefBefore);
    EXPECT_EQ(Gestures(kFreqAutomation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    ExpectCleanHost();
}

TEST_F(GUIEventsOnHost, AWheelNotchOnADiscreteParameterChangesTheDisplayedValue) {
    const double before = alg.GetParamState(kMode);
    // The text the control shows, as the idle refresh makes it.
    ASSERT_EQ(alg.UpdateDisplay(kMode), 0);
    const std::string shownBefore = alg.GetParamValueString(kMode).c_str();
    Wheel(kModeKnob, before > 0 ? -1 : 1);
    ASSERT_EQ(alg.UpdateDisplay(kMode), 0);
    const double after = alg.GetParamState(kMode);
    EXPECT_EQ(std::abs(after - before), 1.0) << "one notch, one state";
    EXPECT_NE(std::string(alg.GetParamValueString(kMode).c_str()), shownBefore);
    EXPECT_NEAR(Coefficient(kMode), AutomationTestAlgorithm::CoefValue(after), 1e-6);
    ExpectCleanHost();
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1) << "the notch is an undo step";
    EXPECT_EQ(alg.GetParamState(kMode), before);
}

TEST_F(GUIEventsOnHost, TheWheelIsAcceleratedByTheGUIClockAndIgnoredWhileAButtonIsDown) {
    const double start = alg.GetParamState(kGain);
    Wheel(kGainKnob, 1);
    const double slow = alg.GetParamState(kGain) - start;
    EXPECT_GT(slow, 0.0);
    now += 50'000;  // 50 ms later: the notch counts as 75.5
    Wheel(kGainKnob, 1);
    const double fast = alg.GetParamState(kGain) - start - slow;
    EXPECT_GT(fast, 10 * slow);

    const double held = alg.GetParamState(kGain);
    PVM::KCEventData press = At(kFreqKnob, true);
    gui.DoMouseDown(press);
    now += 1'000'000;
    Wheel(kGainKnob, 1);
    EXPECT_EQ(alg.GetParamState(kGain), held) << "no wheel during a press";
    gui.DoMouseUp(press);
    host.ProcessBlock();
    ExpectCleanHost();
}

TEST_F(GUIEventsOnHost, ShiftOnlyAdjustsTheSelectionAndAClickOnNothingClearsIt) {
    PVM::KCEventData event = At(kGainKnob, true);
    gui.DoMouseDown(event);
    gui.DoMouseUp(event);
    ASSERT_EQ(gui.GetSelectedControls().size(), 1U);
    EXPECT_EQ(gui.GetSelectedControls()[0], gui.GetControlPtrByName("GainKnob"));

    host.Events().Clear();
    const double mode = alg.GetParamState(kMode);
    PVM::KCEventData extend = At(kModeKnob, true);
    extend.SetKeyModifier(eModShift, true);
    gui.DoMouseDown(extend);
    extend.SetMouseLocation({kModeKnob.x, 0});
    gui.DoMouseMove(extend);
    gui.DoMouseUp(extend);
    EXPECT_EQ(gui.GetSelectedControls().size(), 2U);
    EXPECT_EQ(alg.GetParamState(kMode), mode) << "a shift click changes no parameter";
    EXPECT_TRUE(host.Events().Of(PM::eSelAutomationTouch).empty());

    // A plain press selects only its knob again.
    const double gain = alg.GetParamState(kGain);
    PVM::KCEventData both = At(kGainKnob, true);
    gui.DoMouseDown(both);
    EXPECT_EQ(gui.GetSelectedControls().size(), 1U);
    gui.DoMouseUp(both);
    EXPECT_EQ(alg.GetParamState(kGain), gain);

    PVM::KCEventData away = At(kNowhere, true);
    gui.DoMouseDown(away);
    gui.DoMouseUp(away);
    EXPECT_TRUE(gui.GetSelectedControls().empty());
    ExpectCleanHost();
}

TEST_F(GUIEventsOnHost, TheDispatcherDeliversSyntheticInputToTheControls) {
    std::uint64_t clock = 1'000'000;
    PVM::KCEventDispatcher dispatcher(&gui, [&clock] { return clock; });
    const PVM::KTModifierState plain{};

    // Hover with no button: the knob under the pointer, and only it.
    dispatcher.Motion(kGainKnob, plain);
    EXPECT_TRUE(gui.GetControlPtrByName("GainKnob")->IsMouseHover());
    EXPECT_FALSE(gui.GetControlPtrByName("FreqKnob")->IsMouseHover());
    dispatcher.Motion(kNowhere, plain);
    EXPECT_FALSE(gui.GetControlPtrByName("GainKnob")->IsMouseHover());

    const double before = alg.GetParamState(kGain);
    ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, kGainKnob, plain));
    EXPECT_TRUE(gui.IsMouseCaptured());
    for (short y = 15; y >= 5; y = static_cast<short>(y - 5)) {
        clock += 10'000;
        dispatcher.Motion({kGainKnob.x, y}, plain);
        host.ProcessBlock();
    }
    clock += 10'000;
    ASSERT_TRUE(dispatcher.ButtonRelease(PVM::eLeftButton, {kGainKnob.x, 5}, plain));
    host.ProcessBlock();
    EXPECT_GT(alg.GetParamState(kGain), before);
    EXPECT_EQ(Gestures(kGainAutomation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));

    // A press that ends with the focus lost still closes its gesture.
    ASSERT_TRUE(dispatcher.ButtonPress(PVM::eLeftButton, kGainKnob, plain));
    dispatcher.Motion({kGainKnob.x, 10}, plain);
    ASSERT_TRUE(dispatcher.FocusLost());
    host.ProcessBlock();
    EXPECT_FALSE(gui.IsMouseCaptured());
    EXPECT_EQ(Gestures(kGainAutomation).size(), 4U);

    clock += 1'000'000;
    const double mode = alg.GetParamState(kMode);
    ASSERT_TRUE(dispatcher.Wheel(kModeKnob, mode > 0 ? -1 : 1, plain));
    host.ProcessBlock();
    EXPECT_NE(alg.GetParamState(kMode), mode);
    ExpectCleanHost();
}

}  // namespace
