// Pointer arithmetic: motion, high precision, the process-wide axis lock, pixels to states
// through the parameters' mouse-delta functions, and the wheel's acceleration by its timing.
#include "korvane/gui/mouse_delta.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/gui/standard_gui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::TestAlgorithm;

TEST(MouseDelta, MotionIsMeasuredWithUpPositive) {
    EXPECT_EQ(MouseDelta_Calculate({10, 10}, {13, 4}), (KSMouseDelta{3, 6}));
    EXPECT_EQ(MouseDelta_Calculate({10, 10}, {7, 15}), (KSMouseDelta{-3, -5}));
}

TEST(MouseDelta, HighPrecisionNeedsTheKeyAndEveryControl) {
    KSMouseDelta delta{4, -8};
    MouseDelta_HighPrecision(delta, true, true);
    EXPECT_EQ(delta, (KSMouseDelta{1, -2})) << "a 4-pixel move acts as 1 pixel";
    delta = {4, -8};
    MouseDelta_HighPrecision(delta, true, false);
    EXPECT_EQ(delta, (KSMouseDelta{4, -8}));
    MouseDelta_HighPrecision(delta, false, true);
    EXPECT_EQ(delta, (KSMouseDelta{4, -8}));
}

TEST(MouseDelta, TheFirstMotionLocksTheAxisUntilRestrictionEnds) {
    MouseDelta_ClearRestrictedAxis();
    KSMouseDelta delta{0, 0};
    MouseDelta_RestrictToAxis(delta, true, true);
    EXPECT_EQ(MouseDelta_GetRestrictedAxis(), kAxisNone) << "no motion chooses nothing";

    delta = {5, 2};
    MouseDelta_RestrictToAxis(delta, true, true);
    EXPECT_EQ(delta, (KSMouseDelta{5, 0}));
    EXPECT_EQ(MouseDelta_GetRestrictedAxis(), kAxisHorizontal);
    delta = {0, 9};
    MouseDelta_RestrictToAxis(delta, true, true);
    EXPECT_EQ(delta, (KSMouseDelta{0, 0}));

    // Restriction released: the choice goes and the motion passes whole.
    delta = {0, 9};
    MouseDelta_RestrictToAxis(delta, false, true);
    EXPECT_EQ(delta, (KSMouseDelta{0, 9}));
    EXPECT_EQ(MouseDelta_GetRestrictedAxis(), kAxisNone);

    // A tie goes to the vertical axis; one-axis controls are not restricted.
    delta = {-3, 3};
    MouseDelta_RestrictToAxis(delta, true, true);
    EXPECT_EQ(delta, (KSMouseDelta{0, 3}));
    EXPECT_EQ(MouseDelta_GetRestrictedAxis(), kAxisVertical);
    MouseDelta_ClearRestrictedAxis();
    delta = {7, 1};
    MouseDelta_RestrictToAxis(delta, true, false);
    EXPECT_EQ(delta, (KSMouseDelta{7, 1}));
    EXPECT_EQ(MouseDelta_GetRestrictedAxis(), kAxisNone);
}

TEST(MouseDelta, WheelAccelerationFollowsTheTimeBetweenNotches) {
    struct Case {
        std::int64_t afterMs;
        KSMouseDelta in;
        KSMouseDelta out;
    };
    const Case cases[] = {
        {50, {0, 1}, {0, 75.5}}, {150, {0, 1}, {0, 14}},        {250, {0, 1}, {0, 1}},
        {0, {0, 1}, {0, 100}},   {100, {0, 1}, {0, 26}},        {199, {0, 1}, {0, 2.24}},
        {200, {0, 3}, {0, 3}},   {50, {2, -1}, {-75.5, -75.5}}, {50, {-1, 0}, {-75.5, 0}},
    };
    for (const Case& c : cases) {
        std::int64_t last = 1'000'000;
        KSMouseDelta delta = c.in;
        AccelerateMouseWheel(delta, last + c.afterMs * 1000, last);
        EXPECT_NEAR(delta.dx, c.out.dx, 1e-9) << c.afterMs << " ms";
        EXPECT_NEAR(delta.dy, c.out.dy, 1e-9) << c.afterMs << " ms";
        EXPECT_EQ(last, 1'000'000 + c.afterMs * 1000) << "every event's time is kept";
    }
    // A clock that stepped back does not accelerate.
    std::int64_t last = 5'000'000;
    KSMouseDelta delta{0, 1};
    AccelerateMouseWheel(delta, 4'990'000, last);
    EXPECT_EQ(delta, (KSMouseDelta{0, 1}));
    EXPECT_EQ(last, 4'990'000);
}

