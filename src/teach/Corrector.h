#pragma once
// Decides when a teacher watching the learned driver should take the wheel, and when the car
// has recovered enough to hand it back. It judges what a person beside the track sees: how far
// the car is from the centre line, whether it points away from it, whether it is about to run
// off the ribbon, whether it is crawling or standing still, and whether it comes in far too fast.
#include "physics/TrackGeometry.h"

namespace torvask {

struct CorrectorTuning {
    double farFraction = 0.75;        // of the half width: too far from the centre line
    double awayHeading = 0.35;        // radians, pointing away from the line ...
    double awayMinFraction = 0.30;    // ... while at least this far off it
    double leaveLookAhead = 0.5;      // seconds of drift to extrapolate ...
    double leaveFraction = 0.90;      // ... to this fraction of the half width
    double slowFraction = 0.60;       // of the demonstrator's target speed
    double slowSeconds = 1.0;         // that long slow without speeding up ...
    double slowDrop = 10.0;           // ... or at once, slower by this much still (display speed)
    double recoveredFraction = 0.25;  // of the half width
    double recoveredHeading = 0.10;   // radians
    double recoveredSpeedFraction = 0.75;
    double recoveredSeconds = 0.5;  // recovered for this long before handing back
    double minHoldSeconds = 1.0;    // a take-over lasts at least this long
    // Watching the pace as well: a driver that laps cleanly but well below the teacher's speed is
    // shown the pace where it dawdles, and handed back only once it is up to speed.
    bool watchPace = false;
    double timidFraction = 0.80;   // of the target speed ...
    double timidSeconds = 2.0;     // ... that long without speeding up
    double pacedFraction = 0.90;   // recovered: at least this fraction of the target speed
    // Too fast for the road ahead: above this fraction of the target speed plus the margin (display
    // speed) for fastSeconds; handed back only once down to the target plus the margin. Without it
    // the teacher took over only once the car was leaving the road at the corner, too late to show
    // where to brake, and drivers corrected that way came out faster than their teacher.
    double fastFraction = 1.2;
    double fastMargin = 5.0;
    double fastSeconds = 0.3;
};

enum class CorrectionReason { None, Far, HeadingAway, LeavingRoad, Slow, Timid, Fast };
const char* correctionReasonName(CorrectionReason reason);

class Corrector {
public:
    explicit Corrector(double halfWidth, CorrectorTuning tuning = {});

    // One frame: the car's pose, its display speed and the demonstrator's target speed there,
    // and the frame time in seconds. True while the teacher should hold the wheel.
    bool update(const CentreLinePose& pose, double speed, double targetSpeed, double dt);

    bool correcting() const { return correcting_; }
    // Why the current (or last) take-over began.
    CorrectionReason reason() const { return reason_; }
    int takeOvers() const { return takeOvers_; }

private:
    static double belowFor(double speed, double limit, double dt, double& since, double& seconds);
    CorrectionReason judge(const CentreLinePose& pose, double speed, double targetSpeed, double dt);

    double halfWidth_;
    CorrectorTuning tuning_;
    bool correcting_ = false;
    bool havePrevious_ = false;
    double previousOffset_ = 0.0;
    double drift_ = 0.0;  // smoothed d(offset)/dt, units per second
    double slowFor_ = 0.0;
    double slowSpeed_ = 0.0;  // the speed when the slow spell began
    double timidFor_ = 0.0;
    double timidSpeed_ = 0.0;
    double fastFor_ = 0.0;
    double heldFor_ = 0.0;
    double recoveredFor_ = 0.0;
    CorrectionReason reason_ = CorrectionReason::None;
    int takeOvers_ = 0;
};

}  // namespace torvask
