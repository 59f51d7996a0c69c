// Scale functions: round trips across every type, quantisation and the table edge cases.
#include "korvane/algorithm/param_base.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
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

// The same tables filled by hand (nothing prepared) and installed through SetScale (prepared
// once) must invert every value alike, including outside the table and at its points.
TEST(Scale, PreparedRangeTablesInvertLikeTablesFilledByHand) {
    struct Table {
        std::vector<double> states;
        std::vector<double> values;
    };
    const std::vector<Table> tables = {
        {{0, 250, 500, 750, 1000}, {0, 1, 10, 100, 1000}},
        {{0, 400, 1000}, {50, 20, -30}},
        {{0, 1000}, {7, 7}},
        {{0, 300, 1000}, {5, 5, 9}},
        {{0, 500, 1000, 1000}, {-10, 0, 10}},   // the shorter table decides the pairs
        {{0, 300, 600, 1000}, {0, 10, 5, 20}},  // turns back: the first segment reached wins
        {{0, 300, 600, 1000}, {9, 2, 4, 0}},
        // Longer ascending tables, with a level segment; the second longer in states.
        {{0, 100, 200, 300, 400, 500, 600, 1000}, {-3, -1, 0, 0, 2, 8, 9, 50}},
        {{0, 100, 200, 300, 400, 500, 600, 700, 1000}, {-3, -1, 0, 0, 2, 8, 9, 40, 50}},
        {{0, 100, 200, 300, 400, 500, 600, 700, 1000}, {-3, -1, 0, 0, 2, 8, 9, 40}},
        // Strictly ascending, of lengths around the steps the points are compared in.
        {{0, 1000}, {-1, 1}},
        {{0, 100, 200, 300, 400, 1000}, {-3, -1, 0, 2, 8, 9}},
        {{0, 100, 200, 300, 400, 500, 600, 700, 1000}, {-3, -1, 0, 1, 2, 8, 9, 40, 50}},
        {{0, 100, 200, 300, 400, 500, 600, 700, 800, 1000}, {-3, -1, 0, 1, 2, 8, 9, 40, 50, 51}},
        // A slope too steep for a double, and a state of -0: neither may change the answer.
        {{0, 1000}, {0, 1e-310}},
        {{-0.0, 500, 1000}, {0, 1, 10}},
    };
    // The documented meaning, written out plainly: clamp to the end points, then interpolate in
    // the first segment whose end is not before x.
    // `quotient` divides last, as a textbook would, instead of multiplying by the slope.
    const auto oracle = [](const Table& t, double x, bool quotient = false) {
        const std::size_t n = std::min(t.states.size(), t.values.size());
        const double first = t.values.front();
        const double last = t.values[n - 1];
        const bool up = first <= last;
        if (x < std::min(first, last)) {
            return 0.0;
        }
        if (x > std::max(first, last)) {
            return 1000.0;
        }
        std::size_t i = 0;
        while (i + 1 < n && (up ? t.values[i] < x : t.values[i] > x)) {
            ++i;
        }
        if (i == 0 || t.values[i] == x) {
            return t.states[i];
        }
        const double x0 = t.values[i - 1];
        const double x1 = t.values[i];
        if (x1 == x0) {
            return t.states[i];
        }
        if (quotient) {
            return t.states[i - 1] + (x - x0) * (t.states[i] - t.states[i - 1]) / (x1 - x0);
        }
        // States per real-world unit first: the inverse multiplies by the segment's slope.
        return t.states[i - 1] + (x - x0) * ((t.states[i] - t.states[i - 1]) / (x1 - x0));
    };
    for (const auto& t : tables) {
        const KCParam_Base withRounding =
            Scaled("linearRangesWithRounding", 0, 0, 0.01, 1001, t.states, t.values);
        const KCParam_Base plain = Scaled("linearRanges", 0, 0, 0.01, 1001, t.states, t.values);
        EXPECT_NE(plain.GetScaleInfo().rangeDirection, 0) << "SetScale prepares the tables";
        // A copy converts on its own, after the record it came from is gone.
        auto source = std::make_unique<KCParam_Base>(plain);
        const auto copied = std::make_unique<KCParam_Base>(*source);
        source.reset();
        sSCALE_INFO byHand;
        byHand.statePoints = t.states;
        byHand.realWorldPoints = t.values;
        std::vector<double> probes = {std::nan(""), -1e300, 1e300};
        for (double v = -60; v <= 1100; v += 0.37) {
            probes.push_back(v);
        }
        probes.insert(probes.end(), t.values.begin(), t.values.end());
        for (const double x : probes) {
            const double want = InverseLinearRangesScale(x, &byHand);
            const double got = plain.RealWorldToState(x);
            const double gotByCopy = copied->RealWorldToState(x);
            if (std::isnan(want)) {
                EXPECT_TRUE(std::isnan(x) && std::isnan(got) && std::isnan(gotByCopy)) << "x " << x;
            } else {
                EXPECT_EQ(got, want) << "x " << x << " first value " << t.values.front();
                EXPECT_EQ(std::signbit(got), std::signbit(want)) << "x " << x;
                EXPECT_EQ(gotByCopy, want) << "x " << x << " first value " << t.values.front();
                EXPECT_EQ(got, oracle(t, x)) << "x " << x << " first value " << t.values.front();
                // Within rounding of the quotient form.
                EXPECT_NEAR(got, oracle(t, x, true), 1e-9) << "x " << x;
            }
            const double wantRounded = InverseLinearRangesScaleWithRounding(x, &byHand);
            const double gotRounded = withRounding.RealWorldToState(x);
            if (!std::isnan(wantRounded)) {
                EXPECT_EQ(gotRounded, wantRounded) << "x " << x;
            }
        }
    }
    // The point-by-point layout is kept only where a point's state comes out exactly: strictly
    // ascending, finite slopes, no state of -0.
    const auto laidOut = [](const std::vector<double>& states, const std::vector<double>& values) {
        sSCALE_INFO info;
        info.statePoints = states;
        info.realWorldPoints = values;
        PrepareRangeTables(info);
        return !info.rangePoints.empty();
    };
    EXPECT_TRUE(laidOut({0, 250, 500, 750, 1000}, {0, 1, 10, 100, 1000}));
    EXPECT_TRUE(laidOut({0}, {4}));
    EXPECT_FALSE(laidOut({0, 300, 1000}, {5, 5, 9}));
    EXPECT_FALSE(laidOut({0, 1000}, {10, 0}));
    EXPECT_FALSE(laidOut({0, 1000}, {0, 1e-310}));
    EXPECT_FALSE(laidOut({-0.0, 1000}, {0, 10}));
    EXPECT_FALSE(laidOut({0, 1000}, {0, std::numeric_limits<double>::infinity()}));
    // Hand-filled tables keep working without preparation, and preparing an empty table
    // leaves it unprepared.
    sSCALE_INFO descending;
    descending.statePoints = {0, 1000};
    descending.realWorldPoints = {10, 0};
    EXPECT_DOUBLE_EQ(InverseLinearRangesScale(2.5, &descending), 750);
    PrepareRangeTables(descending);
    EXPECT_EQ(descending.rangeDirection, -1);
    EXPECT_DOUBLE_EQ(InverseLinearRangesScale(2.5, &descending), 750);
    sSCALE_INFO empty;
    PrepareRangeTables(empty);
    EXPECT_EQ(empty.rangeDirection, 0);
    EXPECT_DOUBLE_EQ(InverseLinearRangesScale(1, &empty), 0);
    // Prepared, then refilled shorter without preparing again: the old count must not be
    // walked past the new tables' end (ASan sees the read), and the answer follows the tables.
    sSCALE_INFO refilled;
    refilled.statePoints = {0, 250, 500, 750, 1000};
    refilled.realWorldPoints = {0, 1, 2, 3, 4};
    PrepareRangeTables(refilled);
    refilled.statePoints = {0, 1000};
    refilled.realWorldPoints = {0, 10};
    refilled.statePoints.shrink_to_fit();
    refilled.realWorldPoints.shrink_to_fit();
    EXPECT_DOUBLE_EQ(InverseLinearRangesScale(3.5, &refilled), 350);
    EXPECT_DOUBLE_EQ(InverseLinearRangesScale(9, &refilled), 900);
}

