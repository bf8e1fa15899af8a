#include "render/SceneScaleGovernor.h"

#include <algorithm>
#include <cmath>

namespace torvask {
namespace {

// A gap this long between two frames is a pause (a dialog, a menu, loading), not a frame rate.
constexpr std::uint32_t kPauseMs = 250;
constexpr std::uint32_t kWindowMs = 1000;
// Below target by less than this it is left alone: the frame counter's own jitter.
constexpr double kShortfallTolerance = 0.97;
// Up only when the frame rate expected one step up clears the target by this much.
constexpr double kHeadroom = 1.05;

}  // namespace

SceneScaleGovernor::SceneScaleGovernor(double targetFps, double minScale)
    : targetFps_(targetFps), minScale_(std::clamp(minScale, kStep, 1.0)) {}

double SceneScaleGovernor::nextScale(double scale, double fps) const {
    if (fps < targetFps_ * kShortfallTolerance) {
        // Fewer pixels in proportion to the shortfall, at least one step, never below the floor.
        const double wanted = std::floor(scale * std::sqrt(fps / targetFps_) / kStep) * kStep;
        return std::max(minScale_, std::min(wanted, scale - kStep));
    }
    const double up = scale + kStep;
    if (up <= 1.0 && fps * (scale * scale) / (up * up) >= targetFps_ * kHeadroom) return up;
    return scale;
}

double SceneScaleGovernor::framePresented(std::uint32_t tickMs) {
    if (!started_ || tickMs - lastFrame_ > kPauseMs) {
        started_ = true;
        windowStart_ = tickMs;
        lastFrame_ = tickMs;
        framesInWindow_ = 0;
        return scale_;
    }
    lastFrame_ = tickMs;
    ++framesInWindow_;
    const std::uint32_t elapsed = tickMs - windowStart_;
    if (elapsed >= kWindowMs) {
        scale_ = nextScale(scale_, framesInWindow_ * 1000.0 / elapsed);
        windowStart_ = tickMs;
        framesInWindow_ = 0;
    }
    return scale_;
}

}  // namespace torvask
