#include "sim/BackgroundTrainer.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "driver/Driver.h"

namespace torvask {

namespace {

struct Bound {
    long passes;
    const std::atomic<bool>* stop;
};

int stopAtBound(const TrainingProgress& progress, void* user) {
    const auto* bound = static_cast<const Bound*>(user);
    return bound->stop->load() || progress.iteration >= bound->passes ? 1 : 0;
}

}  // namespace

bool BackgroundTrainer::start(BackgroundTraining training) {
    if (thread_.joinable()) return false;
    done_ = false;
    stop_ = false;
    ok_ = false;
    // std::thread reports a failed start by throwing: caught, the learning is only refused and
    // the corrections wait for the next chance, as with any other failure to start.
    try {
        thread_ = std::thread([this, t = std::move(training)] {
            ok_ = train(t, stop_);
            done_ = true;
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool BackgroundTrainer::train(const BackgroundTraining& t, const std::atomic<bool>& stop) {
    Driver driver;
    if (driver.load(t.networkFile) != 0) return false;
    std::error_code ec;
    std::filesystem::create_directories(t.lobeFolder, ec);
    Bound bound{t.passes, &stop};
    if (driver.train(t.patternPrefix, t.lobeFolder, stopAtBound, &bound) < 0) return false;
    return !stop.load() && driver.save(t.outFile) == 0;
}

bool BackgroundTrainer::collect() {
    if (!thread_.joinable()) return false;
    thread_.join();
    return ok_;
}

void BackgroundTrainer::cancel() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
    ok_ = false;
}

}  // namespace torvask
