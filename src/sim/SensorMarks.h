#pragma once
// The marks View > Show Sensors puts into the scene: a disc with a post on the road at each
// waypoint the car's sensors look at (the three heading factors and the far point of the turn
// factor), each in its own colour, and an arrow along the car's heading. Positions are render
// frame (y up), in track units.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/Vector3.h"
#include "render/Device.h"
#include "render/Vertex.h"

namespace torvask {

class Car;
class Track;

// Opaque ARGB colours of the marks, in the sensors' order, and of the heading arrow.
inline constexpr std::array<std::uint32_t, 4> kSensorMarkColours = {0xFFFF3030, 0xFFFFB000, 0xFF30D040,
                                                                    0xFF30A0FF};
inline constexpr std::uint32_t kHeadingArrowColour = 0xFFFFFFFF;

class SensorMarks {
public:
    // Takes the positions from the car's last sensor update; false (and no marks) when the
    // car has not computed its sensors on this track.
    bool update(const Car& car, const Track& track);
    // The centre of the road at each sensor's waypoint, in the order of kSensorMarkColours.
    const std::array<Vector3, 4>& points() const { return points_; }
    bool hasMarks() const { return valid_; }

    // Draws the marks with lighting and texture off and the world transform at identity,
    // leaving those states as the scene's other geometry expects them (lit, world identity).
    // The vertex buffer is made at the first draw, so a scene that never shows the marks
    // pays nothing. Stream 0 is left pointing at the marks' buffer.
    bool draw(Device& device);
    // Forgets the buffer (before the device that made it goes).
    void release() { buffer_.reset(); }
    // The buffer the marks were last drawn from; none until they are first drawn.
    const VertexBuffer* buffer() const { return buffer_.get(); }

private:
    void build();

    bool valid_ = false;
    std::array<Vector3, 4> points_{};
    Vector3 carPosition_;
    double yaw_ = 0.0;  // radians about the vertical
    std::vector<SceneVertex> vertices_;
    std::unique_ptr<VertexBuffer> buffer_;
};

}  // namespace torvask
