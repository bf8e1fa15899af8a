#include "app/MessageBoxSink.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <cstdio>

namespace torvask {

void showMessageBox(const std::string& text, QWidget* parent) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    QPointer<QWidget> owner(parent);
    auto show = [text, owner] {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Torvask"), QString::fromStdString(text),
                        QMessageBox::Ok, owner.data());
        box.setObjectName(QStringLiteral("formatMessageBox"));
        box.exec();
    };
    if (QThread::currentThread() == app->thread()) {
        show();
    } else {
        // Widgets live on the GUI thread only; this thread waits as the caller expects.
        QMetaObject::invokeMethod(app, show, Qt::BlockingQueuedConnection);
    }
}

MessageBoxSink::MessageBoxSink(std::function<QWidget*()> parentSource) {
    previous_ = setMessageSink([parentSource](const std::string& text) {
        QWidget* parent = nullptr;
        if (parentSource && QThread::currentThread() == qApp->thread()) parent = parentSource();
        showMessageBox(text, parent);
    });
}

MessageBoxSink::~MessageBoxSink() { setMessageSink(previous_); }

}  // namespace torvask
