// Torvask: teach a neural-network driver to drive by example.
#include <QApplication>

#include "app/AppIcons.h"
#include "app/CMainFrame.h"
#include "app/MessageBoxSink.h"
#include "app/TorvaskApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvask"));
    QApplication::setApplicationVersion(QStringLiteral("1.1.0.3"));
    QApplication::setWindowIcon(torvask::applicationIcon());
    // Ties the window to the installed desktop entry, so the desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.torvask.Torvask"));
    // Boxes belong to the active window, else to the main window once it exists.
    torvask::TorvaskApp* mainApp = nullptr;
    torvask::MessageBoxSink sink([&mainApp]() -> QWidget* {
        if (QWidget* active = QApplication::activeWindow()) return active;
        return mainApp ? &mainApp->frame() : nullptr;
    });
    torvask::TorvaskApp app;
    mainApp = &app;
    app.start();
    const int result = QApplication::exec();
    mainApp = nullptr;
    return result;
}
