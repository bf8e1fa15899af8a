// The scene scale a software rasteriser draws at: down as far as the shortfall asks, up one
// step only when the frame rate expected there still clears the target, judged once a second,
// pauses not counted.
#include <gtest/gtest.h>

#include <cstdint>

#include "render/SceneScaleGovernor.h"

namespace torvask {
namespace {

TEST(SceneScaleGovernor, NextScaleFollowsTheShortfallAndClimbsOnlyWithRoom) {
    const struct {
        double scale, fps, next;
    } rows[] = {
        {1.0, 35.0, 0.75},                        // sqrt(35/60) of the width: 0.76, down to the step below
        {1.0, 55.0, 0.9375},                      // a small shortfall: one step
        {1.0, 58.5, 1.0},                         // within the counter's jitter of 60
        {0.9375, 57.0, 0.875}, {0.5, 20.0, 0.5},  // never below the floor
        {0.75, 80.0, 0.8125},                     // 80 x (0.75 / 0.8125)^2 = 68 clears 63
        {0.75, 65.0, 0.75},                       // one step up would give 55: stays
        {1.0, 200.0, 1.0},                        // never above full size
    };
    const SceneScaleGovernor governor(60.0, 0.5);
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.scale << " at " << r.fps << " fps");
        EXPECT_EQ(governor.nextScale(r.scale, r.fps), r.next);
    }
}

TEST(SceneScaleGovernor, JudgesWholeSecondsOfFramesAndSkipsPauses) {
    // Frames every 28 ms (36 fps) across the tick's wrap: after one second it steps down.
    SceneScaleGovernor slow;
    std::uint32_t t = 0xFFFFFE00u;
    for (int i = 0; i < 36; ++i, t += 28) EXPECT_EQ(slow.framePresented(t), 1.0) << i;
    EXPECT_EQ(slow.framePresented(t), 0.75);

    // The same frames with a 400 ms pause (a dialog) after half a second: no second has been
    // seen whole yet, so nothing changes; a whole one after the pause counts again.
    SceneScaleGovernor paused;
    t = 5000;
    for (int i = 0; i < 18; ++i, t += 28) paused.framePresented(t);
    t += 400;
    for (int i = 0; i < 36; ++i, t += 28) EXPECT_EQ(paused.framePresented(t), 1.0) << i;
    EXPECT_EQ(paused.framePresented(t), 0.75);
}

}  // namespace
}  // namespace torvask
