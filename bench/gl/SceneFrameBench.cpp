// Whole frames of the real simulation drawn through the OpenGL device into a window of the size
// given (default 1920x1080): the Demo driver laps Esses in AI Control, seen from the chase camera,
// with the status text on top. Each case draws the 3-D scene at one scale (sixteenths of the
// window's size; 16 is full size), and the last lets the device choose its scale for 60 frames a
// second as the program does. Counters: fps and physics_rate as the status text would show them
// (wall clock, the doc's own pacing), cpu_ms_per_frame (all threads of the process, the
// rasteriser's included) and scale (where the adaptive case settled).
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/gl_bench [--width=1280 --height=800] [--shots=DIR]
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "gl/GlDevice.h"
#include "sim/CTorvaskDoc.h"
#include "sim/FrameTiming.h"
#include "sim/HeadlessHost.h"

namespace {

using namespace torvask;

QWindow* gWindow = nullptr;
std::string gShotFolder;  // --shots=FOLDER: the last frame of each case as a PNG there
QOpenGLContext* gContext = nullptr;
constexpr int kAdaptive = 0;

class BenchGraphics final : public GraphicsSystem, public GraphicsFactory {
public:
    double scale = 1.0;
    bool adaptive = false;
    bool queryDisplayMode() override { return true; }
    std::unique_ptr<Device> createDevice(WindowHandle, WindowHandle, std::int32_t* failureCode) override {
        auto device = std::make_unique<GlDevice>(gContext, gWindow);
        if (!device->initialise()) {
            if (failureCode) *failureCode = -1;
            return nullptr;
        }
        device->setSceneScale(scale);
        if (adaptive) device->setFrameRateTarget(60.0);
        return device;
    }
    int probeVersion() override { return kRequiredGraphicsVersion; }
    std::unique_ptr<GraphicsSystem> createGraphicsSystem() override {
        return std::make_unique<Forward>(*this);
    }

private:
    struct Forward final : GraphicsSystem {
        explicit Forward(BenchGraphics& g) : g_(g) {}
        bool queryDisplayMode() override { return true; }
        std::unique_ptr<Device> createDevice(WindowHandle a, WindowHandle b, std::int32_t* code) override {
            return g_.createDevice(a, b, code);
        }
        BenchGraphics& g_;
    };
};

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

std::uint32_t wallMs() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void BM_SceneFrame(benchmark::State& state) {
    setMessageSink([](const std::string&) {});
    resetFrameTiming();
    BenchGraphics graphics;
    graphics.adaptive = state.range(0) == kAdaptive;
    graphics.scale = graphics.adaptive ? 1.0 : double(state.range(0)) / 16.0;
    HeadlessHost host;
    HostServices services = host.services();
    services.graphics = &graphics;
    const std::string dir = TORVASK_RUNTIME_DIR;
    host.setupChoices.push_back({true, dir + "/tracks/Esses.trn", dir + "/drivers/Demo.driver"});
    CTorvaskDoc doc(services);
    doc.setProgramFolder(dir + "/");
    host.clock.set(wallMs());
    if (!doc.readConfiguration() || doc.startScene(0x1) != 0 || doc.getMode() != kModeAIControl) {
        state.SkipWithError("start-up failed");
        return;
    }
    doc.setViewSize(gWindow->width(), gWindow->height());
    host.press(dik::kF3);  // chase camera
    auto frame = [&] {
        host.clock.set(wallMs());
        doc.simulateFrame();
        host.releaseAll();
    };
    // The adaptive device needs a few one-second judgements to settle.
    const int warmUp = graphics.adaptive ? 8 : 1;
    const std::uint32_t warmEnd = wallMs() + 1000U * warmUp;
    while (static_cast<std::int32_t>(wallMs() - warmEnd) < 0) frame();

    int frames = 0;
    // The physics rate as the status text gives it, averaged over the seconds it was given.
    double physicsRateSum = 0.0;
    int physicsRates = 0;
    std::string lastFpsText = doc.getFpsText();
    const std::uint32_t start = wallMs();
    const double cpuStart = processCpuMs();
    for (auto _ : state) {
        frame();
        ++frames;
        if (doc.getFpsText() != lastFpsText) {
            lastFpsText = doc.getFpsText();
            int fps = 0;
            double rate = 0.0;
            if (std::sscanf(lastFpsText.c_str(), "FPS: %d\r\nPhysics Rate: %lf", &fps, &rate) == 2) {
                physicsRateSum += rate;
                ++physicsRates;
            }
        }
    }
    const double seconds = (wallMs() - start) / 1000.0;
    state.counters["fps"] = frames / seconds;
    state.counters["physics_rate"] = physicsRates > 0 ? physicsRateSum / physicsRates : 0.0;
    state.counters["cpu_ms_per_frame"] = (processCpuMs() - cpuStart) / frames;
    auto* device = dynamic_cast<GlDevice*>(doc.getDevice());
    state.counters["scale"] = device->sceneScale();
    if (!gShotFolder.empty()) {
        // One more frame, kept, once the status text shows this case's own frame rate.
        device->setCapturePresents(true);
        frame();
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        if (device->lastPresentedFrame(rgba, w, h)) {
            const QString name = QStringLiteral("%1/scene-%2.png")
                                     .arg(QString::fromStdString(gShotFolder))
                                     .arg(state.range(0));
            QImage(rgba.data(), w, h, w * 4, QImage::Format_RGBA8888).save(name);
        }
    }
}
BENCHMARK(BM_SceneFrame)
    ->Arg(16)
    ->Arg(12)
    ->Arg(8)
    ->Arg(6)
    ->Arg(kAdaptive)
    ->Iterations(120)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    int width = 1920;
    int height = 1080;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--width=", 8) == 0) width = std::atoi(argv[i] + 8);
        if (std::strncmp(argv[i], "--height=", 9) == 0) height = std::atoi(argv[i] + 9);
        if (std::strncmp(argv[i], "--shots=", 8) == 0) gShotFolder = argv[i] + 8;
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setFormat(GlDevice::requiredFormat());
    window.resize(width, height);
    window.show();
    QElapsedTimer timer;
    timer.start();
    while (!window.isExposed() && timer.elapsed() < 5000)
        QGuiApplication::processEvents(QEventLoop::AllEvents, 50);
    QOpenGLContext context;
    context.setFormat(GlDevice::requiredFormat());
    if (!window.isExposed() || !context.create() || !context.makeCurrent(&window)) {
        std::fprintf(stderr, "no OpenGL 3.3 core window (run under xvfb-run with a large enough screen)\n");
        return 1;
    }
    gWindow = &window;
    gContext = &context;
    std::printf("window %dx%d, renderer %s\n", window.width(), window.height(),
                reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER)));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
