// What watching costs: the same lobe trained on the same patterns for the same number of passes,
// once with nobody listening and once inside the "Training Driver" dialog (fields and chart live).
// The last line gives the dialog's rate over the bare one from this same run, per CPU second of the
// training thread; gui_cpu_per_training_cpu is what the dialog's own thread spends beside it. Runs on the offscreen
// platform when there is no display.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "app/TrainingDialog.h"
#include "neural/Lobe.h"
#include "neural/Pattern.h"

namespace {

constexpr int kPatterns = 2000;
constexpr int kLastPass = 1500;

std::string patternFile() {
    static const std::string name = [] {
        const std::string path = (std::filesystem::temp_directory_path() / "torvask-app-bench.0").string();
        std::ofstream out(path);
        out.precision(17);
        for (int k = 0; k < kPatterns; ++k) {
            std::vector<double> in;
            for (int i = 0; i < 5; ++i) in.push_back(0.5 + 0.5 * std::sin(k * 0.37 + i * 1.3));
            torvask::PATTERN(k, in, {0.5 + 0.4 * std::cos(k * 0.11), 0.5 + 0.4 * std::sin(k * 0.07)}).save(out);
        }
        return path;
    }();
    return name;
}

std::string lobeFolder() { return std::filesystem::temp_directory_path().string() + "/"; }

// Passes on the report to whoever watches, and ends the training after kLastPass.
struct Watcher {
    torvask::ProgressCallback inner = nullptr;
    void* innerUser = nullptr;
    static int callback(const torvask::TrainingProgress& p, void* user) {
        auto* self = static_cast<Watcher*>(user);
        const int asked = self->inner != nullptr ? self->inner(p, self->innerUser) : 0;
        return asked != 0 || p.iteration >= kLastPass ? 1 : 0;
    }
};

double cpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Trains a fresh lobe and returns the CPU seconds the training thread spent on it (wall time on a
// shared machine says more about the neighbours than about us).
double trainOnce(torvask::ProgressCallback inner, void* innerUser) {
    torvask::Lobe lobe("BenchBrain", 0.3, 0.7, 3, 5, 14, 2);
    Watcher watcher{inner, innerUser};
    const std::string patterns = patternFile();
    const double start = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    lobe.train(patterns, lobeFolder(), 0.01, &Watcher::callback, &watcher);
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
}

void BM_TrainingAlone(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(trainOnce(nullptr, nullptr));
    state.SetItemsProcessed(state.iterations() * std::int64_t(kLastPass + 1) * kPatterns);
}
BENCHMARK(BM_TrainingAlone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_TrainingInDialog(benchmark::State& state) {
    double training = 0.0;
    double process = 0.0;
    for (auto _ : state) {
        const double processStart = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        torvask::TrainingDialog dialog;
        double seconds = 0.0;
        dialog.patternPrefix = "bench";
        dialog.setTrainer([&seconds](const std::string&, const std::string&, torvask::ProgressCallback cb, void* user) {
            seconds = trainOnce(cb, user);
            return 0;
        });
        // Answers "Training Complete" as soon as it shows.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
        });
        answer.start(5);
        dialog.show();
        dialog.start();
        while (dialog.isTraining()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        process += cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
        training += seconds;
        state.SetIterationTime(seconds);
    }
    // The GUI thread's CPU time beside the training's: what the dialog takes from a single core.
    state.counters["gui_cpu_per_training_cpu"] = training > 0.0 ? (process - training) / training : 0.0;
    state.SetItemsProcessed(state.iterations() * std::int64_t(kLastPass + 1) * kPatterns);
}
BENCHMARK(BM_TrainingInDialog)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto found = run.counters.find("items_per_second");
            if (found != run.counters.end()) rates[run.run_name.function_name] = found->second.value;
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double alone = reporter.rates["BM_TrainingAlone"];
    const double dialog = reporter.rates["BM_TrainingInDialog"];
    if (alone > 0.0 && dialog > 0.0) {
        std::printf("training in the dialog / alone: %.3f (%.1f %% slower)\n", dialog / alone,
                    100.0 * (1.0 - dialog / alone));
    }
    std::remove(patternFile().c_str());
    std::remove((lobeFolder() + "BenchBrain.lobe").c_str());
    return 0;
}
