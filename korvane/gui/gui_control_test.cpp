// GUI controls on a real algorithm: mouse, wheel, touch and keys become parameter changes,
// the disabled state follows the parameters, redraws reach the draw dependents.
#include "korvane/gui/gui_control.h"

#include "korvane/algorithm/control_param.h"
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/testing/widget_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ControlTestAlgorithm;
using test_support::ParseXML;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

std::vector<std::string>& RedrawOrder() {
    static std::vector<std::string> order;
    return order;
}

struct Knob : KCGUIControl {
    using KCGUIControl::KCGUIControl;
    int refreshes = 0;
    int dragHooks = 0;
    [[nodiscard]] KCBaseControl* Clone() const override { return new Knob(*this); }
    void UpdatePointer(unsigned int tag) override {
        ++refreshes;
        KCGUIControl::UpdatePointer(tag);
    }
    void SetNeedToRedrawControlOnly() override {
        RedrawOrder().emplace_back(GetName().c_str());
        KCGUIControl::SetNeedToRedrawControlOnly();
    }

protected:
    BUFFER_HEADER* MouseDragSelf(const Event& /*event*/, double /*dx*/, double /*dy*/,
                                 KURect<double>* /*rect*/) override {
        ++dragHooks;
        return nullptr;
    }
};

struct HostAutomation : KCBaseControl {
    [[nodiscard]] KCBaseControl* Clone() const override { return new HostAutomation(*this); }
};

TEST(GUIControl, OnlyGuiControlsBecomeControllers) {
    sCONTROL_PARAM param;
    Knob knob;
    HostAutomation automation;
    EXPECT_EQ(param.AddController(0, &knob), 0);
    EXPECT_EQ(param.AddController(0, &automation), -1);
    param.UpdateControllers();
    EXPECT_EQ(knob.refreshes, 1);

    std::unique_ptr<KCBaseControl> clone(knob.Clone());
    clone->SetName("Gain");
    EXPECT_TRUE(clone->IsGUIControl());
    EXPECT_EQ(clone->GetName(), "Gain");
}

// A press at (x, y), by default inside every test control.
PVM::KCEventData Click(short x = 5, short y = 5, PVM::KEClickCount clicks = PVM::eSingleClick) {
    return testing::At(x, y, clicks);
}

class Control : public ::testing::Test {
protected:
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;
    static constexpr unsigned int kMode = ControlTestAlgorithm::kMode;
    static constexpr unsigned int kDragged = ControlTestAlgorithm::kDragged;
    static constexpr unsigned int kPhase = ControlTestAlgorithm::kPhase;
    static constexpr unsigned int kSteps = ControlTestAlgorithm::kSteps;

    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    // A control read from `params` (the children of its "ParameterList") and `rest`.
    std::unique_ptr<Knob> Make(const std::string& params, const std::string& rest = "") {
        auto knob = std::make_unique<Knob>();
        knob->ReadFromXMLWithAlg(ParseXML("<cCONTROLLER Name='K'><ParameterList>" + params +
                                          "</ParameterList>" + rest + "</cCONTROLLER>"),
                                 &alg, false);
        return knob;
    }
    void Free(BUFFER_HEADER* chain) { alg.FreeBuffers(chain); }
    void Set(unsigned int param, double state) { Free(alg.UpdateParamState(param, state)); }
    double State(unsigned int param) const { return alg.GetParamState(param); }
    void Down(Knob& knob, const PVM::KCEventData& event = Click()) {
        KURect<double> range(1000, 1000, 0, 0);
        bool handled = true;
        Free(knob.MouseDown(event, &range, handled));
    }
    void Drag(Knob& knob, double dy, double dx = 0) {
        Free(knob.MouseDrag(Click(), dx, dy, nullptr));
    }
    void Up(Knob& knob, const PVM::KCEventData& event = Click()) { Free(knob.MouseUp(event)); }
    void SetDisabled(unsigned int param, bool disabled) {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.GetParam(param).UpdateDisabledMode(disabled, alg.GetActiveSetup());
    }

