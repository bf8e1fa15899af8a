// What the network dock costs the 3-D view: the real window (1280x800) with the Demo driver's
// network on
// Esses in AI Control, frames run as the idle loop runs them (a frame, then the pending paint
// events), once with View > Network closed, once open beside the view (which makes the view
// narrower) and once open as a floating window (the view keeps its size); and, dock closed, the
// frames in which the driver learns a correction at once (D held 30 frames, then let go, five
// times; only the frames while the training runs on the other core count), with the wall time
// from the release to the new network driving. The driver is a copy of Demo whose teaching is
// its first 5,000 patterns, written beside it for the run and removed after. Each reports
// frames per wall-clock second (fps) and per CPU second of the whole process (fps_cpu); the last
// line gives the open rates over the closed one, per CPU second, from this same run. Needs a display with OpenGL 3.3 (xvfb-run with Mesa's llvmpipe) and the build folder's
// data beside the benchmark's folder.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "app/CMainFrame.h"
#include "app/CTorvaskView.h"
#include "app/CommandIds.h"
#include "app/SetupDialog.h"
#include "app/TorvaskApp.h"
#include "common/Paths.h"
#include "common/TickClock.h"
#include "sim/CTorvaskDoc.h"

namespace {

using torvask::TorvaskApp;

std::map<int, double> gRates;  // frames per second by dock state
torvask::VirtualTickClock* gClock = nullptr;

std::unique_ptr<TorvaskApp> gApp;

constexpr int kTeachingPatterns = 5000;
const char* const kBenchDriver = "Learning bench";

// Demo's network with a teaching of kTeachingPatterns, in the build's drivers folder.
struct BenchDriver {
    std::filesystem::path driver, patterns;
    explicit BenchDriver(const std::filesystem::path& folder)
        : driver(folder / (std::string(kBenchDriver) + ".driver")),
          patterns(folder / (std::string(kBenchDriver) + ".patterns")) {
        std::filesystem::copy_file(folder / "Demo.driver", driver, std::filesystem::copy_options::overwrite_existing);
        std::ifstream in(folder / "Demo.patterns");
        std::ofstream out(patterns);
        std::string line;
        for (int i = 0; i < kTeachingPatterns && std::getline(in, line); ++i) out << line << '\n';
    }
    ~BenchDriver() {
        std::error_code ec;
        std::filesystem::remove(driver, ec);
        std::filesystem::remove(patterns, ec);
    }
};
std::unique_ptr<BenchDriver> gBenchDriver;

// One application for every case: Esses and the Demo driver, chosen in the real Setup dialog.
TorvaskApp& application() {
    if (!gApp) gApp = [] {
        auto clock = std::make_unique<torvask::VirtualTickClock>(100000);
        gClock = clock.get();
        auto made = std::make_unique<TorvaskApp>(std::move(clock));
        // The benchmark sits in build/bench; the program's data in build/.
        const std::filesystem::path bench = std::filesystem::path(torvask::programFolder()) / "";
        const std::filesystem::path build = bench.parent_path().parent_path();
        gBenchDriver = std::make_unique<BenchDriver>(build / "drivers");
        made->setProgramFolder(build.string() + "/");
        made->frame().resize(1280, 800);
        made->frame().show();
        auto* chooser = new QTimer(qApp);
        QObject::connect(chooser, &QTimer::timeout, chooser, [chooser] {
            auto* dialog = qobject_cast<torvask::SetupDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            dialog->trackList()->setCurrentIndex(dialog->trackList()->findText(QStringLiteral("Esses")));
            dialog->driverList()->setCurrentIndex(dialog->driverList()->findText(QString::fromUtf8(kBenchDriver)));
            chooser->stop();
            dialog->okButton()->click();
        });
        chooser->start(10);
        if (!made->initialUpdate()) std::fprintf(stderr, "start-up failed\n");
        return made;
    }();
    return *gApp;
}

enum Dock { kClosed, kDocked, kFloating };

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void frames(benchmark::State& state, Dock dock) {
    TorvaskApp& app = application();
    QDockWidget* network = app.frame().networkDock();
    QAction* toggle = app.frame().action(torvask::command::kViewNetwork);
    if (toggle->isChecked() != (dock != kClosed)) toggle->trigger();
    network->setFloating(dock == kFloating);
    if (dock == kFloating) network->setGeometry(1290, 40, 340, 420);
    for (int i = 0; i < 60; ++i) QApplication::processEvents();
    long count = 0;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        // 60 frames a simulated second, so the physics takes one step a frame.
        gClock->advance(count % 3 == 0 ? 16 : 17);
        app.runFrame();
        QApplication::processEvents();
        ++count;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = processCpuSeconds() - cpuStart;
    state.counters["fps"] = seconds > 0 ? count / seconds : 0.0;
    // Frames per CPU second of the whole process (the rasteriser's threads included): the rate
    // on one core that a busy machine does not disturb.
    const double rate = cpu > 0 ? count / cpu : 0.0;
    state.counters["fps_cpu"] = rate;
    gRates[dock] = rate;
}

// The view's keyboard reads the key events that reach its window; focus decides that they do.
void sendKey(TorvaskApp& app, QEvent::Type type) {
    QKeyEvent event(type, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"));
    QCoreApplication::sendEvent(&app.view(), &event);
}

void BM_WhileLearning(benchmark::State& state) {
    TorvaskApp& app = application();
    if (app.frame().action(torvask::command::kViewNetwork)->isChecked()) {
        app.frame().action(torvask::command::kViewNetwork)->trigger();
    }
    torvask::CTorvaskDoc& doc = app.document();
    long count = 0, frameNumber = 0;
    double seconds = 0.0, handOver = 0.0;
    auto frame = [&] {
        gClock->advance(frameNumber++ % 3 == 0 ? 16 : 17);
        app.runFrame();
        QApplication::processEvents();
    };
    for (auto _ : state) {
        const int learned = doc.getCorrectionsLearned();
        app.view().requestActivate();
        for (int i = 0; i < 30 && QGuiApplication::focusWindow() != &app.view(); ++i) QApplication::processEvents();
        sendKey(app, QEvent::KeyPress);
        for (int i = 0; i < 30; ++i) frame();
        sendKey(app, QEvent::KeyRelease);
        const auto released = std::chrono::steady_clock::now();
        while (!doc.isLearning() && doc.getCorrectionsLearned() == learned) frame();
        const auto start = std::chrono::steady_clock::now();
        while (doc.isLearning()) {
            frame();
            ++count;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // Learned, it drives once the wheel is handed back.
        while (doc.hasTheWheel()) frame();
        handOver = std::max(handOver, std::chrono::duration<double>(std::chrono::steady_clock::now() - released).count());
        if (doc.getCorrectionsLearned() == learned) state.SkipWithError("no correction was learned");
    }
    state.counters["fps"] = seconds > 0 ? count / seconds : 0.0;
    state.counters["frames"] = static_cast<double>(count);
    state.counters["release_to_driving_max_s"] = handOver;
}

void BM_NetworkClosed(benchmark::State& state) { frames(state, kClosed); }
void BM_NetworkDocked(benchmark::State& state) { frames(state, kDocked); }
void BM_NetworkFloating(benchmark::State& state) { frames(state, kFloating); }
BENCHMARK(BM_NetworkClosed)->Iterations(1500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NetworkDocked)->Iterations(1500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NetworkFloating)->Iterations(1500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WhileLearning)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double closed = gRates[kClosed];
    if (closed > 0) {
        std::printf("frames per CPU second: docked/closed = %.3f  floating/closed = %.3f  (closed %.1f)\n",
                    gRates[kDocked] / closed, gRates[kFloating] / closed, closed);
    }
    benchmark::Shutdown();
    gApp.reset();  // before the application object it needs
    gBenchDriver.reset();
    return 0;
}
