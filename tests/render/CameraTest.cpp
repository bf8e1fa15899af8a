#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "render/Camera.h"
#include "render/CameraController.h"

namespace torvask {
namespace {

constexpr double kPi = std::numbers::pi;

// A followed object whose pose the test sets.
class FakePose : public PoseSource {
public:
    Vector3 pos;
    Vector3 rot;
    Vector3 position() const override { return pos; }
    Vector3 rotation() const override { return rot; }
};

void expectVecNear(const Vector3& a, const Vector3& b, double tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Where a world point lands in view space.
Vector3 inView(Camera& camera, const Vector3& world) {
    return vec3TransformCoord(Vector3f::from(world), camera.viewMatrix()).toDouble();
}

TEST(CameraTest, StartsAtTheOriginWithIdentityView) {
    Camera camera;
    EXPECT_EQ(camera.position(), Vector3());
    EXPECT_EQ(camera.angles(), Vector3());
    EXPECT_EQ(camera.viewMatrix(), matrixIdentity());
}

TEST(CameraTest, PositionAndRotationBuildTheViewMatrix) {
    Camera camera;
    camera.setPosition(1.0, 2.0, 3.0);
    EXPECT_EQ(camera.translation(), matrixTranslation(-1.0f, -2.0f, -3.0f));
    EXPECT_EQ(camera.viewMatrix(), matrixTranslation(-1.0f, -2.0f, -3.0f));
    EXPECT_EQ(camera.positionX(), 1.0);
    EXPECT_EQ(camera.positionY(), 2.0);
    EXPECT_EQ(camera.positionZ(), 3.0);

    camera.setRotation(0.25, 0.5, 0.125);
    const Matrix4 rotation = matrixRotationZ(-0.125f) * matrixRotationY(-0.5f) * matrixRotationX(-0.25f);
    EXPECT_EQ(camera.rotationMatrix(), rotation);
    EXPECT_EQ(camera.viewMatrix(), matrixTranslation(-1.0f, -2.0f, -3.0f) * rotation);
    EXPECT_EQ(camera.angles(), Vector3(0.25, 0.5, 0.125));
}

TEST(CameraTest, LookAtTurnsTheEyeTowardsTheTarget) {
    struct Case {
        const char* name;
        Vector3 eye, target;
        double pitch, yaw;
    };
    const Case cases[] = {
        {"along +z", {0, 0, 0}, {0, 0, 5}, 0.0, 0.0},
        {"along +x", {1, 2, 3}, {11, 2, 3}, 0.0, kPi / 2},
        {"along -z", {0, 0, 0}, {0, 0, -4}, 0.0, kPi},
        {"along -x", {0, 0, 0}, {-3, 0, 0}, 0.0, -kPi / 2},
        {"straight down (overhead)", {5, 40, 5}, {5, 0, 5}, kPi / 2, 0.0},
        {"straight up", {0, 0, 0}, {0, 7, 0}, -kPi / 2, 0.0},
        {"down at 45 degrees", {0, 10, 0}, {0, 0, 10}, kPi / 4, 0.0},
        {"longshot 200 x 100", {200, 72, 100}, {100, 0, 50}, std::atan2(72.0, std::sqrt(100.0 * 100 + 50 * 50)),
         std::atan2(-100.0, -50.0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Camera camera;
        camera.setRotation(0.1, 0.2, 0.3);
        camera.lookAt(c.eye, c.target);
        EXPECT_DOUBLE_EQ(camera.angles().x, c.pitch);
        EXPECT_DOUBLE_EQ(camera.angles().y, c.yaw);
        EXPECT_EQ(camera.angles().z, 0.0);
        EXPECT_EQ(camera.position(), c.eye);
        // The target sits straight ahead: on the view's +z axis at its distance.
        const Vector3 v = inView(camera, c.target);
        const double distance = (c.target - c.eye).length();
        expectVecNear(v, {0, 0, distance}, 1e-4 * distance);
    }
}

TEST(CameraControllerTest, UpdateWithoutCameraDoesNothing) {
    CameraController controller;
    EXPECT_EQ(controller.update(16), -1);
    FakePose car;
    controller.followCar(car, {0, 40, 0}, 0);
    EXPECT_EQ(controller.update(16), -1);
}

TEST(CameraControllerTest, StaticLeavesTheCameraWhereItIs) {
    Camera camera;
    CameraController controller(&camera);
    camera.lookAt({200, 72, 200}, {100, 0, 100});
    const Matrix4 before = camera.viewMatrix();
    EXPECT_EQ(controller.setStatic(), 1);
    EXPECT_EQ(controller.mode(), CameraController::kModeStatic);
    EXPECT_EQ(controller.update(1000), 0);
    EXPECT_EQ(camera.viewMatrix(), before);
}

TEST(CameraControllerTest, FollowPathRefusesNoPointsAndBadDurations) {
    struct Case {
        const char* name;
        std::vector<Vector3> points;
        float duration;
    };
    const Case cases[] = {
        {"no points", {}, 20.0f},
        {"zero duration", {{0, 0, 0}, {1, 0, 0}}, 0.0f},
        {"negative duration", {{0, 0, 0}, {1, 0, 0}}, -20.0f},
        {"not a number", {{0, 0, 0}, {1, 0, 0}}, std::nanf("")},
        {"infinite", {{0, 0, 0}, {1, 0, 0}}, INFINITY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Camera camera;
        CameraController controller(&camera);
        FakePose car;
        controller.followCar(car, {1, 2, 3}, 0);
        EXPECT_FALSE(controller.followPath(c.points, c.duration));
        EXPECT_EQ(controller.mode(), CameraController::kModeFollow);
        EXPECT_TRUE(controller.path().empty());
    }
}

TEST(CameraControllerTest, FollowPathMeasuresThePolylineWithoutTheClosingSegment) {
    struct Case {
        const char* name;
        std::vector<Vector3> points;
        float length;
    };
    const Case cases[] = {
        {"one point", {{3, 4, 5}}, 0.0f},
        {"open square", {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}}, 30.0f},
        {"closed square", {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}, {0, 0, 0}}, 40.0f},
        {"3-4-5 with height", {{0, 1, 0}, {3, 1, 4}, {3, 13, 9}}, 18.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CameraController controller;
        ASSERT_TRUE(controller.followPath(c.points, 20.0f));
        EXPECT_EQ(controller.mode(), CameraController::kModePath);
        EXPECT_EQ(controller.path(), c.points);
        EXPECT_EQ(controller.pathLength(), c.length);
        EXPECT_EQ(controller.pathSpeed(), c.length / 20.0f);
        EXPECT_EQ(controller.segment(), 0);
        EXPECT_EQ(controller.segmentStart(), 0.0f);
        EXPECT_EQ(controller.elapsed(), 0);
    }
}

TEST(CameraControllerTest, PointAtWalksTheCyclicPathAndSkipsZeroLengthSegments) {
    // A closed square track: the last point repeats the first, so the closing segment has
    // length 0 and must be skipped, not stalled on.
    const std::vector<Vector3> closed = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}, {0, 0, 0}};
    // Two coincident points in the middle.
    const std::vector<Vector3> doubled = {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {10, 0, 10}};
    struct Case {
        const char* name;
        const std::vector<Vector3>* path;
        float s;
        Vector3 point;
        int segment;
        float segmentStart;
    };
    const Case cases[] = {
        {"start", &closed, 0.0f, {0, 0, 0}, 0, 0.0f},
        {"first segment", &closed, 2.5f, {2.5, 0, 0}, 0, 0.0f},
        {"second segment", &closed, 12.5f, {10, 0, 2.5}, 1, 10.0f},
        {"last real segment", &closed, 35.0f, {0, 0, 5}, 3, 30.0f},
        {"past the end wraps to the start", &closed, 41.0f, {1, 0, 0}, 0, 40.0f},
        {"second lap", &closed, 52.5f, {10, 0, 2.5}, 1, 50.0f},
        {"coincident points passed", &doubled, 12.5f, {10, 0, 2.5}, 2, 10.0f},
        // Open path: the closing segment from (10,0,10) back to the start has length 10*sqrt(2).
        {"closing segment of an open path", &doubled, 20.0f + 5.0f * std::sqrt(2.0f), {5, 0, 5}, 3, 20.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CameraController controller;
        ASSERT_TRUE(controller.followPath(*c.path, 20.0f));
        const Vector3 peek = controller.pointAt(c.s, false);
        EXPECT_EQ(controller.segment(), 0);
        EXPECT_EQ(controller.segmentStart(), 0.0f);
        const Vector3 p = controller.pointAt(c.s, true);
        expectVecNear(p, c.point, 1e-5);
        EXPECT_EQ(p, peek);
        EXPECT_EQ(controller.segment(), c.segment);
        EXPECT_EQ(controller.segmentStart(), c.segmentStart);
    }
}

TEST(CameraControllerTest, PathWhoseSegmentsAllHaveNoLengthStaysPut) {
    struct Case {
        const char* name;
        std::vector<Vector3> points;
    };
    const Case cases[] = {{"one point", {{3, 4, 5}}}, {"same point thrice", {{3, 4, 5}, {3, 4, 5}, {3, 4, 5}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Camera camera;
        CameraController controller(&camera);
        ASSERT_TRUE(controller.followPath(c.points, 20.0f));
        EXPECT_EQ(controller.update(500), 0);
        EXPECT_EQ(camera.position(), Vector3(3, 14, 5));
        EXPECT_EQ(controller.pointAt(100.0f, true), Vector3(3, 4, 5));
    }
}

TEST(CameraControllerTest, PathModeFliesTenAboveThePathLookingHalfASecondAhead) {
    Camera camera;
    CameraController controller(&camera);
    // Length 30, 20 s a lap: 1.5 units a second.
    const std::vector<Vector3> square = {{0, 2, 0}, {10, 2, 0}, {10, 2, 10}, {0, 2, 10}};
    ASSERT_TRUE(controller.followPath(square, 20.0f));
    struct Step {
        int ms;
        int elapsed;
        Vector3 eye;
        double yaw;
    };
    const Step steps[] = {
        {0, 0, {0, 12, 0}, kPi / 2},
        {1000, 1000, {1.5, 12, 0}, kPi / 2},
        {5000, 6000, {9, 12, 0}, kPi / 2},
        // At s = 9.5 the look-ahead point (10.25) is already on the next segment.
        {333, 6333, {9.4995, 12, 0}, std::atan2(10.0 - 9.4995, 10.2495 - 10.0)},
        {3667, 10000, {10, 12, 5}, 0.0},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.elapsed);
        EXPECT_EQ(controller.update(s.ms), 0);
        EXPECT_EQ(controller.elapsed(), s.elapsed);
        expectVecNear(camera.position(), s.eye, 1e-5);
        EXPECT_NEAR(camera.angles().y, s.yaw, 1e-5);
        EXPECT_NEAR(camera.angles().x, 0.0, 1e-12);
    }
}

TEST(CameraControllerTest, FollowCarPlacesTheSixCamerasAroundTheCar) {
    struct Case {
        const char* name;
        Vector3 offset;
        Vector3 carRotation;
        Vector3 eyeFromCar;
    };
    const Case cases[] = {
        {"chase", {2.5, 3.0, -8.0}, {0, 0, 0}, {2.5, 3.0, -8.0}},
        {"front looks back", {2.5, 2.0, 8.0}, {0, 0, 0}, {2.5, 2.0, 8.0}},
        {"side", {5.0, 1.5, -12.0}, {0, 0, 0}, {5.0, 1.5, -12.0}},
        {"overhead", {0, 40.0, 0}, {0, 0, 0}, {0, 40.0, 0}},
        {"user control", {1.0, 3.0, -8.0}, {0, 0, 0}, {1.0, 3.0, -8.0}},
        // Facing +x the chase camera swings round behind, to -x.
        {"chase, car facing +x", {2.5, 3.0, -8.0}, {0, kPi / 2, 0}, {-8.0, 3.0, -2.5}},
        {"chase, car facing -z", {2.5, 3.0, -8.0}, {0, kPi, 0}, {-2.5, 3.0, 8.0}},
        // Pitch and roll of the car never tilt the view.
        {"chase, pitched and rolled car", {2.5, 3.0, -8.0}, {0.4, kPi / 2, -0.3}, {-8.0, 3.0, -2.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Camera camera;
        CameraController controller(&camera);
        FakePose car;
        car.pos = {50.0, 0.5, 70.0};
        car.rot = c.carRotation;
        EXPECT_TRUE(controller.followCar(car, c.offset, 0));
        EXPECT_EQ(controller.mode(), CameraController::kModeFollow);
        EXPECT_EQ(controller.update(16), 0);
        expectVecNear(camera.position(), car.pos + c.eyeFromCar, 1e-5);
        // Always looking at the car.
        const Vector3 v = inView(camera, car.pos);
        expectVecNear(v, {0, 0, c.eyeFromCar.length()}, 1e-4);
        EXPECT_EQ(camera.angles().z, 0.0);
    }
}

TEST(CameraControllerTest, FollowCarWithYawZeroIsExact) {
    Camera camera;
    CameraController controller(&camera);
    FakePose car;
    car.pos = {50.0, 0.5, 70.0};
    controller.followCar(car, {2.5, 2.0, 8.0}, 0);
    controller.update(16);
    EXPECT_EQ(camera.position(), Vector3(52.5, 2.5, 78.0));
    // Front camera looks back along -z.
    EXPECT_EQ(camera.angles().y, std::atan2(-2.5, -8.0));
    EXPECT_EQ(camera.angles().x, std::atan2(2.0, std::sqrt(2.5 * 2.5 + 8.0 * 8.0)));
    // Overhead: straight down, yaw atan2(0, 0) = 0.
    controller.followCar(car, {0, 40, 0}, 0);
    controller.update(16);
    EXPECT_EQ(camera.angles().x, kPi / 2);
    EXPECT_EQ(camera.angles().y, 0.0);
}

TEST(CameraControllerTest, FollowFlagOneUsesTheFullRotation) {
    FakePose car;
    car.pos = {0, 0, 0};
    car.rot = {0.4, 0.0, 0.0};
    Camera flat, tilted;
    CameraController a(&flat), b(&tilted);
    a.followCar(car, {0, 0, -8}, 0);
    b.followCar(car, {0, 0, -8}, 1);
    EXPECT_EQ(b.followFlag(), 1);
    a.update(16);
    b.update(16);
    expectVecNear(flat.position(), {0, 0, -8}, 1e-6);
    // Pitched nose-down by 0.4, the point behind the car rises.
    expectVecNear(tilted.position(), {0, 8 * std::sin(0.4), -8 * std::cos(0.4)}, 1e-5);
}

TEST(CameraControllerTest, FollowCarResetsThePathClock) {
    Camera camera;
    CameraController controller(&camera);
    controller.followPath({{0, 0, 0}, {10, 0, 0}}, 20.0f);
    controller.update(700);
    EXPECT_EQ(controller.elapsed(), 700);
    FakePose car;
    controller.followCar(car, {2.5, 3.0, -8.0}, 0);
    EXPECT_EQ(controller.elapsed(), 0);
    EXPECT_EQ(controller.target(), &car);
    EXPECT_EQ(controller.offset(), Vector3(2.5, 3.0, -8.0));
}

}  // namespace
}  // namespace torvask