    ControlTestAlgorithm alg;
};

// Pixels become states: a discrete parameter moves one state per 96 delta units, in either
// direction, and keeps what is left over for the next motion.
TEST_F(Control, DiscreteDragMovesOneStatePer96Units) {
    auto knob = Make("<Param Name='Steps'><MouseVertical/></Param>");
    ASSERT_EQ(State(kSteps), 3);
    double accumulator = 0;
    double delta = knob->PixelsToStateDelta(95, accumulator, 0);
    EXPECT_EQ(delta, 0);
    Down(*knob);
    Drag(*knob, delta);
    EXPECT_EQ(State(kSteps), 3) << "95 units are not a state yet";
    delta = knob->PixelsToStateDelta(1, accumulator, 0);
    EXPECT_EQ(delta, 1);
    Drag(*knob, delta);
    EXPECT_EQ(State(kSteps), 4);
    EXPECT_EQ(accumulator, 0);
    delta = knob->PixelsToStateDelta(-96, accumulator, 0);
    EXPECT_EQ(delta, -1);
    Drag(*knob, delta);
    EXPECT_EQ(State(kSteps), 3);
    // Small motions back and forth are not lost, and truncate toward zero.
    EXPECT_EQ(knob->PixelsToStateDelta(-50, accumulator, 0), 0);
    EXPECT_EQ(knob->PixelsToStateDelta(-50, accumulator, 0), -1);
    EXPECT_EQ(accumulator, -4);
    Up(*knob);
    EXPECT_EQ(knob->dragHooks, 3);

    EXPECT_EQ(knob->PixelsToStateDelta(500, accumulator, 1), 0) << "no such registration";
    // A continuous parameter: its mouse-delta function times its state step.
    auto gain = Make("<Param Name='Gain'><MouseVertical/></Param>");
    double unused = 0;
    EXPECT_DOUBLE_EQ(gain->PixelsToStateDelta(3, unused, 0),
                     alg.UpdateMouseDeltaStep(kGain, 3) * alg.GetStateStep(kGain));
    EXPECT_EQ(unused, 0);
}

TEST_F(Control, DragFactorAndCyclicDrag) {
    auto knob = Make("<Param Name='Phase'><MouseVertical/></Param>");
    EXPECT_TRUE(knob->IsCyclicControl());
    EXPECT_FALSE(Make("<Param Name='Gain'><MouseVertical/></Param>")->IsCyclicControl());
    Set(kPhase, 990);
    knob->SetDragFactor(101);
    Down(*knob);
    Drag(*knob, 20);  // 2020 states: twice round and on
    EXPECT_EQ(State(kPhase), 10);
    Up(*knob);
}

// A drag is not also a click: with "NoMouseUpAfterDrag" the release after a drag that moved the
// value does not step it again; a release without a drag still does.
TEST_F(Control, NoMouseUpAfterDrag) {
    const std::string toggle = "<Param Name='Steps'><MouseVertical/><MouseUp/></Param>";
    const std::string flag = "<Flags><NoMouseUpAfterDrag/></Flags>";
    auto knob = Make(toggle, flag);
    Down(*knob);
    Drag(*knob, 1);
    EXPECT_EQ(State(kSteps), 4);
    EXPECT_TRUE(knob->HasMovedWhilePressed());
    Up(*knob);
    EXPECT_EQ(State(kSteps), 4);
    Down(*knob);
    Up(*knob);
    EXPECT_EQ(State(kSteps), 5) << "a plain click steps";

    auto plain = Make(toggle);
    Down(*plain);
    Drag(*plain, 1);
    Up(*plain);
    EXPECT_EQ(State(kSteps), 7) << "without the flag the release steps after the drag too";
}

