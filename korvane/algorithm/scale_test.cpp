// Scale functions: round trips across every type, quantisation and the table edge cases.
#include "korvane/algorithm/param_base.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

KCParam_Base Scaled(const char* type, double min, double max, double res, int states,
                    const std::vector<double>& sp = {}, const std::vector<double>& rw = {}) {
    KCParam_Base p;
    EXPECT_EQ(
        p.SetScale(min, max, res, states, 0.0, KCFixedString<31>(type), nullptr, nullptr, sp, rw),
        0);
    return p;
}

TEST(Scale, LinearEndpointsQuantisationAndGetters) {
    KCParam_Base p;
    p.SetScaleLin(-24, 24, 0.1);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(0), -24.0);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(1000), 24.0);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(500), 0.0);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(501), 0.0);  // 0.048: the fraction rounds to 0.0
    EXPECT_NEAR(p.StateToRealWorld(502), 0.1, 1e-12);
    double min = 0, max = 0, res = 0;
    p.GetScaleLin(min, max, res);
    EXPECT_DOUBLE_EQ(min, -24);
    EXPECT_NEAR(max, 24, 1e-9);
    EXPECT_DOUBLE_EQ(res, 0.1);
    EXPECT_DOUBLE_EQ(p.GetStateStep(), 1.0);
    EXPECT_EQ(p.GetType(), eParamContinuous);
    EXPECT_EQ(p.GetScaleType(), "linear");

    // Resolution above 1 rounds the whole value: 33.3 becomes a multiple of 5.
    KCParam_Base coarse;
    coarse.SetScaleLin(0, 100, 5);
    EXPECT_DOUBLE_EQ(coarse.StateToRealWorld(333), 35.0);
    EXPECT_DOUBLE_EQ(coarse.StateToRealWorld(320), 30.0);
}

TEST(Scale, EveryContinuousTypeRoundTripsAcrossItsRange) {
    std::vector<KCParam_Base> params;
    params.push_back(Scaled("linear", -24, 24, 0.001, 1001));
    params.push_back(Scaled("logarithmic", 20, 20000, 0.0001, 1001));
    params.push_back(Scaled("linearRanges", 0, 0, 0.0001, 1001, {0, 250, 1000}, {0, 10, 100}));
    params.push_back(Scaled("linearRanges", 0, 0, 0.0001, 1001, {0, 1000}, {10, 0}));
    for (const auto& p : params) {
        for (int s = 0; s <= 1000; s += 7) {
            const double rw = p.StateToRealWorld(s);
            // The quantum of the real-world value bounds the state error through the slope.
            EXPECT_NEAR(p.RealWorldToState(rw), s, 0.05)
                << p.GetScaleType().c_str() << " state " << s;
        }
    }
}

TEST(Scale, LogarithmicEndpointsAndInverseOfNonPositive) {
    KCParam_Base p;
    p.SetScaleLog(20, 20000, 1);
    EXPECT_NEAR(p.StateToRealWorld(0), 20.0, 1e-9);
    EXPECT_NEAR(p.StateToRealWorld(1000), 20000.0, 1e-6);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(500), 632.0);  // 632.46, fraction rounded to 1
    EXPECT_EQ(p.RealWorldToState(0.0), 0.0);
    EXPECT_EQ(p.RealWorldToState(-5.0), 0.0);
    double min = 0, max = 0, res = 0;
    p.GetScaleLog(min, max, res);
    EXPECT_NEAR(max, 20000.0, 1e-6);
    // A logarithmic range through zero has no scale: refused, the previous scale stays.
    EXPECT_NE(p.SetScaleLog(0, 100, 1), 0);
    EXPECT_NEAR(p.StateToRealWorld(1000), 20000.0, 1e-6);
}

