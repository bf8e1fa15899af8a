// Creates the application, the window and its context before the tests run.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>

#include "gl/GlDevice.h"
#include "tests/gl/GlTestWindow.h"

namespace torvask::testing {

GlTestWindow& glTestWindow() {
    static GlTestWindow instance;
    return instance;
}

bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int width, int height) {
    if (rgba.size() != std::size_t(width) * std::size_t(height) * 4) return false;
    QImage image(rgba.data(), width, height, width * 4, QImage::Format_RGBA8888);
    return image.save(QString::fromStdString(path), "PNG");
}

}  // namespace torvask::testing

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setFormat(torvask::GlDevice::requiredFormat());
    window.resize(640, 480);
    window.show();
    QElapsedTimer timer;
    timer.start();
    while (!window.isExposed() && timer.elapsed() < 5000) QGuiApplication::processEvents(QEventLoop::AllEvents, 50);
    QOpenGLContext context;
    context.setFormat(torvask::GlDevice::requiredFormat());
    if (window.isExposed() && context.create() && context.makeCurrent(&window)) {
        torvask::testing::glTestWindow() = {&window, &context};
    }
    const int result = RUN_ALL_TESTS();
    torvask::testing::glTestWindow() = {};
    return result;
}
