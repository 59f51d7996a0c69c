// Interpolation: each method meets the knots, reproduces straight lines over uneven x, and
// the natural spline gives the textbook values.
#include "korvane/graphs/interpolation.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using P = KCPoint2D<double>;

std::vector<P> Interpolate(const std::vector<P>& in, unsigned int n, EInterpolationType type) {
    std::vector<P> out(n);
    const int written =
        CalcPointsForSpline(in.data(), out.data(), static_cast<unsigned int>(in.size()), n, type);
    EXPECT_EQ(written, static_cast<int>(n));
    return out;
}

TEST(Interpolation, MethodsMeetTheKnotsAndKeepStraightLinesStraight) {
    // Knots at x = 0, 2, 4 with 5 outputs: outputs 0, 2 and 4 are the knots.
    const std::vector<P> knots = {{0, 1}, {2, 5}, {4, -3}};
    for (const auto type : {EInterpolationType::eSpline1, EInterpolationType::eSpline2,
                            EInterpolationType::eCosine}) {
        const std::vector<P> out = Interpolate(knots, 5, type);
        EXPECT_DOUBLE_EQ(out[0].y, 1) << InterpolationTypeToText(type);
        EXPECT_DOUBLE_EQ(out[2].y, 5) << InterpolationTypeToText(type);
        EXPECT_DOUBLE_EQ(out[4].y, -3) << InterpolationTypeToText(type);
        EXPECT_DOUBLE_EQ(out[1].x, 1);
    }
    // Cosine at t = 0.5 is the mean of its two points.
    EXPECT_DOUBLE_EQ(Interpolate(knots, 5, EInterpolationType::eCosine)[1].y, 3.0);

    // y = 2x + 1 over x spaced 0, 1, 5, 6: the natural spline stays on the line everywhere.
    const std::vector<P> line = {{0, 1}, {1, 3}, {5, 11}, {6, 13}};
    for (const P& p : Interpolate(line, 13, EInterpolationType::eSpline1)) {
        EXPECT_NEAR(p.y, 2 * p.x + 1, 1e-9) << p.x;
    }
    // Catmull-Rom does so only between inner knots of even spacing.
    const std::vector<P> even = {{0, 1}, {1, 3}, {2, 5}, {3, 7}};
    const std::vector<P> inner = Interpolate(even, 7, EInterpolationType::eSpline2);
    EXPECT_NEAR(inner[3].y, 2 * inner[3].x + 1, 1e-12);
    EXPECT_NEAR(NonUniformXDistSpline_PAZ(line, 3.3), 7.6, 1e-9);
}

TEST(Interpolation, TheNaturalSplineHasNoCurvatureAtItsEnds) {
    // Through (0,0), (1,1), (2,0): M1 = -3, so y(0.5) = 0.5 + 1.125 / 6 = 0.6875.
    const std::vector<P> hump = {{0, 0}, {1, 1}, {2, 0}};
    EXPECT_DOUBLE_EQ(NonUniformXDistSpline_PAZ(hump, 0.5), 0.6875);
    EXPECT_DOUBLE_EQ(NonUniformXDistSpline_PAZ(hump, 1.5), 0.6875);
    EXPECT_DOUBLE_EQ(NonUniformXDistSpline_PAZ(hump, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(NonUniformXDistSpline_PAZ(hump, -7), 0.0) << "clamped to the first x";
    // Uneven spacing changes the curve: the same heights at x 0, 1, 4.
    const std::vector<P> wide = {{0, 0}, {1, 1}, {4, 0}};
    EXPECT_NE(NonUniformXDistSpline_PAZ(wide, 0.5), 0.6875);
    KCNaturalSpline spline;
    ASSERT_EQ(spline.Prepare(wide.data(), 3), eNoErr);
    const double h = 1e-3;
    for (const double end : {0.0, 4.0}) {
        const double x = end == 0.0 ? h : end - h;
        const double curvature =
            (spline.Evaluate(x + h) - 2 * spline.Evaluate(x) + spline.Evaluate(x - h)) / (h * h);
        EXPECT_NEAR(curvature, 0.0, 0.05) << end;
    }
}

TEST(Interpolation, BadInputIsRefusedAndLeavesTheOutputAlone) {
    const std::vector<P> backwards = {{0, 0}, {2, 1}, {1, 2}};
    std::vector<P> out(4, P(9, 9));
    EXPECT_EQ(CalcPointsForSpline(backwards.data(), out.data(), 3, 4, EInterpolationType::eSpline2),
              eOutOfRangeNumber);
    const std::vector<P> repeated = {{0, 0}, {0, 1}};
    EXPECT_EQ(CalcPointsForSpline(repeated.data(), out.data(), 2, 4, EInterpolationType::eSpline1),
              eOutOfRangeNumber);
    EXPECT_EQ(CalcPointsForSpline(backwards.data(), out.data(), 1, 4, EInterpolationType::eCosine),
              eValueWrongSize);
    EXPECT_EQ(CalcPointsForSpline(backwards.data(), nullptr, 3, 4, EInterpolationType::eCosine),
              eMemNullPointer);
    for (const P& p : out) {
        EXPECT_EQ(p, P(9, 9));
    }
    // Off copies what fits, unchecked.
    EXPECT_EQ(CalcPointsForSpline(backwards.data(), out.data(), 3, 4, EInterpolationType::eOff), 3);
    EXPECT_EQ(out[2], P(1, 2));
    EXPECT_EQ(out[3], P(9, 9));

    EInterpolationType type = EInterpolationType::eOff;
    EXPECT_TRUE(InterpolationTypeFromText("Cosine", type));
    EXPECT_EQ(type, EInterpolationType::eCosine);
    EXPECT_TRUE(InterpolationTypeFromText("1", type));
    EXPECT_EQ(type, EInterpolationType::eSpline1);
    EXPECT_FALSE(InterpolationTypeFromText("Bezier", type));
    EXPECT_EQ(type, EInterpolationType::eSpline1);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