TEST(Scale, ToggleWrapsAndValidates) {
    KCParam_Base p;
    ASSERT_EQ(p.SetScaleToggle(3), 0);
    EXPECT_EQ(p.GetNumStates(), 3);
    EXPECT_EQ(p.GetType(), eParamDiscrete);
    EXPECT_DOUBLE_EQ(p.GetStateStep(), 1.0);
    for (int s = 0; s < 3; ++s) {
        EXPECT_DOUBLE_EQ(p.StateToRealWorld(s), s);
        EXPECT_DOUBLE_EQ(p.RealWorldToState(s), s);
    }
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(4), 1.0);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(2.9), 2.0);
    EXPECT_TRUE(p.ValidateRealWorld(2));
    EXPECT_FALSE(p.ValidateRealWorld(3));
    EXPECT_FALSE(p.ValidateRealWorld(-0.5));
}

TEST(Scale, ToggleCountComesFromTheResolutionAndBadCountsAreRefused) {
    KCParam_Base p = Scaled("toggle", 0, 0, 4, 99);
    EXPECT_EQ(p.GetNumStates(), 4);
    EXPECT_EQ(p.GetScaleToggle(), 4);
    const KCFixedString<31> toggle("toggle");
    for (double bad : {0.0, -2.0, 2.5, 40000.0}) {
        EXPECT_NE(p.SetScale(0, 0, bad, 7, 0, toggle, nullptr, nullptr, {}, {}), 0) << bad;
        EXPECT_EQ(p.GetNumStates(), 4) << "a refused scale must leave the previous one";
        EXPECT_DOUBLE_EQ(p.StateToRealWorld(5), 1.0);
    }
}

TEST(Scale, ToggleRangesPicksNearestPointHalfGoesUp) {
    KCParam_Base p = Scaled("toggleRanges", 0, 0, 1, 0, {}, {10, 20, 40});
    EXPECT_EQ(p.GetNumStates(), 3);
    EXPECT_EQ(p.GetType(), eParamDiscrete);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(2), 40);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(4), 20);  // index wraps modulo the table
    EXPECT_DOUBLE_EQ(p.RealWorldToState(29.9), 1);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(30), 2);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(100), 2);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(0), 0);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(15), 1);
    EXPECT_TRUE(p.ValidateRealWorld(40));
    EXPECT_FALSE(p.ValidateRealWorld(41));

    KCParam_Base single = Scaled("toggleRanges", 0, 0, 1, 0, {}, {7});
    EXPECT_DOUBLE_EQ(single.RealWorldToState(3), 0);
    EXPECT_DOUBLE_EQ(single.RealWorldToState(9), 0);
}

TEST(Scale, ToggleMapMatchesExactPairs) {
    KCParam_Base p = Scaled("toggleMap", 0, 0, 1, 0, {0, 1, 2}, {100, 300, 200});
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(1), 300);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(5), 0);  // no match
    EXPECT_DOUBLE_EQ(p.RealWorldToState(200), 2);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(250), 0);
    // Its validation range is the index range, not the mapped values.
    EXPECT_TRUE(p.ValidateRealWorld(2));
    EXPECT_FALSE(p.ValidateRealWorld(100));
}

TEST(Scale, LinearRangesInterpolateClampAndRound) {
    KCParam_Base up = Scaled("linearRanges", 0, 0, 0.5, 1001, {0, 500, 1000}, {0, 10, 110});
    EXPECT_DOUBLE_EQ(up.StateToRealWorld(250), 5.0);
    EXPECT_DOUBLE_EQ(up.StateToRealWorld(750), 60.0);
    EXPECT_DOUBLE_EQ(up.StateToRealWorld(-50), 0.0);
    EXPECT_DOUBLE_EQ(up.StateToRealWorld(2000), 110.0);
    EXPECT_DOUBLE_EQ(up.StateToRealWorld(260), 5.0);  // 5.2 with its fraction rounded to 0.5
    EXPECT_DOUBLE_EQ(up.RealWorldToState(10), 500);
    EXPECT_DOUBLE_EQ(up.RealWorldToState(-1), 0);
    EXPECT_DOUBLE_EQ(up.RealWorldToState(111), 1000);

    KCParam_Base down = Scaled("linearRanges", 0, 0, 1, 1001, {0, 1000}, {10, 0});
    EXPECT_DOUBLE_EQ(down.RealWorldToState(5), 500);
    EXPECT_DOUBLE_EQ(down.RealWorldToState(11), 1000.0);
    EXPECT_DOUBLE_EQ(down.RealWorldToState(-1), 0.0);

    KCParam_Base rounded = Scaled("linearRangesWithRounding", 0, 0, 1, 1001, {0, 1000}, {0, 3});
    EXPECT_DOUBLE_EQ(rounded.RealWorldToState(1), 333);
    EXPECT_DOUBLE_EQ(rounded.RealWorldToState(2), 667);
}

