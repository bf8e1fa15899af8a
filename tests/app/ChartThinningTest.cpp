// The training chart's curve stays bounded and keeps its extremes, ends and order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/ChartThinning.h"

namespace torvask {
namespace {

TEST(ChartThinning, KeepsEveryPointUpToTheLimit) {
    std::vector<QPointF> points;
    for (int i = 0; i < 100; ++i) appendThinned(points, QPointF(i, i * 0.5), 100);
    ASSERT_EQ(points.size(), 100u);
    EXPECT_EQ(points[37], QPointF(37, 18.5));
}

TEST(ChartThinning, LongCurveStaysBoundedWithItsPeaksDipsAndEnds) {
    std::vector<QPointF> points;
    double lowest = 1e9, highest = -1e9;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        double y = 100.0 / (1.0 + i * 0.001) + std::sin(i * 0.01);
        if (i == 123457) y = 500.0;  // one spike
        if (i == 150001) y = -3.0;   // one dip
        lowest = std::min(lowest, y);
        highest = std::max(highest, y);
        appendThinned(points, QPointF(i * 10, y), 2000);
    }
    EXPECT_LE(points.size(), 2000u);
    EXPECT_GE(points.size(), 1000u);
    EXPECT_EQ(points.front().x(), 0.0);
    EXPECT_EQ(points.back().x(), (n - 1) * 10.0);
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
    const auto [lo, hi] = std::minmax_element(points.begin(), points.end(),
                                              [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    EXPECT_EQ(hi->y(), highest);
    EXPECT_EQ(hi->x(), 1234570.0);
    EXPECT_EQ(lo->y(), lowest);
    EXPECT_EQ(lo->x(), 1500010.0);
}

}  // namespace
}  // namespace torvask
