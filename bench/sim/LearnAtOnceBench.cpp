// Learning a correction at once, through the document as the window runs it: a driver taught on
// 5,000 patterns is corrected, and the time is taken from the release of the last drive key until
// the new network drives. Frames run in real time at about 60 a second meanwhile, so the figure
// holds the hand-back delay (kHandBackDelayMs) as well as the training.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "common/Messages.h"
#include "driver/Driver.h"
#include "sim/BackgroundTrainer.h"
#include "sim/CTorvaskDoc.h"
#include "sim/FrameTiming.h"
#include "sim/HeadlessHost.h"

namespace {

using namespace torvask;

constexpr int kTaughtPatterns = 5000;

struct Scratch {
    std::filesystem::path path;
    Scratch() {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() / ("torvask-learn-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(path / "tracks");
        std::filesystem::create_directories(path / "drivers");
        std::ofstream(path / "Torvask.cfg") << "[Paths]\nTracksPath=tracks\nDriversPath=drivers\nTempPath=temp\n";
        std::ofstream track(path / "tracks" / "ring.trn");
        track << "600 600 1 1\n";
        for (int i = 0; i < 13; ++i) {
            const double a = 6.283185307179586 * i / 12.0;
            track << i << " " << 300 + 200 * std::cos(a) << " 0 " << 300 + 200 * std::sin(a) << "\n";
        }
        track << "-1\n";
        Driver fresh;
        fresh.save((path / "drivers" / "taught.driver").string());
        // A teaching of the usual shape: speed, three heading factors, turn; steering, pedal.
        std::mt19937 random(7);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        std::ofstream patterns(path / "drivers" / "taught.patterns");
        for (int i = 1; i <= kTaughtPatterns; ++i) {
            const double h = 0.5 * u(random), turn = 0.2 * u(random);
            patterns << i << "\t" << 0.4 + 0.1 * u(random) << "\t" << h << "\t" << 0.8 * h << "\t" << 0.6 * h << "\t"
                     << turn << "\t" << 0.5 + 0.4 * h << "\t" << 0.7 - std::fabs(turn) << "\n";
        }
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void BM_LearnAtOnceFromReleaseToDriving(benchmark::State& state) {
    setMessageSink([](const std::string&) {});
    Scratch scratch;
    resetFrameTiming();
    HeadlessHost host;
    host.deviceOptions.keepCalls = false;
    host.setupChoices.push_back(
        SetupChoice{true, (scratch.path / "tracks" / "ring.trn").string(), (scratch.path / "drivers" / "taught.driver").string()});
    CTorvaskDoc doc(host.services());
    doc.setProgramFolder(scratch.path.string() + "/");
    doc.setLearnAtOnce(true);
    if (!doc.readConfiguration() || doc.startScene(1) != 0) {
        state.SkipWithError("start-up failed");
        return;
    }
    auto frame = [&] {
        std::this_thread::sleep_for(std::chrono::microseconds(16700));
        host.clock.advance(17);
        doc.simulateFrame();
    };
    for (auto _ : state) {
        const int learned = doc.getCorrectionsLearned();
        host.press(dik::kD);
        for (int i = 0; i < 30; ++i) frame();
        host.releaseAll();
        const auto released = std::chrono::steady_clock::now();
        while (doc.hasTheWheel() || doc.getCorrectionsLearned() == learned) frame();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - released;
        state.SetIterationTime(took.count());
    }
    state.counters["patterns"] = kTaughtPatterns;
}
BENCHMARK(BM_LearnAtOnceFromReleaseToDriving)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The training alone, on this thread: what one learning costs a core of its own.
void BM_LearnAtOnceTraining(benchmark::State& state) {
    Scratch scratch;
    BackgroundTraining training;
    training.networkFile = (scratch.path / "drivers" / "taught.driver").string();
    std::filesystem::copy_file(scratch.path / "drivers" / "taught.patterns", scratch.path / "learning.0");
    training.patternPrefix = (scratch.path / "learning").string();
    training.lobeFolder = (scratch.path / "lobes").string() + "/";
    training.passes = kLearnAtOncePasses;
    training.outFile = (scratch.path / "learned.driver").string();
    const std::atomic<bool> stop{false};
    for (auto _ : state) {
        if (!BackgroundTrainer::train(training, stop)) state.SkipWithError("training failed");
    }
    state.counters["patterns"] = kTaughtPatterns;
    state.counters["passes"] = static_cast<double>(kLearnAtOncePasses);
}
BENCHMARK(BM_LearnAtOnceTraining)->Unit(benchmark::kMillisecond);

}  // namespace
