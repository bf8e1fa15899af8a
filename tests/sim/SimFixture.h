#pragma once
// A program folder with a configuration, a track and a headless host, and a document on it:
// the scenario every document test starts from.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "driver/Driver.h"
#include "physics/Car.h"
#include "sim/CTorvaskDoc.h"
#include "sim/FrameTiming.h"
#include "sim/HeadlessHost.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

namespace torvask::testing {

inline constexpr const char* kStandardConfig =
    "[Paths]\nTracksPath=tracks\nCarsPath=cars\nDriversPath=drivers\nEnviroPath=enviro\nTempPath=temp\n";

// A square loop 100 units a side on a 200 x 200 terrain; its last waypoint repeats the first.
inline constexpr const char* kSquareTrack =
    "200 200 1 1\n0 50 0 50\n1 150 0 50\n2 150 0 150\n3 50 0 150\n4 50 0 50\n-1\n";

// Waypoints used as they stand (no smoothing), with their edges.
inline CTorvaskDoc::TrackLoader exactTrack(std::vector<Vector3> points) {
    return [=](Track& track, const std::string& path) -> std::int32_t {
        if (track.load(path) != 0) return -1;  // terrain size and the file's existence still count
        track.setWaypoints(points);
        track.buildEdges();
        return 0;
    };
}

// n waypoints along a line, 0.5 apart: any count the vertex pool limits need.
inline std::vector<Vector3> lineOfWaypoints(int n) {
    std::vector<Vector3> points;
    for (int i = 0; i < n; ++i) points.emplace_back(50.0 + 0.5 * i, 0.0, 50.0);
    return points;
}

// The square's corners plus the closing point, unsmoothed: N = 5, lap after 1, 2, 3, then 0.
inline std::vector<Vector3> squareCorners() {
    return {{50, 0, 50}, {150, 0, 50}, {150, 0, 150}, {50, 0, 150}, {50, 0, 50}};
}

// Members are public so that table rows (plain functions) can arrange a scenario.
class SimFixture : public ::testing::Test {
public:
    void SetUp() override {
        doc.reset();
        host.reset();
        resetFrameTiming();
        dir.write("Torvask.cfg", kStandardConfig);
        trackFile = dir.write("tracks/square.trn", kSquareTrack);
        std::filesystem::create_directories(dir.path() / "drivers");
        host = std::make_unique<HeadlessHost>(1000);
        doc = std::make_unique<CTorvaskDoc>(host->services());
        doc->setProgramFolder(dir.str() + "/");
    }
    void TearDown() override {
        doc.reset();
        host.reset();
        statusText().clear();
    }

    // readConfiguration with the setup dialog answering trackFile / driver.
    bool configure(const std::string& driver = "") {
        host->setupChoices.push_back(SetupChoice{true, trackFile, driver});
        return doc->readConfiguration();
    }
    // Configuration and start-up; fails the test when either fails.
    void startRunning(const std::string& driver = "") {
        ASSERT_TRUE(configure(driver));
        ASSERT_EQ(doc->startScene(0x1), 0) << ::testing::PrintToString(messages.messages);
        ASSERT_TRUE(doc->isSceneReady());
    }
    // Advances the clock, then runs one frame.
    std::int32_t frameAfter(std::uint32_t ms) {
        host->clock.advance(ms);
        return doc->simulateFrame();
    }
    // Puts the car on a waypoint of the loaded track and runs a frame 17 ms later (one physics
    // step, nothing carried, so the stall guard never moves the lap clock).
    void driveToWaypoint(int index) {
        const Vector3& p = doc->getTrack().getWaypoints()[static_cast<std::size_t>(index)];
        doc->getCar()->setPosition(p.x, p.y + 1.0, p.z);
        ASSERT_EQ(frameAfter(17), 0);
    }
    std::string tempFolder() const { return dir.str() + "/temp/"; }
    // Holds W until the driver has recorded a pattern (Esc then offers training), then lets go.
    void recordAPattern() {
        host->press(dik::kW);
        for (int i = 0; i < 60 && doc->getDriver()->getPatternCount() == 0; ++i) ASSERT_EQ(frameAfter(17), 0);
        host->releaseAll();
        ASSERT_GT(doc->getDriver()->getPatternCount(), 0);
    }

    TempDir dir;
    MessageRecorder messages;
    std::string trackFile;
    std::unique_ptr<HeadlessHost> host;
    std::unique_ptr<CTorvaskDoc> doc;
};

}  // namespace torvask::testing
