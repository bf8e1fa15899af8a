#pragma once
// Keeps a plotted curve to a bounded number of points without losing its shape: once the points
// pass the limit, every run of four points between the first and the last is cut to its lowest
// and highest (in their own order), so peaks and dips survive however long the curve grows.
#include <QPointF>
#include <vector>

namespace torvask {

// Appends p (x not below the last point's) and thins when there are more than maxPoints (at least 8).
void appendThinned(std::vector<QPointF>& points, QPointF p, std::size_t maxPoints);

}  // namespace torvask
