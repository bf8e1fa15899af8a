// One whole frame of the simulation on the headless host: keyboard, controls to the car,
// pattern recording, one physics step, sensors, laps, camera and the render step's calls into
// the recording device. A frame has 16.7 ms at 60 frames per second; this is the part of it
// the document itself costs.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <cmath>
#include <fstream>
#include <random>
#include <string>

#include "common/Messages.h"
#include "sim/CTorvaskDoc.h"
#include "sim/FrameTiming.h"
#include "sim/HeadlessHost.h"

namespace {

using namespace torvask;

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("torvask-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(path_ / "tracks");
        std::ofstream(path_ / "Torvask.cfg") << "[Paths]\nTracksPath=tracks\nTempPath=temp\n";
        // 13 coarse waypoints: the smoothed track (230 points) nearly fills the vertex pool.
        std::ofstream track(path_ / "tracks" / "ring.trn");
        track << "600 600 1 1\n";
        for (int i = 0; i < 13; ++i) {
            const double a = 6.283185307179586 * i / 12.0;
            track << i << " " << 300 + 200 * std::cos(a) << " 0 " << 300 + 200 * std::sin(a) << "\n";
        }
        track << "-1\n";
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string folder() const { return path_.string() + "/"; }
    std::string track() const { return (path_ / "tracks" / "ring.trn").string(); }

private:
    std::filesystem::path path_;
};

void runFrames(benchmark::State& state, bool recordPatterns) {
    setMessageSink([](const std::string&) {});
    ScratchFolder scratch;
    resetFrameTiming();
    HeadlessHost host;
    host.setupChoices.push_back(SetupChoice{true, scratch.track(), ""});
    if (recordPatterns) host.press(dik::kW);
    {
        CTorvaskDoc doc(host.services());
        doc.setProgramFolder(scratch.folder());
        if (!doc.readConfiguration() || doc.startScene(1) != 0) {
            state.SkipWithError("start-up failed");
            return;
        }
        for (auto _ : state) {
            host.clock.advance(17);  // one physics step every frame
            benchmark::DoNotOptimize(doc.simulateFrame());
            // The recording device keeps every call; a long run would measure its growth.
            if (host.deviceLog->calls.size() > 100000) host.deviceLog->clear();
        }
    }
    setMessageSink({});
}

void BM_FrameUserControlIdle(benchmark::State& state) { runFrames(state, false); }
void BM_FrameUserControlDrivingAndRecording(benchmark::State& state) { runFrames(state, true); }

}  // namespace

BENCHMARK(BM_FrameUserControlIdle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameUserControlDrivingAndRecording)->Unit(benchmark::kMicrosecond);
