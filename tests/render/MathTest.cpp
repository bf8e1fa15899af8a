#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "render/Math.h"

namespace torvask {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

Matrix4 rows(std::initializer_list<std::initializer_list<float>> r) {
    Matrix4 m;
    int i = 0;
    for (const auto& row : r) {
        int j = 0;
        for (float v : row) m.m[i][j++] = v;
        ++i;
    }
    return m;
}

void expectNear(const Matrix4& actual, const Matrix4& expected, float tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "element [" << r << "][" << c << "]";
}

TEST(MathTest, ConstructorsGiveTheirMatricesExactly) {
    struct Case {
        const char* name;
        Matrix4 actual;
        Matrix4 expected;
    };
    const Case cases[] = {
        {"identity", matrixIdentity(), rows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}})},
        {"translation", matrixTranslation(1.5f, -2.0f, 3.25f),
         rows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1.5f, -2.0f, 3.25f, 1}})},
        {"scaling", matrixScaling(2.0f, -0.5f, 4.0f),
         rows({{2, 0, 0, 0}, {0, -0.5f, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}})},
        {"rotation x 0", matrixRotationX(0.0f), matrixIdentity()},
        {"rotation y 0", matrixRotationY(0.0f), matrixIdentity()},
        {"rotation z 0", matrixRotationZ(0.0f), matrixIdentity()},
        {"yaw pitch roll 0", matrixRotationYawPitchRoll(0.0f, 0.0f, 0.0f), matrixIdentity()},
        // Exact products of small integer matrices.
        {"multiply", matrixMultiply(rows({{1, 2, 0, 0}, {0, 1, 3, 0}, {0, 0, 1, 0}, {4, 0, 0, 1}}),
                                    rows({{2, 0, 0, 0}, {1, 1, 0, 0}, {0, 5, 1, 0}, {0, 0, 7, 1}})),
         rows({{4, 2, 0, 0}, {1, 16, 3, 0}, {0, 5, 1, 0}, {8, 0, 7, 1}})},
        {"translation then scaling", matrixTranslation(1, 2, 3) * matrixScaling(2, 3, 4),
         rows({{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {2, 6, 12, 1}})},
        {"scaling then translation", matrixScaling(2, 3, 4) * matrixTranslation(1, 2, 3),
         rows({{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {1, 2, 3, 1}})},
        // Perspective with exactly representable terms: cot(pi/4) rounds to 1 in float.
        {"perspective", matrixPerspectiveFovLH(kPi / 2.0f, 2.0f, 1.0f, 3.0f),
         rows({{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1.5f, 1}, {0, 0, -1.5f, 0}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(MathTest, AxisRotationsHaveTheLeftHandedRowVectorForm) {
    const float c = std::cos(0.5f);
    const float s = std::sin(0.5f);
    struct Case {
        const char* name;
        Matrix4 actual;
        Matrix4 expected;
    };
    const Case cases[] = {
        {"x", matrixRotationX(0.5f), rows({{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}})},
        {"y", matrixRotationY(0.5f), rows({{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}})},
        {"z", matrixRotationZ(0.5f), rows({{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}})},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(k.actual, k.expected);
    }
}

TEST(MathTest, QuarterTurnsMoveAxesTheLeftHandedWay) {
    struct Case {
        const char* name;
        Matrix4 m;
        Vector3f in;
        Vector3f out;
    };
    const Case cases[] = {
        // Yaw turns forward (+z) towards +x.
        {"y quarter turn", matrixRotationY(kPi / 2), {0, 0, 1}, {1, 0, 0}},
        {"x quarter turn", matrixRotationX(kPi / 2), {0, 1, 0}, {0, 0, 1}},
        {"z quarter turn", matrixRotationZ(kPi / 2), {1, 0, 0}, {0, 1, 0}},
        {"yaw of ypr", matrixRotationYawPitchRoll(kPi / 2, 0, 0), {0, 0, 1}, {1, 0, 0}},
        // A positive pitch tips forward (+z) down to -y.
        {"pitch of ypr", matrixRotationYawPitchRoll(0, kPi / 2, 0), {0, 0, 1}, {0, -1, 0}},
        {"roll of ypr", matrixRotationYawPitchRoll(0, 0, kPi / 2), {1, 0, 0}, {0, 1, 0}},
        // Roll is applied before pitch, pitch before yaw: x -> y (roll) -> z (pitch) -> x (yaw).
        {"roll pitch yaw order", matrixRotationYawPitchRoll(kPi / 2, kPi / 2, kPi / 2), {1, 0, 0}, {1, 0, 0}},
        // y -> -x (roll), stays (pitch) -> +z (yaw).
        {"order of a second axis", matrixRotationYawPitchRoll(kPi / 2, kPi / 2, kPi / 2), {0, 1, 0}, {0, 0, 1}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        const Vector3f r = vec3TransformCoord(k.in, k.m);
        EXPECT_NEAR(r.x, k.out.x, 1e-6f);
        EXPECT_NEAR(r.y, k.out.y, 1e-6f);
        EXPECT_NEAR(r.z, k.out.z, 1e-6f);
    }
}

TEST(MathTest, YawPitchRollMatchesItsClosedForm) {
    const float angles[][3] = {{0.3f, -0.7f, 1.1f}, {2.5f, 0.2f, -0.4f}, {-1.0f, 1.4f, 3.0f}};
    for (const auto& a : angles) {
        const double y = a[0], p = a[1], r = a[2];
        SCOPED_TRACE(::testing::Message() << "yaw " << y << " pitch " << p << " roll " << r);
        const double cy = std::cos(y), sy = std::sin(y), cp = std::cos(p), sp = std::sin(p), cr = std::cos(r),
                     sr = std::sin(r);
        const Matrix4 expected = rows({{float(cr * cy + sr * sp * sy), float(sr * cp), float(sr * sp * cy - cr * sy), 0},
                                       {float(cr * sp * sy - sr * cy), float(cr * cp), float(sr * sy + cr * sp * cy), 0},
                                       {float(cp * sy), float(-sp), float(cp * cy), 0},
                                       {0, 0, 0, 1}});
        expectNear(matrixRotationYawPitchRoll(a[0], a[1], a[2]), expected, 1e-6f);
    }
    // A lone yaw is exactly the y rotation: the other factors are exact identities.
    EXPECT_EQ(matrixRotationYawPitchRoll(0.8f, 0.0f, 0.0f), matrixRotationY(0.8f));
}

TEST(MathTest, SceneProjectionMapsNearAndFarPlanesToDepthZeroAndOne) {
    const Matrix4 p = matrixPerspectiveFovLH(0.7853982f, 1.33333004f, 1.0f, 2000.0f);
    const float yScale = 1.0f / std::tan(0.7853982f * 0.5f);
    EXPECT_NEAR(p.m[1][1], 2.41421356f, 1e-6f);
    EXPECT_EQ(p.m[1][1], yScale);
    EXPECT_EQ(p.m[0][0], yScale / 1.33333004f);
    EXPECT_EQ(p.m[2][2], 2000.0f / 1999.0f);
    EXPECT_EQ(p.m[3][2], -2000.0f / 1999.0f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_NEAR(vec3TransformCoord({0, 0, 1.0f}, p).z, 0.0f, 1e-6f);
    EXPECT_NEAR(vec3TransformCoord({0, 0, 2000.0f}, p).z, 1.0f, 1e-6f);
}

TEST(MathTest, TransformCoordDividesByW) {
    struct Case {
        const char* name;
        Vector3f in;
        Matrix4 m;
        Vector3f out;
    };
    const Case cases[] = {
        {"translation", {1, 2, 3}, matrixTranslation(10, 20, 30), {11, 22, 33}},
        {"scaling", {1, 2, 3}, matrixScaling(2, -1, 0.5f), {2, -2, 1.5f}},
        // w = z = 2 for this projection; (1, 4, 1.5) / 2.
        {"projection", {2, 4, 2}, rows({{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1.5f, 1}, {0, 0, -1.5f, 0}}),
         {0.5f, 2, 0.75f}},
        // A fourth column of (0, 0, 0, 2) halves everything.
        {"w of two", {4, 6, 8}, rows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 2}}), {2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(vec3TransformCoord(c.in, c.m), c.out);
    }
}

TEST(MathTest, EqualityLooksAtEveryElement) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            Matrix4 m = matrixIdentity();
            m.m[r][c] += 0.5f;
            EXPECT_NE(m, matrixIdentity()) << r << "," << c;
        }
}

}  // namespace
}  // namespace torvask