TEST(Scale, DegenerateTablesAreRefused) {
    KCParam_Base p;
    p.SetScaleLin(0, 10, 1);
    const KCFixedString<31> ranges("linearRanges");
    const KCFixedString<31> toggleRanges("toggleRanges");
    const KCFixedString<31> toggleMap("toggleMap");
    EXPECT_NE(p.SetScale(0, 0, 1, 1001, 0, ranges, nullptr, nullptr, {0}, {5}), 0);
    EXPECT_NE(p.SetScale(0, 0, 1, 1001, 0, toggleRanges, nullptr, nullptr, {}, {}), 0);
    EXPECT_NE(p.SetScale(0, 0, 1, 1001, 0, toggleMap, nullptr, nullptr, {1}, {}), 0);
    EXPECT_EQ(p.GetScaleType(), "linear");
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(1000), 10.0);
}

double Square(double x, sSCALE_INFO* info) {
    return info->a * x * x;
}
double SquareRoot(double x, sSCALE_INFO* info) {
    return std::sqrt(x / info->a);
}

TEST(Scale, GenericScalesUseTheGivenPairOrIdentity) {
    KCParam_Base p;
    const KCFixedString<31> name("square");
    ASSERT_EQ(p.SetScale(0.5, 0, 0.001, 1001, 3, name, Square, SquareRoot, {}, {}), 0);
    EXPECT_DOUBLE_EQ(p.StateToRealWorld(10), 50);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(50), 10);
    double a = 0, b = 0, c = 0, res = 0;
    p.GetScaleGeneric(a, b, c, res);
    EXPECT_EQ(a, 0.5);
    EXPECT_EQ(c, 3);
    EXPECT_EQ(res, 0.001);

    KCParam_Base identity;
    ASSERT_EQ(identity.SetScale(0, 0, 1, 1001, 0, name, nullptr, nullptr, {}, {}), 0);
    EXPECT_DOUBLE_EQ(identity.StateToRealWorld(42), 42);
    EXPECT_DOUBLE_EQ(identity.RealWorldToState(42), 42);
}

TEST(Scale, StateStepFollowsTheNumberOfStates) {
    KCParam_Base p = Scaled("linear", 0, 10, 0.001, 11);
    EXPECT_DOUBLE_EQ(p.GetStateStep(), 100);
    EXPECT_DOUBLE_EQ(p.QuantizeState(149), 100);
    EXPECT_DOUBLE_EQ(p.QuantizeState(150), 200);
    EXPECT_DOUBLE_EQ(p.QuantizeState(1000), 1000);
}

TEST(Scale, GetScaleReportsByType) {
    KCParam_Base p = Scaled("toggleRanges", 0, 0, 1, 0, {}, {1, 2, 4, 8});
    double min = -1, max = -1, res = -1, c = -1;
    int states = 0;
    KCFixedString<31> type;
    ScaleFn f = nullptr;
    ScaleFn g = nullptr;
    std::vector<double> sp;
    std::vector<double> rw;
    p.GetScale(min, max, res, states, c, type, f, g, sp, rw);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 3);
    EXPECT_EQ(res, 4);
    EXPECT_EQ(states, 4);
    EXPECT_EQ(type, "toggleRanges");
    EXPECT_EQ(f, &ToggleRangesScale);
    EXPECT_EQ(rw, (std::vector<double>{1, 2, 4, 8}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
