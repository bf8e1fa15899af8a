#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "physics/PhysicsObject.h"
#include "physics/PhysicsServer.h"
#include "support/MessageRecorder.h"

namespace torvask {
namespace {

using testing::MessageRecorder;

// Ends every test with no world, whatever the test left behind.
class PhysicsServerTest : public ::testing::Test {
protected:
    void TearDown() override { physicsServer().destroy(); }

    PhysicsServer& server = physicsServer();

    // A box body with its geom directly in the top space; physics-frame centre.
    dBodyID makeBox(double x, double y, double z, double side = 1.0) {
        dBodyID body = dBodyCreate(server.getWorld());
        dMass m;
        dMassSetBox(&m, 1.0, side, side, side);
        dBodySetMass(body, &m);
        dBodySetPosition(body, x, y, z);
        dGeomID geom = dCreateBox(server.getSpace(), side, side, side);
        dGeomSetBody(geom, body);
        return body;
    }
};

// Records what the world looked like when the server stepped it.
struct StepRecord {
    std::string who;
    int jointsOnProbe;  // contacts on the probe body at step time
    double probeZ;      // physics z of the probe body at step time
};

class RecordingObject : public PhysicsObject {
public:
    RecordingObject(std::string name, std::vector<StepRecord>* log, dBodyID* probe)
        : name_(std::move(name)), log_(log), probe_(probe) {}
    bool step(double) override {
        const dBodyID body = *probe_;
        log_->push_back({name_, dBodyGetNumJoints(body), dBodyGetPosition(body)[2]});
        return true;
    }

private:
    std::string name_;
    std::vector<StepRecord>* log_;
    dBodyID* probe_;
};

struct SizeCase {
    int width;
    int depth;
    bool ok;
};

class CreateSizeTest : public PhysicsServerTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(CreateSizeTest, AcceptsOnlyTerrainsLargerThanTwentyEachWay) {
    const SizeCase c = GetParam();
    EXPECT_EQ(server.create(c.width, c.depth), c.ok);
    EXPECT_EQ(server.getWorld() != nullptr, c.ok);
    EXPECT_EQ(server.getSpace() != nullptr, c.ok);
    EXPECT_EQ(server.getContactGroup() != nullptr, c.ok);
    EXPECT_EQ(server.getGroundGroup() != nullptr, c.ok);
    EXPECT_EQ(server.step(0.05), c.ok);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CreateSizeTest,
                         ::testing::Values(SizeCase{21, 21, true}, SizeCase{20, 100, false},
                                           SizeCase{100, 20, false}, SizeCase{0, 0, false},
                                           SizeCase{-50, 300, false}, SizeCase{1000, 300, true}));

TEST_F(PhysicsServerTest, WorldHasTheGravityAndErpOfTheSimulation) {
    ASSERT_TRUE(server.create(100, 100));
    dVector3 g;
    dWorldGetGravity(server.getWorld(), g);
    EXPECT_EQ(g[0], 0.0);
    EXPECT_EQ(g[1], 0.0);
    EXPECT_EQ(g[2], -0.981);
    EXPECT_EQ(dWorldGetERP(server.getWorld()), 0.6);
}

TEST_F(PhysicsServerTest, GroundAndWallsAreTheFivePlanesOfTheTerrain) {
    ASSERT_TRUE(server.create(300, 500));
    struct PlaneCase {
        dGeomID geom;
        double a, b, c, d;
    };
    const PlaneCase planes[] = {{server.getGroundPlane(), 0, 0, 1, 0.2},
                                {server.getWall(0), 1, 0, 0, 10},
                                {server.getWall(1), -1, 0, 0, -290},
                                {server.getWall(2), 0, 1, 0, 10},
                                {server.getWall(3), 0, -1, 0, -490}};
    for (size_t i = 0; i < std::size(planes); ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(planes[i].geom, nullptr);
        EXPECT_EQ(dGeomGetClass(planes[i].geom), dPlaneClass);
        EXPECT_TRUE(server.isGround(planes[i].geom));
        dVector4 p;
        dGeomPlaneGetParams(planes[i].geom, p);
        EXPECT_EQ(p[0], planes[i].a);
        EXPECT_EQ(p[1], planes[i].b);
        EXPECT_EQ(p[2], planes[i].c);
        EXPECT_EQ(p[3], planes[i].d);
    }
    EXPECT_EQ(dSpaceGetNumGeoms(server.getGroundGroup()), 5);
    EXPECT_EQ(server.getWall(4), nullptr);
    EXPECT_EQ(server.getWall(-1), nullptr);
}

TEST_F(PhysicsServerTest, SecondCreateWhileAWorldExistsIsRefused) {
    ASSERT_TRUE(server.create(100, 100));
    const dWorldID first = server.getWorld();
    EXPECT_FALSE(server.create(200, 200));
    EXPECT_EQ(server.getWorld(), first);
}

TEST_F(PhysicsServerTest, NothingWorksBeforeCreateOrAfterDestroy) {
    std::vector<StepRecord> log;
    dBodyID probe = nullptr;
    RecordingObject object("a", &log, &probe);
    EXPECT_FALSE(server.step(0.05));
    EXPECT_FALSE(server.addObject(&object));
    EXPECT_FALSE(server.addObject(nullptr));
    EXPECT_TRUE(server.getObjects().empty());
    EXPECT_EQ(object.getWorld(), nullptr);

    ASSERT_TRUE(server.create(100, 100));
    EXPECT_FALSE(server.addObject(nullptr));
    EXPECT_TRUE(server.addObject(&object));
    EXPECT_FALSE(server.addObject(&object));  // no double registration
    EXPECT_EQ(server.getObjects().size(), 1u);
    EXPECT_EQ(object.getWorld(), server.getWorld());
    EXPECT_EQ(object.getSpace(), server.getSpace());

    server.destroy();
    EXPECT_TRUE(server.getObjects().empty());
    EXPECT_EQ(server.getWorld(), nullptr);
    EXPECT_EQ(object.getWorld(), nullptr);  // the object lives on, without the world
    EXPECT_FALSE(server.step(0.05));
    server.destroy();  // a second destroy does nothing
    EXPECT_EQ(server.getSpace(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(PhysicsServerTest, AttachNeedsAWorld) {
    std::vector<StepRecord> log;
    dBodyID probe = nullptr;
    RecordingObject object("a", &log, &probe);
    EXPECT_FALSE(object.attach(nullptr, nullptr));
    EXPECT_EQ(object.getWorld(), nullptr);
    ASSERT_TRUE(server.create(100, 100));
    EXPECT_TRUE(object.attach(server.getWorld(), nullptr));
    EXPECT_EQ(object.getWorld(), server.getWorld());
}

TEST_F(PhysicsServerTest, DeletedObjectLeavesTheStepList) {
    ASSERT_TRUE(server.create(100, 100));
    std::vector<StepRecord> log;
    dBodyID probe = makeBox(50, 50, 5);
    {
        RecordingObject object("gone", &log, &probe);
        ASSERT_TRUE(server.addObject(&object));
    }
    EXPECT_TRUE(server.getObjects().empty());
    EXPECT_TRUE(server.step(0.05));
    EXPECT_TRUE(log.empty());
}

struct PairCase {
    const char* name;
    bool firstIsGround;
    bool secondIsGround;
    bool contacts;
};

class CollisionPairTest : public PhysicsServerTest, public ::testing::WithParamInterface<PairCase> {};

TEST_P(CollisionPairTest, OnlyGroundPairsMakeContacts) {
    const PairCase c = GetParam();
    ASSERT_TRUE(server.create(100, 100));
    // Two boxes overlapping each other and sunk into the ground plane and the +x wall.
    dBodyID a = makeBox(10.2, 50, 0.5);
    dBodyID b = makeBox(10.4, 50, 0.6);
    dGeomID ga = dBodyGetFirstGeom(a);
    dGeomID gb = dBodyGetFirstGeom(b);
    const dGeomID first = c.firstIsGround ? reinterpret_cast<dGeomID>(server.getGroundGroup()) : ga;
    const dGeomID second = c.secondIsGround ? server.getGroundPlane() : gb;
    PhysicsServer::collisionCallback(&server, first, second);
    const int joints = dBodyGetNumJoints(a) + dBodyGetNumJoints(b);
    if (c.contacts) {
        EXPECT_GT(joints, 0);
        EXPECT_LE(server.getLastContactCount(), 2 * PhysicsServer::kMaxContacts);  // ground plane + wall
    } else {
        EXPECT_EQ(joints, 0);
    }
    EXPECT_EQ(server.getLastContactCount(), joints);
}

INSTANTIATE_TEST_SUITE_P(Pairs, CollisionPairTest,
                         ::testing::Values(PairCase{"twoBoxes", false, false, false},
                                           PairCase{"groundGroupAndBox", true, false, true},
                                           PairCase{"boxAndGroundPlane", false, true, true},
                                           PairCase{"groundGroupAndItsOwnPlane", true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PhysicsServerTest, GroundContactsJoinTheBodyToTheEnvironment) {
    ASSERT_TRUE(server.create(100, 100));
    dBodyID box = makeBox(50, 50, 0.6);
    PhysicsServer::collisionCallback(&server, server.getGroundPlane(), dBodyGetFirstGeom(box));
    ASSERT_GT(dBodyGetNumJoints(box), 0);
    ASSERT_LE(dBodyGetNumJoints(box), PhysicsServer::kMaxContacts);
    for (int i = 0; i < dBodyGetNumJoints(box); ++i) {
        dJointID j = dBodyGetJoint(box, i);
        EXPECT_EQ(dJointGetType(j), dJointTypeContact);
        // Ground is static: one side of every contact is the environment.
        EXPECT_TRUE(dJointGetBody(j, 0) == nullptr || dJointGetBody(j, 1) == nullptr);
    }
}

TEST_F(PhysicsServerTest, CallbackWithoutContextReportsAndMakesNothing) {
    ASSERT_TRUE(server.create(100, 100));
    MessageRecorder messages;
    dBodyID box = makeBox(50, 50, 0.6);
    PhysicsServer::collisionCallback(nullptr, server.getGroundPlane(), dBodyGetFirstGeom(box));
    EXPECT_EQ(messages.messages, std::vector<std::string>{"ERROR: PhysicsServer::collisionCallback - NULL context"});
    EXPECT_EQ(dBodyGetNumJoints(box), 0);
}

TEST_F(PhysicsServerTest, OverlappingNonGroundGeomsNeverTouchDuringAStep) {
    ASSERT_TRUE(server.create(100, 100));
    std::vector<StepRecord> log;
    dBodyID a = makeBox(50, 50, 40);
    makeBox(50.3, 50, 40.2);
    RecordingObject object("probe", &log, &a);
    ASSERT_TRUE(server.addObject(&object));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(server.step(0.05));
    ASSERT_EQ(log.size(), 5u);
    for (const StepRecord& r : log) EXPECT_EQ(r.jointsOnProbe, 0);
    EXPECT_EQ(server.getLastContactCount(), 0);
}

TEST_F(PhysicsServerTest, ObjectsStepInOrderBetweenCollisionAndIntegration) {
    ASSERT_TRUE(server.create(100, 100));
    std::vector<StepRecord> log;
    // Resting in the ground and moving down: collision gives it contacts, integration moves it.
    dBodyID probe = makeBox(50, 50, 0.65);
    dBodySetLinearVel(probe, 0, 0, -1.0);
    RecordingObject first("first", &log, &probe);
    RecordingObject second("second", &log, &probe);
    RecordingObject third("third", &log, &probe);
    ASSERT_TRUE(server.addObject(&first));
    ASSERT_TRUE(server.addObject(&second));
    ASSERT_TRUE(server.addObject(&third));

    const double zBefore = dBodyGetPosition(probe)[2];
    ASSERT_TRUE(server.step(0.05));
    ASSERT_EQ(log.size(), 3u);
    const char* order[] = {"first", "second", "third"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].who, order[i]);
        EXPECT_GT(log[i].jointsOnProbe, 0);  // collision already ran
        EXPECT_EQ(log[i].probeZ, zBefore);   // integration not yet
    }
    EXPECT_NE(dBodyGetPosition(probe)[2], zBefore);
    // The step's contacts are gone once it returns.
    EXPECT_EQ(dBodyGetNumJoints(probe), 0);
    EXPECT_GT(server.getLastContactCount(), 0);
}

TEST_F(PhysicsServerTest, RestingBoxSitsOnThePlaneAtTwoTenths) {
    ASSERT_TRUE(server.create(100, 100));
    dBodyID box = makeBox(50, 50, 3.0);
    for (int i = 0; i < 400; ++i) ASSERT_TRUE(server.step(0.05));
    // Half-height 0.5 on a plane at 0.2: centre at 0.7, give or take the contact softness.
    EXPECT_NEAR(dBodyGetPosition(box)[2], 0.7, 0.02);
}

struct WallCase {
    const char* name;
    double vx, vy;
};

class WallTest : public PhysicsServerTest, public ::testing::WithParamInterface<WallCase> {};

TEST_P(WallTest, BallThrownAtAWallStaysInsideTheDriveableRectangle) {
    const WallCase c = GetParam();
    ASSERT_TRUE(server.create(60, 80));
    dBodyID ball = dBodyCreate(server.getWorld());
    dMass m;
    dMassSetSphere(&m, 1.0, 0.5);
    dBodySetMass(ball, &m);
    dBodySetPosition(ball, 30, 40, 0.7);
    dGeomID geom = dCreateSphere(server.getSpace(), 0.5);
    dGeomSetBody(geom, ball);
    dBodySetLinearVel(ball, c.vx, c.vy, 0);
    // Contacts appear only once the ball overlaps a wall, so within one step it may sink in by
    // up to one step's travel; it must never get through, and it must end up inside.
    const double travel = 0.05 * std::sqrt(c.vx * c.vx + c.vy * c.vy);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(server.step(0.05));
        const dReal* p = dBodyGetPosition(ball);
        ASSERT_GE(p[0], 10.0 + 0.5 - travel) << "step " << i;
        ASSERT_LE(p[0], 50.0 - 0.5 + travel) << "step " << i;
        ASSERT_GE(p[1], 10.0 + 0.5 - travel) << "step " << i;
        ASSERT_LE(p[1], 70.0 - 0.5 + travel) << "step " << i;
    }
    const dReal* p = dBodyGetPosition(ball);
    EXPECT_GE(p[0], 10.0 + 0.45);
    EXPECT_LE(p[0], 50.0 - 0.45);
    EXPECT_GE(p[1], 10.0 + 0.45);
    EXPECT_LE(p[1], 70.0 - 0.45);
}

INSTANTIATE_TEST_SUITE_P(Walls, WallTest,
                         ::testing::Values(WallCase{"plusX", 15, 0}, WallCase{"minusX", -15, 0},
                                           WallCase{"plusY", 0, 15}, WallCase{"minusY", 0, -15},
                                           WallCase{"corner", 12, -12}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvask
