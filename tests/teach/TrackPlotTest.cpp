// The top view's pixels: the speed colours at their fixed points, and an off-ribbon frame marked
// where the car was.
#include <gtest/gtest.h>

#include "physics/Track.h"
#include "teach/TrackPlot.h"

namespace torvask {
namespace {

TEST(TrackPlot, SpeedColoursRunFromBlueThroughGreenToRed) {
    const struct {
        double speed;
        std::uint32_t colour;
    } cases[] = {
        {0.0, 0xFF1818F2}, {50.0, 0xFF18F218}, {100.0, 0xFFF21818}, {250.0, 0xFFF21818}, {-5.0, 0xFF1818F2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        EXPECT_EQ(speedColour(c.speed, 100.0), c.colour);
    }
}

TEST(TrackPlot, MarksTheFramesOffTheRibbonWhereTheCarWas) {
    Track track;
    ASSERT_EQ(track.load(TORVASK_DATA_DIR "/tracks/Oval.trn"), 0);
    const TrackPlot plot(track);
    // Two frames in the sand, well away from the ribbon: the second is marked, the first not.
    const std::vector<TracePoint> trace = {{30.0, 30.0, 10.0, false}, {40.0, 30.0, 20.0, true}};
    const PlotImage image = plot.draw(trace);
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height);
    const auto pixel = [&](double x, double z) {
        return image.at(static_cast<int>(plot.pixelX(x)), static_cast<int>(plot.pixelY(z)));
    };
    EXPECT_EQ(pixel(40.0, 30.0), 0xFFE61E1EU) << "the red disc";
    EXPECT_EQ(pixel(30.0, 30.0), 0xFFF21818U) << "the line, in the colour of the fastest frame, and no disc";
    EXPECT_EQ(pixel(20.0, 60.0), 0xFFDEC696U) << "sand";
    EXPECT_EQ(image.at(1, 1), 0xFFFAF8F2U) << "the margin";
}

}  // namespace
}  // namespace torvask
