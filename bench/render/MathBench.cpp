// Matrix work done every frame: the camera's view matrix, the car's world matrix and the
// follow camera's offset transform.
#include <benchmark/benchmark.h>

#include "render/Camera.h"
#include "render/Math.h"

namespace {

using namespace torvask;

void BM_MatrixMultiply(benchmark::State& state) {
    Matrix4 a = matrixRotationYawPitchRoll(0.3f, 0.2f, 0.1f);
    const Matrix4 b = matrixTranslation(1.0f, 2.0f, 3.0f);
    for (auto _ : state) {
        a = matrixMultiply(a, b);
        benchmark::DoNotOptimize(a);
    }
}
BENCHMARK(BM_MatrixMultiply);

void BM_YawPitchRoll(benchmark::State& state) {
    float yaw = 0.0f;
    for (auto _ : state) {
        Matrix4 m = matrixRotationYawPitchRoll(yaw, 0.0f, 0.0f);
        benchmark::DoNotOptimize(m);
        yaw += 0.001f;
    }
}
BENCHMARK(BM_YawPitchRoll);

void BM_TransformCoord(benchmark::State& state) {
    const Matrix4 m = matrixPerspectiveFovLH(0.7853982f, 1.33333004f, 1.0f, 2000.0f);
    Vector3f v{1.0f, 2.0f, 3.0f};
    for (auto _ : state) {
        Vector3f r = vec3TransformCoord(v, m);
        benchmark::DoNotOptimize(r);
        v.z += 0.001f;
    }
}
BENCHMARK(BM_TransformCoord);

void BM_CameraLookAtAndView(benchmark::State& state) {
    Camera camera;
    double x = 0.0;
    for (auto _ : state) {
        camera.lookAt({x, 3.0, -8.0}, {x, 0.0, 0.0});
        benchmark::DoNotOptimize(camera.viewMatrix());
        x += 0.001;
    }
}
BENCHMARK(BM_CameraLookAtAndView);

}  // namespace
