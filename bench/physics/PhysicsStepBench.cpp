// One physics step of the simulation: collision with the ground, the car's controllers, integration.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "physics/Car.h"
#include "physics/CarPhysics.h"
#include "physics/PhysicsServer.h"
#include "physics/Track.h"
#include "common/Messages.h"

namespace {

using torvask::Car;
using torvask::physicsServer;

// throttleOutput: 0.5 rolls, 1.0 drives; steeringOutput: 0.5 straight, 1.0 full lock.
void stepWithCar(benchmark::State& state, double steeringOutput, double throttleOutput) {
    physicsServer().create(1000, 1000);
    auto car = std::make_unique<Car>();
    car->create();
    car->setPosition(500, 0, 500);
    car->setRotation(0, 0, 0);
    car->setOutputs({steeringOutput, throttleOutput}, 0);
    for (int i = 0; i < 60; ++i) physicsServer().step(0.05);
    for (auto _ : state) {
        benchmark::DoNotOptimize(physicsServer().step(0.05));
    }
    state.counters["contacts"] = physicsServer().getLastContactCount();
    car.reset();
    physicsServer().destroy();
}

void BM_StepCarAtRest(benchmark::State& state) { stepWithCar(state, 0.5, 0.5); }
void BM_StepCarCircling(benchmark::State& state) { stepWithCar(state, 1.0, 1.0); }

// One frame's sensor work on the longest track a scene can hold (13 coarse waypoints, 230 smoothed).
void BM_CarUpdateOnTrack(benchmark::State& state) {
    std::vector<torvask::Vector3> coarse;
    for (int i = 0; i < 12; ++i) {
        const double a = i * 2.0 * 3.141592653589793 / 12.0;
        coarse.emplace_back(500 + 300 * std::cos(a), 0, 500 + 200 * std::sin(a));
    }
    coarse.push_back(coarse.front());
    torvask::Track track;
    track.setWaypoints(coarse);
    track.smooth();
    track.buildEdges();
    Car car;  // no model: position and rotation stay as set
    car.setTrack(&track);
    car.setPosition(800, 0, 500);
    car.setRotation(0, 0.3, 0);
    for (auto _ : state) {
        torvask::statusText().clear();
        car.update(16.0);
        benchmark::DoNotOptimize(car.getTurnFactor());
    }
}

BENCHMARK(BM_StepCarAtRest);
BENCHMARK(BM_StepCarCircling);
BENCHMARK(BM_CarUpdateOnTrack);

}  // namespace