// A parameter flagged not to update while dragged reaches the processing once, at mouse-up.
TEST_F(Control, DraggedParameterUpdatesOnceAtMouseUp) {
    auto knob = Make("<Param Name='Frequency'><MouseVertical/></Param>");
    const int before = alg.updateParamCalls;
    Down(*knob);
    for (int i = 0; i < 3; ++i) {
        Drag(*knob, 10);
    }
    EXPECT_EQ(State(kDragged), 530);
    EXPECT_EQ(alg.updateParamCalls, before);
    Up(*knob);
    EXPECT_EQ(alg.updateParamCalls, before + 1);
    EXPECT_EQ(State(kDragged), 530);
    Down(*knob);
    Up(*knob);
    EXPECT_EQ(alg.updateParamCalls, before + 1) << "a click without a drag sends nothing";
}

TEST_F(Control, MouseDownResetsWidensTheRangeAndAsksForTextEntry) {
    auto knob = Make(
        "<Param Name='Gain'><MouseVertical/><OptionReset/></Param>"
        "<Param Name='Mode'><MouseHorizontal/></Param>"
        "<Param Name='Phase' Modifiers='Shift'><MouseHorizontal/></Param>",
        "<Flags><ReciveTextEntery/></Flags>");
    Set(kGain, 700);
    Set(kMode, 1);
    Set(kPhase, 900);
    KURect<double> range(1000, 1000, 0, 0);
    bool handled = true;
    Free(knob->MouseDown(Click(), &range, handled));
    EXPECT_EQ(range, KURect<double>(1, 700, 1, 700))
        << "vertical registrations span left-right, horizontal ones top-bottom; Phase asks "
           "for Shift";
    EXPECT_TRUE(handled);
    EXPECT_EQ(State(kGain), 700) << "a plain click does not reset";
    Up(*knob);

    PVM::KCEventData alt = Click(5, 5, PVM::eDoubleClick);
    alt.SetKeyModifier(eModAlt, true);
    range = KURect<double>(1000, 1000, 0, 0);
    Free(knob->MouseDown(alt, &range, handled));
    EXPECT_EQ(State(kGain), 0) << "option-click resets to the reset value";
    EXPECT_FALSE(handled) << "a double click on a text-entry control opens text entry";

    // A "Reset" registration resets only with its own modifiers held.
    auto shiftReset = Make("<Param Name='Mode' Modifiers='Shift'><Reset/></Param>");
    PVM::KCEventData shift = Click();
    shift.SetKeyModifier(eModShift, true);
    Down(*shiftReset);
    EXPECT_EQ(State(kMode), 1);
    Down(*shiftReset, shift);
    EXPECT_EQ(State(kMode), 2);

    knob->SetIgnoreNextMouseDown();
    Set(kGain, 700);
    Free(knob->MouseDown(alt, &range, handled));
    EXPECT_EQ(State(kGain), 700) << "an ignored mouse-down does nothing";
    auto click = Make("<Param Name='Steps'><MouseUp/></Param>");
    click->SetIgnoreNextMouseUp();
    Up(*click);
    EXPECT_EQ(State(kSteps), 3);
    Up(*click);
    EXPECT_EQ(State(kSteps), 4);
}

TEST_F(Control, RightClickOnAMidiControlBelongsToItsMenu) {
    auto knob = Make("<Param Name='Steps'><MouseUp/></Param>", "<Flags><CanAttachToMIDI/></Flags>");
    PVM::KCEventData right = Click();
    right.ClearMouseButtons();
    right.SetMouseButtonPressed(PVM::eRightButton, true);
    Down(*knob, right);
    Up(*knob, right);
    EXPECT_EQ(State(kSteps), 3);
    Down(*knob);
    Up(*knob);
    EXPECT_EQ(State(kSteps), 4);

    // A right-button drag on a parameter that waits for the release still sends its value.
    auto dragged = Make("<Param Name='Frequency'><MouseVertical/></Param>",
                        "<Flags><CanAttachToMIDI/></Flags>");
    const int before = alg.updateParamCalls;
    Down(*dragged, right);
    Drag(*dragged, 10);
    Up(*dragged, right);
    EXPECT_EQ(alg.updateParamCalls, before + 1) << "the right-button drag ends at the release";
    const double afterFirst = State(kDragged);
    Down(*dragged, right);
    Drag(*dragged, 10);
    Up(*dragged, right);
    EXPECT_EQ(alg.updateParamCalls, before + 2) << "the next drag starts afresh";
    EXPECT_GT(State(kDragged), afterFirst);
}

