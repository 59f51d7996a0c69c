// Rectangles keep top, left, bottom, right; their operations keep sizes and orders right.
#include "korvane/core/geometry.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(Geometry, RectanglesAreTopLeftBottomRight) {
    KURect<short> r(10, 20, 50, 80);
    EXPECT_EQ(r.Width(), 60);
    EXPECT_EQ(r.Height(), 40);
    EXPECT_EQ(r.TopRight(), (KCPoint2D<short>(80, 10)));
    EXPECT_EQ(r.BottomLeft(), (KCPoint2D<short>(20, 50)));
    EXPECT_EQ(r.Center(), (KCPoint2D<short>(50, 30)));
    r.MoveTo({100, 200});
    EXPECT_EQ(r, (KURect<short>(200, 100, 240, 160))) << "moving keeps the size";
    r -= KCPoint2D<short>(100, 200);
    EXPECT_EQ(r.TopLeft(), (KCPoint2D<short>(0, 0)));
    r.Offset(5, -5);
    r.MoveToOrigin();
    EXPECT_EQ(r, (KURect<short>(0, 0, 40, 60)));

    KURect<double> spanned;
    spanned.Set(KCPoint2D<double>(3, 9), KCPoint2D<double>(1, 2));
    EXPECT_EQ(spanned, (KURect<double>(2, 1, 9, 3))) << "corners in either order";
    spanned.Reset();
    EXPECT_EQ(spanned.Width(), 0.0);
}

TEST(Geometry, UnionAndIntersection) {
    const KURect<int> a(0, 0, 10, 10);
    const KURect<int> b(5, 8, 20, 30);
    const KURect<int> touching(10, 0, 20, 10);
    EXPECT_TRUE(a.IsIntersecting(b));
    EXPECT_TRUE(b.IsIntersecting(a));
    EXPECT_FALSE(a.IsIntersecting(touching)) << "a shared edge is no common area";
    KURect<int> both;
    a.Union(b, both);
    EXPECT_EQ(both, (KURect<int>(0, 0, 20, 30)));
    EXPECT_EQ(KCRGBAColor().alpha, 255) << "opaque black by default";
    EXPECT_EQ((KCPoint3D<float>(1, 2, 3)).z, 3.0F);
    EXPECT_EQ((KCSize2D<int>(4, 5)), (KCSize2D<int>(4, 5)));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
