// A registration's input kinds are a 64-bit set: kinds past bit 31 must not alias lower ones.
// Deltas reach a real algorithm's parameters as the controls rely on: clamped, wrapped, stepped
// by clicks, fixed, dragged and finished.
#include "korvane/algorithm/param_registration.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"

#include <gtest/gtest.h>

#include <array>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(ParamRegistration, InputKindsAboveBit31AreDistinct) {
    KCParamRegistrationData r;
    r.SetRegisterType(eRegUser6, true);
    r.SetRegisterType(eRegReset, true);
    EXPECT_TRUE(r.AnswersTo(eRegUser6));
    EXPECT_TRUE(r.AnswersTo(eRegReset));
    EXPECT_FALSE(r.AnswersTo(eRegMouseDown));  // 34 - 32 would alias bit 2 with a 32-bit shift
    EXPECT_FALSE(r.AnswersTo(eRegMouseUp));
    r.SetRegisterType(eRegUser6, false);
    EXPECT_FALSE(r.AnswersTo(eRegUser6));
    EXPECT_TRUE(r.AnswersTo(eRegReset));

    KCParamRegistrationData other = r;
    EXPECT_EQ(other, r);
    other.modifiers[eModAlt] = true;
    EXPECT_NE(other, r);
}

using test_support::ControlTestAlgorithm;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

class Registration : public ::testing::Test {
protected:
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;
    static constexpr unsigned int kMode = ControlTestAlgorithm::kMode;
    static constexpr unsigned int kDragged = ControlTestAlgorithm::kDragged;

    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    void Set(unsigned int param, double state) {
        BUFFER_HEADER* chain = alg.UpdateParamState(param, state);
        alg.FreeBuffers(chain);
    }

    KCParamRegistrationData Bound(unsigned int param, ERegisterType type) {
        KCParamRegistrationData r;
        r.alg = &alg;
        r.paramID = param;
        r.SetRegisterType(type, true);
        return r;
    }
    // Applies a delta and frees what it produced.
    void Offset(KCParamRegistrationData& r, double delta, ERegisterType type,
                const bool* modifiers = nullptr) {
        BUFFER_HEADER* chain = r.OffsetParamValue(delta, type, modifiers);
        alg.FreeBuffers(chain);
    }
    double State(unsigned int param) const { return alg.GetParamState(param); }

    ControlTestAlgorithm alg;
};

// A cyclic parameter wraps modulo its range however large the delta: a delta of more than one
// range (drag factor, acceleration) must not leave the state outside and stop the knob.
TEST_F(Registration, CyclicParameterWrapsModuloTheRange) {
    const unsigned int phase = ControlTestAlgorithm::kPhase;
    KCParamRegistrationData r = Bound(phase, eRegMouseVertical);
    struct Case {
        double from, delta, to;
    };
    for (const Case c : {Case{990, 20, 10}, Case{990, 2020, 10}, Case{10, -2020, 990},
                         Case{10, -20, 990}, Case{500, 3000, 500}}) {
        Set(phase, c.from);
        Offset(r, c.delta, eRegMouseVertical);
        EXPECT_DOUBLE_EQ(State(phase), c.to) << c.from << " + " << c.delta;
        EXPECT_DOUBLE_EQ(r.value, c.to) << "the registration keeps the control's value";
    }
    // A parameter that is not cyclic stops at its ends.
    KCParamRegistrationData gain = Bound(kGain, eRegMouseVertical);
    Offset(gain, 5000, eRegMouseVertical);
    EXPECT_DOUBLE_EQ(State(kGain), 1000);
    Offset(gain, -5000, eRegMouseVertical);
    EXPECT_DOUBLE_EQ(State(kGain), 0);
}

TEST_F(Registration, DiscreteDragsStopAtTheEndsAndClicksCycle) {
    const unsigned int steps = ControlTestAlgorithm::kSteps;  // 8 states, starts at 3
    KCParamRegistrationData r = Bound(steps, eRegMouseVertical);
    r.SetRegisterType(eRegMouseUp, true);
    Offset(r, 10, eRegMouseVertical);
    EXPECT_EQ(State(steps), 7) << "a drag stops at the last state";
    Offset(r, 1, eRegMouseUp);
    EXPECT_EQ(State(steps), 0) << "a click past the last state comes round to the first";
    Offset(r, -1, eRegMouseUp);
    EXPECT_EQ(State(steps), 7);
    Offset(r, -20, eRegMouseVertical);
    EXPECT_EQ(State(steps), 0);
}

