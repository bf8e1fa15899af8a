// One training pass of the driver's network shape (5-14-2) over 500 patterns, the unit of work the
// training thread repeats: through the node and link objects, on the flat copy the lobe trains with,
// and (when the library is installed) in the peer library, double precision, incremental, same shape,
// sigmoid, learning rate 0.3 and momentum 0.7. The last lines give the flat pass's rate over the
// others' from this same run (medians with --benchmark_repetitions; interleave the repetitions with
// --benchmark_enable_random_interleaving=true on a busy machine).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "neural/BackpropNetwork.h"
#include "neural/FlatNetwork.h"
#include "neural/Pattern.h"

#ifdef TORVASK_HAVE_FANN
#include <doublefann.h>
#endif

namespace {

constexpr int kPatterns = 500;  // the /500 in the names the ratios read

std::vector<torvask::PATTERN> makePatterns(int count) {
    std::vector<torvask::PATTERN> patterns;
    for (int k = 0; k < count; ++k) {
        std::vector<double> in;
        for (int i = 0; i < 5; ++i) in.push_back(0.5 + 0.5 * std::sin(k * 0.37 + i * 1.3));
        patterns.emplace_back(k, in, std::vector<double>{0.5 + 0.4 * std::cos(k * 0.11), 0.5 + 0.4 * std::sin(k * 0.07)});
    }
    return patterns;
}

// The patterns as rows of 5 inputs and rows of 2 targets.
void flatten(std::vector<torvask::PATTERN>& patterns, std::vector<double>& in, std::vector<double>& out) {
    for (torvask::PATTERN& p : patterns) {
        for (int i = 0; i < 5; ++i) in.push_back(p.getIn(i));
        for (int i = 0; i < 2; ++i) out.push_back(p.getOut(i));
    }
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
BENCHMARK(BM_TrainingPass5x14x2)->Arg(kPatterns);

void BM_FlatTrainingPass5x14x2(benchmark::State& state) {
    torvask::BACKPROP_NETWORK net(0.3, 0.7, 3, 5, 14, 2);
    std::vector<torvask::PATTERN> patterns = makePatterns(static_cast<int>(state.range(0)));
    std::vector<double> in, target;
    flatten(patterns, in, target);
    torvask::FlatNetwork flat;
    if (!flat.capture(net)) {
        state.SkipWithError("the network cannot be mirrored");
        return;
    }
    for (auto _ : state) {
        double totalError = 0.0;
        for (std::size_t k = 0; k < patterns.size(); ++k) {
            flat.run(&in[k * 5]);
            flat.learn(&target[k * 2]);
            totalError += std::fabs(flat.errorTerms()[0]) + std::fabs(flat.errorTerms()[1]);
        }
        benchmark::DoNotOptimize(totalError);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FlatTrainingPass5x14x2)->Arg(kPatterns);

#ifdef TORVASK_HAVE_FANN
void BM_PeerTrainingPass5x14x2(benchmark::State& state) {
    struct fann* ann = fann_create_standard(3, 5, 14, 2);
    fann_set_training_algorithm(ann, FANN_TRAIN_INCREMENTAL);
    fann_set_learning_rate(ann, 0.3f);
    fann_set_learning_momentum(ann, 0.7f);
    // Steepness 0.5 makes the library's sigmoid 1 / (1 + e^-x), the same curve as ours.
    fann_set_activation_function_hidden(ann, FANN_SIGMOID);
    fann_set_activation_function_output(ann, FANN_SIGMOID);
    fann_set_activation_steepness_hidden(ann, 0.5);
    fann_set_activation_steepness_output(ann, 0.5);
    fann_randomize_weights(ann, -1.0, 1.0);
    std::vector<torvask::PATTERN> patterns = makePatterns(static_cast<int>(state.range(0)));
    std::vector<double> in, target;
    flatten(patterns, in, target);
    for (auto _ : state) {
        double totalError = 0.0;
        for (std::size_t k = 0; k < patterns.size(); ++k) {
            fann_train(ann, &in[k * 5], &target[k * 2]);
            totalError += fann_get_MSE(ann);
        }
        benchmark::DoNotOptimize(totalError);
    }
    fann_destroy(ann);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PeerTrainingPass5x14x2)->Arg(kPatterns);
#endif

void BM_ForwardPass5x14x2(benchmark::State& state) {
    torvask::BACKPROP_NETWORK net(0.3, 0.7, 3, 5, 14, 2);
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) net.setValue(0.1 * i, i);
        net.run(0);
        benchmark::DoNotOptimize(net.getValue(0));
    }
}
BENCHMARK(BM_ForwardPass5x14x2);

void BM_FlatForwardPass5x14x2(benchmark::State& state) {
    torvask::BACKPROP_NETWORK net(0.3, 0.7, 3, 5, 14, 2);
    torvask::FlatNetwork flat;
    flat.capture(net);
    double in[5];
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) in[i] = 0.1 * i;
        flat.run(in);
        benchmark::DoNotOptimize(flat.outputs()[0]);
    }
}
BENCHMARK(BM_FlatForwardPass5x14x2);

// Prints as usual and keeps each run's items per second for the ratios.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto found = run.counters.find("items_per_second");
            if (found != run.counters.end()) rates[run.benchmark_name()] = found->second.value;
        }
    }
    // The median over repetitions when there were any, else the one run.
    double rate(const std::string& name) const {
        auto found = rates.find(name + "_median");
        if (found == rates.end()) found = rates.find(name);
        return found == rates.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double flat = reporter.rate("BM_FlatTrainingPass5x14x2/500");
    const double object = reporter.rate("BM_TrainingPass5x14x2/500");
    if (flat > 0.0 && object > 0.0) std::printf("lobe training, flat / object walk: %.2fx\n", flat / object);
#ifdef TORVASK_HAVE_FANN
    const double peer = reporter.rate("BM_PeerTrainingPass5x14x2/500");
    if (flat > 0.0 && peer > 0.0) std::printf("lobe training, ours (flat) / FANN double: %.2fx\n", flat / peer);
#else
    std::printf("FANN (libfann-dev) not installed: no peer comparison\n");
#endif
    return 0;
}
