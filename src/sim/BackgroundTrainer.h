#pragma once
// Trains a copy of a driver in a thread of its own, so the simulation keeps its frame rate while
// the driver learns: the copy starts from a saved network, trains on a pattern file for a fixed
// number of passes and is written to a driver file the document then loads. The thread never
// outlives the trainer.
#include <atomic>
#include <string>
#include <thread>

#include "neural/Lobe.h"

namespace torvask {

struct BackgroundTraining {
    std::string networkFile;    // driver file to start from
    std::string patternPrefix;  // trains on patternPrefix + ".0"
    std::string lobeFolder;     // holds the best network while training; ends in a separator
    long passes = 0;
    std::string outFile;  // the trained driver
};

class BackgroundTrainer {
public:
    BackgroundTrainer() = default;
    BackgroundTrainer(const BackgroundTrainer&) = delete;
    BackgroundTrainer& operator=(const BackgroundTrainer&) = delete;
    ~BackgroundTrainer() { cancel(); }

    // False when one is already running (nothing changes).
    bool start(BackgroundTraining training);
    // Started and not yet collected or cancelled.
    bool busy() const { return thread_.joinable(); }
    // The thread has finished its work; collect() will not wait.
    bool finished() const { return done_.load(); }
    // Waits for the thread; true when the trained driver was written to outFile.
    bool collect();
    // Asks the training to stop at its next report, waits for it and discards the result.
    void cancel();

    // The work the thread does, on the calling thread: true when outFile holds the trained
    // driver. stop, when it becomes true, ends the training at its next report (a failure).
    static bool train(const BackgroundTraining& training, const std::atomic<bool>& stop);

private:

    std::thread thread_;
    std::atomic<bool> done_{false};
    std::atomic<bool> stop_{false};
    bool ok_ = false;  // written by the thread before done_, read after joining
};

}  // namespace torvask
