// View > Show Sensors in the frame step: the marks stand on the road at exactly the waypoints the
// car's sensors read, in their own colours, and with the marks off a frame draws nothing more.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "SimFixture.h"
#include "render/NullDevice.h"
#include "sim/SensorMarks.h"

namespace torvask::testing {
namespace {

class SensorMarksTest : public SimFixture {};

int drawsOf(const DeviceLog& log, PrimitiveType type) {
    int n = 0;
    for (const DeviceCall& c : log.ofKind(DeviceOp::DrawPrimitive)) n += c.primitive == type ? 1 : 0;
    return n;
}

TEST_F(SensorMarksTest, MarksStandOnTheRoadAtTheWaypointsTheSensorsRead) {
    startRunning();
    doc->setShowSensors(true);
    host->press(dik::kW);
    host->press(dik::kD);
    // Far enough along that the look-ahead has moved off the first waypoints and into the bend.
    for (int i = 0; i < 120; ++i) ASSERT_EQ(frameAfter(17), 0);

    const Track& track = doc->getTrack();
    const std::int32_t n = track.getNumWaypoints();
    const std::int32_t next = track.nextWaypoint(doc->getCar()->getPosition());
    const std::int32_t looked[4] = {(next + 1) % n, (next + 2) % n, (next + 3) % n, (next + 6) % n};
    ASSERT_TRUE(doc->getSensorMarks().hasMarks());
    const auto* buffer = dynamic_cast<const NullVertexBuffer*>(doc->getSensorMarks().buffer());
    ASSERT_NE(buffer, nullptr);
    std::vector<SceneVertex> drawn(buffer->bytes().size() / sizeof(SceneVertex));
    std::memcpy(drawn.data(), buffer->bytes().data(), drawn.size() * sizeof(SceneVertex));
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const auto i = static_cast<std::size_t>(looked[k]);
        const Vector3 centre = (track.getLeftEdge()[i] + track.getRightEdge()[i]) * 0.5;
        EXPECT_EQ(doc->getSensorMarks().points()[static_cast<std::size_t>(k)], centre);
        // The device was given a vertex of this mark's colour right there.
        bool found = false;
        for (const SceneVertex& v : drawn) {
            found = found || (v.diffuse == kSensorMarkColours[static_cast<std::size_t>(k)] &&
                              v.x == static_cast<float>(centre.x) && v.z == static_cast<float>(centre.z));
        }
        EXPECT_TRUE(found);
    }
    // Four sensor colours and the heading arrow's; nothing else.
    for (const SceneVertex& v : drawn) {
        EXPECT_TRUE(v.diffuse == kHeadingArrowColour ||
                    std::find(kSensorMarkColours.begin(), kSensorMarkColours.end(), v.diffuse) !=
                        kSensorMarkColours.end());
    }
}

TEST_F(SensorMarksTest, OffByDefaultAndOffAgainTheFrameDrawsNothingMore) {
    startRunning();
    host->press(dik::kW);
    auto frame = [&] {
        host->deviceLog->clear();
        EXPECT_EQ(frameAfter(17), 0);
        std::vector<DeviceOp> ops;
        for (const DeviceCall& c : host->deviceLog->calls) ops.push_back(c.op);
        return ops;
    };
    frame();
    const std::vector<DeviceOp> plain = frame();
    EXPECT_FALSE(doc->isShowingSensors());
    EXPECT_EQ(doc->getSensorMarks().buffer(), nullptr);
    EXPECT_EQ(drawsOf(*host->deviceLog, PrimitiveType::TriangleList), 0);

    doc->setShowSensors(true);
    frame();
    EXPECT_NE(doc->getSensorMarks().buffer(), nullptr);
    EXPECT_EQ(drawsOf(*host->deviceLog, PrimitiveType::TriangleList), 1);

    doc->setShowSensors(false);
    // The same calls as before the marks were ever shown.
    EXPECT_EQ(frame(), plain);
    EXPECT_EQ(drawsOf(*host->deviceLog, PrimitiveType::TriangleList), 0);
}

}  // namespace
}  // namespace torvask::testing
