#pragma once
// The one car of the simulation, as the rest of the program sees it: render-frame position and
// rotation, the last controls, the five sensor values a driver reads, and one control slot.
#include <cstdint>
#include <vector>

#include "physics/Vehicle.h"

namespace torvask {

class Track;

class Car : public Vehicle {
public:
    static constexpr int kNumInputs = 5;
    static constexpr int kNumOutputs = 2;
    // The names the status text gives the sensor values and the controls, in getInputs and
    // setOutputs order.
    static constexpr const char* kInputNames[kNumInputs] = {"Speed", "HeadingFactor1", "HeadingFactor2",
                                                            "HeadingFactor3", "TurnFactor"};
    static constexpr const char* kOutputNames[kNumOutputs] = {"Steering", "Throttle"};

    Car();
    ~Car() override;  // calls destroy

    // Speed/240, the three heading factors, the turn factor, as the last update left them.
    std::vector<double> getInputs(int32_t slot) override;
    // Exactly two values (steering, throttle) in [0, 1]; any other count is ignored.
    // Each value v becomes the control 2v - 1.
    void setOutputs(const std::vector<double>& values, int32_t slot) override;
    // Reads speed, position and rotation back and computes the sensors; appends the sensor line
    // to the status text. elapsedMs is not used.
    void update(double elapsedMs) override;
    // Builds the model and registers it with the process-wide physics server. Always true.
    bool create() override;
    // Deletes the model, forgets the track, frees slot 0.
    void destroy() override;

    // Render frame; zeroes the model's velocities.
    void setPosition(double x, double y, double z);
    // Radians (pitch, yaw, roll); zeroes the model's velocities.
    void setRotation(double x, double y, double z);

    // The track the sensors look at (not owned); set after create.
    void setTrack(const Track* t) { track = t; }
    const Track* getTrack() const { return track; }

    double getTopSpeed() const { return topSpeed; }
    double getDriveForce() const { return driveForce; }
    // Display speed: chassis speed x 12.96.
    double getSpeed() const { return speed; }
    // Nearest waypoint, or -1 when that is the last one.
    int32_t getCurrentWaypoint() const { return currentWaypoint; }
    // k = 0..2; 0 outside.
    double getHeadingFactor(int k) const { return (k >= 0 && k < 3) ? headingFactors[k] : 0.0; }
    double getTurnFactor() const { return turnFactor; }
    // The vertical share of the car's up axis as the last update left it: 1 on its wheels, 0 on
    // its side or nose, -1 on its roof.
    double getUprightness() const;
    // The waypoint each sensor looked at in the last update: k = 0..2 for the heading factors,
    // 3 for the far point of the turn factor (which also reads heading factors 2 and 3); -1
    // before the first update that could compute the sensors, and for any other k.
    int32_t getSensorWaypoint(int k) const {
        return (k >= 0 && k < kNumSensorWaypoints) ? sensorWaypoints[k] : -1;
    }
    static constexpr int kNumSensorWaypoints = 4;
    double getSteeringControl() const { return steeringControl; }
    double getThrottleControl() const { return throttleControl; }

    // The signed factor toward waypoint i for look-ahead point lookAhead and unit heading:
    // sin of the angle between the heading and the direction to the centre point, positive when
    // the waypoint lies to the right (render frame). i must index the track's edge lists.
    static double signedFactor(const Vector3& lookAhead, const Vector3& heading, const Track& track, int32_t i);

private:
    double topSpeed = 170.0;
    double driveForce = 150.0;
    int32_t currentWaypoint = 0;
    double speed = 0.0;
    double headingFactors[3] = {0.0, 0.0, 0.0};
    double turnFactor = 0.0;
    int32_t sensorWaypoints[kNumSensorWaypoints] = {-1, -1, -1, -1};
    double steeringControl = 0.0;
    double throttleControl = 0.0;
    const Track* track = nullptr;
};

}  // namespace torvask