// The click step set before a release is the one the release applies, once.
TEST_F(Control, ClickStepAppliesToTheNextRelease) {
    auto knob = Make("<Param Name='Steps'><MouseUp/></Param>");
    knob->SetClickStep(-1);
    Down(*knob);
    Up(*knob);
    EXPECT_EQ(State(kSteps), 2) << "a negative click step steps down";
    Down(*knob);
    Up(*knob);
    EXPECT_EQ(State(kSteps), 3) << "the next release steps by 1 again";
}

// One wheel notch always changes the displayed value, and only registrations whose modifiers
// match take part.
TEST_F(Control, WheelNotchChangesTheDisplayedValue) {
    auto steps = Make("<Param Name='Steps'><MouseWheelVertical/></Param>");
    Free(steps->MouseWheel(Click(), 0, 0.01, nullptr));
    EXPECT_EQ(State(kSteps), 4) << "a tiny delta on a discrete parameter still moves a state";
    Free(steps->MouseWheel(Click(), 0, -0.01, nullptr));
    EXPECT_EQ(State(kSteps), 3);

    auto gain = Make(
        "<Param Name='Gain'><MouseWheelVertical/></Param>"
        "<Param Name='Phase' Modifiers='Shift'><MouseWheelHorizontal/></Param>");
    const double before = alg.GetParamRealWorld(kGain);
    Free(gain->MouseWheel(Click(), 0.01, 0.01, nullptr));
    EXPECT_NEAR(alg.GetParamRealWorld(kGain) - before, 0.1, 1e-9) << "one resolution step";
    EXPECT_EQ(State(kPhase), 0) << "Phase answers only with Shift";
    PVM::KCEventData shift = Click();
    shift.SetKeyModifier(eModShift, true);
    Free(gain->MouseWheel(shift, 5, 0, nullptr));
    EXPECT_EQ(State(kPhase), 5);
}

TEST_F(Control, TouchAndKeysFollowTheSameLogic) {
    auto knob = Make(
        "<Param Name='Steps'><MouseVertical/><TouchPinchVertical/></Param>"
        "<Param Name='Phase'><MouseHorizontal/></Param>");
    Free(knob->TouchDown(Click()));
    Free(knob->TouchDrag(Click(), 7, 2));
    EXPECT_EQ(State(kSteps), 5);
    EXPECT_EQ(State(kPhase), 7);
    Free(knob->TouchPinchGesture(0, -1));
    EXPECT_EQ(State(kSteps), 4);
    Free(knob->TouchUp(Click()));

    PVM::KCEventData key;
    key.SetKey(PVM::eKeyUp, 0);
    bool handled = false;
    Free(knob->Key(key, handled));
    EXPECT_TRUE(handled);
    EXPECT_EQ(State(kSteps), 5);
    key.SetKey(PVM::eKeyLeft, 0);
    Free(knob->Key(key, handled));
    EXPECT_EQ(State(kPhase), 6);
    key.SetKey(PVM::eKeyEnter, 0);
    Free(knob->Key(key, handled));
    EXPECT_FALSE(handled);
}

TEST_F(Control, EnterTextSetsTheFirstEditableParameter) {
    auto knob = Make("<Param Name='Gain'><DisplayOnly/></Param><Param Name='Gain'/>",
                     "<Flags><ReciveTextEntery/></Flags>");
    EXPECT_EQ(knob->WhichParamIndexCanEnterText(), 1);
    EXPECT_TRUE(knob->CanEnterText());
    ETranslateTextRetType result = eTranslateTextRejected;
    Free(knob->EnterText(KCFixedString<15>("-6"), result));
    EXPECT_EQ(result, eTranslateTextAccepted);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(kGain), -6);
    EXPECT_EQ(knob->GetRegistrations()[1].value, State(kGain));
    EXPECT_EQ(Make("<Param Name='Nope'/>")->WhichParamIndexCanEnterText(), -1);
}

