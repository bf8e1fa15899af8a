#include "teach/Corrector.h"

#include <cmath>

namespace torvask {

const char* correctionReasonName(CorrectionReason reason) {
    switch (reason) {
        case CorrectionReason::None:
            return "none";
        case CorrectionReason::Far:
            return "far";
        case CorrectionReason::HeadingAway:
            return "heading-away";
        case CorrectionReason::LeavingRoad:
            return "leaving-road";
        case CorrectionReason::Slow:
            return "slow";
        case CorrectionReason::Timid:
            return "timid";
        case CorrectionReason::Fast:
            return "fast";
    }
    return "none";
}

Corrector::Corrector(double halfWidth, CorrectorTuning tuning) : halfWidth_(halfWidth), tuning_(tuning) {}

// How long the speed has stayed below limit without gaining 5 display units: a car that is
// picking up speed is doing something about it.
double Corrector::belowFor(double speed, double limit, double dt, double& since, double& seconds) {
    if (speed >= limit) return seconds = 0.0;
    if (seconds == 0.0 || speed > since + 5.0) {
        since = speed;
        seconds = 0.0;
    }
    return seconds += dt;
}

CorrectionReason Corrector::judge(const CentreLinePose& pose, double speed, double targetSpeed, double dt) {
    const double off = std::fabs(pose.offset);
    if (off > tuning_.farFraction * halfWidth_) return CorrectionReason::Far;
    if (off > tuning_.awayMinFraction * halfWidth_ && pose.offset * pose.headingError > 0.0 &&
        std::fabs(pose.headingError) > tuning_.awayHeading) {
        return CorrectionReason::HeadingAway;
    }
    if (std::fabs(pose.offset + drift_ * tuning_.leaveLookAhead) > tuning_.leaveFraction * halfWidth_) {
        return CorrectionReason::LeavingRoad;
    }
    // Slow and not gaining speed: stopped, or creeping too timidly to count as driving. A car
    // that is already too slow and still braking is taken at once: waiting for it to stop would
    // teach how to pull away, not how not to stall.
    if (belowFor(speed, tuning_.slowFraction * targetSpeed, dt, slowSpeed_, slowFor_) >= tuning_.slowSeconds ||
        (slowFor_ > 0.0 && speed < slowSpeed_ - tuning_.slowDrop)) {
        return CorrectionReason::Slow;
    }
    fastFor_ = tuning_.fastFraction > 0.0 && speed > tuning_.fastFraction * targetSpeed + tuning_.fastMargin
                   ? fastFor_ + dt
                   : 0.0;
    if (fastFor_ >= tuning_.fastSeconds) return CorrectionReason::Fast;
    if (tuning_.watchPace &&
        belowFor(speed, tuning_.timidFraction * targetSpeed, dt, timidSpeed_, timidFor_) >= tuning_.timidSeconds) {
        return CorrectionReason::Timid;
    }
    return CorrectionReason::None;
}

bool Corrector::update(const CentreLinePose& pose, double speed, double targetSpeed, double dt) {
    if (dt <= 0.0) dt = 1e-4;
    if (havePrevious_) {
        // A jump to another segment of the line is not a drift; the smoothing absorbs most of it.
        const double rate = (pose.offset - previousOffset_) / dt;
        drift_ = 0.8 * drift_ + 0.2 * rate;
    }
    havePrevious_ = true;
    previousOffset_ = pose.offset;

    const CorrectionReason wrong = judge(pose, speed, targetSpeed, dt);
    if (!correcting_) {
        if (wrong != CorrectionReason::None) {
            correcting_ = true;
            reason_ = wrong;
            heldFor_ = 0.0;
            recoveredFor_ = 0.0;
            ++takeOvers_;
        }
        return correcting_;
    }
    heldFor_ += dt;
    const bool recovered = std::fabs(pose.offset) < tuning_.recoveredFraction * halfWidth_ &&
                           std::fabs(pose.headingError) < tuning_.recoveredHeading &&
                           speed >= (tuning_.watchPace ? tuning_.pacedFraction : tuning_.recoveredSpeedFraction) *
                                        targetSpeed &&
                           (reason_ != CorrectionReason::Fast || speed <= targetSpeed + tuning_.fastMargin);
    recoveredFor_ = recovered ? recoveredFor_ + dt : 0.0;
    if (heldFor_ >= tuning_.minHoldSeconds && recoveredFor_ >= tuning_.recoveredSeconds) {
        correcting_ = false;
        slowFor_ = timidFor_ = fastFor_ = 0.0;
    }
    return correcting_;
}

}  // namespace torvask
