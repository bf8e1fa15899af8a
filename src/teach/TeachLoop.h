#pragma once
// The whole teaching loop, through the same keys and questions a person meets in the window: the
// demonstrator records laps in User Control; Esc, Yes, training; then each correction round lets
// the learned driver drive in AI Control while the demonstrator watches and takes the wheel (by
// holding drive keys) whenever the car goes wrong, lets go once it has recovered, and finally
// Esc, Yes retrains on everything. One progress line after the demonstration and one per round.
#include <cstdint>
#include <string>

#include "teach/TeachHost.h"

namespace torvask {

// The share of its own speed the demonstrator drives its slow laps at.
inline constexpr double kSlowLapPace = 0.8;

struct TeachOptions {
    int laps = 3;            // demonstration laps
    int slowLaps = 0;        // after them, laps at kSlowLapPace of the demonstrator's speed
    bool pullAways = true;   // then demonstratePullAways
    DemoTuning demo;         // how the demonstrator drives, and corrects
    int rounds = 2;          // correction rounds
    long passes = 1000;      // training passes after the demonstration
    long roundPasses = 300;  // continuing from the current network: a nudge, not a new driver
    int evalLaps = 3;
    int correctLaps = 3;
    // Simulated seconds per drive: three laps of the longest generated tracks at the demonstrator's
    // pace (up to 2:20 a lap) with a standing start; 400 cut the third lap off.
    double maxSeconds = 600.0;
    // Also correct a driver whose round already gave clean laps at a good pace. A teacher who
    // sees those stops: corrections of a driver that is fine only risk breaking it elsewhere.
    bool keepCorrecting = false;
    // Start from the driver the host loaded (in AI Control) instead of a demonstration.
    bool fromLoadedDriver = false;
    std::string out;  // where the driver is saved at the end
};

// How a driver did in one evaluation, to choose the best one the loop has had.
struct RoundResult {
    int round = -1;  // -1: none yet
    bool clean = false;
    int laps = 0;
    int offTrack = 0;         // frames off the ribbon
    std::int64_t bestMs = 0;  // 0: no lap
    std::string figures;      // the eval summary line
};

// Clean first; then more laps (a driver that never moves has no frame off the ribbon either);
// then fewer frames off the ribbon; then the faster best lap. Anything beats no result; a tie
// is not better, so the earlier round stays.
bool betterThan(const RoundResult& a, const RoundResult& b);

// Lessons in pulling away where a driver is likeliest to stall: the car is put at rest on the
// centre line, facing along the road, in every bend tighter than kPullAwayRadius (every
// kPullAwaySpacing units through it) and every kPullAwayEvery units of road that bends at all,
// and the demonstrator drives off for kPullAwaySeconds, recorded like any driving. False when
// the simulation stopped.
inline constexpr double kPullAwayRadius = 25.0;
inline constexpr double kPullAwaySpacing = 4.0;
inline constexpr double kPullAwaySeconds = 2.5;
inline constexpr double kPullAwayEvery = 60.0;
bool demonstratePullAways(TeachHost& host, Demonstrator& demo);

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
