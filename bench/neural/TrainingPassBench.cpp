// One training pass of the driver's network shape (5-14-2) over about 500 patterns, the unit of work
// the training thread repeats.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "neural/BackpropNetwork.h"
#include "neural/Pattern.h"

namespace {

std::vector<torvask::PATTERN> makePatterns(int count) {
    std::vector<torvask::PATTERN> patterns;
    for (int k = 0; k < count; ++k) {
        std::vector<double> in;
        for (int i = 0; i < 5; ++i) in.push_back(0.5 + 0.5 * std::sin(k * 0.37 + i * 1.3));
        patterns.emplace_back(k, in, std::vector<double>{0.5 + 0.4 * std::cos(k * 0.11), 0.5 + 0.4 * std::sin(k * 0.07)});
    }
    return patterns;
}

void BM_TrainingPass5x14x2(benchmark::State& state) {
    torvask::BACKPROP_NETWORK net(0.3, 0.7, 3, 5, 14, 2);
    std::vector<torvask::PATTERN> patterns = makePatterns(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        double totalError = 0.0;
        for (torvask::PATTERN& p : patterns) {
            net.setInputs(p);
            net.run(0);
            net.setTargets(p);
            net.learn(0);
            totalError += std::fabs(net.getError(0)) + std::fabs(net.getError(1));
        }
        benchmark::DoNotOptimize(totalError);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TrainingPass5x14x2)->Arg(500);

void BM_ForwardPass5x14x2(benchmark::State& state) {
    torvask::BACKPROP_NETWORK net(0.3, 0.7, 3, 5, 14, 2);
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) net.setValue(0.1 * i, i);
        net.run(0);
        benchmark::DoNotOptimize(net.getValue(0));
    }
}
BENCHMARK(BM_ForwardPass5x14x2);

}  // namespace