TEST_F(Control, DisabledStateFollowsTheParametersUnlessIgnored) {
    auto requested = Make("<Param Name='Gain'/><Param Name='Mode'/>");
    auto all = Make("<Param Name='Gain'/><Param Name='Mode'/>",
                    "<DisableMode>WhenAllDisabled</DisableMode>");
    auto ignoring = Make("<Param Name='Gain'/>", "<Flags><IgnoreDisableMode/></Flags>");
    EXPECT_EQ(all->GetDisableMode(), eDisableWhenAllDisabled);
    for (Knob* knob : {requested.get(), all.get(), ignoring.get()}) {
        const auto& registrations = knob->GetRegistrations();
        for (unsigned int i = 0; i < registrations.size(); ++i) {
            const kvThread::ThreadMutexLock lock(alg.AlgLock());
            alg.GetParam(registrations[i].paramID).AddController(static_cast<int>(i), knob);
        }
    }
    SetDisabled(kGain, true);
    EXPECT_TRUE(requested->IsDisabled());
    EXPECT_FALSE(all->IsDisabled()) << "Mode is still enabled";
    EXPECT_FALSE(ignoring->IsDisabled());
    SetDisabled(kMode, true);
    EXPECT_TRUE(all->IsDisabled());
    EXPECT_TRUE(requested->IsAllRegisteredParamsDisabled());
    SetDisabled(kGain, false);
    EXPECT_FALSE(requested->IsDisabled()) << "registration 0 (Gain) decides for its own index";
    EXPECT_FALSE(all->IsDisabled());

    // Even an explicit disable survives a parameter that says otherwise.
    ignoring->SetDisabled();
    SetDisabled(kGain, false);
    EXPECT_TRUE(ignoring->IsDisabled());
    ignoring->UpdateDisabledMode(0);
    EXPECT_TRUE(ignoring->IsDisabled());

    const kvThread::ThreadMutexLock lock(alg.AlgLock());
    for (Knob* knob : {requested.get(), all.get(), ignoring.get()}) {
        for (unsigned int i = 0; i < 2; ++i) {
            static_cast<void>(alg.GetParam(kGain).RemoveController(static_cast<int>(i), knob));
            static_cast<void>(alg.GetParam(kMode).RemoveController(static_cast<int>(i), knob));
        }
    }
}

// A change made elsewhere reaches the control through its parameter: the registration takes
// the new value and the control asks to be redrawn.
TEST_F(Control, ParameterChangesRefreshTheControl) {
    auto knob = Make("<Param Name='Mode'/><Param Name='Gain'/>");
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.GetParam(kGain).AddController(1, knob.get());
    }
    knob->UpdateRedrawControl();
    Set(kGain, 640);
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.GetParam(kGain).UpdateControllers();
        static_cast<void>(alg.GetParam(kGain).RemoveController(1, knob.get()));
    }
    EXPECT_EQ(knob->refreshes, 1);
    EXPECT_EQ(knob->GetRegistrations()[1].value, 640);
    EXPECT_TRUE(knob->NeedToRedrawControl());

    EXPECT_TRUE(knob->AreRegisteredParamsSavableToUndo());
    EXPECT_FALSE(
        Make("<Param Name='Gain'/><Param Name='Meter'/>")->AreRegisteredParamsSavableToUndo())
        << "a meter is no edit";
    EXPECT_FALSE(Make("<Param Name='Nope'/>")->AreRegisteredParamsSavableToUndo());
}