// The quantising scales pick a code path by processor; whichever runs must match floor()
// exactly, also far from 0, on exact integers and halves, and for infinities and NaN.
TEST(Scale, QuantisingScalesMatchFloorArithmeticEverywhere) {
    const auto fraction = [](double y, double res, double inv) {
        const double whole = std::floor(y);
        return whole + std::floor((y - whole) * inv + 0.5) * res;
    };
    const auto whole = [](double y, double res, double inv) {
        return std::floor(y * inv + 0.5) * res;
    };
    std::vector<double> inputs = {0.0,   -0.0,   0.5,    -0.5,    1.0,      -1.0,
                                  2.5,   -2.5,   1e15,   -1e15,   4.5e15,   -4.5e15,
                                  1e300, -1e300, 5e-324, -5e-324, INFINITY, -INFINITY};
    for (double v = -1234.5678; v < 1234.5678; v += 3.14159) {
        inputs.push_back(v);
    }
    for (const double res : {0.1, 0.01, 0.5, 1.0, 5.0, 0.0}) {
        sSCALE_INFO info;
        info.a = 0.0;
        info.b = 1.0;
        info.resolution = res;
        info.inverseResolution = res > 0.0 ? 1.0 / res : 0.0;
        for (const double y : inputs) {
            const double wantFraction = fraction(y, res, info.inverseResolution);
            const double gotFraction = LinearScale(y, &info);
            const double wantWhole = whole(y, res, info.inverseResolution);
            const double gotWhole = ExtendedResLinearScale(y, &info);
            if (std::isnan(wantFraction)) {
                EXPECT_TRUE(std::isnan(gotFraction)) << y;
            } else {
                EXPECT_EQ(gotFraction, wantFraction) << "y " << y << " res " << res;
            }
            if (std::isnan(wantWhole)) {
                EXPECT_TRUE(std::isnan(gotWhole)) << y;
            } else {
                EXPECT_EQ(gotWhole, wantWhole) << "y " << y << " res " << res;
            }
        }
    }
    sSCALE_INFO log;
    log.a = 20.0;
    log.b = std::pow(1000.0, 0.001);
    log.resolution = 0.01;
    log.inverseResolution = 100.0;
    for (int s = -5; s <= 1005; ++s) {
        const double y = 20.0 * std::pow(log.b, s);
        EXPECT_EQ(LogScale(s, &log), fraction(y, 0.01, 100.0)) << s;
        EXPECT_EQ(ExtendedResLogScale(s, &log), whole(y, 0.01, 100.0)) << s;
    }
}