TEST_F(Registration, AnswersOnlyToItsKindsAndModifiers) {
    KCParamRegistrationData r = Bound(kGain, eRegMouseVertical);
    r.modifiers[eModShift] = true;
    std::array<bool, eModCount> none{};
    std::array<bool, eModCount> shift{};
    shift[eModShift] = true;
    Offset(r, 100, eRegMouseHorizontal, shift.data());
    Offset(r, 100, eRegMouseVertical, none.data());
    EXPECT_EQ(State(kGain), 500) << "wrong kind or wrong modifiers change nothing";
    Offset(r, 100, eRegMouseVertical, shift.data());
    EXPECT_EQ(State(kGain), 600);
    Offset(r, 100, eRegMouseVertical, nullptr);
    EXPECT_EQ(State(kGain), 700) << "without event modifiers the requirement is not checked";

    // "FixedState" sets its value whatever the delta.
    KCParamRegistrationData fixed = Bound(kGain, eRegMouseUp);
    fixed.SetRegisterType(eRegFixedState, true);
    fixed.fixedStateValue = 250;
    Offset(fixed, 1, eRegMouseUp);
    EXPECT_EQ(State(kGain), 250);
    EXPECT_EQ(r.OffsetParamValue(1, eRegMouseUp, nullptr), nullptr);

    KCParamRegistrationData unbound;
    unbound.SetRegisterType(eRegMouseVertical, true);
    EXPECT_EQ(unbound.OffsetParamValue(1, eRegMouseVertical, nullptr), nullptr);
    EXPECT_FALSE(unbound.DoesNewStateChangeRealWorld(1, eRegMouseVertical, nullptr));
    EXPECT_EQ(unbound.UpdateMouseDeltaStep(5), 0.0);
}

// A parameter that does not update while dragged is dragged; finishing the drag sends the
// final value once and clears the drag start, so the next drag starts afresh.
TEST_F(Registration, DragAndFinishDrag) {
    const unsigned int f = kDragged;
    KCParamRegistrationData r = Bound(f, eRegMouseVertical);
    const int before = alg.updateParamCalls;
    Offset(r, 50, eRegMouseVertical);
    Offset(r, 50, eRegMouseVertical);
    EXPECT_EQ(State(f), 600);
    EXPECT_EQ(r.dragStartValue, 500);
    EXPECT_EQ(alg.updateParamCalls, before) << "the processing hears nothing while dragged";
    BUFFER_HEADER* chain = r.FinishDragParam();
    alg.FreeBuffers(chain);
    EXPECT_EQ(alg.updateParamCalls, before + 1);
    EXPECT_EQ(r.dragStartValue, -1.0);
    EXPECT_EQ(State(f), 600);
    EXPECT_EQ(r.FinishDragParam(), nullptr) << "no drag, nothing to finish";
    EXPECT_EQ(alg.updateParamCalls, before + 1);

    // A parameter that updates while dragged is set at once.
    KCParamRegistrationData gain = Bound(kGain, eRegMouseVertical);
    Offset(gain, 10, eRegMouseVertical);
    EXPECT_EQ(gain.dragStartValue, -1.0);
    EXPECT_EQ(alg.updateParamCalls, before + 2);
}

TEST_F(Registration, NextDifferentValueAndMouseDelta) {
    KCParamRegistrationData r = Bound(kGain, eRegMouseWheelVertical);
    // Gain: -24 ... 24 dB in 0.1 dB steps over 0 ... 1000, so one state is not a new value.
    EXPECT_FALSE(r.DoesNewStateChangeRealWorld(0.5, eRegMouseWheelVertical, nullptr));
    EXPECT_TRUE(r.DoesNewStateChangeRealWorld(50, eRegMouseWheelVertical, nullptr));
    const double before = alg.GetParamRealWorld(kGain);
    BUFFER_HEADER* chain =
        r.OffsetParamValueToNextDifferentValue(0.5, eRegMouseWheelVertical, nullptr);
    alg.FreeBuffers(chain);
    EXPECT_NEAR(alg.GetParamRealWorld(kGain) - before, 0.1, 1e-9);

    // The parameter's own mouse-delta function, else the default curve.
    EXPECT_EQ(Bound(ControlTestAlgorithm::kSteps, eRegMouseVertical).UpdateMouseDeltaStep(7), 7);
    EXPECT_EQ(r.UpdateMouseDeltaStep(3), alg.UpdateMouseDeltaStep(kGain, 3));
}

TEST_F(Registration, ResetTouchAndRelease) {
    KCParamRegistrationData r = Bound(kMode, eRegReset);
    Set(kMode, 1);
    BUFFER_HEADER* chain = r.ResetParam();
    alg.FreeBuffers(chain);
    EXPECT_EQ(State(kMode), 2) << "Mode resets to state 2";
    EXPECT_EQ(r.value, 2);
}

TEST(ParamRegistrationXML, ModifiersAreSearchedAltSecondaryShiftPrimary) {
    struct Case {
        const char* text;
        KEModifier expected;
    };
    for (const Case c : {Case{"Primary Shift Alt", eModAlt}, Case{"Shift+Secondary", eModSecondary},
                         Case{"Primary,Shift", eModShift}, Case{"Primary", eModPrimary}}) {
        KCParamRegistrationData r;
        r.ReadFromXMLForGUI(test_support::ParseXML(std::string("<Param Modifiers='") + c.text +
                                                   "'><MouseVertical/><FixedState Value='12'/>"
                                                   "<NoSuchKind/></Param>"));
        std::array<bool, eModCount> expected{};
        expected[c.expected] = true;
        EXPECT_EQ(r.modifiers, expected) << c.text << ": only the first found is set";
        EXPECT_TRUE(r.AnswersTo(eRegMouseVertical));
        EXPECT_TRUE(r.AnswersTo(eRegFixedState));
        EXPECT_EQ(r.fixedStateValue, 12);

        XML::CXMLElement written("Param", "");
        r.WriteToXMLForGUI(written);
        KCParamRegistrationData back;
        back.ReadFromXMLForGUI(written);
        EXPECT_EQ(back, r);
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