TEST_F(Control, AxesAndHighPrecision) {
    auto both = Make(
        "<Param Name='Gain'><MouseVertical/></Param>"
        "<Param Name='Phase'><MouseHorizontal/></Param>");
    EXPECT_TRUE(both->IsControllerOnTwoAxes());
    bool x = false;
    bool y = false;
    both->GetControllerAxes(x, y);
    EXPECT_TRUE(x && y);
    EXPECT_TRUE(both->DoesControlSupportHighPrecision(false));
    EXPECT_FALSE(both->DoesControlSupportHighPrecision(true)) << "no wheel registration";

    auto discrete = Make("<Param Name='Steps'><MouseVertical/></Param>");
    EXPECT_FALSE(discrete->IsControllerOnTwoAxes());
    EXPECT_FALSE(discrete->DoesControlSupportHighPrecision(false));
}

// The lead index follows its registration; one left past the registrations means the first.
TEST_F(Control, LeadFallsBackToTheFirstRegistration) {
    auto knob =
        Make("<Param Name='Gain'/><Param Name='Mode'/><Param Name='Phase' LeadParam='true'/>");
    EXPECT_EQ(knob->GetLeadParamID(), kPhase);
    knob->UnRegister(2);
    EXPECT_EQ(knob->GetLeadParamID(), kGain);
    knob->SetLeadParamIndex(5);
    EXPECT_EQ(knob->GetLeadParamID(), kGain);
    XML::CXMLElement parent("GUI", "");
    knob->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    for (const XML::CXMLElement* param :
         parent.GetSubElements()[0]->SubElement("ParameterList")->GetSubElements()) {
        EXPECT_FALSE(param->AttribExists("LeadParam"));
    }
}

TEST_F(Control, DependentsResolveByNameAndRedrawsReachDrawDependents) {
    auto knob = Make("",
                     "<DependentsList><Dependent Name='B'/><Dependent Name='Nobody'/>"
                     "<DrawDependent Name='C'/><DrawDependent>B</DrawDependent>"
                     "<Dependent>C</Dependent></DependentsList>");
    Knob b;
    Knob c;
    b.SetName("B");
    c.SetName("C");
    std::map<std::string, KCGUIControl*> controls{{"B", &b}, {"C", &c}, {"K", knob.get()}};
    const KCGUIControl::ControlLookup lookup = [&](const char* name) -> KCGUIControl* {
        const auto found = controls.find(name);
        return found != controls.end() ? found->second : nullptr;
    };
    EXPECT_EQ(knob->FinishCreate(lookup, false), 0);
    EXPECT_EQ(knob->GetDependents(), (std::vector<KCGUIControl*>{&b, &c}))
        << "in list order, unknown names dropped";
    EXPECT_TRUE(knob->GetDrawDependents().empty()) << "the GUI draws everything anyway";
    EXPECT_EQ(knob->FinishCreate(lookup, true), 0);
    EXPECT_EQ(knob->GetDrawDependents(), (std::vector<KCGUIControl*>{&c, &b}));
    EXPECT_EQ(knob->FinishCreate(), 0);
    EXPECT_TRUE(knob->GetDependents().empty());

    knob->FinishCreate(lookup, true);
    RedrawOrder().clear();
    knob->SetNeedToRedrawControl();
    EXPECT_EQ(RedrawOrder(), (std::vector<std::string>{"C", "B", "K"}));
    EXPECT_TRUE(knob->NeedToRedrawControl());
    EXPECT_TRUE(b.NeedToRedrawControl());
    knob->UpdateRedrawControl();
    EXPECT_FALSE(knob->NeedToRedrawControl());

    // Hover changes ask for a redraw; staying inside does not.
    RedrawOrder().clear();
    bool handled = false;
    Free(knob->MouseOver(Click(), true, &handled));
    Free(knob->MouseOver(Click(), true, &handled));
    EXPECT_TRUE(handled);
    EXPECT_TRUE(knob->IsMouseHover());
    EXPECT_EQ(RedrawOrder().size(), 3U);
    Free(knob->MouseOver(Click(), false, nullptr));
    EXPECT_FALSE(knob->IsMouseHover());
}

