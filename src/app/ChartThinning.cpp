#include "app/ChartThinning.h"

#include <algorithm>

namespace torvask {

void appendThinned(std::vector<QPointF>& points, QPointF p, std::size_t maxPoints) {
    points.push_back(p);
    if (points.size() <= std::max<std::size_t>(maxPoints, 8)) return;
    // The first and last points stay where they are, so the curve keeps its full extent.
    std::size_t out = 1;
    const std::size_t end = points.size() - 1;
    for (std::size_t i = 1; i < end; i += 4) {
        const std::size_t stop = std::min(i + 4, end);
        std::size_t lo = i;
        std::size_t hi = i;
        for (std::size_t j = i + 1; j < stop; ++j) {
            if (points[j].y() < points[lo].y()) lo = j;
            if (points[j].y() > points[hi].y()) hi = j;
        }
        const std::size_t first = std::min(lo, hi);
        const std::size_t second = std::max(lo, hi);
        points[out++] = points[first];
        if (second != first) points[out++] = points[second];
    }
    points[out++] = points[end];
    points.resize(out);
}

}  // namespace torvask
