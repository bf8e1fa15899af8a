#include "teach/TraceWriter.h"

#include "physics/Car.h"

namespace torvask {

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
    Car* car = doc.getCar();
    if (!file_ || !car) return;
    const Vector3& p = car->getPosition();
    const std::vector<double> in = car->getInputs(0);
    std::fprintf(file_, "%.3f,%.4f,%.4f,%.4f,%.5f,%.3f,%d,%.4f,%.4f", seconds, p.x, p.y, p.z, car->getRotation().y,
                 car->getSpeed(), car->getCurrentWaypoint(), car->getSteeringControl(), car->getThrottleControl());
    for (double v : in) std::fprintf(file_, ",%.5f", v);
    std::fprintf(file_, ",%.4f,%d\n", deviation, deviation > halfWidth ? 1 : 0);
}

TraceWriter::~TraceWriter() {
    if (file_) std::fclose(file_);
}

}  // namespace torvask