TEST(MouseDelta, TheGuiReadsItsWheelClock) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    std::int64_t now = 10'000'000;
    gui.SetMicrosecondClock([&now] { return now; });
    KSMouseDelta first{0, 1};
    gui.AccelerateMouseWheel(first);
    EXPECT_EQ(first, (KSMouseDelta{0, 1})) << "the first notch has nothing before it";
    now += 50'000;
    KSMouseDelta second{0, 1};
    gui.AccelerateMouseWheel(second);
    EXPECT_DOUBLE_EQ(second.dy, 75.5);
    now += 250'000;
    KSMouseDelta third{0, -1};
    gui.AccelerateMouseWheel(third);
    EXPECT_EQ(third, (KSMouseDelta{0, -1}));
}

// Mode (discrete, 3 states) moves by raw pixels; Frequency has its own doubling function; Gain
// keeps the default signed square.
class PixelAlgorithm : public TestAlgorithm {
protected:
    int BuildParameterList() override {
        const int err = TestAlgorithm::BuildParameterList();
        GetParamVector()[kMode].SetMouseAccelerationValue(1.0);
        GetParamVector()[kDragged].SetMouseDeltaFunc([](double d) { return 2.0 * d; });
        return err;
    }
};

class PixelsToState : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(alg.FinishCreate(), 0);
        for (const unsigned int param :
             {TestAlgorithm::kGain, TestAlgorithm::kMode, TestAlgorithm::kDragged}) {
            KCParamRegistrationData reg;
            reg.alg = &alg;
            reg.paramID = param;
            regs.push_back(reg);
        }
    }
    PixelAlgorithm alg;
    std::vector<KCParamRegistrationData> regs;
};

TEST_F(PixelsToState, ContinuousParametersGoThroughTheirMouseDeltaFunction) {
    double acc = 0.0;
    const double gainStep = alg.GetStateStep(TestAlgorithm::kGain);
    ASSERT_GT(gainStep, 0.0);
    EXPECT_DOUBLE_EQ(MouseDelta_PixelsToState(regs, 0, 3, acc), 9 * gainStep);
    EXPECT_DOUBLE_EQ(MouseDelta_PixelsToState(regs, 0, -20, acc), -100 * gainStep)
        << "the default function clamps to 10 pixels before squaring";
    const double freqStep = alg.GetStateStep(TestAlgorithm::kDragged);
    EXPECT_DOUBLE_EQ(MouseDelta_PixelsToState(regs, 2, 3, acc), 6 * freqStep);
    EXPECT_EQ(acc, 0.0) << "continuous motion leaves the accumulator alone";
}

TEST_F(PixelsToState, DiscreteParametersStepEvery96Units) {
    const double step = alg.GetStateStep(TestAlgorithm::kMode);
    ASSERT_EQ(alg.GetParamType(TestAlgorithm::kMode), eParamDiscrete);
    ASSERT_GT(step, 0.0);
    double acc = 0.0;
    EXPECT_EQ(MouseDelta_PixelsToState(regs, 1, 95, acc), 0.0);
    EXPECT_EQ(MouseDelta_PixelsToState(regs, 1, 1, acc), step) << "95 + 1 units";
    EXPECT_EQ(acc, 0.0);
    EXPECT_EQ(MouseDelta_PixelsToState(regs, 1, -96, acc), -step);
    EXPECT_EQ(MouseDelta_PixelsToState(regs, 1, -95, acc), 0.0) << "truncated toward zero";
    EXPECT_EQ(acc, -95.0);
    EXPECT_EQ(MouseDelta_PixelsToState(regs, 1, -1, acc), -step);
    EXPECT_EQ(MouseDelta_PixelsToState(regs, 1, 200, acc), 2 * step);
    EXPECT_EQ(acc, 8.0) << "the remainder is kept";
}

TEST_F(PixelsToState, AnIndexPastTheRegistrationsGivesNothing) {
    double acc = 50.0;
    EXPECT_EQ(MouseDelta_PixelsToState(regs, 3, 500, acc), 0.0);
    EXPECT_EQ(acc, 50.0);
    KCParamRegistrationData orphan;
    orphan.paramID = TestAlgorithm::kGain;
    EXPECT_EQ(MouseDelta_PixelsToState({orphan}, 0, 500, acc), 0.0) << "no algorithm";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
