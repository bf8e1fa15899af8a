#include "teach/TraceWriter.h"

#include <algorithm>

#include "physics/Car.h"

namespace torvask {

TraceRow traceRow(double seconds, const CTorvaskDoc& doc, double deviation, double halfWidth) {
    TraceRow row;
    row.seconds = seconds;
    row.deviation = deviation;
    row.offTrack = deviation > halfWidth;
    Car* car = doc.getCar();
    if (!car) return row;
    const Vector3& p = car->getPosition();
    row.x = p.x;
    row.y = p.y;
    row.z = p.z;
    row.yaw = car->getRotation().y;
    row.speed = car->getSpeed();
    row.waypoint = car->getCurrentWaypoint();
    row.steering = car->getSteeringControl();
    row.throttle = car->getThrottleControl();
    const std::vector<double> in = car->getInputs(0);
    std::copy_n(in.begin(), std::min(in.size(), row.inputs.size()), row.inputs.begin());
    return row;
}

bool TraceWriter::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        std::fprintf(stderr, "torvask-lab: cannot create %s\n", path.c_str());
        return false;
    }
    std::fprintf(file_,
                 "time,x,y,z,yaw,speed,waypoint,steering,throttle,speed_in,heading1,heading2,heading3,turn,"
                 "deviation,offtrack\n");
    return true;
}

void TraceWriter::write(double seconds, const CTorvaskDoc& doc, double deviation, double halfWidth) {
    if (doc.getCar()) write(traceRow(seconds, doc, deviation, halfWidth));
}

void TraceWriter::write(const TraceRow& row) {
    if (!file_) return;
    std::fprintf(file_, "%.3f,%.4f,%.4f,%.4f,%.5f,%.3f,%d,%.4f,%.4f", row.seconds, row.x, row.y, row.z, row.yaw,
                 row.speed, row.waypoint, row.steering, row.throttle);
    for (double v : row.inputs) std::fprintf(file_, ",%.5f", v);
    std::fprintf(file_, ",%.4f,%d\n", row.deviation, row.offTrack ? 1 : 0);
}

bool TraceWriter::close() {
    if (!file_) return false;
    const bool good = std::ferror(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return good && closed;
}

TraceWriter::~TraceWriter() {
    if (file_) std::fclose(file_);
}

}  // namespace torvask
