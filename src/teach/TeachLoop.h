#pragma once
// The whole teaching loop, through the same keys and questions a person meets in the window: the
// demonstrator records laps in User Control; Esc, Yes, training; then each correction round lets
// the learned driver drive in AI Control while the demonstrator watches and takes the wheel (by
// holding drive keys) whenever the car goes wrong, lets go once it has recovered, and finally
// Esc, Yes retrains on everything. One progress line after the demonstration and one per round.
#include <string>

#include "teach/TeachHost.h"

namespace torvask {

struct TeachOptions {
    int laps = 3;            // demonstration laps
    int rounds = 2;          // correction rounds
    long passes = 1000;      // training passes after the demonstration
    long roundPasses = 300;  // continuing from the current network: a nudge, not a new driver
    int evalLaps = 3;
    int correctLaps = 3;
    double maxSeconds = 400.0;  // simulated seconds per drive
    // Also correct a driver whose round already gave clean laps at a good pace. A teacher who
    // sees those stops: corrections of a driver that is fine only risk breaking it elsewhere.
    bool keepCorrecting = false;
    // Start from the driver the host loaded (in AI Control) instead of a demonstration.
    bool fromLoadedDriver = false;
    std::string out;  // where the driver is saved at the end
};

class TeachLoop {
public:
    TeachLoop(TeachHost& host, TeachOptions options);
    // Runs the loop and saves the driver. 0, or 1 after host.fail said what went wrong.
    int run();

private:
    TeachHost& host_;
    TeachOptions options_;
};

}  // namespace torvask