TEST_F(Control, HitTestingAndGeometry) {
    auto knob = Make("", "<ControlRect left='10' top='20' width='30' height='40'/>");
    EXPECT_TRUE(knob->IsPointInside({10, 20}, nullptr));
    EXPECT_FALSE(knob->IsPointInside({40, 20}, nullptr)) << "right edge is outside";
    EXPECT_TRUE(knob->DoYouIntersect(KURect<short>(0, 0, 21, 11), nullptr));
    EXPECT_FALSE(knob->DoYouIntersect(KURect<short>(0, 0, 20, 10), nullptr));
    knob->Move(5, -5);
    EXPECT_EQ(knob->GetControlRect(), KURect<short>(15, 15, 55, 45));
    EXPECT_EQ(knob->GetDrawableRect(), knob->GetControlRect());
    knob->Resize(10, 10);
    EXPECT_EQ(knob->GetControlRect(), KURect<short>(15, 15, 25, 25));
    knob->SetHidden(true);
    EXPECT_FALSE(knob->IsPointInside({16, 16}, nullptr));

    Down(*knob, Click(17, 18));
    KCPoint2D<short> where;
    EXPECT_TRUE(knob->GetCursorPosOnRelease(where));
    EXPECT_EQ(where, (KCPoint2D<short>{17, 18}));
}

// The default drawing: the background, the parameters' states as metadata, and a frame whose
// colour tells the selection level.
TEST_F(Control, DefaultDrawingShowsTheSelectionLevel) {
    auto knob =
        Make("<Param Name='Gain'/>", "<ControlRect left='10' top='20' width='30' height='40'/>");
    const std::string idle = testing::Yaml(*knob);
    EXPECT_NE(idle.find("method: Polygon"), std::string::npos) << idle;
    EXPECT_NE(idle.find("values: [10, 20, 40, 20, 40, 60, 10, 60]"), std::string::npos)
        << "the background fills the control rectangle";
    EXPECT_NE(idle.find("text: \"ParamID: 0 State: 500\""), std::string::npos);
    EXPECT_EQ(idle.find("LineStrip"), std::string::npos) << "no frame when idle";
    EXPECT_EQ(knob->GetSelectLevel(), eSelectLevelIdle);

    const auto frameColor = [&](const KCRGBAColor& color) {
        return "method: LineStrip\n        stroke_width: " +
               std::string(color == kDefaultWidgetPalette.disabled ? "1" : "2") +
               "\n        stroke_pattern: " +
               std::string(color == kDefaultWidgetPalette.disabled ? "61680" : "65535") +
               "\n        flags: 1\n        draw_color: {red: " + std::to_string(color.red) +
               ", green: " + std::to_string(color.green) + ", blue: " + std::to_string(color.blue);
    };
    knob->SetControlHighlightInfo(false, true);
    EXPECT_EQ(knob->GetSelectLevel(), eSelectLevelSelected);
    const std::string selected = testing::Yaml(*knob);
    EXPECT_NE(selected.find(frameColor(kDefaultWidgetPalette.selected)), std::string::npos)
        << selected;
    Down(*knob);
    EXPECT_EQ(knob->GetSelectLevel(), eSelectLevelActive);
    EXPECT_NE(testing::Yaml(*knob).find(frameColor(kDefaultWidgetPalette.active)),
              std::string::npos);
    knob->SetDisabled();
    EXPECT_EQ(knob->GetSelectLevel(), eSelectLevelDisabled);
    const std::string disabled = testing::Yaml(*knob);
    EXPECT_NE(disabled.find(frameColor(kDefaultWidgetPalette.disabled)), std::string::npos)
        << disabled;

    knob->SetHidden(true);
    EXPECT_NE(testing::Yaml(*knob).find("contents:\n    []"), std::string::npos)
        << "hidden draws nothing";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
