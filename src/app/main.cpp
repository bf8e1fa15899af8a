// Torvask: teach a neural-network driver to drive by example.
#include <QApplication>

#include "app/AppIcons.h"
#include "app/CMainFrame.h"
#include "app/MessageBoxSink.h"
#include "app/TorvaskApp.h"

namespace {

torvask::TorvaskApp* theApp = nullptr;

QWidget* messageOwner() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return theApp ? &theApp->frame() : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvask"));
    QApplication::setApplicationVersion(QStringLiteral("1.1.0.3"));
    QApplication::setWindowIcon(torvask::applicationIcon());
    torvask::MessageBoxSink sink(&messageOwner);
    torvask::TorvaskApp app;
    theApp = &app;
    app.start();
    const int result = QApplication::exec();
    theApp = nullptr;
    return result;
}