// The linear inverse is computed in place when the slope allows; whatever changes the slope
// afterwards must still give the function's answer (0 for a flat scale, never a division by 0).
TEST(Scale, LinearInverseFollowsEveryChangeOfTheSlope) {
    KCParam_Base p;
    p.SetScaleLin(-24, 24, 0.1);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(0), 500);
    p.SetScaleGeneric(5, 0, 0, 1);  // same functions, flat
    EXPECT_EQ(p.RealWorldToState(3), 0.0);
    p.SetScaleGeneric(-10, 0.02, 0, 1);
    EXPECT_DOUBLE_EQ(p.RealWorldToState(0), 500);
    KCParam_Base flat;
    flat.SetScaleLin(5, 5, 1);
    EXPECT_EQ(flat.RealWorldToState(7), 0.0);
    KCParam_Base copy(flat);
    EXPECT_EQ(copy.RealWorldToState(7), 0.0);
    copy = p;
    EXPECT_DOUBLE_EQ(copy.RealWorldToState(0), 500);
    // Another scale type with the same coefficients no longer divides.
    copy.SetScaleToggle(4);
    EXPECT_EQ(copy.RealWorldToState(2), 2.0);
    copy.ResetMembers();
    EXPECT_EQ(copy.RealWorldToState(2), 0.0);
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

// The record runs the linear and the range inverse inline and every other one through its
// function: the scale set last decides which, also in copies, and each answers as its function.
TEST(Scale, TheRecordsInverseFollowsTheScaleSetLast) {
    const std::vector<double> states = {0, 500, 1000};
    const std::vector<double> values = {0, 10, 110};
    KCParam_Base p = Scaled("linearRanges", 0, 0, 0.01, 1001, states, values);
    const sSCALE_INFO table = p.GetScaleInfo();
    const std::vector<double> probes = {-5, 0, 2.5, 10, 60, 109.99, 110, 200};
    const auto expectInverse = [&probes](const KCParam_Base& param, ScaleFn inverse,
                                         sSCALE_INFO info, const char* what) {
        for (const double x : probes) {
            const double want = inverse(x, &info);
            const double got = param.RealWorldToState(x);
            if (std::isnan(want)) {
                EXPECT_TRUE(std::isnan(got)) << what << " at " << x;
            } else {
                EXPECT_EQ(got, want) << what << " at " << x;
            }
        }
    };
    expectInverse(p, InverseLinearRangesScale, table, "ranges");
    const KCParam_Base rangesCopy(p);
    expectInverse(rangesCopy, InverseLinearRangesScale, table, "copied ranges");

    // Another name with the range pair keeps the tables: inline too, with the same answers.
    const KCFixedString<31> custom("custom");
    ASSERT_EQ(p.SetScale(0, 0, 0.01, 1001, 0, custom, LinearRangesScale, InverseLinearRangesScale,
                         {}, {}),
              0);
    expectInverse(p, InverseLinearRangesScale, table, "custom ranges");

    p.SetScaleLog(20, 20000, 0.01);
    expectInverse(p, InverseLogScale, p.GetScaleInfo(), "logarithmic");
    ASSERT_EQ(p.SetScale(0.5, 0, 0.001, 1001, 3, custom, Square, SquareRoot, {}, {}), 0);
    expectInverse(p, SquareRoot, p.GetScaleInfo(), "generic");
    p.SetScaleLin(-24, 24, 0.1);
    expectInverse(p, InverseLinearScale, p.GetScaleInfo(), "linear");
    KCParam_Base assigned;
    assigned = rangesCopy;
    expectInverse(assigned, InverseLinearRangesScale, table, "assigned ranges");
    assigned = p;
    expectInverse(assigned, InverseLinearScale, p.GetScaleInfo(), "assigned linear");
    assigned.SetScaleToggle(4);
    expectInverse(assigned, DummyScale, assigned.GetScaleInfo(), "toggle");
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
