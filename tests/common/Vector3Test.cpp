#include "common/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvask {
namespace {

TEST(Vector3, DefaultsToZeroAndSetsAllComponents) {
    Vector3 v;
    EXPECT_EQ(v, Vector3(0, 0, 0));
    v.set(2.5);
    EXPECT_EQ(v, Vector3(2.5, 2.5, 2.5));
    v.set(1, 2, 3);
    EXPECT_EQ(v, Vector3(1, 2, 3));
}

TEST(Vector3, ArithmeticIsComponentWise) {
    const Vector3 a(1, -2, 3.5), b(0.5, 4, -1);
    EXPECT_EQ(a + b, Vector3(1.5, 2, 2.5));
    EXPECT_EQ(a - b, Vector3(0.5, -6, 4.5));
    EXPECT_EQ(a * -2.0, Vector3(-2, 4, -7));
    Vector3 c = a;
    c *= 0.5;
    EXPECT_EQ(c, Vector3(0.5, -1, 1.75));
}

TEST(Vector3, DotAndCrossFollowTheRightHandedFormula) {
    const Vector3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    EXPECT_EQ(x.cross(y), z);
    EXPECT_EQ(y.cross(z), x);
    EXPECT_EQ(y.cross(x), Vector3(0, 0, -1));
    const Vector3 a(2, 3, 4), b(5, 6, 7);
    EXPECT_EQ(a.dot(b), 56.0);
    EXPECT_EQ(a.cross(b), Vector3(3 * 7 - 4 * 6, 4 * 5 - 2 * 7, 2 * 6 - 3 * 5));
}

TEST(Vector3, LengthAndNormalize) {
    Vector3 v(3, 4, 12);
    EXPECT_EQ(v.length(), 13.0);
    v.normalize();
    EXPECT_DOUBLE_EQ(v.length(), 1.0);
    EXPECT_EQ(v, Vector3(3.0 / 13, 4.0 / 13, 12.0 / 13));
}

TEST(Vector3, NormalizingZeroLeavesItUnchanged) {
    Vector3 v;
    v.normalize();
    EXPECT_EQ(v, Vector3(0, 0, 0));
    EXPECT_FALSE(std::isnan(v.x));
}

TEST(Vector3, EqualityIsExact) {
    EXPECT_NE(Vector3(0.1 + 0.2, 0, 0), Vector3(0.3, 0, 0));
    EXPECT_NE(Vector3(1, 2, 3), Vector3(1, 2, 3.0000000001));
    EXPECT_EQ(Vector3(-0.0, 0, 0), Vector3(0.0, 0, 0));
}

}  // namespace
}  // namespace torvask
