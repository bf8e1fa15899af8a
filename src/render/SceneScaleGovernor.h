#pragma once
// Chooses the resolution the 3-D scene is drawn at, for a rasteriser too slow to fill the whole
// window at the wanted frame rate: the scene is drawn smaller and scaled up, while the text over
// it stays at full resolution. Fed the time of every presented frame; judges the frame rate once
// a second and moves the scale (the fraction of the window's width and height, in steps of
// 1/16) down as far as the shortfall asks, or up one step when the frame rate is expected to stay
// above the target there. Drawing time is taken to grow with the pixel count.
#include <cstdint>

namespace torvask {

class SceneScaleGovernor {
public:
    static constexpr double kStep = 1.0 / 16.0;

    // targetFps > 0; minScale in (0, 1], a multiple of kStep.
    explicit SceneScaleGovernor(double targetFps = 60.0, double minScale = 0.375);

    // One frame was presented at tickMs (a millisecond tick that may wrap). Returns the scale
    // for the frames that follow.
    double framePresented(std::uint32_t tickMs);
    double scale() const { return scale_; }

    // The scale after a second at fps frames per second drawn at scale (the rule above).
    double nextScale(double scale, double fps) const;

private:
    double targetFps_;
    double minScale_;
    double scale_ = 1.0;
    bool started_ = false;
    std::uint32_t windowStart_ = 0;
    std::uint32_t lastFrame_ = 0;
    int framesInWindow_ = 0;
};

}  // namespace torvask
